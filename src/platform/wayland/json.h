// Fields of the compositors' JSON replies as the sampler's byte strings.
#pragma once

#include "views/recordedtext.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <string>

namespace orvane::platform::wayland {

// A string field as recorded text (UTF-8 on Linux); empty when missing or null. A title ends at its
// first NUL, as the X11 probe's does.
inline std::string Utf8Field(const QJsonObject& object, const QString& key) {
    const QJsonValue v = object.value(key);
    if (!v.isString()) return {};
    std::string text = ToSystemText(v.toString());
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

// A process id field; 0 when missing, null or no valid pid.
inline std::uint32_t PidField(const QJsonObject& object, const QString& key) {
    const QJsonValue v = object.value(key);
    if (!v.isDouble()) return 0;
    const double d = v.toDouble();
    if (!(d >= 1 && d <= 4294967295.0) || d != static_cast<double>(static_cast<std::int64_t>(d)))
        return 0;
    return static_cast<std::uint32_t>(d);
}

} // namespace orvane::platform::wayland
