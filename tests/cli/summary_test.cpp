#include "files.h"
#include "testutil.h"

#include "cli/report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace orvane;
using namespace testutil;

namespace {

// A week of December 2026 in Berlin (winter time); "now" is Thursday 2026-12-10 12:00.
//   A  editor  main.cpp  Sun 06 23:00  2 h     crosses into Monday: 1 h on each day
//   B  browser News      Mon 07 09:00  30 min
//   C  Editor  Main.cpp  Tue 08 14:00  1 h     the same program and window as A
//   D  mail    Inbox     Wed 09 08:00  10 min
//   E  browser Mail      Thu 10 11:50  9 min   stored; running, so up to 12:00 it is 10 min
struct Fixture {
    ScopedEnv Zone{"TZ", "Europe/Berlin"};
    ScopedEnv Terminal{"LC_ALL", "C.UTF-8"};
    TTempFolder Dir;
    std::string File = Dir.Path() + "/orvane.cdat";
    TActivityList List;
    Fixture() {
        Add(List, "/usr/bin/editor", "main.cpp", At(2026, 12, 6, 23), 2 * Hour);
        Add(List, "/usr/bin/browser", "News", At(2026, 12, 7, 9), 30 * Min);
        Add(List, "/usr/bin/Editor", "Main.cpp", At(2026, 12, 8, 14), Hour);
        Add(List, "/usr/bin/mail", "Inbox", At(2026, 12, 9, 8), 10 * Min);
        Add(List, "/usr/bin/browser", "Mail", At(2026, 12, 10, 11, 50), 9 * Min);
        List.SaveToFile(File);
    }
    void Write(const std::string& name, const std::string& text) const {
        WriteFile(Dir / name, text);
    }
};

int Report(std::vector<std::string> args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = cli::RunReport(args, o, e);
    out = o.str();
    err = e.str();
    return status;
}

// "key seconds entries" per row, then "total seconds entries".
std::string Rows(const std::string& json) {
    const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    std::string text;
    for (const QJsonValue& v : doc["rows"].toArray()) {
        const QJsonObject r = v.toObject();
        text += r["key"].toString().toStdString() + " " +
                QString::number(r["seconds"].toDouble()).toStdString() + " " +
                QString::number(r["entries"].toInt()).toStdString() + "; ";
    }
    return text + "total " + QString::number(doc["total_seconds"].toDouble()).toStdString() + " " +
           QString::number(doc["total_entries"].toInt()).toStdString();
}

} // namespace

TEST(Summary, TotalsOfTheHandWorkedWeek) {
    Fixture f;
    const std::string now = "2026-12-10T12:00";
    struct Case {
        std::vector<std::string> Args;
        const char* Want;
    };
    const Case cases[] = {
        // A counts from Monday 00:00 only, E up to now.
        {{"--since", "week"},
         "/usr/bin/editor 7200 2; /usr/bin/browser 2400 2; /usr/bin/mail 600 1; total 10200 5"},
        {{"--since", "week", "--top", "1"}, "/usr/bin/editor 7200 2; other 3000 3; total 10200 5"},
        {{"--since", "week", "--top", "3"},
         "/usr/bin/editor 7200 2; /usr/bin/browser 2400 2; /usr/bin/mail 600 1; total 10200 5"},
        {{"--since", "week", "--by", "caption", "--top", "2"},
         "main.cpp 7200 2; News 1800 1; other 1200 2; total 10200 5"},
        // Cut at the end: C from 14:00 to 14:30, spelled as in C, its first entry of the period.
        {{"--since", "2026-12-08", "--until", "2026-12-08T14:30"},
         "/usr/bin/Editor 1800 1; total 1800 1"},
        // The default period is today; an hour later E no longer runs.
        {{}, "/usr/bin/browser 600 1; total 600 1"},
        {{"--now", "2026-12-10T13:00"}, "/usr/bin/browser 540 1; total 540 1"},
        {{"--since", "yesterday", "--until", "today"}, "/usr/bin/mail 600 1; total 600 1"},
        // Empty periods.
        {{"--since", "2026-12-01", "--until", "2026-12-02"}, "total 0 0"},
        {{"--since", "today", "--until", "today"}, "total 0 0"},
        // Days in date order, those without time included; A on two days.
        {{"--since", "2026-12-05", "--by", "day"},
         "2026-12-05 0 0; 2026-12-06 3600 1; 2026-12-07 5400 2; 2026-12-08 3600 1; "
         "2026-12-09 600 1; 2026-12-10 600 1; total 13800 5"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"summary", "--format", "json", "--now", now};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        args.push_back(f.File);
        std::string out, err;
        ASSERT_EQ(Report(args, out, err), 0) << err;
        EXPECT_EQ(Rows(out), c.Want) << out;
    }
}

