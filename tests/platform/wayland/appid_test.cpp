#include "envguard.h"
#include "files.h"
#include "platform/wayland/appid.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace orvane::platform::wayland;
namespace fs = std::filesystem;

namespace {

// Two data folders (the user's before the system's), a PATH of two folders and a /proc.
struct TPlaces {
    TPlaces() {
        const fs::path root = tmp.Path();
        user = root / "user", system = root / "system", bin = root / "bin", opt = root / "opt";
        proc = root / "proc";
        places.DataDirs = {user.string(), system.string()};
        places.SearchPath = "relative:" + bin.string() + ":" + opt.string();
        places.ProcRoot = proc.string();
        places.Uid = getuid();
    }
    void Desktop(const fs::path& dataDir, const std::string& name, const std::string& body) {
        WriteFile(dataDir / "applications" / name, "[Desktop Entry]\nType=Application\n" + body);
    }
    std::string Program(const fs::path& dir, const std::string& name) {
        WriteFile(dir / name, "#!/bin/sh\n");
        fs::permissions(dir / name, fs::perms::owner_all);
        return (dir / name).string();
    }
    TTempFolder tmp;
    fs::path user, system, bin, opt, proc;
    TAppIdPlaces places;
};

} // namespace

TEST(AppId, ExecValuesNameTheirProgram) {
    const std::pair<const char*, const char*> cases[] = {
        {"foot", "foot"},
        {"foot --server %U", "foot"},
        {"  spaced   out ", "spaced"},
        {"\"/opt/My App/bin/app\" %f", "/opt/My App/bin/app"},
        {"\"/opt/quote\\\"d\" -x", "/opt/quote\"d"},
        {"env GDK_BACKEND=x11 LANG=C editor %F", "editor"},
        {"/usr/bin/env A=1 tool", "tool"},
        {"", ""},
        {"env A=1", ""},
    };
    for (const auto& [exec, program] : cases)
        EXPECT_EQ(ProgramOfExec(exec), program) << exec;
}

TEST(AppId, TheProgramIsFoundInTheDocumentedOrder) {
    TPlaces p;
    const std::string term = p.Program(p.bin, "term");
    const std::string viewer = p.Program(p.opt, "viewer");
    const std::string chat = p.Program(p.bin, "chat-bin");
    const std::string tool = p.Program(p.bin, "tool");
    const std::string player = p.Program(p.opt, "player");
    fs::create_symlink(term, p.bin / "term-link");
    p.Desktop(p.system, "term.desktop", "Exec=term-link --login\n");
    p.Desktop(p.system, "Org.Example.Viewer.desktop", "Exec=viewer %U\n");
    p.Desktop(p.system, "chat.desktop", "Exec=chat-bin\nStartupWMClass=ChatWindow\n");
    p.Desktop(p.system, "tool.desktop", "Exec=env FOO=1 \"" + tool + "\"\n");
    // The user's entry shadows the system's.
    p.Desktop(p.system, "player.desktop", "Exec=missing-program\n");
    p.Desktop(p.user, "player.desktop", "Exec=player\n");
    p.Desktop(p.system, "sandboxed.desktop", "Exec=/usr/bin/flatpak run org.example.Sandboxed\n");
    p.Desktop(p.system, "other.desktop", "[Other Group]\nExec=term\n");
    // A running process whose executable is named like the app_id.
    fs::create_directories(p.proc / "4321");
    fs::create_symlink("/opt/daemon/Runner", p.proc / "4321/exe");
    fs::create_directories(p.proc / "4322");
    fs::create_symlink("/opt/elsewhere/unrelated", p.proc / "4322/exe");

    const std::pair<const char*, std::string> cases[] = {
        {"term", term},                   // Exec through PATH, the link resolved as /proc shows it
        {"org.example.viewer", viewer},   // the file name without regard to case
        {"chatwindow", chat},             // StartupWMClass
        {"tool", tool},                   // env and an absolute path
        {"player", player},               // the user's entry first
        {"runner", "/opt/daemon/Runner"}, // a running process
        {"sandboxed", ""},                // a launcher names no program
        {"other", ""},                    // Exec outside [Desktop Entry]
        {"unknown", ""},
        {"../system/applications/term", ""}, // never a path
        {"", ""},
    };
    for (const auto& [appId, program] : cases)
        EXPECT_EQ(FindProgramOfAppId(appId, p.places), program) << appId;
}

// Each app_id is looked up once in a run: one program never gets two names in the record.
TEST(AppId, TheResolverKeepsItsAnswersAndNamesTheUnknownByTheirAppId) {
    TPlaces p;
    const std::string term = p.Program(p.bin, "term");
    p.Desktop(p.system, "term.desktop", "Exec=term\n");
    TAppIdResolver resolver(p.places);
    EXPECT_EQ(resolver.ProcessName("term"), term);
    EXPECT_EQ(resolver.ProcessName("no.such.App"), "no.such.App");
    EXPECT_EQ(resolver.ProcessName(""), "");
    fs::remove_all(p.system);
    p.Program(p.bin, "no.such.App");
    p.Desktop(p.system, "no.such.App.desktop", "Exec=no.such.App\n");
    EXPECT_EQ(resolver.ProcessName("term"), term);
    EXPECT_EQ(resolver.ProcessName("no.such.App"), "no.such.App");
}

TEST(AppId, PlacesComeFromTheXdgVariables) {
    TEnvGuard env;
    env.Set("HOME", "/home/someone");
    env.Set("XDG_DATA_HOME", nullptr);
    env.Set("XDG_DATA_DIRS", nullptr);
    env.Set("PATH", "/a:/b");
    TAppIdPlaces places = TAppIdPlaces::FromEnvironment();
    EXPECT_EQ(places.DataDirs, (std::vector<std::string>{"/home/someone/.local/share",
                                                         "/usr/local/share", "/usr/share"}));
    EXPECT_EQ(places.SearchPath, "/a:/b");
    env.Set("XDG_DATA_HOME", "/data/");
    env.Set("XDG_DATA_DIRS", "/x:relative::/y/");
    places = TAppIdPlaces::FromEnvironment();
    EXPECT_EQ(places.DataDirs, (std::vector<std::string>{"/data", "/x", "/y"}));
}
