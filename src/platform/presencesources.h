// The idle and lock sources of the Qt-free platform layer, each made only where its platform is
// built. Each Create… returns null with the reason in why when the session does not offer it.
#pragma once

#include "recorder/presence.h"

#include <memory>
#include <string>

namespace orvane::platform {

// x11/: the MIT-SCREEN-SAVER extension's idle time on the display $DISPLAY names.
std::unique_ptr<IIdleSource> CreateXcbIdle(std::string& why);

// win32/: GetLastInputInfo, and the lock as WTSRegisterSessionNotification tells it. The lock
// source owns a hidden window: make it on the thread whose message loop runs.
std::unique_ptr<IIdleSource> CreateWin32Idle(std::string& why);
std::unique_ptr<ILockSource> CreateWtsLock(std::string& why);

} // namespace orvane::platform
