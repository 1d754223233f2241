// Whether anybody is at the computer: how long since the last keyboard or mouse input, and whether
// the session is locked. The sampler asks both at every sample; time nobody spent at the computer
// is not counted. No Qt here: the sources live in platform/, the Windows core build uses them too.
// Every time is on the recorder's monotonic clock (IClock::MonotonicMs, std::chrono::steady_clock).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

class IIdleSource {
public:
    virtual ~IIdleSource() = default;
    // What `orvane-report probe --which` prints: "xcb-screensaver", "ext-idle-notify",
    // "kde-idle", "mutter-idle-monitor", "win32", "scripted".
    virtual std::string_view Name() const = 0;
    // The away threshold in ms, given before the first sample and again whenever it changes (0:
    // away detection is off). A source that is told only once a set time has passed without
    // input (the Wayland idle protocols) arms its notification with it.
    virtual void SetThreshold(std::uint64_t ms) { (void)ms; }
    // True for a source that is told only once its threshold has passed: its reading jumps from 0
    // to the threshold at once.
    virtual bool Notifies() const { return false; }
    // Milliseconds since the user's last keyboard or mouse input. A notifying source answers 0
    // until its threshold has passed, then the time since the notification plus the threshold.
    // Empty when the source cannot tell now (its connection is gone).
    virtual std::optional<std::uint64_t> IdleMs() = 0;
};

class ILockSource {
public:
    virtual ~ILockSource() = default;
    // "logind", "screensaver", "wts", "scripted".
    virtual std::string_view Name() const = 0;
    // The monotonic time at which the session was locked; empty while it is not locked.
    virtual std::optional<std::uint64_t> LockedSinceMs() = 0;
};

// Scripted sources for tests.
class TScriptedIdle final : public IIdleSource {
public:
    std::string_view Name() const override { return "scripted"; }
    bool Notifies() const override { return Notifying; }
    bool Notifying = false;
    void SetThreshold(std::uint64_t ms) override { Threshold = ms; }
    std::optional<std::uint64_t> IdleMs() override { return Idle; }
    std::optional<std::uint64_t> Idle = 0;
    std::uint64_t Threshold = 0;
};

class TScriptedLock final : public ILockSource {
public:
    std::string_view Name() const override { return "scripted"; }
    std::optional<std::uint64_t> LockedSinceMs() override { return LockedSince; }
    std::optional<std::uint64_t> LockedSince;
};

} // namespace orvane
