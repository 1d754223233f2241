// Power and end-of-session notices on Windows. They are broadcast to every top-level window, so a
// hidden window of our own receives each exactly once, whatever Qt does with its windows.
#include "platform/systemevents.h"
#include "platform/win32/messages.h"

#include <windows.h>

namespace orvane {

namespace {

constexpr const char* WindowClass = "OrvaneSystemEvents";

LRESULT CALLBACK SystemEventsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* events = reinterpret_cast<TSystemEvents*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!events) return ::DefWindowProcA(window, message, wParam, lParam);
    using platform::EMessageAction;
    const platform::TMessageDecision d = platform::DispatchWindowMessage(message, wParam);
    switch (d.Action) {
    case EMessageAction::SuspendQuery:
        emit events->suspendQuery();
        return d.Result;
    case EMessageAction::Resume:
        emit events->resumed();
        return d.Result;
    case EMessageAction::QueryEndSession:
        return d.Result; // the session may end; the end itself follows
    case EMessageAction::EndSession:
        // The process may be ended as soon as this returns: the slots run now, directly.
        emit events->sessionEnding();
        return d.Result;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

struct TSystemEvents::TPrivate {
    HWND window = nullptr;
};

TSystemEvents::TSystemEvents(QObject* parent) : QObject(parent), d(new TPrivate) {}

TSystemEvents::~TSystemEvents() {
    if (d->window) ::DestroyWindow(d->window);
    delete d;
}

void TSystemEvents::Start() {
    if (d->window) return;
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = SystemEventsProc;
    wc.hInstance = instance;
    wc.lpszClassName = WindowClass;
    ::RegisterClassA(&wc); // fails harmlessly when registered before
    // A top-level window, never shown: message-only windows get no broadcasts.
    d->window = ::CreateWindowExA(WS_EX_TOOLWINDOW, WindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, nullptr);
    if (d->window) ::SetWindowLongPtrA(d->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TSystemEvents::PrepareForSleep(bool start) {
    if (start)
        emit suspendQuery();
    else
        emit resumed();
}

void TSystemEvents::SignalArrived() {
    emit sessionEnding();
}

} // namespace orvane
