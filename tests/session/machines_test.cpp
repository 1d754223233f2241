#include "session/machines.h"

#include "recorder/datafile.h"

#include "envguard.h"
#include "files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// A record of n entries of one program, an hour apart from start.
void WriteRecord(const std::string& file, const std::string& process, int n, double start) {
    TActivityList list;
    for (int i = 0; i < n; ++i) {
        list.AppendLoaded(TEntry(process, "w" + std::to_string(i), start + i / 24.0));
        list.Items(i).Duration = 1 / 1440.0;
    }
    list.SaveToFile(file);
}

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(MachineName, EnvironmentThenSettingThenHost) {
    TEnvGuard env;
    env.Set("ORVANE_MACHINE", nullptr);
    EXPECT_EQ(MachineName("desk"), "desk");
    EXPECT_EQ(MachineName(""), SafeMachineName(HostName()));
    EXPECT_FALSE(MachineName("").empty());
    env.Set("ORVANE_MACHINE", "test/one");
    EXPECT_EQ(MachineName("desk"), "test_one");
}

TEST(MachineName, SafeAsFileName) {
    const std::pair<std::string, std::string> cases[] = {
        {"laptop", "laptop"},
        {"my laptop", "my_laptop"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"..", "machine"},
        {".hidden", "hidden"},
        {"", "machine"},
        {"caf\xC3\xA9", "caf__"},
        {"x.sync-conflict-1", "x_sync-conflict-1"},
        {std::string(100, 'a'), std::string(64, 'a')},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SafeMachineName(in), out) << in;
}

TEST(FolderFiles, Kinds) {
    const std::pair<const char*, EFolderFile> cases[] = {
        {"desk.cdat", EFolderFile::Record},
        {"desk.sync-conflict-20240501-101010-ABCDEFG.cdat", EFolderFile::Conflict},
        {".syncthing.desk.cdat.tmp", EFolderFile::Ignored},
        {"~syncthing~desk.cdat.tmp", EFolderFile::Ignored},
        {"desk.cdat.1234.tmp", EFolderFile::Ignored},
        {"desk.cdat.damaged-20240501-101010", EFolderFile::Ignored},
        {"desk.cdat.lock", EFolderFile::Ignored},
        {".cdat", EFolderFile::Ignored},
        {".stignore", EFolderFile::Ignored},
        {"notes.txt", EFolderFile::Ignored},
    };
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(ClassifyFolderFile(name), kind) << name;
    EXPECT_EQ(MachineOfFile("desk.sync-conflict-20240501-101010-ABCDEFG.cdat"), "desk");
    EXPECT_EQ(MachineOfFile("desk.cdat"), "desk");
}

TEST(MachineFolder, ReadsEveryRecordOnceAndNothingElse) {
    TTempFolder dir;
    const std::string f = dir.Path();
    WriteRecord(f + "/desk.cdat", "desk-app", 3, 45000);
    WriteRecord(f + "/laptop.cdat", "laptop-app", 2, 45000.5);
    WriteRecord(f + "/laptop.sync-conflict-20240501-101010-ABCDEFG.cdat", "laptop-app", 2, 45000.5);
    WriteRecord(f + "/.syncthing.laptop.cdat.tmp", "half", 1, 45000);
    WriteRecord(f + "/~syncthing~laptop.cdat.tmp", "half", 1, 45000);
    WriteRecord(f + "/desk.cdat.99.tmp", "half", 1, 45000);
    TMachineFolder folder(f, "desk");
    EXPECT_TRUE(folder.Refresh(true));
    ASSERT_EQ(folder.Records().size(), 2u);
    std::vector<const TActivityList*> lists;
    for (const TMachineRecord& r : folder.Records())
        lists.push_back(r.List.get());
    TActivityList merged;
    MergeLists(lists, merged);
    ASSERT_EQ(merged.Count(), 5);
    for (int i = 1; i < merged.Count(); ++i)
        EXPECT_LE(merged[i - 1].Start, merged[i].Start);
    EXPECT_EQ(merged[0].Process, "desk-app");
    EXPECT_EQ(merged[4].Process, "laptop-app");
    EXPECT_TRUE(folder.Records()[0].Own);

    // The conflict is told once, however often the folder is looked at.
    EXPECT_EQ(folder.TakeNewConflicts().size(), 1u);
    EXPECT_FALSE(folder.Refresh(true));
    EXPECT_TRUE(folder.TakeNewConflicts().empty());
    EXPECT_EQ(folder.Conflicts().size(), 1u);

    // Without readOwn the recorder's own file is listed but not read.
    TMachineFolder recorder(f, "desk");
    recorder.Refresh(false);
    EXPECT_FALSE(recorder.Records()[0].List);
    EXPECT_TRUE(recorder.Records()[1].List);
}

