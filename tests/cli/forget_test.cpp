#include "files.h"
#include "testutil.h"

#include "cli/report.h"
#include "platform/recordlock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using namespace orvane;
using namespace testutil;

namespace {

// Monday 2026-12-07 and around it, Berlin time:
//   0 editor  main.cpp  Sun 06 23:00  2 h     reaches into Monday
//   1 browser News      Mon 07 09:00  30 min
//   2 mail    Inbox     Mon 07 10:00  10 min
//   3 browser Bank      Tue 08 09:00  1 h
struct Fixture {
    ScopedEnv Zone{"TZ", "Europe/Berlin"};
    ScopedEnv Terminal{"LC_ALL", "C.UTF-8"};
    TTempFolder Dir;
    std::string File = Dir.Path() + "/orvane.cdat";
    Fixture() { Build({0, 1, 2, 3}).SaveToFile(File); }
    static TActivityList Build(std::set<int> keep) {
        TActivityList list;
        const auto add = [&](int i, const char* p, const char* c, TDateTime at, TDateTime d) {
            if (keep.count(i)) Add(list, p, c, at, d);
        };
        add(0, "/usr/bin/editor", "main.cpp", At(2026, 12, 6, 23), 2 * Hour);
        add(1, "/usr/bin/browser", "News", At(2026, 12, 7, 9), 30 * Min);
        add(2, "/usr/bin/mail", "Inbox", At(2026, 12, 7, 10), 10 * Min);
        add(3, "/usr/bin/browser", "Bank", At(2026, 12, 8, 9), Hour);
        return list;
    }
    // The bytes a record of just these entries has.
    std::string Expected(std::set<int> keep) const {
        const TTempFolder elsewhere;
        const std::string other = elsewhere.Path() + "/orvane.cdat";
        Build(std::move(keep)).SaveToFile(other);
        return ReadFile(other);
    }
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(Dir.FsPath()))
            names.insert(Utf8(e.path().filename()));
        return names;
    }
};

int Report(std::vector<std::string> args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = cli::RunReport(args, o, e);
    out = o.str();
    err = e.str();
    return status;
}

} // namespace

TEST(ForgetVerb, TakesOutWhatSharesThePeriodAndMatchesAndLeavesNoCopy) {
    Fixture f;
    std::string out, err;
    const std::string before = ReadFile(f.File);

    // A dry run names what would go and changes nothing.
    EXPECT_EQ(
        Report({"forget", "--since", "2026-12-07", "--until", "2026-12-08", "--dry-run", f.File},
               out, err),
        0)
        << err;
    EXPECT_NE(out.find("main.cpp"), std::string::npos) << out; // from the day before, but into it
    EXPECT_NE(out.find("3 entries, 02:40:00 would be forgotten"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(f.File), before);

    // Only the browser's: the other entries stay byte for byte.
    EXPECT_EQ(Report({"forget", "--since", "2026-12-07", "--until", "2026-12-08", "--program",
                      "browser", f.File},
                     out, err),
              0)
        << err;
    EXPECT_NE(out.find("1 entries, 00:30:00 forgotten"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(f.File), f.Expected({0, 2, 3}));

    // By title, over the whole time.
    EXPECT_EQ(Report({"forget", "--since", "2000-01-01", "--until", "2030-01-01", "--title", "ba*",
                      f.File},
                     out, err),
              0)
        << err;
    EXPECT_EQ(ReadFile(f.File), f.Expected({0, 2}));
    EXPECT_EQ(out.find("News"), std::string::npos) << out;
    // No temporary file, no copy kept aside; the lock file is always empty.
    EXPECT_EQ(f.Files(), (std::set<std::string>{"orvane.cdat", "orvane.cdat.lock"}));
    EXPECT_EQ(std::filesystem::file_size(f.File + ".lock"), 0u);
    EXPECT_EQ(std::filesystem::status(f.File).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(ForgetVerb, RefusesWhileARecorderRunsOnADamagedRecordAndOnBadInput) {
    Fixture f;
    std::string out, err;
    const std::string before = ReadFile(f.File);
    {
        platform::TRecordLock recorder;
        ASSERT_EQ(recorder.Acquire(f.File), platform::TRecordLock::EState::Held);
        EXPECT_EQ(
            Report({"forget", "--since", "2000-01-01", "--until", "2030-01-01", f.File}, out, err),
            75);
        EXPECT_NE(err.find("a recorder is running"), std::string::npos) << err;
        EXPECT_NE(err.find("Forget in its window"), std::string::npos) << err;
        EXPECT_EQ(ReadFile(f.File), before);
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"forget", "--since", "today", f.File},
          {"forget", "--since", "2026-12-08", "--until", "2026-12-07", f.File},
          {"forget", "--since", "today", "--until", "now", "--program", "re:(", f.File},
          {"forget", "--since", "someday", "--until", "now", f.File}}) {
        EXPECT_EQ(Report(args, out, err), 64) << args[2];
        EXPECT_EQ(ReadFile(f.File), before);
    }
    // A damaged tail: rewriting would keep the damaged file aside, forgotten entries and all.
    WriteFile(f.File, ReadFile(f.File) + "junk");
    const std::string damaged = ReadFile(f.File);
    EXPECT_EQ(
        Report({"forget", "--since", "2000-01-01", "--until", "2030-01-01", f.File}, out, err),
        cli::ExitDamaged);
    EXPECT_EQ(ReadFile(f.File), damaged);
    EXPECT_EQ(f.Files(), (std::set<std::string>{"orvane.cdat", "orvane.cdat.lock"}));
}