TEST(Summary, DaysOfTheChangeFromSummerTimeHave25Hours) {
    Fixture f;
    TActivityList list;
    // 30 hours of real time from Saturday 22:00 to Monday 03:00 over the night that repeats 02:00.
    Add(list, "/usr/bin/editor", "x", At(2026, 10, 24, 22), 30 * Hour);
    list.SaveToFile(f.File);
    std::string out, err;
    ASSERT_EQ(Report({"summary", "--format", "json", "--by", "day", "--since", "2026-10-24",
                      "--until", "2026-10-27", "--now", "2026-11-01T00:00", f.File},
                     out, err),
              0)
        << err;
    EXPECT_EQ(Rows(out),
              "2026-10-24 7200 1; 2026-10-25 90000 1; 2026-10-26 10800 1; total 108000 1");
    const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    EXPECT_EQ(doc["since"].toString(), "2026-10-24T00:00:00+02:00");
    EXPECT_EQ(doc["until"].toString(), "2026-10-27T00:00:00+01:00");
}

TEST(Summary, TextAndCsv) {
    Fixture f;
    std::string out, err;
    ASSERT_EQ(Report({"summary", "--since", "week", "--now", "2026-12-10T12:00", f.File}, out, err),
              0)
        << err;
    EXPECT_EQ(out, "2026-12-07 00:00 to 2026-12-10 12:00\n\n"
                   "   Time   Share                        Entries  Program\n"
                   "2:00:00   70.6%  ██████████████▏             2  editor\n"
                   "0:40:00   23.5%  ████▊                       2  browser\n"
                   "0:10:00    5.9%  █▏                          1  mail\n"
                   "2:50:00  100.0%                              5  Total\n");
    ScopedEnv ascii("LC_ALL", "C");
    ASSERT_EQ(Report({"summary", "--since", "week", "--by", "caption", "--now", "2026-12-10T12:00",
                      f.File},
                     out, err),
              0);
    EXPECT_NE(out.find("2:00:00   70.6%  ##############        "), std::string::npos) << out;
    EXPECT_NE(out.find("2  editor: main.cpp\n"), std::string::npos) << out;

    // Hours past 99 stay whole and right-aligned.
    TActivityList list;
    Add(list, "/usr/bin/a", "x", At(2026, 12, 1), 100 * Hour + 1 * Sec);
    Add(list, "/opt/b/a", "y", At(2026, 12, 6), 2 * Hour);
    list.SaveToFile(f.File);
    ASSERT_EQ(
        Report({"summary", "--since", "month", "--now", "2026-12-10T12:00", f.File}, out, err), 0);
    EXPECT_NE(out.find("\n100:00:01 "), std::string::npos) << out;
    EXPECT_NE(out.find("\n  2:00:00 "), std::string::npos) << out;
    // Two programs of the same file name keep their paths.
    EXPECT_NE(out.find("  /opt/b/a\n"), std::string::npos) << out;

    ASSERT_EQ(Report({"summary", "--since", "month", "--by", "caption", "--format", "csv", "--now",
                      "2026-12-10T12:00", f.File},
                     out, err),
              0);
    EXPECT_EQ(out, "program,key,seconds,share,entries\r\n"
                   "/usr/bin/a,x,360001,0.980392,1\r\n"
                   "/opt/b/a,y,7200,0.019608,1\r\n"
                   ",(total),367201,1.000000,2\r\n");
}

