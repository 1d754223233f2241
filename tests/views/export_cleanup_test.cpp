#include "files.h"
#include "testutil.h"

#include "recorder/datafile.h"
#include "views/cleanup.h"
#include "views/export.h"
#include "views/localeformat.h"

#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace orvane;
using namespace testutil;

namespace {} // namespace

TEST(Export, CsvLinesAsWritten) {
    SetCurrentLocaleFormat(TLocaleFormat{});
    TActivityList list;
    std::ostringstream empty;
    WriteCsv(list, empty);
    EXPECT_EQ(empty.str(), "Process; Window.Caption; Date; Time; Duration\r\n\r\n");

    Add(list, "/bin/a", "a; b %s", At(2024, 1, 3, 9, 5, 7), 26 * Hour);
    Add(list, "/bin/b", "", At(2024, 1, 4), 0);
    TTempFolder dir;
    SaveAsCsv(list, dir.Path() + "/out.csv");
    EXPECT_EQ(ReadFile(dir.Path() + "/out.csv"),
              "Process; Window.Caption; Date; Time; Duration\r\n\r\n"
              "/bin/a; 'a; b %s; 03.01.2024; 09:05:07; 26:00:00\r\n"
              "/bin/b; '; 04.01.2024; 00:00:00; 00:00:00\r\n");
}

TEST(Export, UnwritableTargetsReportCannotCreate) {
    TActivityList list;
    TTempFolder dir;
    const std::string target = dir.Path() + "/missing/out.csv";
    try {
        SaveAsCsv(list, target);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + target + "\". ", 0), 0u)
            << e.what();
    }
    EXPECT_THROW(SaveTreeAsText({}, dir.Path()), EFileError) << "a folder is no file";
    if (std::filesystem::exists("/dev/full")) {
        Add(list, "/bin/a", "x", At(2024, 1, 3), Hour);
        EXPECT_THROW(SaveAsCsv(list, "/dev/full"), EFileError) << "a full disk is reported";
    }
}

// An export that fails part way (a full disk, here a file-size limit) leaves the file that was
// there before, and no part of the new one.
TEST(Export, AFailedExportKeepsTheOldFile) {
#ifdef _WIN32
    GTEST_SKIP() << "no fork() on Windows";
#else
    TActivityList list;
    for (int i = 0; i < 2000; ++i)
        Add(list, "/bin/a", "a caption long enough " + std::to_string(i), At(2024, 1, 3), Hour);
    TTempFolder dir;
    const std::string target = dir.Path() + "/out.csv";
    std::ofstream(target) << "the last export";
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            16384, 16384
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            SaveAsCsv(list, target);
        } catch (const EFileError& e) {
            ::_exit(std::string(e.what()) == "Stream write error" ? 0 : 2);
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(ReadFile(target) == "the last export") << ReadFile(target).size() << " bytes";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.FsPath()),
                            std::filesystem::directory_iterator()),
              1);
#endif
}

TEST(Export, TreeTextWritesEveryNodeIndentedByTabs) {
    const TTree tree = {
        {0, "day", 1, {{1, "prog", {}, {{2, "line1", {}, {}}, {2, "line2", {}, {}}}}}},
        {0, "day2", 2, {}}};
    std::ostringstream out;
    WriteTreeText(tree, out);
    EXPECT_EQ(out.str(), "day\r\n\tprog\r\n\t\tline1\r\n\t\tline2\r\nday2\r\n");
    TTempFolder dir;
    SaveTreeAsText({}, dir.Path() + "/empty.txt");
    EXPECT_EQ(ReadFile(dir.Path() + "/empty.txt"), "");
}

TEST(Cleanup, HoursAsEntered) {
    const std::pair<const char*, std::optional<long long>> cases[] = {
        {"0", 0},
        {"24", 24},
        {" 30 ", 30},
        {"+5", 5},
        {"", 8},
        {"abc", 8},
        {"12abc", 8},
        {"1.5", 8},
        {"-1", std::nullopt},
        {"-99999999999999999999999", std::nullopt},
        {"99999999999999999999999", std::numeric_limits<long long>::max()},
    };
    for (const auto& [text, hours] : cases)
        EXPECT_EQ(ParseHours(text), hours) << text;
}

namespace {

using enum TRemoveAnswer;

struct Script {
    std::vector<std::optional<std::string>> Hours; // the answers to the hours query, in turn
    std::vector<TRemoveAnswer> Answers;            // No after the last
    std::vector<std::string> Questions, Messages, Prompts, Values;
    int Refreshes = 0;
    std::function<void(int)> DuringQuestion;

