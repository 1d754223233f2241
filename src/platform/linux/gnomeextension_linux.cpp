#include "platform/gnomeextension.h"

#include "platform/probefactory.h"
#include "platform/wayland/gnomesetup.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace orvane::platform {

bool InGnomeWaylandSession() {
    if (!platform::IsWaylandSession() ||
        !qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(':').contains("GNOME"))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered("org.gnome.Shell");
}

bool GnomeExtensionSetUp() {
    return gnome::ExtensionSetUp();
}

TExtensionSetup SetUpGnomeExtension() {
    gnome::TSetupResult r = gnome::SetUpExtension(
        gnome::ShippedExtensionFolder(QCoreApplication::applicationDirPath()));
    return {r.Ok, std::move(r.Lines)};
}

} // namespace orvane::platform