TEST(Summary, PeriodsForTheOtherVerbsAndUsageErrors) {
    Fixture f;
    std::string out, err;
    // Last week's entries to a spreadsheet: A cut to its hour on Sunday.
    ASSERT_EQ(Report({"csv", "--quoted", "--date-format", "dd.MM.yyyy", "--since", "last-week",
                      "--until", "week", "--now", "2026-12-10T12:00", f.File},
                     out, err),
              0)
        << err;
    EXPECT_EQ(out, "Process,Window.Caption,Date,Time,Duration\r\n"
                   "/usr/bin/editor,main.cpp,06.12.2026,23:00:00,01:00:00\r\n");
    ASSERT_EQ(
        Report({"json", "--since", "2026-12-10", "--now", "2026-12-10T12:00", f.File}, out, err),
        0);
    EXPECT_NE(out.find("\"start\":\"2026-12-10T11:50:00\",\"duration\":600}"), std::string::npos)
        << out;
    ASSERT_EQ(Report({"tree", "--locale", "de_DE", "--date-format", "dd.MM.yyyy", "--until",
                      "2026-12-07T00:30", "--now", "2026-12-10T12:00", f.File},
                     out, err),
              0);
    // A cut at 00:30; the tree counts an entry in the day it starts in.
    EXPECT_EQ(out, "06.12.2026  :  01:30:00\r\n"
                   "\t/usr/bin/editor     : 01:30:00\r\n"
                   "\t\t01:30:00  : main.cpp\r\n");

    const std::vector<std::string> bad[] = {
        {"summary", "--since", "soon"},
        {"summary", "--until", "2026-02-30"},
        {"summary", "--since", "today", "--until", "yesterday"},
        {"summary", "--now", "2026-12-10"},
        {"summary", "--by", "week"},
        {"summary", "--top", "0"},
        {"summary", "--top", "-3"},
        {"summary", "--by", "day", "--top", "3"},
        {"summary", "--format", "xml"},
        {"csv", "--since"},
        {"json", "--until", "tomorrow"},
        {"csv", "--top", "3"},
    };
    for (std::vector<std::string> args : bad) {
        args.push_back(f.File);
        EXPECT_EQ(Report(args, out, err), 64) << args[1] << " " << args[2];
        EXPECT_FALSE(err.empty());
    }
}

TEST(Summary, ByCategoryWithTheRulesBesideTheRecordOrGiven) {
    Fixture f;
    f.Write("orvane.cfg", "[Activities]\nViewMode=0\n[Categories]\n"
                          "Coding=title:*.cpp;re:(\n" // line 4, the second pattern is bad
                          "Web=browser\n"             // 5
                          "Mail=mail;title:mail*\n"); // 6: E is Web already
    std::string out, err;
    const std::vector<std::string> week = {"--since", "week", "--now", "2026-12-10T12:00"};
    std::vector<std::string> args = {"summary", "--by", "category", "--format", "json"};
    args.insert(args.end(), week.begin(), week.end());
    args.push_back(f.File);
    ASSERT_EQ(Report(args, out, err), 0) << err;
    EXPECT_EQ(Rows(out), "Coding 7200 2; Web 2400 2; Mail 600 1; total 10200 5");
    // The bad pattern once, with its line.
    EXPECT_EQ(err, "orvane-report summary: " + f.Dir.Path() + "/orvane.cfg" +
                       ":4: category \"Coding\": the pattern \"re:(\" is left out: missing "
                       "closing parenthesis at offset 1\n");

    f.Write("other.cfg", "[Categories]\nMail=re:^/usr/bin/(mail|browser)\t\n");
    args.insert(args.end() - 1, {"--settings", f.Dir.Path() + "/other.cfg"});
    ASSERT_EQ(Report(args, out, err), 0) << err;
    EXPECT_EQ(Rows(out), "Uncategorised 7200 2; Mail 3000 3; total 10200 5");
    EXPECT_EQ(err, "");

    // No settings file beside the record: all of it is uncategorised; one asked for must exist.
    std::filesystem::remove(f.Dir / "orvane.cfg");
    args = {"summary", "--by", "category", "--format", "json"};
    args.insert(args.end(), week.begin(), week.end());
    args.push_back(f.File);
    ASSERT_EQ(Report(args, out, err), 0) << err;
    EXPECT_EQ(Rows(out), "Uncategorised 10200 5; total 10200 5");
    args.insert(args.end() - 1, {"--settings", f.Dir.Path() + "/missing.cfg"});
    EXPECT_EQ(Report(args, out, err), 2);
    EXPECT_NE(err.find("cannot read the settings file"), std::string::npos) << err;
}

