// Window-system details the main window needs beyond what Qt offers.
#pragma once

class QWidget;

namespace orvane::platform {

// Keeps the window off the taskbar (it is reached through the notification-area icon).
void SetSkipTaskbar(QWidget& window, bool skip);

} // namespace orvane::platform
