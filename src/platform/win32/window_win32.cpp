#include "platform/win32/win32.h"
#include "platform/window.h"

#include <QWidget>

namespace orvane::platform {

void SetSkipTaskbar(QWidget& window, bool skip) {
    if (!window.windowHandle()) return; // no native window yet: nothing to change
    SetToolWindow(reinterpret_cast<HWND>(window.winId()), skip);
}

} // namespace orvane::platform
