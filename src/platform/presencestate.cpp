#include "platform/presencestate.h"

#include "recorder/clock.h"

#include <limits>

namespace orvane::platform {

bool TIdleNotifyState::SetThreshold(std::uint64_t ms) {
    if (ms == FThreshold) return false;
    FThreshold = ms;
    FIdledAt.reset();
    return true;
}

void TIdleNotifyState::Armed() {
    FArmedWith = FThreshold;
    FIdledAt.reset();
}

void TIdleNotifyState::Idled(std::uint64_t nowMs) {
    if (!FIdledAt) FIdledAt = nowMs;
}

void TIdleNotifyState::Resumed() {
    FIdledAt.reset();
}

std::uint64_t TIdleNotifyState::IdleMs(std::uint64_t nowMs) const {
    if (!FIdledAt || FArmedWith == 0) return 0;
    return (nowMs > *FIdledAt ? nowMs - *FIdledAt : 0) + FArmedWith;
}

std::uint64_t IdleMsFromTicks(std::uint32_t now, std::uint32_t lastInput) {
    // Unsigned subtraction carries across the wrap.
    const std::uint32_t gap = now - lastInput;
    constexpr std::uint32_t Ahead = 60'000;
    if (gap > std::numeric_limits<std::uint32_t>::max() - Ahead) return 0;
    return gap;
}

std::optional<bool> LockedBySessionChange(std::uintptr_t wParam) {
    if (wParam == WtsSessionLock) return true;
    if (wParam == WtsSessionUnlock) return false;
    return std::nullopt;
}

TCombinedLock::TCombinedLock(std::vector<std::unique_ptr<ILockSource>> sources)
    : FSources(std::move(sources)) {
    for (const auto& s : FSources) {
        if (!FName.empty()) FName += '+';
        FName += s->Name();
    }
}

std::optional<std::uint64_t> TCombinedLock::LockedSinceMs() {
    std::optional<std::uint64_t> earliest;
    // Every source is asked, so that each keeps up with its notices.
    for (const auto& s : FSources)
        if (const auto since = s->LockedSinceMs(); since && (!earliest || *since < *earliest))
            earliest = since;
    return earliest;
}

std::uint64_t SteadyNowMs() {
    return TSystemClock().MonotonicMs();
}

} // namespace orvane::platform
