// The arithmetic of the idle and lock sources, apart from any window system or bus: what a
// notifying idle source knows after its events, the idle time out of 32-bit tick counts, the
// Windows session-change codes, and several lock sources seen as one. Built on every platform,
// so that its tests run everywhere.
#pragma once

#include "recorder/presence.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// An idle source that is told only "idle for the threshold" and "input again" (the Wayland idle
// protocols). The compositor counts the threshold from the moment the notification is made, so
// after the idled event the last input was the threshold before it, no earlier than the arming.
class TIdleNotifyState {
public:
    // True when the notification must be made again with the new threshold (0: made none).
    bool SetThreshold(std::uint64_t ms);
    std::uint64_t Threshold() const { return FThreshold; }
    // A new notification was made with the threshold: not idle until it says so.
    void Armed();
    void Idled(std::uint64_t nowMs);
    void Resumed();
    // 0 until the idled event, then the time since it plus the threshold it was armed with.
    std::uint64_t IdleMs(std::uint64_t nowMs) const;

private:
    std::uint64_t FThreshold = 0;
    std::uint64_t FArmedWith = 0;
    std::optional<std::uint64_t> FIdledAt;
};

// Milliseconds from lastInput to now on a 32-bit millisecond tick that wraps every 49.7 days.
// A lastInput a little ahead of now (read in the other order) is no input gap at all: 0.
std::uint64_t IdleMsFromTicks(std::uint32_t now, std::uint32_t lastInput);

// WM_WTSSESSION_CHANGE and the codes of its wParam that tell the lock.
constexpr unsigned WmWtsSessionChange = 0x02B1;
constexpr std::uintptr_t WtsSessionLock = 0x7;
constexpr std::uintptr_t WtsSessionUnlock = 0x8;
// true: locked, false: unlocked, empty: a session change that says nothing about the lock.
std::optional<bool> LockedBySessionChange(std::uintptr_t wParam);

// Several lock sources as one: locked when any says so, since the earliest of them.
class TCombinedLock final : public ILockSource {
public:
    explicit TCombinedLock(std::vector<std::unique_ptr<ILockSource>> sources);
    std::string_view Name() const override { return FName; } // "logind+screensaver"
    std::optional<std::uint64_t> LockedSinceMs() override;

private:
    std::vector<std::unique_ptr<ILockSource>> FSources;
    std::string FName;
};

// Milliseconds on the steady clock, as the sampler's clock counts them.
std::uint64_t SteadyNowMs();

} // namespace orvane::platform
