#include "platform/win32/messages.h"

namespace orvane::platform {

TMessageDecision DispatchWindowMessage(unsigned message, std::uintptr_t wParam) {
    TMessageDecision d;
    switch (message) {
    case WmPowerBroadcast:
        d.Handled = true;
        // The queries are not sent since Vista: the suspend itself is the notice that comes.
        if (wParam == PbtApmQuerySuspend || wParam == PbtApmQueryStandby || wParam == PbtApmSuspend)
            d.Action = EMessageAction::SuspendQuery;
        // A refused suspend ends the query just as a wake-up ends the sleep.
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
    default:
        break;
    }
    return d;
}

} // namespace orvane::platform
