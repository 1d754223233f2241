#include "files.h"
#include "testutil.h"

#include "cli/report.h"
#include "views/export.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace orvane;
using namespace testutil;

namespace {

struct Fixture {
    TTempFolder Dir;
    std::string File = Dir.Path() + "/orvane.cdat";
    TActivityList List;
    Fixture() {
        Add(List, "/usr/bin/mail", "Inbox \"new\"", At(2024, 1, 15, 23), 2 * Hour);
        Add(List, "/usr/bin/editor", "a; b", At(2024, 1, 16, 9, 30, 0), 25 * Hour);
        Add(List, "/usr/bin/mail", "Inbox", At(2024, 1, 18, 8), 0);
        List.SaveToFile(File);
    }
};

int Report(std::vector<std::string> args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = cli::RunReport(args, o, e);
    out = o.str();
    err = e.str();
    return status;
}

const std::vector<std::string> Fixed = {"--locale",   "de_DE",         "--date-format",
                                        "dd.MM.yyyy", "--time-format", "HH:mm:ss"};

} // namespace

TEST(ReportVerbs, TreeAndCsvPrintWhatTheExportsWrite) {
    Fixture f;
    std::string out, err;
    for (const char* mode : {"daily", "weekly", "monthly"}) {
        std::vector<std::string> args = {"tree", "--mode", mode};
        args.insert(args.end(), Fixed.begin(), Fixed.end());
        args.push_back(f.File);
        ASSERT_EQ(Report(args, out, err), 0) << err;
        std::ostringstream want;
        WriteTreeText(*FillTree(f.List, std::string(mode) == "daily"    ? TViewMode::vmDaily
                                        : std::string(mode) == "weekly" ? TViewMode::vmWeekly
                                                                        : TViewMode::vmMonthly),
                      want);
        EXPECT_EQ(out, want.str()) << mode;
    }
    std::vector<std::string> daily = {"tree"};
    daily.insert(daily.end(), Fixed.begin(), Fixed.end());
    daily.push_back(f.File);
    ASSERT_EQ(Report(daily, out, err), 0);
    EXPECT_EQ(out.substr(0, out.find("\r\n")), "15.01.2024  :  02:00:00");
    EXPECT_NE(out.find("\t/usr/bin/editor     : 25:00:00\r\n"), std::string::npos);

    std::vector<std::string> csv = {"csv"};
    csv.insert(csv.end(), Fixed.begin(), Fixed.end());
    csv.push_back(f.File);
    ASSERT_EQ(Report(csv, out, err), 0);
    EXPECT_NE(out.find("/usr/bin/editor; 'a; b; 16.01.2024; 09:30:00; 25:00:00\r\n"),
              std::string::npos)
        << out;

    // The locale's month names reach the month labels.
    ASSERT_EQ(Report({"tree", "--mode", "monthly", "--locale", "de_DE", f.File}, out, err), 0);
    EXPECT_EQ(out.rfind("Monat Jan.24 (15.01-", 0), 0u) << out;
}

TEST(ReportVerbs, JsonIsOneDocumentWithIsoStartsAndSeconds) {
    Fixture f;
    std::string out, err;
    ASSERT_EQ(Report({"json", f.File}, out, err), 0) << err;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out;
    const QJsonArray entries = doc.object()["entries"].toArray();
    ASSERT_EQ(entries.size(), 3);
    const QJsonObject first = entries[0].toObject();
    EXPECT_EQ(first["process"].toString(), "/usr/bin/mail");
    EXPECT_EQ(first["caption"].toString(), "Inbox \"new\"");
    EXPECT_EQ(first["start"].toString(), "2024-01-15T23:00:00");
    EXPECT_EQ(first["duration"].toDouble(), 7200.0);
    EXPECT_EQ(entries[1].toObject()["duration"].toDouble(), 90000.0);
}

TEST(ReportVerbs, UsageErrorsAndUnreadableFiles) {
    Fixture f;
    std::string out, err;
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"tree", "--mode", "hourly", f.File}, 64},
        {{"tree", "--mode"}, 64},
        {{"csv", "--mode", "daily", f.File}, 64},
        {{"json", "--locale", "xx_NOPE", f.File}, 64},
        {{"csv", "--bogus"}, 64},
        {{"json", f.File, f.File}, 64},
        {{"tree", "/nonexistent/orvane.cdat"}, 2},
        {{"csv", "/nonexistent/orvane.cdat"}, 2},
    };
    for (const auto& [args, status] : cases) {
        EXPECT_EQ(Report(args, out, err), status) << args[1];
        EXPECT_FALSE(err.empty()) << args[1];
    }
}

