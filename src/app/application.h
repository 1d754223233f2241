// The application object: title, icon, the user's date and time formats, and the last line of
// defence for errors that escape an event handler.
#pragma once

#include <QApplication>

namespace orvane {

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Fills the date and time patterns from the user's locale.
void InstallLocaleFormat();

} // namespace orvane
