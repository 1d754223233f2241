// GNOME Shell: nothing it offers ordinary clients tells the focused window, so the program ships a
// Shell extension (resources/gnome-shell/) that answers on the Shell's own bus connection: a method
// for the focused window and a signal on every change of focus or title. The backend keeps the
// state the signal last brought and asks the method only where it has none.
#pragma once

#include "platform/probebackend.h"
#include "platform/wayland/appid.h"
#include "platform/wayland/focus.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>
#include <string>

class QDBusServiceWatcher;

namespace orvane::platform::wayland {

// Where the extension answers.
inline constexpr char GnomeShellService[] = "org.gnome.Shell";
inline constexpr char GnomeFocusPath[] = "/org/orvane/Focus";
inline constexpr char GnomeFocusInterface[] = "org.orvane.Focus1";

class TGnomeShellProbe final : public QObject, public IProbeBackend {
    Q_OBJECT
public:
    explicit TGnomeShellProbe(QDBusConnection bus = QDBusConnection::sessionBus());

    std::string_view Name() const override { return "gnome"; }
    // The latest state the extension sent; blank while the extension is not active.
    TForegroundSample Sample() override;
    std::string Problem() override;

    // The focused window as the extension tells it now, by a call; nullopt and Problem() set when
    // it does not answer.
    std::optional<TFocusedWindow> Ask();

private slots:
    void FocusChanged(bool focused, uint pid, const QString& title, const QString& appId);
    void Stopped();

private:
    void Forget();

    QDBusConnection FBus;
    QDBusServiceWatcher* FWatcher = nullptr;
    bool FListening = false; // the signal is subscribed to
    bool FFresh = false;     // FLatest is kept up to date by the signal
    std::optional<TFocusedWindow> FLatest;
    std::string FProblem;
    TAppIdResolver FResolver;
};

} // namespace orvane::platform::wayland
