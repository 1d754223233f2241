// Replacing a file whole, the way every save but the data file's in-place one goes: the old file
// or the new one is there after any failure or kill, never a mix, never none.
#include "platform/atomicfile.h"
#include "platform/filepath.h"

#include "envguard.h"
#include "files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>

#ifndef _WIN32
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace orvane;
using platform::TAtomicFile;
using platform::WriteFileAtomically;
namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int FilesIn(const std::string& folder) {
    return static_cast<int>(std::distance(fs::directory_iterator(PathOf(folder)), {}));
}

} // namespace

TEST(AtomicFile, ReplacesTheFileWholeAndLeavesNothingBeside) {
    TTempFolder dir;
    const std::string file = dir.Path() + "/settings.cfg";
    int error = 0;
    ASSERT_TRUE(WriteFileAtomically(file, "first", error));
    ASSERT_TRUE(WriteFileAtomically(file, "second, longer", error));
    EXPECT_EQ(Read(file), "second, longer");
    EXPECT_EQ(FilesIn(dir.Path()), 1);

    // Through a stream, in pieces shorter and longer than its buffer; nothing shows before the
    // commit.
    TAtomicFile stream(file);
    ASSERT_TRUE(stream.Open());
    std::string expected;
    {
        platform::TAtomicFileBuffer buffer(stream);
        std::ostream out(&buffer);
        for (int i = 0; i < 40; ++i) {
            const std::string piece(static_cast<std::size_t>(i * 7919 % 150000),
                                    static_cast<char>('a' + i % 26));
            out << piece << '\n';
            expected += piece + '\n';
        }
        out.flush();
        ASSERT_TRUE(out);
    }
    EXPECT_EQ(Read(file), "second, longer");
    ASSERT_TRUE(stream.Commit());
    EXPECT_EQ(Read(file), expected);

    // A save given up before its commit leaves the file as it was and no temporary file.
    {
        TAtomicFile dropped(file);
        ASSERT_TRUE(dropped.Open());
        ASSERT_TRUE(dropped.Write("dropped"));
        ASSERT_TRUE(dropped.Sync());
    }
    EXPECT_EQ(Read(file), expected);
    EXPECT_EQ(FilesIn(dir.Path()), 1);
}

// Each failure is reported, with the system's reason, and changes nothing.
TEST(AtomicFile, AFailedSaveReportsAndLeavesTheOldFile) {
    TTempFolder dir;
    const std::string file = dir.Path() + "/kept.cfg";
    const std::string old = "the old contents";
    const std::string bytes(64 * 1024, 'n');
    struct Case {
        const char* name;
        std::string target;
        std::function<int(const std::string& target)> save; // 0: failed as expected
    };
    const auto expectFailure = [&](const std::string& target) {
        int error = 0;
        return WriteFileAtomically(target, bytes, error) ? 1 : error != 0 ? 0 : 2;
    };
#ifndef _WIN32
    // In a child process: as another user, under a file-size limit.
    const auto inChild = [](const std::function<int()>& fn) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(fn());
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    };
    // Root ignores folder modes: the save then runs as an ordinary user.
    const auto asOrdinaryUser = [&](const std::function<int()>& fn) {
        ::chmod(dir.Path().c_str(), 0755);
        ::chmod(file.c_str(), 0666);
        const int status = inChild([&] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
            if (::geteuid() != 0) ::chmod(dir.Path().c_str(), 0555);
            return fn();
        });
        ::chmod(dir.Path().c_str(), 0700);
        return status;
    };
