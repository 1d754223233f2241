#include "files.h"
#include "recorder/activitylist.h"
#include "recorder/datafile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/stat.h>
#include <vector>
#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <chrono>
#endif

using namespace orvane;
namespace fs = std::filesystem;

namespace {

class DataFile : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        char tmpl[] = "/tmp/orvane-datafile-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
#else
        const fs::path unique =
            fs::temp_directory_path() /
            ("orvane-datafile-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        ASSERT_TRUE(fs::create_directory(unique));
        dir = Utf8(unique);
#endif
        file = dir + "/orvane.cdat";
    }
    void TearDown() override {
#ifndef _WIN32
        ::chmod(dir.c_str(), 0700);
#endif
        fs::remove_all(dir);
    }
    std::string Bytes() const {
        return ReadFile(file);
    }
    void WriteBytes(const std::string& bytes) const {
        WriteFile(file, bytes);
    }
    std::string dir, file;
};

std::string Le64(double v) {
    std::string s(8, '\0');
    std::memcpy(s.data(), &v, 8);
    return s;
}
std::string Record(const std::string& p, const std::string& c, double start, double dur) {
    return Le32(static_cast<std::int32_t>(p.size())) + p +
           Le32(static_cast<std::int32_t>(c.size())) + c + Le64(start) + Le64(dur);
}

const unsigned char WorkedExample[35] = {0x01, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61,
                                         0x2E, 0x65, 0x78, 0x65, 0x02, 0x00, 0x00, 0x00, 0x48,
                                         0x69, 0xAB, 0xAA, 0xAA, 0xAA, 0x2C, 0x4C, 0xE3, 0x40,
                                         0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x85, 0x3F};

} // namespace

TEST_F(DataFile, WorkedExampleByteForByte) {
    TActivityList list;
    list.AddEntry("a.exe", "Hi", EncodeDateTime(2008, 3, 14, 9, 30));
    list.CloseLastEntryAfter(15.0 / 1440);
    list.SaveToFile(file);
    EXPECT_EQ(Bytes(), std::string(reinterpret_cast<const char*>(WorkedExample), 35));

    TActivityList back;
    back.LoadFromFile(file);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0].Start, 39521.395833333336);
    EXPECT_EQ(back[0].Duration, 15.0 / 1440);
}

TEST_F(DataFile, RoundTripKeepsExactValuesAndAppends) {
    TActivityList list;
    const double odd[] = {0.1 + 0.2, -0.0, 1e-300, 45000.999999999993, 3.0e6};
    int i = 0;
    for (double v : odd) {
        list.AppendLoaded(
            TEntry(std::string("p\0q", 3) + std::to_string(i), i % 2 ? "" : "Cap \xff", v));
        list.Items(i).Duration = v / 3;
        ++i;
    }
    list.SaveToFile(file);
    TActivityList back;
    back.AppendLoaded(TEntry("kept", "", 1));
    back.LoadFromFile(file); // appends, does not clear
    ASSERT_EQ(back.Count(), list.Count() + 1);
    EXPECT_EQ(back[0].Process, "kept");
    for (int k = 0; k < list.Count(); ++k) {
        const TEntry &a = list[k], &b = back[k + 1];
        EXPECT_EQ(a.Process, b.Process);
        EXPECT_EQ(a.Caption, b.Caption);
        EXPECT_EQ(std::memcmp(&a.Start, &b.Start, 8), 0);
        EXPECT_EQ(std::memcmp(&a.Duration, &b.Duration, 8), 0);
    }
}

