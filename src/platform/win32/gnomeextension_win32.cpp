#include "platform/gnomeextension.h"

namespace orvane::platform {

bool InGnomeWaylandSession() {
    return false;
}

bool GnomeExtensionSetUp() {
    return false;
}

TExtensionSetup SetUpGnomeExtension() {
    return {false, {"nothing to set up on Windows"}};
}

} // namespace orvane::platform
