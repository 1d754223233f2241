#include "envguard.h"
#include "files.h"
#include "platform/linux/folders.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace orvane::platform;
namespace fs = std::filesystem;

namespace {

// Undoes DesktopExecValue the way a launcher reads the Exec key: first the string escapes of
// the value, then the quoting of the argument, then the doubled percent signs.
std::string ParseExec(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char c = value[++i];
            unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
            if (c != 's' && c != 'n' && c != 't' && c != 'r' && c != '\\') {
                unescaped.insert(unescaped.size() - 1, 1, '\\'); // not a string escape
            }
        } else {
            unescaped += value[i];
        }
    }
    if (unescaped.size() < 2 || unescaped.front() != '"' || unescaped.back() != '"')
        return "<not quoted>";
    std::string arg;
    for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
        char c = unescaped[i];
        if (c == '\\') {
            c = unescaped[++i];
            if (c != '"' && c != '`' && c != '$' && c != '\\') return "<bad escape>";
        } else if (c == '"' || c == '`' || c == '$') {
            return "<unescaped reserved character>";
        } else if (c == '%') {
            if (unescaped[++i] != '%') return "<field code>";
        }
        arg += c;
    }
    return arg;
}

// HOME and the XDG variables pointed at a fresh folder.
class Folders : public ::testing::Test {
protected:
    void SetUp() override {
        Home = Tmp.Path() + "/home";
        fs::create_directories(Home);
        Env.Set("HOME", Home);
        Env.Set("XDG_CONFIG_HOME", nullptr);
        Env.Set("XDG_DATA_HOME", nullptr);
    }
    TTempFolder Tmp;
    TEnvGuard Env;
    std::string Home;
};

} // namespace

TEST_F(Folders, UserAppDataFolderFollowsXdg) {
    struct Case {
        const char *DataHome, *HomeValue, *Expected;
    } cases[] = {
        {nullptr, "/h", "/h/.local/share"},
        {nullptr, "/h/", "/h/.local/share"},
        {"/d", "/h", "/d"},
        {"/d//", "/h", "/d"},
        {"relative/d", "/h", "/h/.local/share"},
        {"", "/h", "/h/.local/share"},
        {nullptr, "relative", ""},
        {nullptr, nullptr, ""},
        {"/d", nullptr, "/d"},
        {nullptr, "/", "/.local/share"},
    };
    for (const Case& c : cases) {
        Env.Set("XDG_DATA_HOME", c.DataHome);
        Env.Set("HOME", c.HomeValue);
        EXPECT_EQ(UserAppDataFolder(), c.Expected)
            << (c.DataHome ? c.DataHome : "-") << " " << (c.HomeValue ? c.HomeValue : "-");
    }
}

TEST_F(Folders, ShortcutFolders) {
    EXPECT_EQ(xdg::ShortcutFolder(EShortcut::Desktop), Home + "/Desktop/");
    EXPECT_EQ(xdg::ShortcutFolder(EShortcut::Autostart), Home + "/.config/autostart/");

    const std::string config = Tmp.Path() + "/config";
    Env.Set("XDG_CONFIG_HOME", config);
    WriteFile(config + "/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                          "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                          "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
    EXPECT_EQ(xdg::ShortcutFolder(EShortcut::Desktop), Home + "/Schreibtisch/");
    EXPECT_EQ(xdg::ShortcutFolder(EShortcut::Autostart), config + "/autostart/");

    Env.Set("XDG_CONFIG_HOME", "relative/config"); // not usable: the default applies
    EXPECT_EQ(xdg::ShortcutFolder(EShortcut::Autostart), Home + "/.config/autostart/");

    Env.Set("HOME", nullptr);
    Env.Set("XDG_CONFIG_HOME", nullptr);
    for (EShortcut shortcut : {EShortcut::Desktop, EShortcut::Autostart})
        EXPECT_EQ(xdg::ShortcutFolder(shortcut), "") << static_cast<int>(shortcut);
}

TEST(UserDirs, DesktopDirLine) {
    struct Case {
        const char *Text, *Expected;
    } cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Desk top\"\n", "/h/Desk top"},
        {"XDG_DESKTOP_DIR=\"/srv/desk/\"", "/srv/desk"},
        {"  XDG_DESKTOP_DIR = \"$HOME/a\\\"b\"", "/h/a\"b"},
        {"XDG_DESKTOP_DIR=\"$HOME\"", "/h"},
        {"XDG_DESKTOP_DIR=\"$HOME/x\"\nXDG_DESKTOP_DIR=\"$HOME/y\"", "/h/y"},
        {"# XDG_DESKTOP_DIR=\"$HOME/x\"", ""},
        {"XDG_DESKTOP_DIR=$HOME/unquoted", ""},
        {"XDG_DESKTOP_DIR=\"relative/x\"", ""},
        {"XDG_DESKTOP_DIR=\"$HOME/unterminated", ""},
        {"XDG_DESKTOP_DIRECTORY=\"$HOME/x\"", ""},
        {"XDG_MUSIC_DIR=\"$HOME/Music\"", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xdg::DesktopDirFromUserDirs(c.Text, "/h"), c.Expected) << c.Text;
    EXPECT_EQ(xdg::DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/x\"", ""), "");
}