TEST_F(DataFile, EmptyListIsFourZeroBytesAndPrivate) {
    TActivityList list;
    list.SaveToFile(file);
    EXPECT_EQ(Bytes(), std::string(4, '\0'));
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
    TActivityList back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.Count(), 0);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(DataFile, DamagedFilesLoadWhatPrecedesTheDamage) {
    const std::string r1 = Record("a.exe", "one", 1, 0.5), r2 = Record("b.exe", "", 2, 0.25),
                      r3 = Record("c.exe", "three", 3, 0.125);
    struct Case {
        const char* name;
        std::string bytes;
        int expected;
    } cases[] = {
        {"count larger than records", Le32(5) + r1 + r2 + r3, 3},
        {"count two short of the records", Le32(1) + r1 + r2 + r3, 1},
        {"count two beyond the records", Le32(3) + r1, 1},
        {"one record and more past the count", Le32(1) + r1 + r2 + "x", 1},
        {"negative count", Le32(-7) + r1, 0},
        {"negative length", Le32(3) + r1 + Le32(-1) + "x", 1},
        {"length beyond the file", Le32(2) + r1 + Le32(1000) + "abc", 1},
        {"hostile length", Le32(2) + r1 + Le32(0x7FFFFFFF), 1},
        {"cut inside the last duration", Le32(3) + r1 + r2 + r3.substr(0, r3.size() - 3), 2},
        {"huge count, no records", Le32(0x7FFFFFFF), 0},
    };
    for (const Case& c : cases) {
        WriteBytes(c.bytes);
        TActivityList list;
        TLoadResult result;
        EXPECT_NO_THROW(result = list.LoadFromFile(file)) << c.name;
        EXPECT_FALSE(result.Whole) << c.name;
        EXPECT_EQ(list.Count(), c.expected) << c.name;
        if (c.expected > 0) {
            EXPECT_EQ(list[0].Process, "a.exe") << c.name;
        }
    }
}

namespace {

// The bytes a whole rewrite of the list would write, from a fresh list so that the saved list
// keeps its own idea of the file.
std::string WholeSaveBytes(const TActivityList& list, const std::string& file) {
    TActivityList copy;
    for (const TEntry& e : list.Entries())
        copy.AppendLoaded(e);
    copy.SaveToFile(file);
    return ReadFile(file);
}

} // namespace

// A save in place that a power cut stopped between its records and its count: the one new record
// is there without its count, or the count without its record. Neither is damage.
TEST_F(DataFile, ASaveCutOffBeforeItsCountLoadsWhole) {
    const std::string r1 = Record("a.exe", "one", 1, 0.5), r2 = Record("b.exe", "", 2, 0.25);
    struct Case {
        const char* name;
        std::string bytes;
        int expected;
    } cases[] = {
        {"one record past the count", Le32(1) + r1 + r2, 2},
        {"the first record past a count of 0", Le32(0) + r1, 1},
        {"a count one past the records", Le32(3) + r1 + r2, 2},
        {"a count of 1 and no record", Le32(1), 0},
    };
    for (const Case& c : cases) {
        WriteBytes(c.bytes);
        TActivityList list;
        const TLoadResult result = list.LoadFromFile(file);
        EXPECT_TRUE(result.Whole) << c.name;
        EXPECT_EQ(result.Where(), "") << c.name;
        EXPECT_EQ(list.Count(), c.expected) << c.name;
        EXPECT_EQ(list.KeptFile(), "") << c.name;
        if (c.expected > 1) {
            EXPECT_EQ(list[1].Process, "b.exe") << c.name;
        }
        // The next save goes in place and puts the count right.
        list.SaveToFile(file);
        EXPECT_TRUE(list.LastSave().Incremental) << c.name;
        EXPECT_EQ(Bytes(), WholeSaveBytes(list, dir + "/reference.cdat")) << c.name;
    }
}

TEST_F(DataFile, ShortOrMissingFilesFailWithTheirMessages) {
    for (const std::string& bytes : {std::string(), std::string(3, '\1')}) {
        WriteBytes(bytes);
        TActivityList list;
        try {
            list.LoadFromFile(file);
            ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
        } catch (const EFileError& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
    }
    TActivityList list;
    try {
        list.LoadFromFile(dir + "/missing.cdat");
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + dir + "/missing.cdat\". No such file or directory");
    }
}

