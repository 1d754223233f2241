#include "recorder/debugtrace.h"

#include "recorder/datetime.h"
#include "recorder/textformat.h"

#include <cstdio>

namespace orvane {

namespace {
TTraceSink& Sink() {
    static TTraceSink sink;
    return sink;
}
bool& InTrace() {
    static bool busy = false;
    return busy;
}
} // namespace

TTraceSink SetTraceSink(TTraceSink sink) {
    TTraceSink old = std::move(Sink());
    Sink() = std::move(sink);
    return old;
}

bool TraceEnabled() {
    return static_cast<bool>(Sink());
}

void DebugTrace(std::string* target, std::string_view format,
                std::initializer_list<std::string_view> args) {
    if (!Sink() && !target) return; // nothing would see the line
    if (InTrace()) return;          // a sink that traces must not recurse
    InTrace() = true;
    try {
        const TCalendar c = DecodeDateTime(Now());
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "%2d:%2d:%2d:%4d \t", c.Hour, c.Minute, c.Second,
                      c.MSec);
        const std::string line = stamp + SafeFormat(format, args);
        if (Sink()) Sink()(line);
        if (target) *target += line;
    } catch (...) {
    }
    InTrace() = false;
}

} // namespace orvane