// One list merged by moving it gives what merging a copy gives: in order it moves over as it is,
// out of order (a clock step, a NaN start, equal starts) it is sorted the same way.
TEST(MergeList, SameAsMergeListsOfOneList) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::vector<double>> cases = {
        {}, {1, 2, 3}, {1, 1, 2}, {3, 1, 2}, {1, nan, 2}, {1, 2, nan}, {2, 2, 1, 1}};
    for (const bool intoEmpty : {true, false}) {
        for (const auto& starts : cases) {
            TActivityList source, copy;
            for (std::size_t i = 0; i < starts.size(); ++i)
                for (TActivityList* l : {&source, &copy})
                    l->AppendLoaded(TEntry("p", "c" + std::to_string(i), starts[i]));
            TActivityList expected, merged;
            if (!intoEmpty)
                for (TActivityList* l : {&expected, &merged})
                    l->AppendLoaded(TEntry("before", "b", 5));
            MergeLists({&copy}, expected);
            MergeList(std::move(source), merged);
            SCOPED_TRACE(testing::Message() << "case of " << starts.size() << " starting "
                                            << (starts.empty() ? 0 : starts[0]));
            ASSERT_EQ(merged.Count(), expected.Count());
            for (int i = 0; i < merged.Count(); ++i)
                EXPECT_EQ(merged[i].Caption, expected[i].Caption) << i;
            EXPECT_EQ(source.Count(), 0);
        }
    }
}

TEST(MachineFolder, ChangedFileIsReadAgainGoneFileDropped) {
    TTempFolder dir;
    const std::string f = dir.Path();
    WriteRecord(f + "/laptop.cdat", "a", 2, 45000);
    TMachineFolder folder(f, "desk");
    folder.Refresh(false);
    ASSERT_EQ(folder.Records()[0].List->Count(), 2);
    // Replaced the way the sync tool does it: a finished temporary renamed over it.
    WriteRecord(f + "/.syncthing.laptop.cdat.tmp", "a", 4, 45000);
    fs::rename(f + "/.syncthing.laptop.cdat.tmp", f + "/laptop.cdat");
    EXPECT_TRUE(folder.Refresh(false));
    EXPECT_EQ(folder.Records()[0].List->Count(), 4);
    fs::remove(f + "/laptop.cdat");
    EXPECT_TRUE(folder.Refresh(false));
    EXPECT_TRUE(folder.Records().empty());
}

TEST(MachineFolder, DamagedForeignFileIsReadToTheDamageAndLeftAlone) {
    TTempFolder dir;
    const std::string f = dir.Path();
    WriteRecord(f + "/laptop.cdat", "a", 3, 45000);
    std::string bytes = ReadFile(f + "/laptop.cdat");
    bytes.resize(bytes.size() - 5); // the last entry cut short
    WriteFile(f + "/laptop.cdat", bytes);
    WriteFile(f + "/broken.cdat", "\xff\xff");
    const auto before = Listing(f);

    TMachineFolder folder(f, "desk");
    folder.Refresh(false);
    ASSERT_EQ(folder.Records().size(), 2u);
    const TMachineRecord& broken = folder.Records()[0];
    const TMachineRecord& laptop = folder.Records()[1];
    EXPECT_TRUE(laptop.Damaged());
    EXPECT_EQ(laptop.List->Count(), 2);
    EXPECT_TRUE(broken.Damaged());
    EXPECT_EQ(folder.TakeNewDamaged().size(), 2u);
    folder.Refresh(false);
    EXPECT_TRUE(folder.TakeNewDamaged().empty()); // told once until it changes
    EXPECT_EQ(Listing(f), before);
    EXPECT_EQ(ReadFile(f + "/laptop.cdat"), bytes);
}