#ifndef _WIN32
// Runs fn in a child process and returns its exit status (fn returns it).
template <class F> int InChild(F fn) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(fn());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(DataFile, FailedSavesLeaveTheOldFileWhole) {
    TActivityList list;
    list.AddEntry("a.exe", "first", 1);
    list.SaveToFile(file);
    const std::string before = Bytes();
    for (int i = 0; i < 5000; ++i)
        list.AddEntry("b.exe", "second " + std::to_string(i), 2);

    // A read-only folder. Root ignores folder modes, so then the save runs as an ordinary user.
    ::chmod(dir.c_str(), 0755);
    ::chmod(file.c_str(), 0644);
    const int readOnly = InChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
        if (::geteuid() != 0) ::chmod(dir.c_str(), 0555);
        // A save in place only needs the file; a whole save (here after a removal) needs the
        // folder too.
        list.RemoveAt(0);
        try {
            list.SaveToFile(file);
            return 1;
        } catch (const EFileError& e) {
            return std::string(e.what()) == "Cannot create file \"" + file + "\". Permission denied"
                       ? 0
                       : 2;
        }
    });
    ::chmod(dir.c_str(), 0700);
    EXPECT_EQ(readOnly, 0);
    EXPECT_EQ(Bytes(), before);

    // A full disk, as a file-size limit: the write fails part way.
    const int full = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            16384, 16384
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            list.SaveToFile(file);
            return 1;
        } catch (const EFileError& e) {
            return std::string(e.what()) == "Stream write error" ? 0 : 2;
        }
    });
    EXPECT_EQ(full, 0);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "the temporary file is removed";

    // A missing folder.
    try {
        list.SaveToFile(dir + "/no/such/folder/x.cdat");
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + dir +
                                             "/no/such/folder/x.cdat\". No such file or directory");
    }
}
#endif // _WIN32

