// A recorder killed in the middle of a save must leave a record that loads, and loads as the list
// of one of the saves around the kill.
#ifndef _WIN32
#include "files.h"
#include "recorder/activitylist.h"
#include "recorder/datafile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// The record after step k is a pure function of the steps: most steps are what the sampler does on
// a change (close the running entry, open a new one), some only let the running entry grow (the
// once-a-minute write), some remove an old entry (clean-up; a whole rewrite).
enum class TStep { Change, Grow, Remove };

TStep KindOf(int k) {
    if (k % 29 == 0) return TStep::Remove;
    if (k % 3 == 0) return TStep::Grow;
    return TStep::Change;
}

void Apply(TActivityList& list, int k) {
    switch (KindOf(k)) {
    case TStep::Grow:
    case TStep::Change:
        // Only an entry opened since the start runs; one loaded from the file stays as it is.
        list.CloseLastEntryAfter(k / 1000.0);
        if (KindOf(k) == TStep::Change)
            list.AddEntry("/usr/lib/program-" + std::to_string(k % 40),
                          "A window caption that is about as long as most " +
                              std::to_string(k % 500),
                          45000 + k / 100.0);
        break;
    case TStep::Remove:
        if (list.Count() > 2) list.RemoveAt((k * 7) % (list.Count() - 1));
        break;
    }
}

bool SameEntries(const TActivityList& a, const TActivityList& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        const TEntry &x = a[i], &y = b[i];
        if (x.Process != y.Process || x.Caption != y.Caption ||
            std::memcmp(&x.Start, &y.Start, 8) != 0 ||
            std::memcmp(&x.Duration, &y.Duration, 8) != 0)
            return false;
    }
    return true;
}

void CopyInto(TActivityList& to, const TActivityList& from) {
    to.Clear();
    for (const TEntry& e : from.Entries())
        to.AppendLoaded(e);
}

std::int32_t CountOnDisk(const std::string& file) {
    std::int32_t count = -1;
    if (std::FILE* f = std::fopen(file.c_str(), "rb")) {
        if (std::fread(&count, 4, 1, f) != 1) count = -1;
        std::fclose(f);
    }
    return count;
}

} // namespace

// The process ends at each point between the writes of a save: the file shows the change either
// not at all or whole; it always loads whole, even when the new record is there and its count is
// not yet.
TEST(DataFileCrash, EndingAtEachStepOfASaveLeavesTheListBeforeOrAfter) {
    char tmpl[] = "/tmp/orvane-steps-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, file = dir + "/orvane.cdat";
    enum { Before, After };
    const struct {
        int step;
        bool whole;
        int expected;
    } cases[] = {
        {1, false, Before}, {2, false, After},  {3, false, After},
        {4, false, After},  {11, true, Before}, {12, true, Before},
        {13, true, Before}, {14, true, Before}, {15, true, After},
    };
    for (const auto& c : cases) {
        // Before: three entries on disk, the last one running since the start.
        TActivityList before;
        before.AddEntry("a", "one", 1);
        before.AddEntry("b", "two", 2);
        before.AddEntry("c", "three", 3);
        before.SaveToFile(file);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            static int stopAt;
            stopAt = c.step;
            SaveStepHook = [](int step) {
                if (step == stopAt) ::_exit(0);
            };
            if (c.whole) before.RemoveAt(0);
            before.CloseLastEntryAfter(0.5);
            before.AddEntry("d", "four", 3.5);
            before.SaveToFile(file);
            ::_exit(1); // the step was never reached
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "step " << c.step;

        TActivityList loaded;
        EXPECT_TRUE(loaded.LoadFromFile(file).Whole) << "step " << c.step;
        EXPECT_EQ(CountOnDisk(file), loaded.Count() - (c.step == 2)) << "step " << c.step;
        ASSERT_EQ(loaded.Count(), c.expected == After && !c.whole ? 4 : 3) << "step " << c.step;
        // The entry that ran before the change: the one before the new entry, once it is there.
        const TEntry& running = loaded[loaded.Count() - (c.expected == After ? 2 : 1)];
        if (c.expected == After) {
            EXPECT_EQ(loaded[loaded.Count() - 1].Process, "d") << "step " << c.step;
            EXPECT_EQ(running.Duration, 0.5) << "step " << c.step;
        } else {
            EXPECT_EQ(loaded[0].Process, "a") << "step " << c.step;
            EXPECT_EQ(running.Process, "c") << "step " << c.step;
            EXPECT_EQ(running.Duration, 0.0) << "step " << c.step;
        }
        fs::remove(file);
    }
    fs::remove_all(dir);
}

