// The record lock against real processes: a second holder is refused, also within one process,
// and a holder killed outright leaves nothing behind that blocks the next start.
#include "files.h"
#include "platform/recordlock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using orvane::platform::TRecordLock;
using EState = TRecordLock::EState;
namespace fs = std::filesystem;

namespace {

class RecordLock : public ::testing::Test {
protected:
    // A child that takes the lock, says so on a pipe and waits to be killed; its pid.
    pid_t HoldInChild() {
        int ready[2];
        if (::pipe(ready) != 0) return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            TRecordLock lock;
            const char state = lock.Acquire(data) == EState::Held ? 'H' : 'x';
            if (::write(ready[1], &state, 1) != 1) ::_exit(2);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char state = 0;
        const bool told = ::read(ready[0], &state, 1) == 1;
        ::close(ready[0]);
        EXPECT_TRUE(told && state == 'H') << "the child could not take the lock";
        return pid;
    }

    TTempFolder folder;
    std::string data = folder.Path() + "/orvane.cdat";
};

} // namespace

TEST_F(RecordLock, OneHolderAtATimeAndTheDataFileIsNotTheLock) {
    TRecordLock first, second;
    ASSERT_EQ(first.Acquire(data), EState::Held);
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(second.Acquire(data), EState::HeldElsewhere) << "a second open in this process";
    EXPECT_FALSE(second.Held());
    EXPECT_FALSE(fs::exists(data)) << "taking the lock must not create the data file";
    struct stat st {};
    ASSERT_EQ(::stat(TRecordLock::LockFileName(data).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A whole save renames a new file over the data file: the lock is unaffected.
    WriteFile(data + ".tmp", "x");
    fs::rename(data + ".tmp", data);
    EXPECT_EQ(second.Acquire(data), EState::HeldElsewhere);

    TRecordLock other;
    EXPECT_EQ(other.Acquire(folder.Path() + "/other.cdat"), EState::Held)
        << "another executable name keeps another record";

    first.Release();
    EXPECT_EQ(second.Acquire(data), EState::Held);
}

TEST_F(RecordLock, AHolderKilledOutrightLeavesNoLockBehind) {
    const pid_t child = HoldInChild();
    ASSERT_GT(child, 0);
    TRecordLock lock;
    EXPECT_EQ(lock.Acquire(data), EState::HeldElsewhere);
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(fs::exists(TRecordLock::LockFileName(data))) << "the file stays, the lock not";
    EXPECT_EQ(lock.Acquire(data), EState::Held);
}

TEST_F(RecordLock, ALockFileThatCannotBeUsedIsUnavailableNotAHang) {
    ASSERT_EQ(::mkfifo(TRecordLock::LockFileName(data).c_str(), 0600), 0);
    TRecordLock lock;
    EXPECT_EQ(lock.Acquire(data), EState::Unavailable);
    EXPECT_FALSE(lock.Held());

    TRecordLock missing;
    EXPECT_EQ(missing.Acquire(folder.Path() + "/no-such-folder/orvane.cdat"), EState::Unavailable);
    EXPECT_EQ(missing.Error(), ENOENT);
}
