#include "recorder/datafile.h"
#include "session/inifile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace orvane;

TEST(IniFile, IntegerReadingRule) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"2", true, 2},   {"0x4", true, 4},   {"0X1f", true, 31},        {"$10", true, 16},
        {"-7", true, -7}, {"260", true, 260}, {"abc", false, 0},         {"", false, 0},
        {"0x", false, 0}, {"4a", false, 0},   {"99999999999", false, 0},
    };
    for (const Case& c : cases) {
        int v = 0;
        EXPECT_EQ(TIniFile::ParseInteger(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(IniFile, NamesIgnoreCaseAndTheFileIsCreatedByTheFirstWrite) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("orvane.cfg").toStdString();
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger("Activities", "ViewMode", 0), 0);
    EXPECT_FALSE(std::ifstream(file).good()) << "reading creates nothing";
    ini.WriteInteger("Activities", "ViewMode", 2);
    ini.WriteString("Activities", "Language", "English");
    std::ifstream in(file);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(text, "[Activities]\nViewMode=2\nLanguage=English\n");

    TIniFile again(file);
    again.SetText(
        "; comment\n[activities]\nviewmode = 0x4\nLANGUAGE=Deutsch\n[Activities]\nViewMode=1\n");
    EXPECT_EQ(again.ReadInteger("ACTIVITIES", "ViewMode", 0), 4);
    EXPECT_EQ(again.ReadString("Activities", "language", ""), "Deutsch");
}

TEST(IniFile, UnwritableFileReportsAndKeepsNothingHalfWritten) {
    TIniFile ini("/nonexistent-folder/orvane.cfg");
    try {
        ini.WriteInteger("Activities", "ViewMode", 1);
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to /nonexistent-folder/orvane.cfg");
    }
}

// A FIFO or a folder in the settings file's place: read at once as empty with the open error, and
// never replaced. In a child that an alarm ends, since an open that waits for a writer never
// returns.
TEST(IniFile, SpecialFilesReadAsEmptyAtOnceAndAreNotReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs and no fork()";
#else
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("fifo.cfg").toStdString();
    const std::string folder = dir.filePath("folder.cfg").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const struct {
        std::string file, reason;
    } cases[] = {{fifo, "Not a regular file"}, {folder, "Is a directory"}};
    for (const auto& c : cases) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(5);
            TIniFile ini(c.file);
            if (ini.ReadInteger("Activities", "ViewMode", 7) != 7) ::_exit(1);
            if (ini.LoadError() != "Cannot open file \"" + c.file + "\". " + c.reason) ::_exit(2);
            try {
                ini.WriteInteger("Activities", "ViewMode", 1);
                ::_exit(3);
            } catch (const EFileError& e) {
                if (std::string(e.what()) != "Unable to write to " + c.file) ::_exit(4);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << c.file << ": the read hung";
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << c.file;
    }
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
#endif
}

TEST(IniFile, ALinkedSettingsFileStaysALink) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links on Windows need a privilege a user rarely has";
#else
    QTemporaryDir dir;
    const std::string file = dir.filePath("orvane.cfg").toStdString();
    ASSERT_EQ(::symlink("elsewhere.cfg", file.c_str()), 0);
    TIniFile ini(file);
    ini.WriteInteger("Activities", "ViewMode", 2);
    struct stat st {};
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::ifstream in(dir.filePath("elsewhere.cfg").toStdString());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[Activities]\nViewMode=2\n");
#endif
}