#endif
    const Case cases[] = {
        {"a missing folder", dir.Path() + "/no/such/folder/x.cfg", expectFailure},
        {"a folder in the file's place", dir.Path() + "/folder", expectFailure},
#ifndef _WIN32
        {"a full disk (a file-size limit)", file,
         [&](const std::string& target) {
             return inChild([&] {
                 ::signal(SIGXFSZ, SIG_IGN);
                 struct rlimit limit {
                     4096, 4096
                 };
                 ::setrlimit(RLIMIT_FSIZE, &limit);
                 int error = 0;
                 return WriteFileAtomically(target, bytes, error) ? 1 : error == EFBIG ? 0 : 2;
             });
         }},
        {"a read-only folder", file,
         [&](const std::string& target) {
             return asOrdinaryUser([&] {
                 int error = 0;
                 return WriteFileAtomically(target, bytes, error) ? 1 : error == EACCES ? 0 : 2;
             });
         }},
        {"/dev/full", "/dev/full", expectFailure},
#endif
    };
    for (const Case& c : cases) {
        std::ofstream(PathOf(file), std::ios::binary | std::ios::trunc) << old;
        fs::create_directory(PathOf(dir.Path() + "/folder"));
        EXPECT_EQ(c.save(c.target), 0) << c.name;
        EXPECT_EQ(Read(file), old) << c.name;
        EXPECT_EQ(FilesIn(dir.Path()), 2) << c.name << ": a temporary file is left";
        EXPECT_TRUE(fs::is_directory(PathOf(dir.Path() + "/folder"))) << c.name;
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a device is written into, not replaced";

    // Where the folder takes no new file but the file may be written, it is written in place
    // when the caller allows that.
    const int inPlace = asOrdinaryUser([&] {
        TAtomicFile out(file);
        out.AllowWriteInPlace();
        return out.Open() && out.Write(bytes) && out.Commit() ? 0 : 1;
    });
    EXPECT_EQ(inPlace, 0);
    EXPECT_EQ(Read(file), bytes);
#endif
}

#ifndef _WIN32
TEST(AtomicFile, ALinkStaysALinkAndThePermissionsStay) {
    TTempFolder dir;
    fs::create_directory(dir.Path() + "/synced");
    const std::string real = dir.Path() + "/synced/orvane.cfg", link = dir.Path() + "/orvane.cfg";
    std::ofstream(real) << "old";
    ::chmod(real.c_str(), 0640);
    fs::create_symlink("synced/orvane.cfg", link);
    int error = 0;
    ASSERT_TRUE(WriteFileAtomically(link, "new", error));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
    const auto mode = [](const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(mode(real), 0640u);

    // A new file gets the user's defaults, a private one is the user's alone.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(WriteFileAtomically(dir.Path() + "/new", "x", error));
    ASSERT_TRUE(
        WriteFileAtomically(dir.Path() + "/private", "x", error, TAtomicFile::EAccess::Private));
    ::umask(mask);
    EXPECT_EQ(mode(dir.Path() + "/new"), 0644u);
    EXPECT_EQ(mode(dir.Path() + "/private"), 0600u);
}

// A process killed at any moment of its saves leaves one of the two files it alternates between,
// whole; the clean-up after a save removes the temporary file of a killed one.
TEST(AtomicFile, AKilledSaveLeavesTheOldFileOrTheNewOne) {
    TTempFolder dir;
    const std::string file = dir.Path() + "/orvane.cfg";
    const std::string a(256 * 1024, 'a'), b(300 * 1024, 'b');
    int error = 0;
    ASSERT_TRUE(WriteFileAtomically(file, a, error));
    std::mt19937 random(20261211);
    int leftBehind = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                int e = 0;
                if (!WriteFileAtomically(file, i % 2 ? a : b, e)) ::_exit(1);
            }
        }
        ::usleep(std::uniform_int_distribution<unsigned>(1000, 30000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed";
        const std::string now = Read(file);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
        leftBehind += FilesIn(dir.Path()) - 1;
        RemoveStaleTemporaries(file);
        EXPECT_EQ(FilesIn(dir.Path()), 1) << "round " << round;
    }
    EXPECT_GT(leftBehind, 0) << "no kill came in the middle of a save";
}
#endif
