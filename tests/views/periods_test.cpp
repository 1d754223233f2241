#include "reference.h"
#include "testutil.h"

#include "views/periods.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>

using namespace orvane;
using namespace testutil;
using enum TViewMode;

namespace {

TLocaleFormat Fixed() {
    TLocaleFormat f;
    f.ShortDate = "dd.MM.yyyy";
    f.LongTime = "HH:mm:ss";
    return f;
}

class Periods : public ::testing::Test {
protected:
    void SetUp() override { SetCurrentLocaleFormat(Fixed()); }
};

} // namespace

TEST_F(Periods, QueriesCountOverlapsByWhereTheEntryStarts) {
    const TDateTime day1 = At(2024, 1, 3), day2 = At(2024, 1, 4);
    struct Case {
        const char* name;
        TDateTime start, duration, from, to, expected;
    } cases[] = {
        {"crosses midnight, first day", day1 + 23 * Hour, 2 * Hour, day1, EndOfDay(day1), 2 * Hour},
        {"crosses midnight, second day", day1 + 23 * Hour, 2 * Hour, day2, EndOfDay(day2),
         1 * Hour},
        {"covers the whole day", day1 - Hour, 30 * Hour, day1, EndOfDay(day1),
         EndOfDay(day1) - day1},
        {"starts inside, runs on", day1 + Hour, 30 * Hour, day1, EndOfDay(day1), 30 * Hour},
        {"ends exactly at From", day1 - Hour, Hour, day1, EndOfDay(day1), 0},
        {"running entry inside", day1 + Hour, 0, day1, EndOfDay(day1), 0},
    };
    for (const Case& c : cases) {
        TActivityList list;
        Add(list, "/bin/app", "Doc", c.start, c.duration);
        EXPECT_EQ(ProcessesInPeriod(list, c.from, c.to), std::vector<std::string>{"/bin/app"})
            << c.name;
        EXPECT_NEAR(CaptionTimeInPeriod(list, "/bin/app", "Doc", c.from, c.to), c.expected, 1e-9)
            << c.name;
        TDateTime total = -1;
        const auto lines = CaptionsInPeriod(list, "/BIN/APP", c.from, c.to, total);
        ASSERT_EQ(lines.size(), 1u) << c.name;
        EXPECT_EQ(lines[0], ReportLine(c.expected, "Doc")) << c.name;
        EXPECT_NEAR(total, c.expected, 1e-9) << c.name;
    }
}

TEST_F(Periods, QueriesOnAnEmptyListOrOutsideThePeriod) {
    TActivityList list;
    TDateTime total = 5;
    EXPECT_TRUE(ProcessesInPeriod(list, 0, 1e6).empty());
    EXPECT_TRUE(CaptionsInPeriod(list, "a", 0, 1e6, total).empty());
    EXPECT_EQ(total, 0);
    Add(list, "a", "b", At(2024, 1, 1, 10), Hour);
    EXPECT_TRUE(ProcessesInPeriod(list, At(2024, 1, 2), EndOfDay(At(2024, 1, 2))).empty());
}

TEST_F(Periods, CaptionLinesMergeLetterCaseAndKeepTheFirstSpelling) {
    const TDateTime d = At(2024, 1, 3);
    TActivityList list;
    Add(list, "/usr/bin/Mail", "Inbox", d + 1 * Hour, 10 * Min);
    Add(list, "/usr/bin/mail", "INBOX", d + 2 * Hour, 5 * Min);
    Add(list, "/usr/bin/mail", "Inbox - Mail", d + 3 * Hour, 1 * Min);
    Add(list, "/usr/bin/mail", "", d + 4 * Hour, 6 * Min);
    Add(list, "/usr/bin/mail", "", d + 5 * Hour, 4 * Min);
    Add(list, "/usr/bin/mail", "Ärger", d + 6 * Hour, 1 * Min);
    Add(list, "/usr/bin/mail", "ärger", d + 7 * Hour, 1 * Min);
    EXPECT_EQ(ProcessesInPeriod(list, d, EndOfDay(d)), std::vector<std::string>{"/usr/bin/Mail"});
    TDateTime total = 0;
    EXPECT_EQ(CaptionsInPeriod(list, "/usr/bin/mail", d, EndOfDay(d), total),
              (std::vector<std::string>{"00:15:00  : Inbox", "00:01:00  : Inbox - Mail",
                                        "00:10:00  : ", "00:02:00  : Ärger"}));
    EXPECT_NEAR(total, 28 * Min, 1e-9);
}