TEST(ReportVerbs, TreeAndCsvEscapeControlCharactersAndCsvQuotesOnRequest) {
    Fixture f;
    TActivityList hostile;
    Add(hostile, "/usr/bin/x\nterm",
        "\x1b]0;owned\x07red \x1b[31m; \"q\", \xc2\x9b"
        "2J",
        At(2024, 1, 15, 10), 2 * Hour);
    hostile.SaveToFile(f.File);
    std::string out, err;
    const auto noRawControls = [](const std::string& text) {
        for (char c : text)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') ||
                c == '\x7f')
                return false;
        return text.find("\xc2\x9b") == std::string::npos;
    };

    std::vector<std::string> tree = {"tree", "--mode", "daily"};
    tree.insert(tree.end(), Fixed.begin(), Fixed.end());
    tree.push_back(f.File);
    ASSERT_EQ(Report(tree, out, err), 0) << err;
    EXPECT_TRUE(noRawControls(out)) << out;
    EXPECT_NE(out.find("\t/usr/bin/x\\x0Aterm"), std::string::npos) << out;
    EXPECT_NE(out.find("\\x1B]0;owned\\x07red \\x1B[31m"), std::string::npos) << out;

    std::vector<std::string> csv = {"csv"};
    csv.insert(csv.end(), Fixed.begin(), Fixed.end());
    csv.push_back(f.File);
    ASSERT_EQ(Report(csv, out, err), 0) << err;
    EXPECT_EQ(out, "Process; Window.Caption; Date; Time; Duration\r\n\r\n"
                   "/usr/bin/x\\x0Aterm; '\\x1B]0;owned\\x07red \\x1B[31m; \"q\", "
                   "\\xC2\\x9B2J; 15.01.2024; 10:00:00; 02:00:00\r\n");

    csv.insert(csv.begin() + 1, "--quoted");
    ASSERT_EQ(Report(csv, out, err), 0) << err;
    EXPECT_EQ(out, "Process,Window.Caption,Date,Time,Duration\r\n"
                   "/usr/bin/x\\x0Aterm,\"\\x1B]0;owned\\x07red \\x1B[31m; \"\"q\"\", "
                   "\\xC2\\x9B2J\",15.01.2024,10:00:00,02:00:00\r\n");
}

TEST(ReportVerbs, QuotedCsvOfTheExampleRecord) {
    Fixture f;
    std::string out, err;
    std::vector<std::string> csv = {"csv", "--quoted"};
    csv.insert(csv.end(), Fixed.begin(), Fixed.end());
    csv.push_back(f.File);
    ASSERT_EQ(Report(csv, out, err), 0) << err;
    EXPECT_EQ(out, "Process,Window.Caption,Date,Time,Duration\r\n"
                   "/usr/bin/mail,\"Inbox \"\"new\"\"\",15.01.2024,23:00:00,02:00:00\r\n"
                   "/usr/bin/editor,a; b,16.01.2024,09:30:00,25:00:00\r\n"
                   "/usr/bin/mail,Inbox,18.01.2024,08:00:00,00:00:00\r\n");
    std::string plainErr;
    EXPECT_EQ(Report({"tree", "--quoted", f.File}, out, plainErr), 64);
}

TEST(ReportVerbs, TreeOfARecordOutOfDateOrder) {
    Fixture f;
    // The last entry was recorded before the clock was set.
    Add(f.List, "/usr/bin/shell", "boot", At(2020, 1, 6, 8), 30 * Min);
    f.List.SaveToFile(f.File);
    std::string out, err;
    std::vector<std::string> args = {"tree", "--mode", "daily"};
    args.insert(args.end(), Fixed.begin(), Fixed.end());
    args.push_back(f.File);
    ASSERT_EQ(Report(args, out, err), 0) << err;
    EXPECT_EQ(out.substr(0, out.find("\r\n")), "06.01.2020  :  00:30:00");
    EXPECT_NE(out.find("\r\n15.01.2024  :  02:00:00\r\n"), std::string::npos) << out;
    args[2] = "all";
    ASSERT_EQ(Report(args, out, err), 0) << err;
    EXPECT_EQ(out.substr(0, 10), "06.01.2020") << out;
    EXPECT_NE(out.find(" Total : 27:30:00"), std::string::npos) << out;
}

TEST(ReportVerbs, DatePatternsNameTheWeekdayInTheLocale) {
    Fixture f;
    std::string out, err;
    ASSERT_EQ(
        Report({"csv", "--locale", "de_DE", "--date-format", "dddd, d. MMMM yyyy '(ddd)'", f.File},
               out, err),
        0)
        << err;
    EXPECT_NE(out.find("; Dienstag, 16. Januar 2024 (ddd); "), std::string::npos) << out;
    ASSERT_EQ(Report({"csv", "--locale", "en_US", "--date-format", "ddd dd", f.File}, out, err), 0);
    EXPECT_NE(out.find("; Tue 16; "), std::string::npos) << out;
}

TEST(ReportVerbs, PatternsHaveABoundedLength) {
    Fixture f;
    std::string out, err;
    // Formatted for every entry: a pattern of a hundred thousand characters is refused.
    std::string huge;
    for (int i = 0; i < 64000; ++i)
        huge += "hx";
    for (const char* option : {"--date-format", "--time-format"}) {
        EXPECT_EQ(Report({"csv", option, huge, f.File}, out, err), 64) << option;
        EXPECT_EQ(err,
                  std::string("orvane-report csv: ") + option + " is longer than 256 characters\n");
        EXPECT_TRUE(out.empty());
    }
    // The longest one allowed is used as given, its AM/PM field making h a 12-hour clock.
    std::string longest, want;
    for (int i = 0; i < 126; ++i)
        longest += "hx", want += "11x";
    longest += "ap--";
    want += "pm--";
    ASSERT_EQ(longest.size(), MaxPatternLength);
    ASSERT_EQ(Report({"csv", "--time-format", longest, f.File}, out, err), 0) << err;
    EXPECT_NE(out.find("; " + want + "; 02:00:00\r\n"), std::string::npos) << out.substr(0, 600);
}
