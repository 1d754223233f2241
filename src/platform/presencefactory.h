// Picks the idle and lock sources at start-up from what the session offers, beside the foreground
// probe. Call it on the thread that runs the Qt event loop: a source may listen there for the
// window system's or the bus's notices.
#pragma once

#include "recorder/presence.h"

#include <memory>
#include <string>
#include <vector>

namespace orvane::platform {

struct TPresenceChoice {
    std::unique_ptr<IIdleSource> Idle; // null where the session offers none: away detection is off
    std::unique_ptr<ILockSource> Lock; // null where nothing tells the lock
    std::vector<std::string>
        PassedOver; // "kde-idle: the compositor does not offer it", one per source not taken
};

TPresenceChoice CreatePresenceSources();

} // namespace orvane::platform
