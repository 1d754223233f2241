// The main window's system messages, decided without touching any window: which action the
// program takes and what the message returns. Pure numbers, so it builds and is tested anywhere.
#pragma once

#include <cstdint>

namespace orvane::platform {

// Private messages of the main window.
constexpr unsigned WM_TRAYNOTIFY = 1025;      // WM_USER + 1: the tray icon's callback
constexpr unsigned WM_LANGUAGECHANGED = 1026; // WM_USER + 2: posted after a language switch

// System messages and values we act on (the values of the Windows headers).
constexpr unsigned WmQueryEndSession = 0x0011;
constexpr unsigned WmEndSession = 0x0016;
constexpr unsigned WmSysCommand = 0x0112;
constexpr unsigned WmPowerBroadcast = 0x0218;
constexpr unsigned WmLButtonDown = 513;
constexpr unsigned WmRButtonDown = 516;
constexpr std::uintptr_t ScMinimize = 61472;
constexpr std::uintptr_t ScMaximize = 61488;
constexpr std::uintptr_t PbtApmQuerySuspend = 0;
constexpr std::uintptr_t PbtApmQueryStandby = 1;
constexpr std::uintptr_t PbtApmQuerySuspendFailed = 2;
constexpr std::uintptr_t PbtApmSuspend = 4;
constexpr std::uintptr_t PbtApmResumeSuspend = 7;
constexpr std::uintptr_t PbtApmResumeAutomatic = 18;

enum class EMessageAction {
    None,            // nothing to do
    SuspendQuery,    // close the running entry in memory, restart the sampling timer
    Resume,          // a vetoed or finished suspend: reset the sample so time is recorded again
    QueryEndSession, // the session may end: allow the main window to close
    EndSession,      // close the running entry, remove the icon, terminate
    ToggleWindow,    // left click on the icon: show a hidden window in front, hide a shown one
    IconMenu,        // right click on the icon: the icon menu at the cursor
    Minimize,        // hide the main window
    Maximize,        // reset the views (the maximise itself follows through the default)
    LanguageChanged, // reload the message texts, save the settings
};

struct TMessageDecision {
    bool Handled = false; // false: the message is not ours, let the framework have it
    EMessageAction Action = EMessageAction::None;
    std::intptr_t Result = 0;
    // After the action, hand the message unchanged to the default window procedure when the
    // main window is visible; drop it when hidden.
    bool DefaultIfVisible = false;
};

TMessageDecision DispatchWindowMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam);

const char* ActionName(EMessageAction action);

} // namespace orvane::platform