TEST_F(Periods, DurationTextsKeepTheirWholeDays) {
    EXPECT_EQ(ReportLine(25 * Hour, "x"), "25:00:00  : x");
    EXPECT_EQ(ReportLine(30 * Min, "x"), "00:30:00  : x");
    EXPECT_EQ(ProgramLine("/bin/a", 100 * Hour), "/bin/a              : 100:00:00");
}

TEST_F(Periods, TreeOfEmptyAndSingleEntryRecords) {
    TActivityList list;
    for (TViewMode mode : {vmDaily, vmWeekly, vmMonthly, vmAll})
        EXPECT_TRUE(FillTree(list, mode)->empty());
    EXPECT_FALSE(FillTree(list, static_cast<TViewMode>(3)).has_value())
        << "mode 3 leaves the tree as it is";

    Add(list, "/bin/a", "Doc", At(2024, 1, 3, 10), 0);
    const TDateTime now = At(2024, 2, 1);
    const std::vector<std::string> program = {"1|-|/bin/a              : 00:00:00",
                                              "2|-|00:00:00  : Doc"};
    const int day = DayNumber(At(2024, 1, 3));
    auto expect = [&](TViewMode mode, const std::string& top) {
        std::vector<std::string> want = {top};
        want.insert(want.end(), program.begin(), program.end());
        EXPECT_EQ(Flatten(*FillTree(list, mode, now)), want) << int(mode);
    };
    expect(vmDaily, "0|" + std::to_string(day) + "|03.01.2024  :  00:00:00");
    expect(vmWeekly, "0|" + std::to_string(day) + "|Woche 01/24 (03.01-07.01.24)  :  00:00:00");
    expect(vmMonthly, "0|" + std::to_string(day) + "|Monat Jan.24 (03.01-03.01.24)  :  00:00:00");
    expect(vmAll, "0|-|03.01.2024 - 01.02.2024 Total : 00:00:00  ");
}

TEST_F(Periods, DailyTreeSkipsEmptyDaysButNotDaysAnEntryRunsThrough) {
    TActivityList list;
    Add(list, "/bin/a", "x", At(2024, 1, 3, 10), Hour);
    Add(list, "/bin/a", "x", At(2024, 1, 5, 10), Hour);
    auto tops = [](const TTree& t) {
        std::vector<std::string> out;
        for (const auto& n : t)
            out.push_back(n.Text);
        return out;
    };
    EXPECT_EQ(tops(FillTreeDaily(list)),
              (std::vector<std::string>{"03.01.2024  :  01:00:00", "05.01.2024  :  01:00:00"}));
    list.Items(0).Duration = 40 * Hour; // 3 Jan 10:00 .. 5 Jan 02:00
    EXPECT_EQ(tops(FillTreeDaily(list)),
              (std::vector<std::string>{"03.01.2024  :  40:00:00", "04.01.2024  :  23:59:59",
                                        "05.01.2024  :  03:00:00"}));
}

