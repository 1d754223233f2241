// The idle and lock sources that speak D-Bus: logind's LockedHint of our login session (system
// bus), the desktop's screen saver (session bus) and GNOME's idle monitor (session bus). Each
// Create… returns null, with the reason in why, when the bus or the service is not there. The lock
// sources follow their service's signals on the Qt event loop of the calling thread.
#pragma once

#include "recorder/presence.h"

#include <memory>
#include <string>

namespace orvane::platform {

std::unique_ptr<ILockSource> CreateLogindLock(std::string& why);
std::unique_ptr<ILockSource> CreateScreenSaverLock(std::string& why);
std::unique_ptr<IIdleSource> CreateMutterIdle(std::string& why);

} // namespace orvane::platform
