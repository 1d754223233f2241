#include "envguard.h"
#include "files.h"
#include "platform/linux/procfs.h"
#include "platform/platform.h"
#include "platform/probebackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

using namespace orvane;
using namespace orvane::platform;
namespace fs = std::filesystem;

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
// a replaced binary, a process that vanished, a very long path, and no such process.
TEST(Proc, NamesEachProcessAsTheSamplerWould) {
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

    const struct {
        std::uint32_t Pid;
        std::string Full, Short;
    } cases[] = {{100, "/usr/bin/alpha", "alpha"}, {200, "kworker/0:1", "kworker/0:1"},
                 {300, "/opt/beta", "beta"},       {400, "", ""},
                 {500, longPath, "gamma"},         {999, "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(procfs::ProcessNameIn(root.string(), c.Pid, true), c.Full) << c.Pid;
        EXPECT_EQ(procfs::ProcessNameIn(root.string(), c.Pid, false), c.Short) << c.Pid;
    }
    EXPECT_EQ(procfs::ProcessNameIn((root / "missing").string(), 100, true), "");
}

TEST(Proc, RealProcNamesThisProcess) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const auto pid = static_cast<std::uint32_t>(getpid());
    EXPECT_EQ(procfs::ProcessNameIn("/proc", pid, true), self);
    EXPECT_EQ(procfs::ProcessNameIn("/proc", pid, false), fs::path(self).filename().string());
    EXPECT_EQ(procfs::ExecutablePath("/proc", pid), self);
    EXPECT_EQ(procfs::ExecutablePath("/proc", 0xFFFFFFF0u), "");
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