TEST_F(Periods, WeekAndMonthLabels) {
    TActivityList list;
    Add(list, "/bin/a", "x", At(2024, 1, 17, 10), Hour); // a Wednesday
    Add(list, "/bin/a", "x", At(2024, 1, 22, 10), Hour);
    Add(list, "/bin/a", "x", At(2024, 2, 10, 10), Hour);
    Add(list, "/bin/a", "x", At(2024, 3, 3, 10), Hour);
    const TTree weeks = FillTreeWeekly(list);
    ASSERT_GE(weeks.size(), 2u);
    EXPECT_EQ(weeks[0].Text, "Woche 03/24 (17.01-21.01.24)  :  01:00:00");
    EXPECT_EQ(weeks[1].Text, "Woche 04/24 (22.01-28.01.24)  :  01:00:00");
    EXPECT_EQ(*weeks[1].Data, DayNumber(At(2024, 1, 22)));

    list.Items(0).Start = At(2024, 1, 15, 10);
    const TTree months = FillTreeMonthly(list);
    ASSERT_EQ(months.size(), 3u);
    EXPECT_EQ(months[0].Text, "Monat Jan.24 (15.01-31.01.24)  :  02:00:00");
    EXPECT_EQ(months[1].Text, "Monat Feb.24 (01.02-29.02.24)  :  01:00:00");
    EXPECT_EQ(months[2].Text, "Monat Mar.24 (01.03-03.03.24)  :  01:00:00");
    EXPECT_EQ(*months[1].Data, DayNumber(At(2024, 2, 1)));

    EXPECT_EQ(WeekLabel(At(2007, 12, 31)), "Woche 01/07 (31.12-06.01.08)");
}

TEST_F(Periods, WholeRecordTotalIsTheSumOfAllDurations) {
    TActivityList list;
    Add(list, "/bin/a", "x", At(2024, 1, 1, 10), 20 * Hour);
    Add(list, "/bin/B", "y", At(2024, 1, 2, 10), 7 * Hour);
    Add(list, "/bin/b", "y", At(2024, 1, 9, 10), 0);
    const TTree t = FillTreeAll(list, At(2024, 1, 9));
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].Text, "01.01.2024 - 09.01.2024 Total : 27:00:00  ");
    EXPECT_FALSE(t[0].Data.has_value());
    ASSERT_EQ(t[0].Children.size(), 2u) << "paths that differ in case are one program";
    EXPECT_EQ(t[0].Children[1].Text, "/bin/B              : 07:00:00");
}

// Entries out of date order: a machine that booted with a reset clock records a while before
// the clock is set, so an entry may be dated before the first or after the last. The periods
// run over the earliest and the latest Start; no time is negative.
TEST_F(Periods, TreeOfEntriesOutOfDateOrder) {
    struct Entry {
        TDateTime start, duration;
    };
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        std::vector<std::string> daily, weekly, monthly;
        std::string all;
    } cases[] = {
        {"last entry dated years back",
         {{At(2024, 1, 10, 10), Hour},
          {At(2024, 1, 11, 10), 2 * Hour},
          {At(2020, 1, 6, 8), 30 * Min}},
         {"06.01.2020  :  00:30:00", "10.01.2024  :  01:00:00", "11.01.2024  :  02:00:00"},
         {"Woche 02/20 (06.01-12.01.20)  :  00:30:00", "Woche 02/24 (08.01-14.01.24)  :  03:00:00"},
         {"Monat Jan.20 (06.01-31.01.20)  :  00:30:00",
          "Monat Jan.24 (01.01-11.01.24)  :  03:00:00"},
         "06.01.2020 - 01.06.2024 Total : 03:30:00  "},
        {"first entry dated years ahead",
         {{At(2030, 6, 1, 10), Hour}, {At(2024, 1, 10, 10), Hour}, {At(2024, 1, 11, 10), 0}},
         {"10.01.2024  :  01:00:00", "11.01.2024  :  00:00:00", "01.06.2030  :  01:00:00"},
         {"Woche 02/24 (10.01-14.01.24)  :  01:00:00", "Woche 22/30 (27.05-02.06.30)  :  01:00:00"},
         {"Monat Jan.24 (10.01-31.01.24)  :  01:00:00",
          "Monat Jun.30 (01.06-01.06.30)  :  01:00:00"},
         "10.01.2024 - 01.06.2024 Total : 02:00:00  "},
        {"entry closed before its start",
         {{At(2024, 1, 10, 10), Hour}, {At(2024, 1, 10, 12), -2 * Hour}, {At(2024, 1, 10, 13), 0}},
         {"10.01.2024  :  01:00:00"},
         {"Woche 02/24 (10.01-14.01.24)  :  01:00:00"},
         {"Monat Jan.24 (10.01-10.01.24)  :  01:00:00"},
         "10.01.2024 - 01.06.2024 Total : 01:00:00  "},
    };
    auto tops = [](const TTree& t) {
        std::vector<std::string> out;
        for (const auto& n : t)
            out.push_back(n.Text);
        return out;
    };
    const TDateTime now = At(2024, 6, 1);
    for (const Case& c : cases) {
        TActivityList list;
        for (const Entry& e : c.entries)
            Add(list, "/bin/a", "x", e.start, e.duration);
        EXPECT_EQ(tops(FillTreeDaily(list)), c.daily) << c.name;
        EXPECT_EQ(tops(FillTreeWeekly(list)), c.weekly) << c.name;
        EXPECT_EQ(tops(FillTreeMonthly(list)), c.monthly) << c.name;
        EXPECT_EQ(tops(FillTreeAll(list, now)), std::vector<std::string>{c.all}) << c.name;
        for (TViewMode mode : {vmDaily, vmWeekly, vmMonthly, vmAll})
            for (const std::string& line : Flatten(*FillTree(list, mode, now)))
                EXPECT_EQ(line.find(": -"), std::string::npos) << c.name << ": " << line;
    }
}