    TRemoveLongsDialogs Dialogs() {
        TRemoveLongsDialogs d;
        d.AskHours = [this](const std::string& title, const std::string& prompt,
                            const std::string& value) -> std::optional<std::string> {
            EXPECT_EQ(title, "Remove Activities");
            Prompts.push_back(prompt);
            Values.push_back(value);
            return Prompts.size() <= Hours.size() ? Hours[Prompts.size() - 1] : std::nullopt;
        };
        d.AskRemove = [this](const std::string& q) {
            Questions.push_back(q);
            if (DuringQuestion) DuringQuestion(static_cast<int>(Questions.size()));
            return Questions.size() <= Answers.size() ? Answers[Questions.size() - 1] : No;
        };
        d.ShowMessage = [this](const std::string& m) { Messages.push_back(m); };
        d.RefreshTree = [this] { ++Refreshes; };
        return d;
    }
};

void LongRecord(TActivityList& list) {
    Add(list, "/bin/a", "short", At(2024, 1, 1, 8), 1 * Hour);
    Add(list, "/bin/a", "night", At(2024, 1, 1, 20), 30 * Hour);
    Add(list, "/bin/b", "day", At(2024, 1, 3, 2), 25 * Hour);
    Add(list, "/bin/c", "%s %n", At(2024, 1, 4, 4), 9 * Hour);
    Add(list, "/bin/run", "running", At(2024, 1, 4, 14), 99 * Hour); // never offered
}

std::vector<std::string> Captions(const TActivityList& list) {
    std::vector<std::string> out;
    for (const TEntry& e : list.Entries())
        out.push_back(e.Caption);
    return out;
}

} // namespace

TEST(Cleanup, RemoveLongActivitiesOffersEachLongEntryOnce) {
    SetCurrentLocaleFormat(TLocaleFormat{});
    struct Case {
        const char* name;
        std::vector<std::optional<std::string>> hours;
        std::vector<TRemoveAnswer> answers;
        int questions;
        std::vector<std::string> left;
        int messages;
    } cases[] = {
        {"two in a row, both Yes", {"24"}, {Yes, Yes}, 2, {"short", "%s %n", "running"}, 0},
        {"No, Yes", {"24"}, {No, Yes}, 2, {"short", "night", "%s %n", "running"}, 0},
        {"8", {"8"}, {No, No, No}, 3, {"short", "night", "day", "%s %n", "running"}, 0},
        {"no number", {"x"}, {No, No, No}, 3, {"short", "night", "day", "%s %n", "running"}, 0},
        {"0", {"0"}, {Yes, No, No, No}, 4, {"night", "day", "%s %n", "running"}, 0},
        {"negative", {"-3"}, {}, 0, {"short", "night", "day", "%s %n", "running"}, 1},
        {"query cancelled", {}, {}, 0, {"short", "night", "day", "%s %n", "running"}, 0},
        {"nothing that long", {"1000"}, {}, 0, {"short", "night", "day", "%s %n", "running"}, 0},
        // Cancel ends the walk and keeps what was decided before it.
        {"Yes, Cancel", {"0"}, {Yes, Cancel}, 2, {"night", "day", "%s %n", "running"}, 0},
        {"Cancel first", {"0"}, {Cancel}, 1, {"short", "night", "day", "%s %n", "running"}, 0},
        // An empty answer asks again rather than standing for 8 hours.
        {"empty, then 24",
         {"", " ", "24"},
         {No, No},
         2,
         {"short", "night", "day", "%s %n", "running"},
         0},
        {"empty, then cancelled", {""}, {}, 0, {"short", "night", "day", "%s %n", "running"}, 0},
    };
    for (const Case& c : cases) {
        TActivityList list;
        LongRecord(list);
        Script s;
        s.Hours = c.hours;
        s.Answers = c.answers;
        RemoveLongActivities(list, s.Dialogs());
        EXPECT_EQ(static_cast<int>(s.Questions.size()), c.questions) << c.name;
        EXPECT_EQ(s.Refreshes, c.questions)
            << c.name << ": the tree is rebuilt after every question";
        EXPECT_EQ(Captions(list), c.left) << c.name;
        EXPECT_EQ(static_cast<int>(s.Messages.size()), c.messages) << c.name;
    }
    TActivityList list;
    LongRecord(list);
    Script s;
    s.Hours = {"24"};
    RemoveLongActivities(list, s.Dialogs());
    ASSERT_EQ(s.Questions.size(), 2u);
    EXPECT_EQ(s.Questions[0],
              "Following Activity found: \r\n01.01.2024 20:00:00, Duration 30:00:00, /bin/a, "
              "night\r\nRemove Activity?");
}