TEST_F(DataFile, CreateFolderPathMakesPrivateFolders) {
    const std::string deep = dir + "/a/b/Orvane";
    EXPECT_TRUE(CreateFolderPath(deep));
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(deep.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    EXPECT_TRUE(CreateFolderPath(deep));
    EXPECT_FALSE(CreateFolderPath(""));
}

TEST_F(DataFile, SavesWriteOnlyTheChangeAndMatchAWholeRewrite) {
    const std::string reference = dir + "/reference.cdat";
    TActivityList list;
    struct Step {
        const char* name;
        std::function<void()> change;
        bool incremental;
        std::uint64_t maxBytes;
    } steps[] = {
        {"first save", [&] { list.AddEntry("/usr/bin/a", "one", 100); }, false, 1000},
        {"running entry grows", [&] { list.CloseLastEntryAfter(0.25); }, true, 8},
        {"nothing changed", [] {}, true, 0},
        {"change: close and open",
         [&] {
             list.CloseLastEntryAfter(0.5);
             list.AddEntry("/usr/bin/b", "two", 100.5);
         },
         true, 8 + 4 + 4 + 10 + 4 + 3 + 16},
        {"several new entries",
         [&] {
             for (int i = 0; i < 50; ++i)
                 list.AddEntry("/usr/bin/c", std::to_string(i), 101 + i);
         },
         true, 50 * 60 + 4},
        {"sealed", [&] { list.SealLastEntry(); }, true, 0},
        {"a removal rewrites", [&] { list.RemoveAt(3); }, false, 1 << 20},
        {"then in place again", [&] { list.AddEntry("/usr/bin/d", "", 200); }, true, 60},
        {"an entry edited through Items", [&] { list.Items(0).Caption = "edited"; }, false,
         1 << 20},
        {"New", [&] { list.Clear(); }, false, 4},
        {"after New", [&] { list.AddEntry("/usr/bin/e", "five", 300); }, true, 60},
    };
    for (Step& s : steps) {
        s.change();
        list.SaveToFile(file);
        EXPECT_EQ(list.LastSave().Incremental, s.incremental) << s.name;
        EXPECT_LE(list.LastSave().BytesWritten, s.maxBytes) << s.name;
        // One flush of the record per save that writes anything.
        EXPECT_EQ(list.LastSave().Flushes, list.LastSave().BytesWritten > 0 ? 1 : 0) << s.name;
        EXPECT_EQ(Bytes(), WholeSaveBytes(list, reference)) << s.name;
    }
}

TEST_F(DataFile, AFileNotAsLastWrittenIsRewrittenWhole) {
    auto makeList = [](TActivityList& list) {
        for (int i = 0; i < 20; ++i)
            list.AddEntry("p" + std::to_string(i % 3), "c", i);
    };
    struct Case {
        const char* name;
        std::function<void(const std::string& file, const std::string& bytes)> tamper;
    } cases[] = {
        {"replaced by another copy",
         [](const std::string& f, const std::string&) {
             TActivityList other;
             other.AddEntry("other", "x", 1);
             other.SaveToFile(f);
         }},
        {"grown by another copy",
         [](const std::string& f, const std::string& b) {
             std::ofstream(f, std::ios::binary | std::ios::app) << b.substr(4, 30);
         }},
        {"last record changed, same size",
         [](const std::string& f, const std::string& b) {
             std::string c = b;
             c[c.size() - 20] ^= 1;
             std::ofstream(f, std::ios::binary | std::ios::in | std::ios::out) << c;
         }},
        {"count changed, same size",
         [](const std::string& f, const std::string& b) {
             std::string c = b;
             c[0] = 5;
             std::ofstream(f, std::ios::binary | std::ios::in | std::ios::out) << c;
         }},
        {"removed", [](const std::string& f, const std::string&) { fs::remove(f); }},
    };
    for (const Case& c : cases) {
        TActivityList list;
        makeList(list);
        list.SaveToFile(file);
        c.tamper(file, Bytes());
        list.AddEntry("new", "entry", 99);
        list.SaveToFile(file);
        EXPECT_FALSE(list.LastSave().Incremental) << c.name;
        EXPECT_EQ(Bytes(), WholeSaveBytes(list, dir + "/reference.cdat")) << c.name;
    }
}

TEST_F(DataFile, AWholeLoadSavesInPlaceADamagedOneDoesNot) {
    TActivityList list;
    for (int i = 0; i < 10; ++i)
        list.AddEntry("p", "c" + std::to_string(i), i);
    list.SaveToFile(file);
    const std::string whole = Bytes();

    struct Case {
        const char* name;
        std::string bytes;
        bool incremental;
    } cases[] = {
        {"whole file", whole, true},
        {"bytes after the last record", whole + "tail of a killed save", false},
        {"count two beyond the records", Le32(12) + whole.substr(4), false},
        {"a save cut off before its count", Le32(9) + whole.substr(4), true},
        {"a save cut off after its count", Le32(11) + whole.substr(4), true},
    };
    for (const Case& c : cases) {
        WriteBytes(c.bytes);
        TActivityList loaded;
        loaded.LoadFromFile(file);
        loaded.AddEntry("q", "after restart", 50);
        loaded.SaveToFile(file);
        EXPECT_EQ(loaded.LastSave().Incremental, c.incremental) << c.name;
        EXPECT_EQ(Bytes(), WholeSaveBytes(loaded, dir + "/reference.cdat")) << c.name;
    }
    // Loading into a list that already holds entries never saves in place.
    WriteBytes(whole);
    TActivityList merged;
    merged.AddEntry("x", "y", 1);
    merged.LoadFromFile(file);
    merged.SaveToFile(file);
    EXPECT_FALSE(merged.LastSave().Incremental);
}

#ifndef _WIN32
TEST_F(DataFile, AFailedSaveInPlaceKeepsTheFileAndTheNextSaveMendsIt) {
    TActivityList list;
    list.AddEntry("a.exe", "first", 1);
    list.SaveToFile(file);
    const std::string before = Bytes();
    list.CloseLastEntryAfter(0.5);
    for (int i = 0; i < 2000; ++i)
        list.AddEntry("b.exe", "second " + std::to_string(i), 2);

    const int full = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            8192, 8192
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            list.SaveToFile(file);
            return 1;
        } catch (const EFileError& e) {
            return std::string(e.what()) == "Stream write error" && list.LastSave().Incremental ? 0
                                                                                                : 2;
        }
    });
    EXPECT_EQ(full, 0);
    // The appended part is gone; at most the running entry's Duration moved on.
    const std::string after = Bytes();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, after.size() - 8), before.substr(0, before.size() - 8));
    TActivityList back;
    back.LoadFromFile(file);
    ASSERT_EQ(back.Count(), 1);

    // Stale temporary files of killed saves go with the next whole save; a live one stays.
    const std::string stale = file + ".99999999.tmp",
                      live = file + "." + std::to_string(::getppid()) + ".tmp";
    std::ofstream(stale) << "x";
    std::ofstream(live) << "x";
    list.RemoveAt(0);
    list.SaveToFile(file);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
}
// A full disk: a small tmpfs of the test's own, filled up. Only root may mount one; elsewhere the
// tests are skipped.
class FullDisk : public DataFile {
protected:
    void SetUp() override {
        DataFile::SetUp();
        const std::string small = dir + "/small";
        fs::create_directory(small);
        if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k,mode=0700") != 0)
            GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
        mounted = small;
        file = small + "/orvane.cdat";
        filler = small + "/filler";
    }
    void TearDown() override {
        if (!mounted.empty()) ::umount2(mounted.c_str(), MNT_DETACH);
        DataFile::TearDown();
    }
    // Fills the file system, then frees `pages` pages of it again.
    void FillUp(int pages) const {
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const std::string page(4096, 'f');
        while (::write(fd, page.data(), page.size()) == 4096) {
        }
        struct stat st {};
        ASSERT_EQ(::fstat(fd, &st), 0);
        const off_t size = st.st_size / 4096 * 4096 - 4096 * pages;
        ASSERT_GE(size, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    std::string mounted, filler;
};

// A failed save in place leaves the file as the last save wrote it, so that the saves after it
// go in place again as soon as there is room for the change (a whole rewrite would need room for
// all of the record). At exit, the save that needs the least room keeps the running entry.
TEST_F(FullDisk, AfterAFailedSaveInPlaceTheNextSavesGoInPlaceAgain) {
    TActivityList list;
    for (int i = 0; i < 1000; ++i)
        list.AddEntry("/usr/bin/p" + std::to_string(i % 7), "caption " + std::to_string(i),
                      45000 + i / 1000.0);
    list.SaveToFile(file); // about 47 KB
    FillUp(0);
    const std::string before = Bytes();
    auto change = [&](const std::string& caption, double duration) {
        list.CloseLastEntryAfter(duration);
        list.AddEntry("/usr/bin/q", caption, 45001 + duration);
    };
    for (int i = 0; i < 4; ++i)
        change(std::string(2000, 'x') + std::to_string(i), 0.001 * (i + 1));
    EXPECT_THROW(list.SaveToFile(file), EFileError);
    EXPECT_EQ(Bytes(), before);
    EXPECT_THROW(list.SaveToFile(file), EFileError) << "still no room";
    EXPECT_EQ(Bytes(), before);

    // Room for the change, not for a second copy of the record.
    FillUp(4);
    change("after the disk was full", 0.005);
    list.SaveToFile(file);
    EXPECT_TRUE(list.LastSave().Incremental);
    EXPECT_EQ(Bytes(), WholeSaveBytes(list, dir + "/reference.cdat"));

    // Full again, with entries not yet on the disk: at exit, no room for a record, so the entry
    // last on disk gets at least its final Duration.
    FillUp(0);
    const int onDisk = list.Count();
    for (int i = 0; i < 3; ++i)
        change(std::string(3000, 'y') + std::to_string(i), 0.006 + 0.001 * i);
    change(std::string(9000, 'z'), 0.01);
    EXPECT_THROW(list.SaveToFile(file), EFileError);
    EXPECT_TRUE(list.SaveRunningEntryInPlace(file));
    {
        TActivityList back;
        EXPECT_TRUE(back.LoadFromFile(file).Whole);
        ASSERT_EQ(back.Count(), onDisk);
        EXPECT_EQ(back[onDisk - 1].Duration, 0.006);
    }
    // One page free: room for the running entry, not for the entries before it.
    change("running at the exit", 0.011);
    list.CloseLastEntryAfter(0.02);
    FillUp(1);
    EXPECT_THROW(list.SaveToFile(file), EFileError);
    EXPECT_TRUE(list.SaveRunningEntryInPlace(file));
    TActivityList back;
    EXPECT_TRUE(back.LoadFromFile(file).Whole);
    ASSERT_EQ(back.Count(), onDisk + 1);
    EXPECT_EQ(back[onDisk - 1].Duration, 0.006);
    EXPECT_EQ(back[onDisk].Caption, "running at the exit");
    EXPECT_EQ(back[onDisk].Duration, 0.02);
}
#endif

namespace {

// A record of 1000 entries as the recorder writes it; offsets[i] is where entry i starts.
std::string ThousandEntries(std::vector<std::size_t>& offsets) {
    std::string bytes = Le32(1000);
    for (int i = 0; i < 1000; ++i) {
        offsets.push_back(bytes.size());
        bytes += Record("/usr/bin/p" + std::to_string(i % 7), "caption " + std::to_string(i),
                        45000 + i / 100.0, 0.001);
    }
    return bytes;
}

// The files of a folder whose names start with prefix.
std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& f : fs::directory_iterator(PathOfUtf8(dir))) {
        const std::string name = Utf8(f.path().filename());
        if (name.compare(0, prefix.size(), prefix) == 0) found.push_back(Utf8(f.path()));
    }
    return found;
}

} // namespace

