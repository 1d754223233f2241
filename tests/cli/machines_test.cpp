#include "files.h"
#include "testutil.h"

#include "cli/report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace orvane;
using namespace testutil;

namespace {

// Two computers' records in a shared folder; their hours overlap on Monday 7 December.
//   desk    editor  Mon 09:00 2 h, mail Mon 12:00 10 min
//   laptop  browser Mon 10:00 1 h
// and what the sync tool leaves beside them: a temporary and a conflict copy of laptop.
struct Fixture {
    ScopedEnv Zone{"TZ", "Europe/Berlin"};
    ScopedEnv Terminal{"LC_ALL", "C.UTF-8"};
    ScopedEnv Machine{"ORVANE_MACHINE", "desk"};
    TTempFolder Dir;
    std::string Shared = Dir.Path() + "/shared";
    std::string Settings = Dir.Path() + "/orvane.cfg";
    Fixture() {
        std::filesystem::create_directories(PathOfUtf8(Shared));
        TActivityList desk, laptop;
        Add(desk, "/usr/bin/editor", "main.cpp", At(2026, 12, 7, 9), 2 * Hour);
        Add(desk, "/usr/bin/mail", "Inbox", At(2026, 12, 7, 12), 10 * Min);
        Add(laptop, "/usr/bin/browser", "News", At(2026, 12, 7, 10), Hour);
        desk.SaveToFile(Shared + "/desk.cdat");
        laptop.SaveToFile(Shared + "/laptop.cdat");
        laptop.SaveToFile(Shared + "/.syncthing.laptop.cdat.tmp");
        laptop.SaveToFile(Shared + "/laptop.sync-conflict-20261207-110000-ABCDEFG.cdat");
        WriteFile(Settings, "[Machines]\nFolder=" + Shared + "\n");
    }
    int Report(std::vector<std::string> args, std::string& out, std::string& err) const {
        args.insert(args.begin() + 1, {"--settings", Settings});
        std::ostringstream o, e;
        const int status = cli::RunReport(args, o, e);
        out = o.str();
        err = e.str();
        return status;
    }
};

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST(Machines, EveryVerbReadsAllMachinesMergedOrTheOneAskedFor) {
    Fixture f;
    std::string out, err;
    // Each machine's own total; the overlapping hour counts on both.
    ASSERT_EQ(f.Report({"summary", "--since", "2026-12-07", "--until", "2026-12-08", "--by",
                        "machine", "--format", "csv"},
                       out, err),
              0)
        << err;
    EXPECT_EQ(out, "key,seconds,share,entries\r\ndesk,7800,0.684211,2\r\nlaptop,3600,0.315789,1\r\n"
                   "(total),11400,1.000000,3\r\n");
    EXPECT_NE(err.find("laptop.sync-conflict-20261207-110000-ABCDEFG.cdat\" is a conflict copy"),
              std::string::npos)
        << err;
    ASSERT_EQ(
        f.Report({"summary", "--since", "2026-12-07", "--until", "2026-12-08", "--by", "machine"},
                 out, err),
        0);
    EXPECT_NE(out.find("Machine"), std::string::npos);
    EXPECT_NE(out.find("2:10:00"), std::string::npos) << out;

    // Merged in order of start, temporaries and the conflict copy left out.
    ASSERT_EQ(f.Report({"dump"}, out, err), 0);
    EXPECT_EQ(Lines(out), 3);
    EXPECT_LT(out.find("editor"), out.find("browser"));
    EXPECT_LT(out.find("browser"), out.find("mail"));
    ASSERT_EQ(f.Report({"dump", "--machine", "laptop"}, out, err), 0);
    EXPECT_EQ(Lines(out), 1);
    ASSERT_EQ(f.Report({"json", "--machine", "desk"}, out, err), 0);
    EXPECT_EQ(out.find("browser"), std::string::npos);
    EXPECT_NE(out.find("mail"), std::string::npos);
    ASSERT_EQ(f.Report({"tree", "--mode", "all", "--machine", "all"}, out, err), 0);
    EXPECT_NE(out.find("browser"), std::string::npos);
    EXPECT_NE(out.find("editor"), std::string::npos);
    ASSERT_EQ(f.Report({"csv"}, out, err), 0);
    EXPECT_EQ(Lines(out), 2 + 3); // the heading, an empty line, the entries
    // A FILE given is read alone, as before.
    ASSERT_EQ(f.Report({"dump", f.Shared + "/laptop.cdat"}, out, err), 0);
    EXPECT_EQ(Lines(out), 1);

    EXPECT_EQ(f.Report({"json", "--machine", "nobody"}, out, err), cli::ExitUnreadable);
    EXPECT_NE(err.find("no machine named \"nobody\""), std::string::npos);
    EXPECT_EQ(f.Report({"json", "--machine", "desk", f.Shared + "/desk.cdat"}, out, err),
              cli::ExitUsage);
}

TEST(Machines, ListsEachFileAndLeavesADamagedOneAsItIs) {
    Fixture f;
    std::string bytes = ReadFile(f.Shared + "/laptop.cdat");
    bytes.resize(bytes.size() - 3);
    WriteFile(f.Shared + "/laptop.cdat", bytes);
    std::string out, err;
    EXPECT_EQ(f.Report({"machines"}, out, err), cli::ExitDamaged);
    std::istringstream lines(out);
    std::string header, desk, laptop, conflict;
    std::getline(lines, header);
    std::getline(lines, desk);
    std::getline(lines, laptop);
    std::getline(lines, conflict);
    EXPECT_EQ(header, "machine\tentries\tfirst\tlast\tchanged\tstate");
    EXPECT_EQ(desk.substr(0, desk.rfind('\t', desk.rfind('\t') - 1)),
              "desk\t2\t2026-12-07T09:00:00\t2026-12-07T12:10:00");
    EXPECT_TRUE(desk.ends_with("\tok (this computer)")) << desk;
    EXPECT_TRUE(laptop.starts_with("laptop\t0\t-\t-\t")) << laptop;
    EXPECT_TRUE(laptop.ends_with("\tdamaged")) << laptop;
    EXPECT_TRUE(conflict.starts_with("laptop.sync-conflict-20261207-110000-ABCDEFG.cdat\t1\t"));
    EXPECT_TRUE(conflict.ends_with("\tconflict copy of laptop")) << conflict;

    // The views still show the rest, say where the damage is, and never touch the file.
    EXPECT_EQ(f.Report({"dump"}, out, err), cli::ExitDamaged);
    EXPECT_EQ(Lines(out), 2);
    EXPECT_NE(err.find("the record of laptop"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(f.Shared + "/laptop.cdat"), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.Shared),
                            std::filesystem::directory_iterator()),
              4);
}
