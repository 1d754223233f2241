#include "app/inifile.h"
#include "recorder/datafile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <iterator>

using namespace orvane;

TEST(IniFile, IntegerReadingRule) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"2", true, 2},       {"0x4", true, 4},     {"0X1f", true, 31},  {"$10", true, 16},
        {"-7", true, -7},     {"260", true, 260},   {"abc", false, 0},   {"", false, 0},
        {"0x", false, 0},     {"4a", false, 0},     {"99999999999", false, 0},
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
    again.SetText("; comment\n[activities]\nviewmode = 0x4\nLANGUAGE=Deutsch\n[Activities]\nViewMode=1\n");
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