TEST(DesktopEntry, ExecQuotesEveryPath) {
    EXPECT_EQ(xdg::DesktopExecValue("/opt/orvane/orvane"), "\"/opt/orvane/orvane\"");
    EXPECT_EQ(xdg::DesktopExecValue("/x$y"), "\"/x\\\\$y\"");
    EXPECT_EQ(xdg::DesktopExecValue("/a\\b"), "\"/a\\\\\\\\b\"");
    for (const std::string path :
         {"/opt/orvane/orvane", "/home/u/My Apps/orvane", "/tmp/a\"b", "/tmp/$HOME`id`\\y",
          "/tmp/100%/orvane %f", "/tmp/tab\there", "/tmp/Grüße/orvane", "/tmp/'single'"})
        EXPECT_EQ(ParseExec(xdg::DesktopExecValue(path)), path) << path;
}

TEST(DesktopEntry, OneLinePerKey) {
    const std::string text = xdg::DesktopEntryText("/opt/my apps/orvane", "Orvane",
                                                   "Qal Log\r\nLog\\them\r\n\r\nhttps://x");
    EXPECT_EQ(text, "[Desktop Entry]\n"
                    "Type=Application\n"
                    "Version=1.0\n"
                    "Name=Orvane\n"
                    "Comment=Qal Log; Log\\\\them; https://x\n"
                    "Exec=\"/opt/my apps/orvane\"\n"
                    "Path=/opt/my apps\n"
                    "Icon=orvane\n"
                    "Terminal=false\n");
    EXPECT_NO_THROW(xdg::DesktopEntryText("/x/orvane", "", ""));
}

TEST_F(Folders, DesktopShortcutTogglesAnExecutableEntry) {
    const fs::path desktop = Home + "/Desktop";
    fs::create_directories(desktop);
    const fs::path file = desktop / "Orvane.desktop";
    EXPECT_FALSE(ShortcutExists(EShortcut::Desktop));

    ToggleShortcut(EShortcut::Desktop, "/opt/orvane/bin/orvane");
    ASSERT_TRUE(ShortcutExists(EShortcut::Desktop));
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("Exec=\"/opt/orvane/bin/orvane\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=/opt/orvane/bin\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Name=Orvane\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Comment=Qal Log; Log your activities; http://www.orvane.org\n"),
              std::string::npos)
        << text;
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(fs::directory_iterator(desktop)->path(), file) << "no temporary file left behind";

    ToggleShortcut(EShortcut::Desktop, "/opt/orvane/bin/orvane");
    EXPECT_FALSE(ShortcutExists(EShortcut::Desktop));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(Folders, AutostartShortcutCreatesItsFolder) {
    const fs::path file = Home + "/.config/autostart/Orvane.desktop";
    ToggleShortcut(EShortcut::Autostart, "/usr/bin/orvane");
    ASSERT_TRUE(ShortcutExists(EShortcut::Autostart));
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_FALSE(ShortcutExists(EShortcut::Desktop));
}

TEST_F(Folders, SomeoneElsesEntryIsRemovedNotReplaced) {
    const fs::path file = Home + "/.config/autostart/Orvane.desktop";
    WriteFile(file, "[Desktop Entry]\nExec=/somewhere/else\n");
    ASSERT_TRUE(ShortcutExists(EShortcut::Autostart));
    ToggleShortcut(EShortcut::Autostart, "/usr/bin/orvane");
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(Folders, ALinkInThePlaceIsReplacedNotWrittenThrough) {
    const fs::path autostart = Home + "/.config/autostart";
    fs::create_directories(autostart);
    const fs::path target = Tmp.Path() + "/elsewhere";
    fs::create_symlink(target, autostart / "Orvane.desktop");
    ASSERT_FALSE(ShortcutExists(EShortcut::Autostart)); // dangling: no shortcut
    ToggleShortcut(EShortcut::Autostart, "/usr/bin/orvane");
    EXPECT_TRUE(ShortcutExists(EShortcut::Autostart));
    EXPECT_FALSE(fs::is_symlink(autostart / "Orvane.desktop"));
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(Folders, FailuresLeaveNoShortcutAndDoNotThrow) {
    // The desktop "folder" is a file: the entry cannot be written.
    WriteFile(Home + "/Desktop", "not a folder");
    EXPECT_NO_THROW(ToggleShortcut(EShortcut::Desktop, "/usr/bin/orvane"));
    EXPECT_FALSE(ShortcutExists(EShortcut::Desktop));
    EXPECT_EQ(ReadFile(Home + "/Desktop"), "not a folder");

    // A desktop folder that does not exist is not made up.
    fs::remove(Home + "/Desktop");
    ToggleShortcut(EShortcut::Desktop, "/usr/bin/orvane");
    EXPECT_FALSE(fs::exists(Home + "/Desktop"));

    // No folder can be named at all.
    Env.Set("HOME", nullptr);
    EXPECT_NO_THROW(ToggleShortcut(EShortcut::Autostart, "/usr/bin/orvane"));
    EXPECT_FALSE(ShortcutExists(EShortcut::Autostart));
}