// A power cut after a save in place has made its writes (the running entry's Duration and the new
// record in one write at the end of the file, then the count) but before its one flush: any of the
// three may have reached the disk without the others, in any order. Each such file loads whole,
// holds every entry of the save before with the new entry or without it, and the next save from it
// gives a whole file again.
TEST(DataFileCrash, APowerCutBeforeTheFlushKeepsEveryEntryOfTheSaveBefore) {
    char tmpl[] = "/tmp/orvane-order-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, file = dir + "/orvane.cdat";
    const struct {
        const char* name;
        int entries; // before the change; the last one runs
        bool opens;  // the change opens a new entry, after closing the running one
    } scenarios[] = {
        {"a change", 3, true}, {"the running entry grows", 3, false}, {"the first entry", 0, true}};
    for (const auto& sc : scenarios) {
        TActivityList list, before;
        for (int i = 0; i < sc.entries; ++i)
            list.AddEntry("p" + std::to_string(i), "entry " + std::to_string(i), i);
        list.SaveToFile(file);
        CopyInto(before, list);
        const std::string old = ReadFile(file);
        list.CloseLastEntryAfter(0.5);
        if (sc.opens) list.AddEntry("new", "entry", 9);
        list.SaveToFile(file);
        ASSERT_TRUE(list.LastSave().Incremental) << sc.name;
        EXPECT_EQ(list.LastSave().Flushes, 1) << sc.name;
        const std::string now = ReadFile(file);

        // The three writes, each where it lands.
        struct TWrite {
            std::size_t at, size;
        };
        std::vector<TWrite> writes = {{0, 4}};
        if (sc.entries > 0) writes.push_back({old.size() - 8, 8});
        if (now.size() > old.size()) writes.push_back({old.size(), now.size() - old.size()});
        for (unsigned mask = 0; mask < 1u << writes.size(); ++mask) {
            std::string state = old;
            for (std::size_t w = 0; w < writes.size(); ++w) {
                if (!(mask & 1u << w)) continue;
                state.resize(std::max(state.size(), writes[w].at + writes[w].size));
                state.replace(writes[w].at, writes[w].size, now, writes[w].at, writes[w].size);
            }
            WriteFile(file, state);
            const std::string what =
                std::string(sc.name) + ", writes on disk " + std::to_string(mask);
            TActivityList loaded;
            TLoadResult result;
            ASSERT_NO_THROW(result = loaded.LoadFromFile(file)) << what;
            EXPECT_TRUE(result.Whole) << what;
            EXPECT_TRUE(loaded.KeptFile().empty()) << what;
            ASSERT_GE(loaded.Count(), before.Count()) << what;
            ASSERT_LE(loaded.Count(), list.Count()) << what;
            for (int i = 0; i < loaded.Count(); ++i) {
                const TEntry &got = loaded[i], &want = list[i];
                EXPECT_EQ(got.Process, want.Process) << what << ", entry " << i;
                EXPECT_EQ(got.Caption, want.Caption) << what << ", entry " << i;
                EXPECT_EQ(got.Start, want.Start) << what << ", entry " << i;
                const bool grownOrNot = got.Duration == want.Duration ||
                                        (i < before.Count() && got.Duration == before[i].Duration);
                EXPECT_TRUE(grownOrNot) << what << ", entry " << i;
            }
            // Recording goes on from there, in place, and the file is whole again.
            loaded.AddEntry("next", "start", 10);
            loaded.SaveToFile(file);
            EXPECT_TRUE(loaded.LastSave().Incremental) << what;
            TActivityList again;
            EXPECT_TRUE(again.LoadFromFile(file).Whole) << what;
            EXPECT_EQ(CountOnDisk(file), again.Count()) << what;
            EXPECT_TRUE(SameEntries(again, loaded)) << what;
            fs::remove(file);
        }
    }
    fs::remove_all(dir);
}

// A record that could not be read whole, ended at each step of the save that keeps it aside: the
// record's place is never empty, and the original's bytes are always on the disk.
TEST(DataFileCrash, EndingAtEachStepOfKeepingADamagedRecordLosesNothing) {
    char tmpl[] = "/tmp/orvane-keep-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, file = dir + "/orvane.cdat";
    auto read = [](const std::string& path) {
        std::string bytes;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[4096];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
                bytes.append(buf, n);
            std::fclose(f);
        }
        return bytes;
    };
    for (int step : {11, 12, 13, 14, 16, 15}) {
        {
            TActivityList whole;
            whole.AddEntry("a", "one", 1);
            whole.AddEntry("b", "two", 2);
            whole.SaveToFile(file);
        }
        std::string original = read(file);
        original[0] = 4; // a count two beyond the records
        if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
            std::fwrite(original.data(), 1, original.size(), f);
            std::fclose(f);
        }
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            static int stopAt;
            stopAt = step;
            SaveStepHook = [](int s) {
                if (s == stopAt) ::_exit(0);
            };
            TActivityList list;
            list.LoadFromFile(file);
            list.AddEntry("c", "three", 3);
            list.SaveToFile(file);
            ::_exit(1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "step " << step;

        const std::string now = read(file);
        int kept = 0;
        for (const auto& f : fs::directory_iterator(dir))
            if (f.path().filename().string().find(".damaged-") != std::string::npos) {
                EXPECT_EQ(read(f.path().string()), original) << "step " << step;
                ++kept;
            }
        TActivityList loaded;
        ASSERT_NO_THROW(loaded.LoadFromFile(file)) << "step " << step << ": no record";
        if (now == original) {
            EXPECT_LE(kept, 1) << "step " << step;
        } else {
            EXPECT_EQ(kept, 1) << "step " << step << ": the original is gone";
            EXPECT_EQ(loaded.Count(), 3) << "step " << step;
        }
        EXPECT_EQ(now != original, step == 15) << "step " << step;
        fs::remove_all(dir);
        fs::create_directory(dir);
    }
    fs::remove_all(dir);
}

