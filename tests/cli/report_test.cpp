#include "cli/report.h"
#include "files.h"
#include "recorder/activitylist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvane;

TEST(Report, JsonStringEscapesInvalidUtf8ByteByByte) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain", "\"plain\""},
        {"q\"b\\", "\"q\\\"b\\\\\""},
        {"tab\tnl\n", "\"tab\\u0009nl\\u000a\""},
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\""},
        {"Caf\xe9", "\"Caf\\u00e9\""},                 // Latin-1 byte
        {"\xc0\xaf", "\"\\u00c0\\u00af\""},            // overlong
        {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""}, // surrogate
        {"\xe2\x82", "\"\\u00e2\\u0082\""},            // cut short
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::JsonString(c.in), c.out);
    EXPECT_EQ(cli::JsonNumber(39521.395833333336), "39521.395833333336");
    EXPECT_EQ(cli::JsonNumber(15.0 / 1440), "0.010416666666666666");
    EXPECT_EQ(cli::JsonNumber(0.0 / 0.0), "null");
    // The shortest text that reads back as the same number.
    EXPECT_EQ(cli::JsonNumber(133151 / 1000.0), "133.151");
    EXPECT_EQ(cli::JsonNumber(0.1), "0.1");
    EXPECT_EQ(cli::JsonNumber(7200), "7200");
    EXPECT_EQ(cli::JsonNumber(-1e300), "-1e+300");
    for (double v : {133151 / 1000.0, 1.0 / 3, 5e-324, 1.7976931348623157e308, 39521.395833333336})
        EXPECT_EQ(std::strtod(cli::JsonNumber(v).c_str(), nullptr), v) << v;
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

    WriteFile(file, "ab");
    std::ostringstream out2, err2;
    EXPECT_EQ(cli::RunReport({"dump", file}, out2, err2), 2);
    EXPECT_EQ(err2.str(), "Stream read error\n");
    EXPECT_EQ(out2.str(), "");
    std::filesystem::remove(file);

    std::ostringstream out3, err3;
    EXPECT_EQ(cli::RunReport({"--help"}, out3, err3), 0);
    EXPECT_NE(out3.str().find("dump [--machine NAME|all] [FILE]"), std::string::npos);
    EXPECT_EQ(cli::RunReport({"nonsense"}, out3, err3), 64);
}

TEST(Report, ProbeWithoutADisplayPrintsTwoEmptyFieldsAndSaysWhy) {
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    unsetenv("DISPLAY");
    // Not a Wayland session either, whatever session the tests run in.
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "ORVANE_PROBE"})
        unsetenv(name);
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunReport({"probe"}, out, err), 0);
    EXPECT_EQ(out.str(), "\t\n");
    EXPECT_EQ(err.str(), "");
    std::ostringstream which, whichErr;
    EXPECT_EQ(cli::RunReport({"probe", "--which"}, which, whichErr), 0);
    // Then the idle and lock sources; which lock source answers depends on the machine.
    const std::string whichText = which.str();
    EXPECT_EQ(whichText.substr(0, whichText.find("idle:")),
              "none\n  passed over x11: $DISPLAY is not set\n");
    EXPECT_NE(whichText.find("idle: none, away detection is off\n"), std::string::npos)
        << whichText;
    EXPECT_NE(whichText.find("  passed over xcb-screensaver: $DISPLAY is not set\n"),
              std::string::npos)
        << whichText;
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

TEST(Report, PresenceRefusesWhatIsNoThreshold) {
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"presence", "--threshold", "x"},
          {"presence", "--threshold", "-5"},
          {"presence", "--threshold", "99999999999999999999"},
          {"presence", "--threshold"},
          {"presence", "--whatever"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(cli::RunReport(wrong, out, err), 64) << wrong.back();
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find("orvane-report presence:"), std::string::npos) << wrong.back();
    }
}

