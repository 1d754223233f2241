// The main window's icon in the notification area: its tooltip and look tell whether recording
// is paused, a left click shows or hides the window, a right click opens the tray menu.
#pragma once

#include <QIcon>
#include <QObject>

class QPoint;
class QSystemTrayIcon;

namespace orvane {

class TfmActivity;

class TTray : public QObject {
    Q_OBJECT
public:
    explicit TTray(TfmActivity& window);
    // Shows the icon when useTray and the desktop has a notification area; false when it has none.
    bool Start(bool useTray);
    // Says, once the window is up, that the desktop has no notification area.
    void TellNoTray();
    // Takes the icon off before the program ends.
    void Hide();
    void UpdateTrayTip();
    void TrayLeftClick();
    void TrayRightClick(const QPoint& at);

private:
    TfmActivity& FWindow;
    QSystemTrayIcon* TrayIcon = nullptr; // a child of the window, as the window's component
    QIcon FPausedIcon;
};

} // namespace orvane