TEST_F(DataFile, ADamagedRecordIsMovedAsideWholeBeforeTheFirstSave) {
    std::vector<std::size_t> at;
    const std::string thousand = ThousandEntries(at);
    std::string badLength = thousand;
    const std::string minusOne = Le32(-1);
    badLength.replace(at[499], 4, minusOne); // entry 500's process length
    std::string topBit = thousand;
    topBit[3] = static_cast<char>(0x80);
    std::string larger = thousand;
    larger.replace(0, 4, Le32(1200));
    std::string smaller = thousand;
    smaller.replace(0, 4, Le32(900));
    struct Case {
        const char* name;
        std::string bytes;
        int loaded;
        std::string where;
    } cases[] = {
        {"a bad string length in entry 500", badLength, 499,
         "stopped at entry 500 of 1000, at byte " + std::to_string(at[499]) + " of " +
             std::to_string(thousand.size())},
        {"a count with its top bit set", topBit, 0,
         "stopped before entry 1: the count -2147482648 is negative"},
        {"a count larger than the records", larger, 1000,
         "stopped at entry 1001 of 1200, at byte " + std::to_string(thousand.size()) + " of " +
             std::to_string(thousand.size())},
        {"a count smaller than the records", smaller, 900,
         "its 900 entries end at byte " + std::to_string(at[900]) + " of " +
             std::to_string(thousand.size()) + "; the bytes after them were not read"},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir);
        fs::create_directory(dir);
        WriteBytes(c.bytes);
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        TActivityList list;
        const TLoadResult result = list.LoadFromFile(file);
        EXPECT_FALSE(result.Whole) << c.name;
        EXPECT_EQ(result.Loaded, c.loaded) << c.name;
        EXPECT_EQ(list.Count(), c.loaded) << c.name;
        EXPECT_EQ(result.Where(), c.where) << c.name;
        EXPECT_EQ(list.KeptFile(), file) << c.name;

        list.AddEntry("/usr/bin/new", "after the restart", 46000);
        list.SaveToFile(file);
        const std::vector<std::string> aside = FilesStartingWith(dir, "orvane.cdat.damaged-");
        ASSERT_EQ(aside.size(), 1u) << c.name;
        const std::string moved = list.TakeMovedAside();
        EXPECT_TRUE(fs::path(moved) == fs::path(aside[0])) << moved << " " << aside[0];
        EXPECT_EQ(list.TakeMovedAside(), "") << "told once";
        const std::string suffix = aside[0].substr(file.size());
        EXPECT_EQ(suffix.size(), std::string(".damaged-20240506-100000").size()) << suffix;
        EXPECT_EQ(ReadFile(aside[0]), c.bytes) << c.name << ": every original byte is kept";
#ifndef _WIN32
        EXPECT_EQ(fs::status(aside[0]).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
            << c.name;
#endif
        TActivityList saved;
        EXPECT_TRUE(saved.LoadFromFile(file).Whole) << c.name;
        ASSERT_EQ(saved.Count(), c.loaded + 1) << c.name;
        EXPECT_EQ(saved[c.loaded].Process, "/usr/bin/new") << c.name;

        // Later saves write the new record only; the original stays where it went.
        list.AddEntry("/usr/bin/later", "", 46001);
        list.SaveToFile(file);
        EXPECT_TRUE(list.LastSave().Incremental) << c.name;
        EXPECT_EQ(FilesStartingWith(dir, "orvane.cdat.damaged-").size(), 1u) << c.name;
    }
}