TEST(DataFileCrash, KilledSavesLeaveARecordOfTheLastOrTheNextSave) {
    char tmpl[] = "/tmp/orvane-crash-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, file = dir + "/orvane.cdat";
    {
        TActivityList empty;
        empty.SaveToFile(file);
    }
    std::mt19937 random(20261210);
    TActivityList verified; // the list the file was found to hold after the last kill
    int next = 1;           // the step that comes after it
    int kills = 0, inPlace = 0, midway = 0, uncounted = 0, damaged = 0;
    for (int round = 0; round < 300; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A fresh start of the recorder: load the record, then change and save, on and on.
            ::close(fds[0]);
            TActivityList list;
            list.LoadFromFile(file);
            for (int k = next;; ++k) {
                Apply(list, k);
                list.SaveToFile(file);
                const int done[2] = {k, list.LastSave().Incremental ? 1 : 0};
                if (::write(fds[1], done, sizeof done) != sizeof done) ::_exit(3);
            }
        }
        ::close(fds[1]);
        ::usleep(std::uniform_int_distribution<int>(0, 40000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed with " << status;
        ++kills;
        int last = next - 1, done[2];
        while (::read(fds[0], done, sizeof done) == sizeof done) {
            last = done[0];
            inPlace += done[1];
        }
        ::close(fds[0]);

        // The lists after the last completed save, and after the one that was under way.
        TActivityList atLast, atNext, midNext;
        CopyInto(atLast, verified);
        CopyInto(atNext, verified);
        for (int k = next; k <= last; ++k) {
            Apply(atLast, k);
            Apply(atNext, k);
        }
        Apply(atNext, last + 1);
        // A change writes the running entry's Duration and the new entry in one write, then the
        // count: a kill after the write and before the count leaves the later list. Were the
        // write cut short after the Duration, the earlier list would be left with its running
        // entry grown, as a once-a-minute write would have.
        CopyInto(midNext, atLast);
        if (KindOf(last + 1) == TStep::Change && atLast.LastEntryOpen())
            midNext.Items(midNext.Count() - 1).Duration = (last + 1) / 1000.0;

        TActivityList loaded;
        TLoadResult result;
        ASSERT_NO_THROW(result = loaded.LoadFromFile(file)) << "after kill " << kills;
        // Whole, too: the count covers the records there are, or all but the one new record. Only
        // a kill inside the write of a record (which the system may cut short) leaves a partial
        // record past the count.
        const int past = loaded.Count() - CountOnDisk(file);
        ASSERT_TRUE(past == 0 || (past == 1 && result.Whole)) << "after kill " << kills;
        uncounted += past;
        damaged += !result.Whole;
        if (SameEntries(loaded, atLast)) {
            CopyInto(verified, atLast);
            next = last + 1;
        } else if (SameEntries(loaded, atNext)) {
            CopyInto(verified, atNext);
            next = last + 2;
        } else if (SameEntries(loaded, midNext)) {
            CopyInto(verified, midNext);
            next = last + 1; // redoing the step on this list gives the same list as doing it once
            ++midway;
        } else {
            FAIL() << "after kill " << kills << " (last completed save " << last
                   << ") the file holds " << loaded.Count() << " entries, expected "
                   << atLast.Count() << " or " << atNext.Count() << "; count " << CountOnDisk(file)
                   << " whole " << result.Whole << " kind " << int(KindOf(last + 1))
                   << " prev past " << uncounted;
        }
    }
    EXPECT_GE(next, 300) << "the children hardly saved anything";
    EXPECT_GT(inPlace, 0);
    std::printf("%d kills, %d saves, %d of them in place, %d kills between the two writes of a "
                "change, %d before the count, %d inside a record, %d entries\n",
                kills, next - 1, inPlace, midway, uncounted, damaged, verified.Count());

    // Temporary files of killed whole saves do not pile up. A kill inside the write of a record
    // left a file that is not whole: the next start kept it aside, as it keeps any record it
    // cannot read whole.
    verified.RemoveAt(0);
    verified.SaveToFile(file);
    int files = 0;
    for (const auto& f : fs::directory_iterator(dir))
        if (f.path().filename().string().find(".damaged-") == std::string::npos) ++files;
    EXPECT_EQ(files, 1);
    fs::remove_all(dir);
}
#endif