// A record of many index blocks: the verbs with a period read it through the index beside it, and
// print what they print without it, the running entry included.
TEST(SummaryVerb, PeriodsReadThroughTheIndexGiveWhatTheWholeRecordGives) {
    Fixture f;
    const std::string file = f.Dir.Path() + "/big.cdat";
    TActivityList big;
    const TDateTime first = At(2025, 1, 1, 8);
    for (int i = 0; i < 14000; ++i)
        Add(big, "/usr/bin/p" + std::to_string(i % 5), "t" + std::to_string(i % 13),
            first + i / 20 + (i % 20) / 48.0, i == 30 ? 300.0 : 20 * Min);
    big.SaveToFile(file);
    const TDateTime last = big[big.Count() - 1].End();
    const std::string now = FormatDateTime("yyyy-MM-dd'T'HH:mm:ss", last + 30.0 / SecsPerDay);
    const std::vector<std::vector<std::string>> periods = {
        {"--since", "2025-03-01", "--until", "2025-04-01"},
        {"--since", "2025-01-01", "--until", "2025-01-02"},
        {"--since", "2025-09-01", "--until", "2025-09-15"},
        {"--since", "2026-01-01"},
        {"--until", "2025-02-01"},
        {"--since", "today"},
        {"--since", "2027-01-01", "--until", "2027-02-01"},
    };
    const std::string index = file + ".idx";
    for (const char* verb : {"summary", "tree", "csv", "json"}) {
        for (const auto& period : periods) {
            // The summary's period starts today unless told otherwise.
            if (verb == std::string("summary") && period[0] == "--until") continue;
            std::vector<std::string> args = {verb, "--now", now};
            args.insert(args.end(), period.begin(), period.end());
            args.push_back(file);
            std::filesystem::remove(index);
            std::string whole, withIndex, err;
            ASSERT_EQ(Report(args, whole, err), 0) << err;
            ASSERT_TRUE(std::filesystem::exists(index)) << verb << " " << period[1];
            ASSERT_EQ(Report(args, withIndex, err), 0) << err;
            EXPECT_EQ(withIndex, whole) << verb << " " << period[1];
        }
    }
    // The last day: twenty entries of 20 minutes, the last one running 30 s past its end.
    std::string out, err;
    ASSERT_EQ(
        Report({"summary", "--format", "json", "--since", "today", "--now", now, file}, out, err),
        0);
    EXPECT_NE(Rows(out).find("total 24030 20"), std::string::npos) << Rows(out);
    // Forgotten entries leave no times behind in the index.
    ASSERT_TRUE(std::filesystem::exists(index));
    ASSERT_EQ(Report({"forget", "--since", "2025-03-01", "--until", "2025-03-02", file}, out, err),
              0)
        << err;
    EXPECT_FALSE(std::filesystem::exists(index));
}

// In the shared folder the index would go to every machine: it is not written there.
TEST(SummaryVerb, NoIndexInTheSharedFolder) {
    Fixture f;
    const std::string settings = f.Dir.Path() + "/shared.cfg";
    WriteFile(settings, "[Machines]\nFolder=" + f.Dir.Path() + "\n");
    std::string out, err;
    ASSERT_EQ(Report({"tree", "--settings", settings, "--since", "2026-12-07", "--now",
                      "2026-12-10T12:00", f.File},
                     out, err),
              0)
        << err;
    EXPECT_FALSE(std::filesystem::exists(f.File + ".idx"));
    ASSERT_EQ(
        Report({"tree", "--since", "2026-12-07", "--now", "2026-12-10T12:00", f.File}, out, err), 0)
        << err;
    EXPECT_TRUE(std::filesystem::exists(f.File + ".idx"));
}
