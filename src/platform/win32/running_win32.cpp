#include "platform/running.h"

#include <windows.h>

namespace orvane::platform {

void MarkRunning() {
    // Several copies (one per record) may hold it at once; each keeps its handle open until the
    // process ends, when Windows closes it.
    static const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, RunningMutexName);
    (void)mutex;
}

} // namespace orvane::platform
