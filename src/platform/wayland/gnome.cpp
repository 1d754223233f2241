#include "platform/wayland/gnome.h"

#include "platform/wayland/backend.h"
#include "views/recordedtext.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace orvane::platform::wayland {

namespace {

// A Shell that is busy for longer is hung; a sample must not wait for it.
constexpr int CallTimeoutMs = 1000;

std::string ProblemOf(const QDBusError& error) {
    switch (error.type()) {
    case QDBusError::UnknownObject:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
        return "the Orvane extension of GNOME Shell is not active: run `orvane-report setup` "
               "(or accept the offer of the main window), then log out and in once";
    case QDBusError::ServiceUnknown:
        return "GNOME Shell is not running on the session bus";
    default:
        return "GNOME Shell's Orvane extension did not answer: " + ToUtf8Text(error.message());
    }
}

} // namespace

TGnomeShellProbe::TGnomeShellProbe(QDBusConnection bus) : FBus(std::move(bus)) {
    if (!FBus.isConnected()) return;
    // By the well-known name: the bus delivers the signals of whoever owns it now, so a restarted
    // Shell is followed without subscribing again.
    FListening =
        FBus.connect(GnomeShellService, GnomeFocusPath, GnomeFocusInterface, "FocusChanged", this,
                     SLOT(FocusChanged(bool, uint, QString, QString)));
    FBus.connect(GnomeShellService, GnomeFocusPath, GnomeFocusInterface, "Stopped", this,
                 SLOT(Stopped()));
    FWatcher = new QDBusServiceWatcher(GnomeShellService, FBus,
                                       QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(FWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { Forget(); });
}

std::optional<TFocusedWindow> TGnomeShellProbe::Ask() {
    if (!FBus.isConnected()) {
        FProblem = "there is no session bus";
        return std::nullopt;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(GnomeShellService, GnomeFocusPath,
                                                             GnomeFocusInterface, "GetFocused");
    const QDBusMessage reply = FBus.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        FProblem = ProblemOf(QDBusError(reply));
        return std::nullopt;
    }
    const QList<QVariant> args = reply.arguments();
    if (reply.signature() != QLatin1String("buss") || args.size() != 4) {
        FProblem = "GNOME Shell's Orvane extension answered in a form not understood (" +
                   ToUtf8Text(reply.signature()) + "): an extension of another version?";
        return std::nullopt;
    }
    FProblem.clear();
    if (!args[0].toBool()) return TFocusedWindow{};
    return TFocusedWindow{args[1].toUInt(), ToSystemText(args[3].toString()),
                          ToSystemText(args[2].toString())};
}

TForegroundSample TGnomeShellProbe::Sample() {
    if (!FFresh) {
        const std::optional<TFocusedWindow> now = Ask();
        if (!now) return {};
        FLatest = now;
        // From here the signal keeps the state, where the event loop delivers it.
        FFresh = FListening;
    }
    if (!FLatest || (FLatest->Pid == 0 && FLatest->AppId.empty() && FLatest->Title.empty()))
        return {};
    return SampleOf(FLatest, FResolver);
}

std::string TGnomeShellProbe::Problem() {
    if (!FFresh) Ask();
    return FFresh ? std::string() : FProblem;
}

void TGnomeShellProbe::FocusChanged(bool focused, uint pid, const QString& title,
                                    const QString& appId) {
    FLatest =
        focused ? TFocusedWindow{pid, ToSystemText(appId), ToSystemText(title)} : TFocusedWindow{};
    FProblem.clear();
    FFresh = FListening;
}

void TGnomeShellProbe::Stopped() {
    Forget();
}

void TGnomeShellProbe::Forget() {
    FFresh = false;
    FLatest.reset();
}

} // namespace orvane::platform::wayland

namespace orvane::platform {

TProbeCandidate GnomeShellProbeCandidate() {
    return {"gnome",
            [] {
                QDBusConnection bus = QDBusConnection::sessionBus();
                if (!bus.isConnected()) return std::string("there is no session bus");
                if (!bus.interface()->isServiceRegistered(wayland::GnomeShellService))
                    return std::string("org.gnome.Shell is not on the session bus");
                return std::string();
            },
            [] { return std::make_unique<wayland::TGnomeShellProbe>(); }};
}

} // namespace orvane::platform
