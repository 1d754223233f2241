#include "platform/win32/messages.h"

namespace orvane::platform {

TMessageDecision DispatchWindowMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    TMessageDecision d;
    switch (message) {
    case WM_TRAYNOTIFY:
        d.Handled = true;
        if (lParam == WmLButtonDown)
            d.Action = EMessageAction::ToggleWindow;
        else if (lParam == WmRButtonDown)
            d.Action = EMessageAction::IconMenu;
        break;
    case WM_LANGUAGECHANGED:
        d.Handled = true;
        d.Action = EMessageAction::LanguageChanged;
        break;
    case WmPowerBroadcast:
        d.Handled = true;
        if (wParam == PbtApmQuerySuspend || wParam == PbtApmQueryStandby)
            d.Action = EMessageAction::SuspendQuery;
        // A refused suspend ends the query just as a wake-up ends the sleep: without the reset
        // the entry closed at the query would never be reopened for an unchanged foreground.
        else if (wParam == PbtApmQuerySuspendFailed || wParam == PbtApmResumeSuspend ||
                 wParam == PbtApmResumeAutomatic)
            d.Action = EMessageAction::Resume;
        break;
    case WmQueryEndSession:
        d.Handled = true;
        d.Action = EMessageAction::QueryEndSession;
        d.Result = 1;
        break;
    case WmEndSession:
        // Even a cancelled end of session (wParam 0) ends the program.
        d.Handled = true;
        d.Action = EMessageAction::EndSession;
        d.Result = 1;
        break;
    case WmSysCommand:
        // Compared exactly: the low four bits are the system's own, and a value that differs
        // there is not ours to interpret.
        d.Handled = true;
        d.DefaultIfVisible = true;
        if (wParam == ScMinimize)
            d.Action = EMessageAction::Minimize;
        else if (wParam == ScMaximize)
            d.Action = EMessageAction::Maximize;
        break;
    default:
        break;
    }
    return d;
}

const char* ActionName(EMessageAction action) {
    switch (action) {
    case EMessageAction::None: return "None";
    case EMessageAction::SuspendQuery: return "SuspendQuery";
    case EMessageAction::Resume: return "Resume";
    case EMessageAction::QueryEndSession: return "QueryEndSession";
    case EMessageAction::EndSession: return "EndSession";
    case EMessageAction::ToggleWindow: return "ToggleWindow";
    case EMessageAction::IconMenu: return "IconMenu";
    case EMessageAction::Minimize: return "Minimize";
    case EMessageAction::Maximize: return "Maximize";
    case EMessageAction::LanguageChanged: return "LanguageChanged";
    }
    return "?";
}

} // namespace orvane::platform