TEST(Report, TerminalTextEscapesEveryControlCharacter) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain \xc3\xa4\xe2\x82\xac", "plain \xc3\xa4\xe2\x82\xac"},
        {"\x1b]0;owned\x07", "\\x1B]0;owned\\x07"},
        {"a\tb\r\nc\x7f", "a\\x09b\\x0D\\x0Ac\\x7F"},
        {"csi \xc2\x9b"
         "31m",
         "csi \\xC2\\x9B31m"},              // U+009B, the 8-bit CSI
        {"nbsp \xc2\xa0", "nbsp \xc2\xa0"}, // U+00A0 is no control
        {"raw \x9b"
         "31m",
         "raw \\x9B31m"}, // not UTF-8
        {"Caf\xe9", "Caf\\xE9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::TerminalText(c.in), c.out) << c.out;
}

// Every verb that reads the record prints what it could read, says on stderr where reading
// stopped, and ends with the status of a damaged file.
TEST(Report, ADamagedRecordIsPrintedAsFarAsItGoesAndSaysWhereItStopped) {
    const std::string file =
        (std::filesystem::temp_directory_path() / "orvane-report-damaged.cdat").string();
    TActivityList list;
    for (int i = 0; i < 1000; ++i)
        list.AddEntry("/usr/bin/p", "entry " + std::to_string(i), 45000 + i / 1000.0);
    list.SaveToFile(file);
    std::string bytes = ReadFile(file);
    // Entry 500 starts after the count and 499 records of 4 + 10 + 4 + 9 + 16 bytes ("entry 0"
    // to "entry 9" are one byte shorter, "entry 10" to "entry 99" as long as 499's own part).
    std::size_t at = 4;
    for (int i = 0; i < 499; ++i)
        at += 4 + 10 + 4 + ("entry " + std::to_string(i)).size() + 16;
    ASSERT_EQ(bytes.substr(at, 4), Le32(10));
    bytes.replace(at, 4, Le32(-5));
    WriteFile(file, bytes);

    const std::string where = "is damaged: stopped at entry 500 of 1000, at byte " +
                              std::to_string(at) + " of " + std::to_string(bytes.size());
    const struct {
        std::vector<std::string> args;
        std::size_t minLines;
    } verbs[] = {{{"dump", file}, 499},
                 {{"csv", file}, 499},
                 {{"json", file}, 499},
                 {{"tree", "--mode", "all", file}, 1}};
    for (const auto& v : verbs) {
        std::ostringstream out, err;
        EXPECT_EQ(cli::RunReport(v.args, out, err), cli::ExitDamaged) << v.args[0];
        EXPECT_NE(err.str().find(where), std::string::npos) << v.args[0] << ": " << err.str();
        const std::string text = out.str();
        EXPECT_GE(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), v.minLines)
            << v.args[0];
    }
    std::ostringstream out, err;
    cli::RunReport({"dump", file}, out, err);
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 499);
    EXPECT_NE(text.find("\"entry 498\""), std::string::npos);
    EXPECT_EQ(text.find("\"entry 499\""), std::string::npos);
    std::filesystem::remove(file);

    std::ostringstream help, none;
    cli::RunReport({"--help"}, help, none);
    EXPECT_NE(help.str().find("3 when it is damaged"), std::string::npos);
}

TEST(Report, AFifoGivesTheOpenErrorAtOnce) {
    char tmpl[] = "/tmp/orvane-report-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string fifo = std::string(tmpl) + "/orvane.cdat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const char* verb : {"dump", "csv", "json", "tree"}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(5); // an open that waits for a writer never returns
            std::ostringstream out, err;
            const int status = cli::RunReport({verb, fifo}, out, err);
            ::_exit(status == cli::ExitUnreadable &&
                            err.str() == "Cannot open file \"" + fifo + "\". Not a regular file\n"
                        ? 0
                        : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << verb << " hung";
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << verb;
    }
    std::filesystem::remove_all(tmpl);
}
