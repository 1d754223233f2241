// One recorder per record: an exclusive lock on a file beside the data file, held for the life of
// the recorder. Not on the data file itself, which a whole save replaces by a rename. The system
// drops the lock when the process ends in any way, a kill or a crash included, so a lock is never
// left behind.
#pragma once

#include <cstdint>
#include <string>

namespace orvane::platform {

class TRecordLock {
public:
    enum class EState {
        Held,          // ours until Release or the end of the process
        HeldElsewhere, // another process holds it: a recorder runs on this record
        Unavailable,   // the lock file cannot be opened or locked (see Error)
    };

    TRecordLock() = default;
    ~TRecordLock() { Release(); }
    TRecordLock(const TRecordLock&) = delete;
    TRecordLock& operator=(const TRecordLock&) = delete;

    // Tries to take the lock of a data file; never waits.
    EState Acquire(const std::string& dataFile);
    void Release();
    bool Held() const { return FHandle != NoHandle; }
    // The system's error code of the last Unavailable.
    int Error() const { return FError; }

    // The lock file of a data file: beside it, its name followed by ".lock". It stays on disk
    // (removing it would race with a start that has just opened it); it is always empty.
    static std::string LockFileName(const std::string& dataFile) { return dataFile + ".lock"; }

private:
    static constexpr std::intptr_t NoHandle = -1;
    std::intptr_t FHandle = NoHandle; // a file descriptor, or a Windows file handle
    int FError = 0;
};

} // namespace orvane::platform
