// The connection that owns a well-known name on a bus, followed as the name changes hands. The
// system bus lets any local user broadcast a signal with any path and interface: a signal counts
// only when it comes from the name's owner.
#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>

#include <memory>

namespace orvane::platform {

class TBusOwner {
public:
    // Follows name on bus for as long as parent lives.
    TBusOwner(const QDBusConnection& bus, const QString& name, QObject* parent)
        : FOwner(std::make_shared<QString>()) {
        // Watched before the first question, so that no change falls between the two.
        auto* watcher =
            new QDBusServiceWatcher(name, bus, QDBusServiceWatcher::WatchForOwnerChange, parent);
        QObject::connect(
            watcher, &QDBusServiceWatcher::serviceOwnerChanged, parent,
            [owner = FOwner](const QString&, const QString&, const QString& now) { *owner = now; });
        if (QDBusConnectionInterface* daemon = bus.interface()) {
            const QDBusReply<QString> reply = daemon->serviceOwner(name);
            if (reply.isValid()) *FOwner = reply.value();
        }
    }

    // Whether sender (a message's unique sender name) owns the name now.
    bool Sent(const QString& sender) const { return !FOwner->isEmpty() && sender == *FOwner; }

private:
    std::shared_ptr<QString> FOwner;
};

} // namespace orvane::platform
