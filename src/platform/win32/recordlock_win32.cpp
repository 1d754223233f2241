#include "platform/recordlock.h"

#include "platform/win32/widepath.h"

#include <windows.h>

namespace orvane::platform {

TRecordLock::EState TRecordLock::Acquire(const std::string& dataFile) {
    Release();
    FError = 0;
    const std::string name = LockFileName(dataFile);
    // Shared for everything: only the byte-range lock below excludes. The handle is not
    // inherited by programs we start.
    const HANDLE file = ::CreateFileW(WidePath(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        FError = static_cast<int>(::GetLastError());
        return EState::Unavailable;
    }
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        FError = ERROR_INVALID_PARAMETER;
        ::CloseHandle(file);
        return EState::Unavailable;
    }
    OVERLAPPED at{};
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
            return EState::HeldElsewhere;
        FError = static_cast<int>(error);
        return EState::Unavailable;
    }
    FHandle = reinterpret_cast<std::intptr_t>(file);
    return EState::Held;
}

void TRecordLock::Release() {
    if (FHandle == NoHandle) return;
    ::CloseHandle(reinterpret_cast<HANDLE>(FHandle)); // drops the lock
    FHandle = NoHandle;
}

} // namespace orvane::platform