// Every operation of the program that writes into the shared folder, aimed at another machine's
// file: each is refused and the file keeps its bytes; aimed at the own file, each writes.
TEST(MachineFolder, NeverWritesAnotherMachinesFile) {
    TTempFolder dir, local;
    const std::string f = dir.Path();
    const std::string localRecord = local.Path() + "/orvane.cdat";
    WriteRecord(localRecord, "mine", 2, 45000);
    using TOp = std::function<void(TMachineFolder&, const std::string& file)>;
    const std::pair<const char*, TOp> ops[] = {
        {"whole save",
         [](TMachineFolder& m, const std::string& file) {
             TActivityList list;
             list.AddEntry("x", "y", 45000);
             SaveMachineRecord(m, list, file);
         }},
        {"save after load (in place)",
         [](TMachineFolder& m, const std::string& file) {
             TActivityList list;
             list.LoadFromFile(file);
             list.AddEntry("x", "y", 45001);
             SaveMachineRecord(m, list, file);
         }},
        {"save over a file read to its damage (moves it aside)",
         [](TMachineFolder& m, const std::string& file) {
             TActivityList list;
             list.LoadFromFile(file);
             SaveMachineRecord(m, list, file);
         }},
        {"clean-up (entries removed, whole save)",
         [](TMachineFolder& m, const std::string& file) {
             TActivityList list;
             list.LoadFromFile(file);
             if (list.Count()) list.RemoveAt(0);
             SaveMachineRecord(m, list, file);
         }},
        {"joining the folder",
         [&](TMachineFolder& m, const std::string&) {
             const TJoinResult r = m.Join(localRecord, local.Path() + "/claims");
             if (r.State == TJoinResult::EState::NotOurs) throw EFileError(r.Message);
         }},
    };
    for (const auto& [what, op] : ops) {
        SCOPED_TRACE(what);
        fs::remove_all(f);
        fs::create_directory(f);
        fs::remove(local.Path() + "/claims");
        WriteRecord(f + "/laptop.cdat", "theirs", 3, 45000);
        std::string theirs = ReadFile(f + "/laptop.cdat");
        theirs.resize(theirs.size() - 5); // damaged: the last entry cut short
        WriteFile(f + "/laptop.cdat", theirs);
        // This machine is named "laptop" too, but it never wrote that file: it may not join, and
        // nothing may be written there without joining.
        TMachineFolder same(f, "laptop");
        EXPECT_EQ(same.Join(localRecord, local.Path() + "/claims").State,
                  TJoinResult::EState::NotOurs);
        EXPECT_THROW(op(same, f + "/laptop.cdat"), EFileError);
        TMachineFolder desk(f, "desk");
        if (std::string_view(what) != "joining the folder") {
            WriteRecord(local.Path() + "/elsewhere.cdat", "mine", 1, 45000);
            fs::copy_file(local.Path() + "/elsewhere.cdat", f + "/desk.cdat");
            EXPECT_THROW(op(desk, f + "/desk.cdat"), EFileError); // not joined
            fs::remove(f + "/desk.cdat");
            ASSERT_EQ(desk.Join(localRecord, local.Path() + "/claims").State,
                      TJoinResult::EState::Copied);
            EXPECT_THROW(op(desk, f + "/laptop.cdat"), EFileError);
        }
        EXPECT_EQ(ReadFile(f + "/laptop.cdat"), theirs);
        // The own file: written.
        EXPECT_NO_THROW(op(desk, f + "/desk.cdat"));
        EXPECT_EQ(ReadFile(f + "/laptop.cdat"), theirs);
        EXPECT_EQ(Listing(f), (std::vector<std::string>{"desk.cdat", "laptop.cdat"}));
    }
    TMachineFolder desk(f, "desk");
    EXPECT_EQ(desk.Join(localRecord, local.Path() + "/claims").State, TJoinResult::EState::Ready);
    EXPECT_TRUE(desk.MayWrite(f + "/desk.cdat.123.tmp"));
    EXPECT_TRUE(desk.MayWrite(local.Path() + "/orvane.cdat"));
    EXPECT_FALSE(desk.MayWrite(f + "/sub/desk.cdat"));
    EXPECT_FALSE(desk.MayWrite(f + "/../" + fs::path(f).filename().string() + "/laptop.cdat"));
    EXPECT_FALSE(desk.MayWrite(f + "/desk.sync-conflict-1-2-3.cdat"));
}

