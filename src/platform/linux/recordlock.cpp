#include "platform/recordlock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::platform {

TRecordLock::EState TRecordLock::Acquire(const std::string& dataFile) {
    Release();
    FError = 0;
    const std::string name = LockFileName(dataFile);
    // Non-blocking, so that a FIFO put in its place cannot hang the start; close-on-exec, so that
    // no program we start keeps the lock after we are gone.
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        FError = errno;
        return EState::Unavailable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        FError = errno ? errno : EINVAL;
        ::close(fd);
        return EState::Unavailable;
    }
    // flock, not fcntl: its lock belongs to this open file, so that closing some other
    // descriptor of the file cannot drop it, and a second open in the same process conflicts.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) return EState::HeldElsewhere;
        FError = error;
        return EState::Unavailable;
    }
    FHandle = fd;
    return EState::Held;
}

void TRecordLock::Release() {
    if (FHandle == NoHandle) return;
    ::close(static_cast<int>(FHandle)); // drops the lock
    FHandle = NoHandle;
}

} // namespace orvane::platform
