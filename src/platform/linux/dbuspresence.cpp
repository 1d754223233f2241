#include "platform/linux/dbuspresence.h"

#include "platform/linux/busowner.h"
#include "platform/presencestate.h"
#include "views/recordedtext.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QObject>
#include <QVariantMap>

#include <cstdlib>
#include <unistd.h>

namespace orvane::platform {

namespace {

// Generous: at login the desktop's services are slow to answer, and a source passed over then is
// passed over for the whole session.
constexpr int CallTimeoutMs = 3000;
constexpr int SampleTimeoutMs = 500;

const QString Login1 = QStringLiteral("org.freedesktop.login1");
const QString Login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString Login1Session = QStringLiteral("org.freedesktop.login1.Session");
const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");

std::string Text(const QString& s) {
    return ToUtf8Text(s);
}

// The reply's first argument; an invalid QVariant, with the error in why, when there is none.
QVariant Call(QDBusConnection& bus, const QString& service, const QString& path,
              const QString& interface, const QString& method, const QVariantList& args,
              std::string& why, int timeoutMs = CallTimeoutMs) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(args);
    const QDBusMessage reply = bus.call(m, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        why = reply.type() == QDBusMessage::ErrorMessage ? Text(reply.errorMessage())
                                                         : "no answer from " + Text(service);
        return {};
    }
    return reply.arguments().constFirst();
}

QVariant GetProperty(QDBusConnection& bus, const QString& service, const QString& path,
                     const QString& interface, const QString& name, std::string& why) {
    const QVariant v =
        Call(bus, service, path, Properties, QStringLiteral("Get"), {interface, name}, why);
    return v.isValid() ? v.value<QDBusVariant>().variant() : QVariant();
}

// A session bus that is there to use: never one that libdbus would start for us.
bool HasSessionBus(std::string& why) {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if ((address && *address) ||
        (runtime && *runtime && QFileInfo::exists(FromFileName(runtime) + "/bus")))
        if (QDBusConnection::sessionBus().isConnected()) return true;
    why = "no session bus";
    return false;
}

// --- logind ------------------------------------------------------------------------------------

// The object of our login session: the one this process belongs to, else $XDG_SESSION_ID's, else
// the user's graphical session (a process started by the user's service manager has none).
QString SessionPath(QDBusConnection& bus, std::string& why) {
    const QString root = QStringLiteral("/org/freedesktop/login1");
    QVariant v = Call(bus, Login1, root, Login1Manager, QStringLiteral("GetSessionByPID"),
                      {static_cast<uint>(::getpid())}, why);
    if (v.isValid()) return v.value<QDBusObjectPath>().path();
    if (const char* id = std::getenv("XDG_SESSION_ID"); id && *id) {
        std::string ignored;
        v = Call(bus, Login1, root, Login1Manager, QStringLiteral("GetSession"),
                 {FromSystemText(id)}, ignored);
        if (v.isValid()) return v.value<QDBusObjectPath>().path();
    }
    std::string ignored;
    v = Call(bus, Login1, root, Login1Manager, QStringLiteral("GetUser"),
             {static_cast<uint>(::getuid())}, ignored);
    if (!v.isValid()) return {};
    const QVariant display = GetProperty(bus, Login1, v.value<QDBusObjectPath>().path(),
                                         QStringLiteral("org.freedesktop.login1.User"),
                                         QStringLiteral("Display"), ignored);
    if (!display.canConvert<QDBusArgument>()) return {};
    const QDBusArgument arg = display.value<QDBusArgument>();
    QString id;
    QDBusObjectPath path;
    arg.beginStructure();
    arg >> id >> path;
    arg.endStructure();
    // "/" stands for "no graphical session".
    return path.path() == QStringLiteral("/") ? QString() : path.path();
}

class TLogindLock final : public QObject, public ILockSource {
    Q_OBJECT
public:
    std::string_view Name() const override { return "logind"; }
    std::optional<std::uint64_t> LockedSinceMs() override { return FSince; }

