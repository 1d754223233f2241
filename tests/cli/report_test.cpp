#include "cli/report.h"
#include "recorder/activitylist.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace orvane;

TEST(Report, JsonStringEscapesInvalidUtf8ByteByByte) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain", "\"plain\""},
        {"q\"b\\", "\"q\\\"b\\\\\""},
        {"tab\tnl\n", "\"tab\\u0009nl\\u000a\""},
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\""},
        {"Caf\xe9", "\"Caf\\u00e9\""},                       // Latin-1 byte
        {"\xc0\xaf", "\"\\u00c0\\u00af\""},                   // overlong
        {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},        // surrogate
        {"\xe2\x82", "\"\\u00e2\\u0082\""},                   // cut short
    };
    for (const Case& c : cases) EXPECT_EQ(cli::JsonString(c.in), c.out);
    EXPECT_EQ(cli::JsonNumber(39521.395833333336), "39521.395833333336");
    EXPECT_EQ(cli::JsonNumber(15.0 / 1440), "0.010416666666666666");
    EXPECT_EQ(cli::JsonNumber(0.0 / 0.0), "null");
}

TEST(Report, DumpPrintsOneObjectPerEntryAndFailsWithStatus2) {
    const std::string file =
        (std::filesystem::temp_directory_path() / "orvane-report-test.cdat").string();
    TActivityList list;
    list.AddEntry("a.exe", "Hi", 39521.395833333336);
    list.CloseLastEntryAfter(15.0 / 1440);
    list.SaveToFile(file);

    std::ostringstream out, err;
    EXPECT_EQ(cli::RunReport({"dump", file}, out, err), 0);
    EXPECT_EQ(out.str(), "{\"process\":\"a.exe\",\"caption\":\"Hi\",\"start\":39521.395833333336,"
                         "\"duration\":0.010416666666666666}\n");

    std::ofstream(file, std::ios::binary | std::ios::trunc) << "ab";
    std::ostringstream out2, err2;
    EXPECT_EQ(cli::RunReport({"dump", file}, out2, err2), 2);
    EXPECT_EQ(err2.str(), "Stream read error\n");
    EXPECT_EQ(out2.str(), "");
    std::filesystem::remove(file);

    std::ostringstream out3, err3;
    EXPECT_EQ(cli::RunReport({"--help"}, out3, err3), 0);
    EXPECT_NE(out3.str().find("dump [FILE]"), std::string::npos);
    EXPECT_EQ(cli::RunReport({"nonsense"}, out3, err3), 64);
}

TEST(Report, ProbeWithoutADisplayPrintsTwoEmptyFieldsAndSaysWhy) {
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    unsetenv("DISPLAY");
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunReport({"probe"}, out, err), 0);
    EXPECT_EQ(out.str(), "\t\n");
    EXPECT_EQ(err.str(), "");
    std::ostringstream which, whichErr;
    EXPECT_EQ(cli::RunReport({"probe", "--which"}, which, whichErr), 0);
    EXPECT_EQ(which.str(), "none\n  passed over x11: $DISPLAY is not set\n");
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"probe", "--wtach"}, {"probe", "--which", "--watch"}}) {
        std::ostringstream out2, err2;
        EXPECT_EQ(cli::RunReport(wrong, out2, err2), 64) << wrong.back();
        EXPECT_EQ(out2.str(), "");
        EXPECT_NE(err2.str().find(wrong.back() == "--wtach" ? "--wtach" : "--which"),
                  std::string::npos);
    }
    if (old) setenv("DISPLAY", saved.c_str(), 1);
}

TEST(Report, TerminalTextEscapesEveryControlCharacter) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain \xc3\xa4\xe2\x82\xac", "plain \xc3\xa4\xe2\x82\xac"},
        {"\x1b]0;owned\x07", "\\x1B]0;owned\\x07"},
        {"a\tb\r\nc\x7f", "a\\x09b\\x0D\\x0Ac\\x7F"},
        {"csi \xc2\x9b" "31m", "csi \\xC2\\x9B31m"},   // U+009B, the 8-bit CSI
        {"nbsp \xc2\xa0", "nbsp \xc2\xa0"},             // U+00A0 is no control
        {"raw \x9b" "31m", "raw \\x9B31m"},             // not UTF-8
        {"Caf\xe9", "Caf\\xE9"},
    };
    for (const Case& c : cases) EXPECT_EQ(cli::TerminalText(c.in), c.out) << c.out;
}
