#include "envguard.h"
#include "platform/linux/procfs.h"
#include "platform/platform.h"
#include "platform/probebackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace orvane;
using namespace orvane::platform;
namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::vector<std::pair<std::uint32_t, std::string>> Sorted(const std::vector<TProcessInfo>& list) {
    std::vector<std::pair<std::uint32_t, std::string>> r;
    for (const TProcessInfo& p : list)
        r.emplace_back(p.Id, p.Name);
    std::sort(r.begin(), r.end());
    return r;
}

} // namespace

TEST(Proc, ProcessIdsAreDecimalNames) {
    struct Case {
        const char* Name;
        bool Ok;
        std::uint32_t Pid;
    } cases[] = {{"1", true, 1},           {"4294967295", true, 4294967295u},
                 {"4294967296", false, 0}, {"self", false, 0},
                 {"12a", false, 0},        {"", false, 0},
                 {"-1", false, 0},         {"99999999999", false, 0}};
    for (const Case& c : cases) {
        std::uint32_t pid = 0;
        EXPECT_EQ(procfs::ParseProcessId(c.Name, pid), c.Ok) << c.Name;
        if (c.Ok) {
            EXPECT_EQ(pid, c.Pid) << c.Name;
        }
    }
}

// A /proc made of plain files and links: a normal process, a kernel thread (no executable),
// a replaced binary, a process that vanished, a very long path and entries that are no process.
TEST(Proc, ScanNamesEveryProcessAsTheSamplerWould) {
    TTempFolder tmp;
    const fs::path root = tmp.Path();
    fs::create_directories(root / "100");
    fs::create_symlink("/usr/bin/alpha", root / "100/exe");
    WriteFile(root / "100/comm", "alpha\n");
    WriteFile(root / "200/comm", "kworker/0:1\n");
    fs::create_directories(root / "300");
    fs::create_symlink("/opt/beta (deleted)", root / "300/exe");
    WriteFile(root / "300/comm", "beta\n");
    fs::create_directories(root / "400"); // ended while we looked
    const std::string longPath =
        "/" + std::string(300, 'd') + "/" + std::string(700, 'e') + "/gamma";
    fs::create_directories(root / "500");
    fs::create_symlink(longPath, root / "500/exe");
    fs::create_directory_symlink(root / "100", root / "self");
    WriteFile(root / "uptime", "1 2\n");

    std::vector<TProcessInfo> list;
    ASSERT_TRUE(procfs::ListProcessesIn(root.string(), list, true));
    using P = std::pair<std::uint32_t, std::string>;
    EXPECT_EQ(
        Sorted(list),
        (std::vector<P>{
            {100, "/usr/bin/alpha"}, {200, "kworker/0:1"}, {300, "/opt/beta"}, {500, longPath}}));
    list.clear();
    ASSERT_TRUE(procfs::ListProcessesIn(root.string(), list, false));
    EXPECT_EQ(
        Sorted(list),
        (std::vector<P>{{100, "alpha"}, {200, "kworker/0:1"}, {300, "beta"}, {500, "gamma"}}));

    EXPECT_EQ(procfs::ProcessNameIn(root.string(), 200, true), "kworker/0:1");
    EXPECT_EQ(procfs::ProcessNameIn(root.string(), 400, true), "");
    EXPECT_EQ(procfs::ProcessNameIn(root.string(), 999, true), "");
    EXPECT_FALSE(procfs::ListProcessesIn((root / "missing").string(), list, true));
}

TEST(Proc, RealProcFindsThisProcess) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const auto pid = static_cast<std::uint32_t>(getpid());
    std::vector<TProcessInfo> list{{"left over", 1}};
    ASSERT_TRUE(ListRunningProcesses(list, true));
    EXPECT_TRUE(std::any_of(list.begin(), list.end(),
                            [&](const TProcessInfo& p) { return p.Id == pid && p.Name == self; }));
    EXPECT_TRUE(std::none_of(list.begin(), list.end(),
                             [](const TProcessInfo& p) { return p.Name == "left over"; }));
    EXPECT_EQ(ProcessImagePath(pid, true), self);
    EXPECT_EQ(ProcessImagePath(pid, false), fs::path(self).filename().string());
    EXPECT_EQ(ProcessImagePath(0xFFFFFFF0u, true), "");
}

// Without a display nothing can be told, and nothing fails.
TEST(Probe, NoDisplayGivesEmptyStrings) {
    for (const char* display : {static_cast<const char*>(nullptr), "", ":59999", "not a display"}) {
        TEnvGuard env;
        env.Set("DISPLAY", display);
        EXPECT_EQ(GetForegroundWindow(), 0u);
        EXPECT_EQ(ProcessNameOfWindow(0x400001), "");
        EXPECT_EQ(CaptionOfWindow(0x400001), "");
        EXPECT_EQ(SampleForegroundWindow(), TForegroundSample{});
    }
}

// The backend is offered wherever a display is named, reachable or not: the probe connects
// again at every sample, so a server that comes up later is recorded.
TEST(Probe, TheX11BackendIsOfferedWhereverADisplayIsNamed) {
    TEnvGuard env;
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("XDG_SESSION_TYPE", nullptr);
    for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
        env.Set("DISPLAY", unset);
        EXPECT_EQ(X11ProbeCandidate().Unavailable(), "$DISPLAY is not set");
    }
    env.Set("DISPLAY", ":59999");
    EXPECT_EQ(X11ProbeCandidate().Unavailable(), "");
    const std::unique_ptr<IProbeBackend> probe = X11ProbeCandidate().Create();
    EXPECT_EQ(probe->Name(), "x11");
    EXPECT_EQ(probe->Problem(), "cannot connect to the display \":59999\" now; tried again at "
                                "every sample");
    EXPECT_EQ(probe->Sample(), TForegroundSample{});
}
