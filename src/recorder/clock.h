// Time as the recorder reads it: wall-clock "now" for the record, a monotonic millisecond count
// for lengths of time (unaffected by clock steps and daylight-saving changes).
#pragma once

#include "recorder/datetime.h"

#include <cstdint>

namespace orvane {

class IClock {
public:
    virtual ~IClock() = default;
    virtual TDateTime Now() = 0;
    virtual std::uint64_t MonotonicMs() = 0;
    // Milliseconds since some start, wrapping at 2^32 like the system's tick count.
    std::uint32_t TickCount() { return static_cast<std::uint32_t>(MonotonicMs()); }
};

class TSystemClock : public IClock {
public:
    TDateTime Now() override;
    std::uint64_t MonotonicMs() override;
};

// For tests: both clocks move only when told to.
class TManualClock : public IClock {
public:
    explicit TManualClock(TDateTime now = 0, std::uint64_t mono = 1000000)
        : FNow(now), FMono(mono) {}
    TDateTime Now() override { return FNow; }
    std::uint64_t MonotonicMs() override { return FMono; }
    // Advances both clocks.
    void Advance(std::uint64_t ms) {
        FMono += ms;
        FNow += static_cast<double>(ms) / MSecsPerDay;
    }
    void SetNow(TDateTime now) { FNow = now; }     // a wall-clock step
    void SetMono(std::uint64_t ms) { FMono = ms; } // e.g. near the 32-bit wrap

private:
    TDateTime FNow;
    std::uint64_t FMono;
};

} // namespace orvane
