#include "platform/localserver.h"

namespace orvane::platform {

QString ComparablePath(const QString& path) {
    return path.toLower();
}

QString LocalServerName(const QString& key) {
    return "orvane-" + key;
}

} // namespace orvane::platform
