// The main window's system messages under Qt: a native event filter that decides with
// DispatchWindowMessage and hands the action to the program.
#pragma once

#include "platform/platform.h"
#include "platform/win32/messages.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>

#include <functional>

namespace orvane::platform {

class TMainWindowMessageFilter : public QAbstractNativeEventFilter {
public:
    // Returns whether the program took the action; a message whose action it does not take goes
    // on to Qt as usual (for example power messages left to TSystemEvents).
    using THandler = std::function<bool(EMessageAction)>;

    // mainWindow gives the main window's current native handle: Qt may recreate the window.
    TMainWindowMessageFilter(std::function<TWindowHandle()> mainWindow, THandler handler);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::function<TWindowHandle()> FMainWindow;
    THandler FHandler;
};

} // namespace orvane::platform
