#include "platform/presencefactory.h"

namespace orvane::platform {

TPresenceChoice CreatePresenceSources() {
    return {};
}

} // namespace orvane::platform