TEST(Cleanup, TheHoursQueryShowsTheCurrentValue) {
    TActivityList list;
    LongRecord(list);
    Script s;
    s.Hours = {"24"};
    RemoveLongActivities(list, s.Dialogs());
    ASSERT_EQ(s.Prompts.size(), 1u);
    EXPECT_EQ(s.Prompts[0], "Looking for Activities, which takes longer than 8 hours.");
    EXPECT_EQ(s.Values[0], "8");

    // The window keeps the hours entered; the next query starts from them.
    long long hours = DefaultRemoveHours;
    Script first, second;
    first.Hours = {"24"};
    RemoveLongActivities(list, first.Dialogs(), {}, &hours);
    EXPECT_EQ(hours, 24);
    RemoveLongActivities(list, second.Dialogs(), {}, &hours);
    EXPECT_EQ(second.Prompts[0], "Looking for Activities, which takes longer than 24 hours.");
    EXPECT_EQ(second.Values[0], "24");
}

TEST(Cleanup, WalkRereadsTheCountWhileTheRecorderAppends) {
    TActivityList list;
    Add(list, "/bin/a", "one", At(2024, 1, 1), 10 * Hour);
    list.AddEntry("/bin/a", "running", At(2024, 1, 1, 12)); // the running entry
    Script s;
    s.Hours = {"8"};
    s.Answers = {No, Yes};
    // While the first question is open the recorder closes the running entry after 9 hours
    // and starts a new one: the closed entry is now offered too.
    s.DuringQuestion = [&](int n) {
        if (n != 1) return;
        list.CloseLastEntry(At(2024, 1, 1, 21));
        list.AddEntry("/bin/b", "new", At(2024, 1, 1, 21));
    };
    RemoveLongActivities(list, s.Dialogs());
    EXPECT_EQ(s.Questions.size(), 2u);
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"one", "new"}));

    TActivityList single;
    Add(single, "/bin/a", "x", At(2024, 1, 1), 99 * Hour);
    Script none;
    none.Hours = {"0"};
    RemoveLongActivities(single, none.Dialogs());
    EXPECT_TRUE(none.Questions.empty()) << "fewer than two entries: nothing is offered";
}

TEST(Cleanup, NewClearsOnlyAfterYesAndWritesTheEmptyRecord) {
    TTempFolder dir;
    const std::string file = dir.Path() + "/rec.cdat";
    TActivityList list;
    LongRecord(list);
    list.SaveToFile(file);
    int cleared = 0;
    std::string asked;
    EXPECT_FALSE(NewRecord(
        list, file,
        [&](const std::string& q) {
            asked = q;
            return false;
        },
        [&] { ++cleared; }));
    EXPECT_EQ(asked, "Attention all activities will be removed\r\nDo you want to proceed?");
    EXPECT_EQ(list.Count(), 5);
    EXPECT_TRUE(NewRecord(
        list, file, [](const std::string&) { return true; }, [&] { ++cleared; }));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(cleared, 1);
    TActivityList reread;
    reread.LoadFromFile(file);
    EXPECT_EQ(reread.Count(), 0);

    TActivityList again;
    LongRecord(again);
    EXPECT_THROW(NewRecord(
                     again, dir.Path() + "/no/such/dir/x.cdat",
                     [](const std::string&) { return true; }, [&] { ++cleared; }),
                 EFileError);
    EXPECT_EQ(cleared, 1) << "the views keep their state when the file cannot be written";
}

TEST(Locale, FormatsFromQLocaleWithoutTimeZone) {
    const std::pair<const char*, const char*> patterns[] = {{"HH:mm:ss t", "HH:mm:ss"},
                                                            {"h:mm:ss AP t", "h:mm:ss AP"},
                                                            {"t HH:mm:ss", "HH:mm:ss"},
                                                            {"HH:mm:ss 'tt'", "HH:mm:ss 'tt'"},
                                                            {"HH:mm:ss tttt", "HH:mm:ss"}};
    for (const auto& [in, out] : patterns)
        EXPECT_EQ(WithoutTimeZone(in), out) << in;

    const TLocaleFormat de = LocaleFormatFrom(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.LongTime.find('t'), std::string::npos);
    EXPECT_EQ(de.ListSeparator, ';');
    EXPECT_EQ(DateText(At(2024, 3, 5), de), "05.03.24");
    EXPECT_EQ(TimeText(At(2024, 3, 5, 13, 4, 5), de), "13:04:05");
    // Names are 8-bit text in the system code page, as the recorded texts.
    EXPECT_EQ(FormatDateTime("MMM", At(2024, 3, 5), de),
              QStringLiteral("M\u00e4rz").toLocal8Bit().toStdString());
    EXPECT_EQ(FormatDateTime("MMM.yy", At(2024, 1, 5), de), "Jan.24") << "no double dot";
    const TLocaleFormat us = LocaleFormatFrom(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(us.ListSeparator, ',');
    EXPECT_EQ(TimeText(At(2024, 3, 5, 13, 4, 5), us), "1:04:05 PM");
}
