// The power and end-of-session messages that every top-level window is sent, decided without
// touching any window: which action the program takes and what the message returns. Pure
// numbers, so it builds and is tested anywhere.
#pragma once

#include <cstdint>

namespace orvane::platform {

// System messages and values we act on (the values of the Windows headers).
constexpr unsigned WmQueryEndSession = 0x0011;
constexpr unsigned WmEndSession = 0x0016;
constexpr unsigned WmPowerBroadcast = 0x0218;
constexpr std::uintptr_t PbtApmQuerySuspend = 0;
constexpr std::uintptr_t PbtApmQueryStandby = 1;
constexpr std::uintptr_t PbtApmQuerySuspendFailed = 2;
constexpr std::uintptr_t PbtApmSuspend = 4;
constexpr std::uintptr_t PbtApmResumeSuspend = 7;
constexpr std::uintptr_t PbtApmResumeAutomatic = 18;

enum class EMessageAction {
    None,            // nothing to do
    SuspendQuery,    // about to sleep: close the running entry, restart the sampling timer
    Resume,          // a vetoed or finished suspend: the time since the last sample is not counted
    QueryEndSession, // the session may end: allow the main window to close
    EndSession,      // close the running entry, remove the icon, terminate
};

struct TMessageDecision {
    bool Handled = false; // false: the message is not ours, let the default procedure have it
    EMessageAction Action = EMessageAction::None;
    std::intptr_t Result = 0;
};

TMessageDecision DispatchWindowMessage(unsigned message, std::uintptr_t wParam);

} // namespace orvane::platform
