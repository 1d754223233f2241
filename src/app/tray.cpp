#include "app/tray.h"

#include "app/dialogs.h"
#include "app/mainwindow.h"
#include "app/windowplace.h"
#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace orvane {

TTray::TTray(TfmActivity& window) : QObject(&window), FWindow(window) {}

bool TTray::Start(bool useTray) {
    const bool available = useTray && QSystemTrayIcon::isSystemTrayAvailable();
    if (available) {
        TrayIcon = new QSystemTrayIcon(FWindow.windowIcon(), &FWindow);
        TrayIcon->setObjectName("TrayIcon");
        UpdateTrayTip();
        connect(TrayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        TrayLeftClick();
                    else if (reason == QSystemTrayIcon::Context)
                        TrayRightClick(QCursor::pos());
                });
        TrayIcon->show();
    }
    return available;
}

void TTray::TellNoTray() {
    QTimer::singleShot(0, &FWindow, [this] {
        Dialogs().Inform(&FWindow, "Orvane",
                         "No notification area was found on this desktop. Orvane keeps "
                         "recording while its window is open or minimised; closing the "
                         "window ends the program.");
    });
}

void TTray::Hide() {
    if (TrayIcon) TrayIcon->hide();
}

void TTray::UpdateTrayTip() {
    if (!TrayIcon) return;
    const bool paused = FWindow.Sampler().Paused();
    if (paused && FWindow.PauseUntil() != 0)
        TrayIcon->setToolTip(
            FromUtf8Text(SafeFormat(FWindow.FMessageTexts[EMessageText::SPausedUntil],
                                    {SystemTextToUtf8(TimeText(FWindow.PauseUntil()))})));
    else
        TrayIcon->setToolTip(paused ? FromUtf8Text(FWindow.FMessageTexts[EMessageText::SPausedHint])
                                    : QString("Orvane"));
    // The icon tells the state at a glance, without a tooltip.
    if (paused && FPausedIcon.isNull()) FPausedIcon = PausedIcon(FWindow.windowIcon());
    TrayIcon->setIcon(paused ? FPausedIcon : FWindow.windowIcon());
}

void TTray::TrayLeftClick() {
    if (FWindow.isVisible() && !FWindow.isMinimized()) {
        FWindow.hide();
        return;
    }
    FWindow.show();
    FWindow.raise();
    FWindow.activateWindow();
    FWindow.showNormal();
    FWindow.RefreshViews();
}

void TTray::TrayRightClick(const QPoint& at) {
    FWindow.pmIcon->popup(at);
}

} // namespace orvane
