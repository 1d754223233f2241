#include "recorder/activitylist.h"
#include "recorder/datafile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#ifndef _WIN32
#include <csignal>
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
        const fs::path unique = fs::temp_directory_path() /
            ("orvane-datafile-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        ASSERT_TRUE(fs::create_directory(unique));
        dir = unique.string();
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
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void WriteBytes(const std::string& bytes) const {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string dir, file;
};

std::string Le32(std::int32_t v) {
    std::string s(4, '\0');
    std::memcpy(s.data(), &v, 4);
    return s;
}
std::string Le64(double v) {
    std::string s(8, '\0');
    std::memcpy(s.data(), &v, 8);
    return s;
}
std::string Record(const std::string& p, const std::string& c, double start, double dur) {
    return Le32(static_cast<std::int32_t>(p.size())) + p +
           Le32(static_cast<std::int32_t>(c.size())) + c + Le64(start) + Le64(dur);
}

const unsigned char WorkedExample[35] = {
    0x01, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61, 0x2E, 0x65, 0x78,
    0x65, 0x02, 0x00, 0x00, 0x00, 0x48, 0x69, 0xAB, 0xAA, 0xAA, 0xAA, 0x2C,
    0x4C, 0xE3, 0x40, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x85, 0x3F};

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
        list.AppendLoaded(TEntry(std::string("p\0q", 3) + std::to_string(i), i % 2 ? "" : "Cap \xff",
                                 v));
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
        {"count smaller than records", Le32(2) + r1 + r2 + r3, 2},
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
        EXPECT_NO_THROW(list.LoadFromFile(file)) << c.name;
        EXPECT_EQ(list.Count(), c.expected) << c.name;
        if (c.expected > 0) {
            EXPECT_EQ(list[0].Process, "a.exe") << c.name;
        }
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
    for (int i = 0; i < 5000; ++i) list.AddEntry("b.exe", "second " + std::to_string(i), 2);

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
            return std::string(e.what()) ==
                           "Cannot create file \"" + file + "\". Permission denied"
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
        struct rlimit limit {16384, 16384};
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

namespace {

// The bytes a whole rewrite of the list would write, from a fresh list so that the saved list
// keeps its own idea of the file.
std::string WholeSaveBytes(const TActivityList& list, const std::string& file) {
    TActivityList copy;
    for (const TEntry& e : list.Entries()) copy.AppendLoaded(e);
    copy.SaveToFile(file);
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

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
             for (int i = 0; i < 50; ++i) list.AddEntry("/usr/bin/c", std::to_string(i), 101 + i);
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
        EXPECT_EQ(Bytes(), WholeSaveBytes(list, reference)) << s.name;
    }
}

TEST_F(DataFile, AFileNotAsLastWrittenIsRewrittenWhole) {
    auto makeList = [](TActivityList& list) {
        for (int i = 0; i < 20; ++i) list.AddEntry("p" + std::to_string(i % 3), "c", i);
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
    for (int i = 0; i < 10; ++i) list.AddEntry("p", "c" + std::to_string(i), i);
    list.SaveToFile(file);
    const std::string whole = Bytes();

    struct Case {
        const char* name;
        std::string bytes;
        bool incremental;
    } cases[] = {
        {"whole file", whole, true},
        {"bytes after the last record", whole + "tail of a killed save", false},
        {"count beyond the records", Le32(11) + whole.substr(4), false},
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
    for (int i = 0; i < 2000; ++i) list.AddEntry("b.exe", "second " + std::to_string(i), 2);

    const int full = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {8192, 8192};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            list.SaveToFile(file);
            return 1;
        } catch (const EFileError& e) {
            return std::string(e.what()) == "Stream write error" && list.LastSave().Incremental
                       ? 0
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
    const std::string stale = file + ".99999999.tmp", live = file + "." +
                                                             std::to_string(::getppid()) + ".tmp";
    std::ofstream(stale) << "x";
    std::ofstream(live) << "x";
    list.RemoveAt(0);
    list.SaveToFile(file);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
}
#endif