TEST(JoinFolder, CopiesTheLocalRecordOnceAndKnowsItsOwnFile) {
    TTempFolder dir, local;
    const std::string f = dir.Path();
    const std::string localRecord = local.Path() + "/orvane.cdat";
    const std::string claims = local.Path() + "/claims";
    WriteRecord(localRecord, "mine", 2, 45000);
    const std::string localBytes = ReadFile(localRecord);
    TMachineFolder folder(f, "desk");
    EXPECT_EQ(folder.Join(localRecord, claims).State, TJoinResult::EState::Copied);
    EXPECT_EQ(ReadFile(f + "/desk.cdat"), localBytes);
    EXPECT_EQ(ReadFile(localRecord), localBytes); // the local file stays
    EXPECT_EQ(Listing(f), std::vector<std::string>{"desk.cdat"});
    // Later starts: its own file, whatever it holds by now; never copied over.
    WriteRecord(f + "/desk.cdat", "mine", 5, 45000);
    EXPECT_EQ(folder.Join(localRecord, claims).State, TJoinResult::EState::Ready);
    EXPECT_NE(ReadFile(f + "/desk.cdat"), localBytes);
    // Another installation (other claims) with the same name is refused.
    const TJoinResult other = folder.Join(localRecord, local.Path() + "/other-claims");
    EXPECT_EQ(other.State, TJoinResult::EState::NotOurs);
    EXPECT_NE(other.Message.find("desk"), std::string::npos);
    TMachineFolder missing(f + "/missing", "desk");
    EXPECT_EQ(missing.Join(localRecord, claims).State, TJoinResult::EState::Failed);
}

TEST(IgnoreFile, WrittenOnceKeptWhenTheUserHasOne) {
    TTempFolder dir;
    const std::string f = dir.Path();
    fs::create_directory(f + "/.stfolder");
    WriteRecord(f + "/laptop.cdat", "a", 1, 45000);
    EXPECT_EQ(WriteIgnoreFile(f), "");
    EXPECT_EQ(ReadFile(f + "/.stignore"), IgnoreAllButRecords);
    EXPECT_EQ(WriteIgnoreFile(f), "");
    // The user's own ignore file is left as it is; the lines to add are handed back.
    WriteFile(f + "/.stignore", "*.bak\n");
    EXPECT_EQ(WriteIgnoreFile(f), IgnoreOwnFiles);
    EXPECT_EQ(ReadFile(f + "/.stignore"), "*.bak\n");
    WriteFile(f + "/.stignore", "*.bak\r\n*.cdat.*\r\n");
    EXPECT_EQ(WriteIgnoreFile(f), "");
    // A folder that carries other files too: they must go on travelling.
    fs::remove(f + "/.stignore");
    WriteFile(f + "/notes.txt", "mine");
    EXPECT_EQ(WriteIgnoreFile(f), "");
    EXPECT_EQ(ReadFile(f + "/.stignore"), IgnoreOwnFiles);
}
