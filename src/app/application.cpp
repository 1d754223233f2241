#include "app/application.h"

#include "app/dialogs.h"
#include "recorder/datetime.h"
#include "recorder/debugtrace.h"
#include "views/localeformat.h"
#include "views/recordedtext.h"

#include <QIcon>
#include <QLocale>
#include <QLoggingCategory>

namespace orvane {

namespace {
Q_LOGGING_CATEGORY(lcTrace, "orvane.trace", QtWarningMsg)
} // namespace

void InstallLocaleFormat() {
    SetCurrentLocaleFormat(LocaleFormatFrom(QLocale()));
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Orvane");
    setApplicationVersion(ORVANE_VERSION);
    setWindowIcon(QIcon(":/orvane/orvane.png"));
    setDesktopFileName("orvane");
    setQuitOnLastWindowClosed(false);
    InstallLocaleFormat();
    // The debug trace goes to a logging category that is off unless enabled
    // (QT_LOGGING_RULES="orvane.trace.debug=true").
    if (lcTrace().isDebugEnabled())
        SetTraceSink([](const std::string& line) { qCDebug(lcTrace, "%s", line.c_str()); });
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        Dialogs().ShowError(activeWindow(), FromUtf8Text(e.what()), {});
    } catch (...) {
        Dialogs().ShowError(activeWindow(), "Unexpected error", {});
    }
    return false;
}

} // namespace orvane