TEST_F(Periods, HostileTimesNeitherHangNorCrash) {
    TActivityList list;
    Add(list, "/bin/a", "x", At(2024, 1, 1), Hour);
    Add(list, "/bin/a", "x", -1e300, 1e300);
    Add(list, "/bin/a", "x", std::nan(""), 1);
    Add(list, "/bin/a", "x", At(2024, 1, 2), HUGE_VAL);
    Add(list, "/bin/a", "x", 1e300, -1e300);
    Add(list, "/bin/a", "x", At(2024, 1, 5), Hour);
    for (TViewMode mode : {vmDaily, vmWeekly, vmMonthly, vmAll})
        EXPECT_NO_FATAL_FAILURE(FillTree(list, mode));
    EXPECT_EQ(FillTreeDaily(list).size(), 5u);

    // First and last entry far outside the calendar: the walk keeps to years 1..9999.
    TActivityList far;
    Add(far, "/bin/a", "x", -1e300, 0);
    Add(far, "/bin/a", "x", At(2024, 1, 1), Hour);
    Add(far, "/bin/a", "x", 1e300, 0);
    const TTree months = FillTreeMonthly(far);
    ASSERT_EQ(months.size(), 1u);
    EXPECT_EQ(months[0].Text.substr(0, 9), "Monat Jan");

    TActivityList wide;
    Add(wide, "/bin/a", "x", At(100, 1, 1), 1);
    for (int i = 0; i < 30000; ++i)
        Add(wide, "/bin/a", "x", At(100, 1, 1), 3e6);
    Add(wide, "/bin/a", "x", At(9000, 1, 1), 1);
    EXPECT_THROW(FillTreeDaily(wide), std::runtime_error)
        << "entries that reach over millions of days give a message, not a memory blow-up";
}