TEST_F(DataFile, MovedAsideNeverReplacesAnEarlierCopy) {
    WriteBytes(Le32(3));
    const TDateTime when = EncodeDateTime(2024, 5, 6, 10, 0, 0);
    EXPECT_EQ(MoveAside(file, when), file + ".damaged-20240506-100000");
    WriteBytes(Le32(4));
    EXPECT_EQ(MoveAside(file, when), file + ".damaged-20240506-100000-2");
    EXPECT_EQ(ReadFile(file + ".damaged-20240506-100000"), Le32(3));
    EXPECT_EQ(ReadFile(file + ".damaged-20240506-100000-2"), Le32(4));
    EXPECT_EQ(MoveAside(file, when), "") << "nothing left to move";
}

TEST_F(DataFile, WholeAndMissingFilesAreNotKept) {
    TActivityList missing;
    EXPECT_THROW(missing.LoadFromFile(file), EFileError);
    EXPECT_EQ(missing.KeptFile(), "");
    missing.SaveToFile(file);
    TActivityList whole;
    EXPECT_TRUE(whole.LoadFromFile(file).Whole);
    EXPECT_EQ(whole.KeptFile(), "");
    // Too short for a count: not readable either, so kept as well.
    WriteBytes("ab");
    TActivityList shortFile;
    EXPECT_THROW(shortFile.LoadFromFile(file), EFileError);
    EXPECT_EQ(shortFile.KeptFile(), file);
    shortFile.SaveToFile(file);
    ASSERT_EQ(FilesStartingWith(dir, "orvane.cdat.damaged-").size(), 1u);
    EXPECT_EQ(ReadFile(FilesStartingWith(dir, "orvane.cdat.damaged-")[0]), "ab");
}