    std::string Start() {
        FBus = QDBusConnection::systemBus();
        if (!FBus.isConnected()) return "no system bus";
        std::string why;
        FPath = SessionPath(FBus, why);
        if (FPath.isEmpty()) return "this process belongs to no login session (" + why + ")";
        // Subscribed before the first reading, so that no change falls between the two.
        FLogind = std::make_unique<TBusOwner>(FBus, Login1, this);
        FBus.connect(Login1, FPath, Properties, QStringLiteral("PropertiesChanged"), this,
                     SLOT(PropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
        // A logind that went away while the session was locked would hold the lock for good.
        FWatcher =
            new QDBusServiceWatcher(Login1, FBus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(FWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    std::string ignored;
                    if (owner.isEmpty() || !Read(ignored)) FSince.reset();
                });
        if (!Read(why)) {
            FBus.disconnect(
                Login1, FPath, Properties, QStringLiteral("PropertiesChanged"), this,
                SLOT(PropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
            return "the session tells no LockedHint (" + why + ")";
        }
        return {};
    }

private slots:
    void PropertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated, const QDBusMessage& message) {
        // Anyone on the system bus may send a signal of that name.
        if (interface != Login1Session || !FLogind->Sent(message.service())) return;
        const auto it = changed.find(QStringLiteral("LockedHint"));
        if (it != changed.end()) {
            Apply(it->toBool());
        } else if (invalidated.contains(QStringLiteral("LockedHint"))) {
            std::string why;
            Read(why);
        }
    }

private:
    bool Read(std::string& why) {
        const QVariant v =
            GetProperty(FBus, Login1, FPath, Login1Session, QStringLiteral("LockedHint"), why);
        if (!v.isValid()) return false;
        Apply(v.toBool());
        return true;
    }

    void Apply(bool locked) {
        if (!locked)
            FSince.reset();
        else if (!FSince)
            FSince = SteadyNowMs();
    }

    QDBusConnection FBus{QString()};
    QDBusServiceWatcher* FWatcher = nullptr;
    std::unique_ptr<TBusOwner> FLogind;
    QString FPath;
    std::optional<std::uint64_t> FSince;
};

// --- The screen saver --------------------------------------------------------------------------

struct TScreenSaverService {
    const char* Service;
    const char* Path;
};

// GNOME's own first: where GNOME runs, org.freedesktop.ScreenSaver may be a proxy that only
// inhibits and cannot tell whether the screen is locked.
constexpr TScreenSaverService ScreenSavers[] = {
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
};

class TScreenSaverLock final : public QObject, public ILockSource {
    Q_OBJECT
public:
    std::string_view Name() const override { return "screensaver"; }
    std::optional<std::uint64_t> LockedSinceMs() override { return FSince; }

    std::string Start() {
        std::string why;
        if (!HasSessionBus(why)) return why;
        QDBusConnection bus = QDBusConnection::sessionBus();
        std::string reasons;
        for (const TScreenSaverService& s : ScreenSavers) {
            const QString service = QString::fromLatin1(s.Service);
            const QString path = QString::fromLatin1(s.Path);
            if (!bus.interface()->isServiceRegistered(service)) continue;
            bus.connect(service, path, service, QStringLiteral("ActiveChanged"), this,
                        SLOT(ActiveChanged(bool)));
            const QVariant active =
                Call(bus, service, path, service, QStringLiteral("GetActive"), {}, why);
            if (active.isValid()) {
                ActiveChanged(active.toBool());
                // A screen saver that went away while active would hold the lock for good.
                auto* watcher = new QDBusServiceWatcher(
                    service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
                connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                        [this, bus, service, path](const QString&, const QString&,
                                                   const QString& owner) mutable {
                            std::string ignored;
                            const QVariant now =
                                owner.isEmpty() ? QVariant()
                                                : Call(bus, service, path, service,
                                                       QStringLiteral("GetActive"), {}, ignored);
                            ActiveChanged(now.isValid() && now.toBool());
                        });
                return {};
            }
            bus.disconnect(service, path, service, QStringLiteral("ActiveChanged"), this,
                           SLOT(ActiveChanged(bool)));
            reasons += (reasons.empty() ? "" : "; ") + std::string(s.Service) + ": " + why;
        }
        return reasons.empty() ? "no screen saver on the session bus" : reasons;
    }

private slots:
    void ActiveChanged(bool active) {
        if (!active)
            FSince.reset();
        else if (!FSince)
            FSince = SteadyNowMs();
    }

private:
    std::optional<std::uint64_t> FSince;
};

// --- GNOME's idle monitor ----------------------------------------------------------------------

const QString IdleMonitor = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString IdleMonitorCore = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");

class TMutterIdle final : public IIdleSource {
public:
    std::string_view Name() const override { return "mutter-idle-monitor"; }
    std::optional<std::uint64_t> IdleMs() override {
        std::string why;
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QVariant v = Call(bus, IdleMonitor, IdleMonitorCore, IdleMonitor,
                                QStringLiteral("GetIdletime"), {}, why, SampleTimeoutMs);
        if (!v.isValid()) return std::nullopt;
        bool ok = false;
        const qulonglong ms = v.toULongLong(&ok);
        if (!ok) return std::nullopt;
        return ms;
    }
};

} // namespace

std::unique_ptr<ILockSource> CreateLogindLock(std::string& why) {
    auto lock = std::make_unique<TLogindLock>();
    why = lock->Start();
    if (!why.empty()) return nullptr;
    return lock;
}

std::unique_ptr<ILockSource> CreateScreenSaverLock(std::string& why) {
    auto lock = std::make_unique<TScreenSaverLock>();
    why = lock->Start();
    if (!why.empty()) return nullptr;
    return lock;
}

std::unique_ptr<IIdleSource> CreateMutterIdle(std::string& why) {
    if (!HasSessionBus(why)) return nullptr;
    if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(IdleMonitor)) {
        why = "no org.gnome.Mutter.IdleMonitor on the session bus";
        return nullptr;
    }
    // A Shell that is slow to answer while it starts is still the one to ask; one that does not
    // know the question is not.
    QDBusMessage m = QDBusMessage::createMethodCall(IdleMonitor, IdleMonitorCore, IdleMonitor,
                                                    QStringLiteral("GetIdletime"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(m, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() != QStringLiteral("org.freedesktop.DBus.Error.NoReply") &&
        reply.errorName() != QStringLiteral("org.freedesktop.DBus.Error.Timeout")) {
        why = "GetIdletime: " + Text(reply.errorMessage());
        return nullptr;
    }
    return std::make_unique<TMutterIdle>();
}

} // namespace orvane::platform

#include "dbuspresence.moc"