// The fast build against the direct algorithm on random records: midnight crossings, entries
// of several days, letter-case variants of programs and captions, empty captions, entries
// starting at midnight, a few out of order.
TEST_F(Periods, FastBuildMatchesTheDirectAlgorithm) {
    const std::vector<std::string> programs = {"/usr/bin/Editor", "/usr/bin/editor", "/bin/sh",
                                               "C:\\Apps\\Mail.exe", "/opt/Büro/app"};
    const std::vector<std::string> captions = {"",      "Inbox", "INBOX",    "Inbox - Mail",
                                               "Ärger", "ärger", "notes.txt"};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        TActivityList list;
        TDateTime t = At(2023, 12, 20 + pick(10), pick(24), pick(60));
        const int n = 150 + pick(200);
        for (int i = 0; i < n; ++i) {
            TDateTime duration = (1 + pick(90)) * Min;
            switch (pick(12)) {
            case 0:
                duration = (20 + pick(40)) * Hour;
                break; // runs over midnight, or days
            case 1:
                duration = 0;
                break;
            case 2:
                t = StartOfDay(t) + 1;
                break; // starts exactly at midnight
            case 3:
                t += pick(5);
                break; // a gap of days
            default:
                break;
            }
            Add(list, programs[static_cast<std::size_t>(pick(5))],
                captions[static_cast<std::size_t>(pick(7))], t, duration);
            t += duration * (pick(3) == 0 ? 0.5 : 1.0) + pick(120) * Min;
        }
        if (seed % 3 == 0) { // a few entries out of order, the first and the last among them
            for (int k = 0; k < 5; ++k)
                std::swap(list.Items(pick(n)), list.Items(pick(n)));
            std::swap(list.Items(0), list.Items(n - 1));
        }
        if (seed % 4 == 0) list.Items(pick(n)).Duration = -Hour; // closed before its start
        const TDateTime now = At(2024, 6, 1);
        for (TViewMode mode : {vmDaily, vmWeekly, vmMonthly}) {
            const auto fast = Flatten(*FillTree(list, mode, now));
            const auto slow = Flatten(reference::Fill(list, mode));
            ASSERT_EQ(fast, slow) << "seed " << seed << " mode " << int(mode);
        }
        ASSERT_EQ(Flatten(FillTreeAll(list, now)), Flatten(reference::FillAll(list, now)))
            << "seed " << seed;
        // The single queries against their direct forms, on a random day.
        const TDateTime from = StartOfDay(list[pick(n)].Start), to = EndOfDay(from);
        EXPECT_EQ(ProcessesInPeriod(list, from, to), reference::Processes(list, from, to));
        for (const std::string& p : programs) {
            TDateTime a = 0, b = 0;
            EXPECT_EQ(CaptionsInPeriod(list, p, from, to, a),
                      reference::Captions(list, p, from, to, b));
            EXPECT_EQ(a, b);
        }
    }
}

TEST(FoldCase, LettersBeyondAsciiFoldInTheSystemsOwnEncoding) {
    // Recorded text is the system's 8-bit text: UTF-8 here, the ANSI code page on Windows.
    const auto local = [](const char16_t* text) {
        return QString::fromUtf16(text).toLocal8Bit().toStdString();
    };
    const auto holds = [&](const char16_t* text) {
        return QString::fromLocal8Bit(local(text)) == QString::fromUtf16(text);
    };
    const std::pair<const char16_t*, const char16_t*> alike[] = {
        {u"\u00DCbersicht f\u00FCr J\u00FCrgen.txt", u"\u00FCBERSICHT F\u00DCR j\u00DCRGEN.TXT"},
        {u"\u041E\u0442\u0447\u0451\u0442", u"\u041E\u0422\u0427\u0401\u0422"}, // Отчёт, ОТЧЁТ
    };
    int tried = 0;
    for (const auto& [a, b] : alike) {
        if (!holds(a) || !holds(b)) continue; // not in this code page
        ++tried;
        EXPECT_EQ(FoldCase(local(a)), FoldCase(local(b)));
    }
    EXPECT_GT(tried, 0);
    if (holds(u"M\u00FCller") && holds(u"M\u00F6ller")) {
        EXPECT_NE(FoldCase(local(u"M\u00FCller")), FoldCase(local(u"M\u00F6ller")));
    }
    // Bytes the encoding cannot read stay apart; their ASCII letters fold.
    EXPECT_EQ(FoldCase("AB\xFF"), FoldCase("ab\xFF"));
    if (QString::fromLocal8Bit("\xFF").toLocal8Bit() != "\xFF") {
        EXPECT_NE(FoldCase("a\xFF"), FoldCase("a\xFE"));
    }
}
