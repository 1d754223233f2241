#include "recorder/clock.h"

#include <chrono>

namespace orvane {

TDateTime TSystemClock::Now() {
    return orvane::Now();
}

std::uint64_t TSystemClock::MonotonicMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace orvane
