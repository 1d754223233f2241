// Debug trace: a time-stamped line to a sink that is off unless the application installs one.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace orvane {

using TTraceSink = std::function<void(const std::string& line)>;

// Installs the sink (an empty function turns tracing off) and returns the former one.
TTraceSink SetTraceSink(TTraceSink sink);
bool TraceEnabled();

// Builds "%2d:%2d:%2d:%4d \t" over the local hours, minutes, seconds and milliseconds, then the
// message (format filled like SafeFormat). The line goes to the sink and, when target is given,
// is appended to it. Nothing here ever throws.
void DebugTrace(std::string* target, std::string_view format,
                std::initializer_list<std::string_view> args);

} // namespace orvane
