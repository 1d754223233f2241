#include "platform/win32/messagefilter.h"

#include <windows.h>

#include <utility>

namespace orvane::platform {

TMainWindowMessageFilter::TMainWindowMessageFilter(std::function<TWindowHandle()> mainWindow,
                                                   THandler handler)
    : FMainWindow(std::move(mainWindow)), FHandler(std::move(handler)) {}

bool TMainWindowMessageFilter::nativeEventFilter(const QByteArray& eventType, void* message,
                                                 qintptr* result) {
    // Only the window procedure's view: posted messages reach it too, so each message is
    // handled once and sent ones (system commands, end of session) get their result.
    if (eventType != "windows_generic_MSG" || !message || !FMainWindow || !FHandler) return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (reinterpret_cast<TWindowHandle>(msg->hwnd) != FMainWindow()) return false;

    const TMessageDecision decision = DispatchWindowMessage(msg->message, msg->wParam, msg->lParam);
    if (!decision.Handled) return false;
    if (decision.Action != EMessageAction::None && !FHandler(decision.Action)) return false;

    qintptr value = decision.Result;
    if (decision.DefaultIfVisible)
        // The action may just have hidden the window: a hidden window drops the command.
        value = ::IsWindowVisible(msg->hwnd)
                    ? ::DefWindowProcA(msg->hwnd, msg->message, msg->wParam, msg->lParam)
                    : 0;
    if (result) *result = value;
    return true;
}

} // namespace orvane::platform
