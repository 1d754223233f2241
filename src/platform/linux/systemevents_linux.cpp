#include "platform/systemevents.h"

#include "platform/linux/busowner.h"
#include "platform/stopsignals.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace orvane {

namespace {

const QString Login1 = QStringLiteral("org.freedesktop.login1");

// logind's PrepareForSleep, believed only from the connection that owns logind's name: anyone on
// the system bus may send a signal of that name, and one forged every few seconds would keep us
// from recording anything.
class TSleepListener final : public QObject {
    Q_OBJECT
public:
    TSleepListener(QDBusConnection bus, TSystemEvents* events)
        : QObject(events), FEvents(events), FLogind(bus, Login1, this) {
        bus.connect(Login1, QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"),
                    QStringLiteral("PrepareForSleep"), this,
                    SLOT(PrepareForSleep(bool, QDBusMessage)));
    }

private slots:
    void PrepareForSleep(bool start, const QDBusMessage& message) {
        if (!FLogind.Sent(message.service())) return;
        QMetaObject::invokeMethod(FEvents, "PrepareForSleep", Q_ARG(bool, start));
    }

private:
    TSystemEvents* FEvents;
    platform::TBusOwner FLogind;
};

} // namespace

struct TSystemEvents::TPrivate {
    platform::TStopSignals* stop = nullptr;
};

TSystemEvents::TSystemEvents(QObject* parent) : QObject(parent), d(new TPrivate) {}

TSystemEvents::~TSystemEvents() {
    delete d;
}

void TSystemEvents::Start() {
    // logind announces sleep and wake-up with PrepareForSleep(true/false).
    if (QDBusConnection bus = QDBusConnection::systemBus(); bus.isConnected())
        new TSleepListener(bus, this);

    if (!d->stop) {
        d->stop = new platform::TStopSignals(platform::TStopSignals::EWhich::Terminate, this);
        connect(d->stop, &platform::TStopSignals::stopRequested, this,
                &TSystemEvents::SignalArrived);
        d->stop->Start();
    }
}

void TSystemEvents::PrepareForSleep(bool start) {
    if (start)
        emit suspendQuery();
    else
        emit resumed();
}

void TSystemEvents::SignalArrived() {
    emit sessionEnding();
}

} // namespace orvane

#include "systemevents_linux.moc"