#ifndef _WIN32
TEST_F(DataFile, ARecordThatCannotBeReadIsMovedAsideOrNeverWrittenOver) {
    const std::string original = Le32(1) + Record("/usr/bin/a", "years of it", 40000, 0.5);
    WriteBytes(original);
    ::chmod(file.c_str(), 0600);
    // An ordinary user who cannot read the file (root-owned, as a restore may leave it).
    auto asUser = [&](bool folderWritable, auto fn) {
        ::chmod(dir.c_str(), folderWritable ? 0777 : 0755);
        return InChild([&] {
            if (::geteuid() == 0) {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 90;
            } else {
                ::chmod(file.c_str(), 0);
                if (!folderWritable) ::chmod(dir.c_str(), 0555);
            }
            return fn();
        });
    };
    auto loadAndSave = [&](bool expectMove) {
        TActivityList list;
        try {
            list.LoadFromFile(file);
            return 10;
        } catch (const EFileError& e) {
            if (std::string(e.what()) != "Cannot open file \"" + file + "\". Permission denied")
                return 11;
        }
        if (list.KeptFile() != file) return 12;
        list.AddEntry("/usr/bin/b", "new", 45000);
        for (int i = 0; i < 2; ++i) {
            try {
                list.SaveToFile(file);
                if (!expectMove) return 13;
            } catch (const EFileKept& e) {
                if (expectMove ||
                    std::string(e.what()).find("until it can be moved aside") == std::string::npos)
                    return 14;
            }
        }
        // "New" is refused the same way.
        list.Clear();
        try {
            list.SaveToFile(file);
        } catch (const EFileKept&) {
            if (expectMove) return 15;
        }
        return 0;
    };

    // The folder refuses the move too: nothing is written at all.
    EXPECT_EQ(asUser(false, [&] { return loadAndSave(false); }), 0);
    ::chmod(dir.c_str(), 0700);
    ::chmod(file.c_str(), 0600);
    EXPECT_EQ(ReadFile(file), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // A folder the user may write: the file goes aside, untouched, and a new record starts.
    EXPECT_EQ(asUser(true, [&] { return loadAndSave(true); }), 0);
    ::chmod(dir.c_str(), 0700);
    const std::vector<std::string> aside = FilesStartingWith(dir, "orvane.cdat.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    ::chmod(aside[0].c_str(), 0600);
    EXPECT_EQ(ReadFile(aside[0]), original);
    TActivityList fresh;
    EXPECT_TRUE(fresh.LoadFromFile(file).Whole);
    EXPECT_EQ(fresh.Count(), 0) << "the new record after New";
}

// Ends the child when it takes longer: an open that waits for a FIFO's writer never returns.
template <class F> int InChildWithin(int seconds, F fn) {
    return InChild([&] {
        ::alarm(static_cast<unsigned>(seconds));
        return fn();
    });
}

TEST_F(DataFile, SpecialFilesGiveTheOpenErrorAtOnce) {
    struct Case {
        const char* name;
        std::function<void()> make;
        std::string reason;
    } cases[] = {
        {"FIFO", [&] { ::mkfifo(file.c_str(), 0600); }, "Not a regular file"},
        {"folder", [&] { fs::create_directory(file); }, "Is a directory"},
        {"link to a FIFO",
         [&] {
             ::mkfifo((dir + "/fifo").c_str(), 0600);
             fs::create_symlink("fifo", file);
         },
         "Not a regular file"},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir);
        fs::create_directory(dir);
        c.make();
        const int status = InChildWithin(5, [&] {
            TActivityList list;
            try {
                list.LoadFromFile(file);
                return 1;
            } catch (const EFileError& e) {
                if (e.what() != "Cannot open file \"" + file + "\". " + c.reason) return 2;
            }
            return list.KeptFile() == file ? 0 : 3;
        });
        EXPECT_EQ(status, 0) << c.name << (status == 100 + SIGALRM ? ": the load hung" : "");
    }
}

TEST_F(DataFile, ASymlinkedRecordStaysALink) {
    const std::string synced = dir + "/synced";
    fs::create_directory(synced);
    const std::string target = synced + "/orvane.cdat";
    fs::create_symlink("synced/orvane.cdat", file); // dangling until the first save

    TActivityList list;
    list.AddEntry("/usr/bin/a", "one", 1);
    list.SaveToFile(file);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadFile(target), Bytes());

    TActivityList loaded;
    EXPECT_TRUE(loaded.LoadFromFile(file).Whole);
    struct Step {
        const char* name;
        std::function<void()> change;
        bool incremental;
    } steps[] = {
        {"in place", [&] { loaded.AddEntry("/usr/bin/b", "two", 2); }, true},
        {"whole", [&] { loaded.RemoveAt(0); }, false},
        {"in place after a whole save", [&] { loaded.AddEntry("/usr/bin/c", "three", 3); }, true},
    };
    for (Step& s : steps) {
        s.change();
        loaded.SaveToFile(file);
        EXPECT_EQ(loaded.LastSave().Incremental, s.incremental) << s.name;
        EXPECT_TRUE(fs::is_symlink(file)) << s.name;
        EXPECT_EQ(ReadFile(target), WholeSaveBytes(loaded, dir + "/reference.cdat")) << s.name;
        fs::remove(dir + "/reference.cdat");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(synced), fs::directory_iterator()), 1)
        << "no temporary file left beside the target";

    // A damaged target goes aside beside itself; the link stays and points at the new record.
    std::ofstream(target, std::ios::binary | std::ios::app) << "tail";
    const std::string damaged = ReadFile(target);
    TActivityList again;
    EXPECT_FALSE(again.LoadFromFile(file).Whole);
    again.SaveToFile(file);
    EXPECT_TRUE(fs::is_symlink(file));
    const std::vector<std::string> aside = FilesStartingWith(synced, "orvane.cdat.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside[0]), damaged);
    EXPECT_EQ(ReadFile(target).size(), damaged.size() - 4);
}
#endif
