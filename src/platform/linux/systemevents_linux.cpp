#include "platform/systemevents.h"

#include "platform/linux/busowner.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

namespace {
// The signal handler only writes a byte; the event loop does the work.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    const auto unused = ::write(signalPipe[0], &byte, 1);
    (void)unused;
}

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
    QSocketNotifier* notifier = nullptr;
};

TSystemEvents::TSystemEvents(QObject* parent) : QObject(parent), d(new TPrivate) {}

TSystemEvents::~TSystemEvents() {
    delete d;
}

void TSystemEvents::Start() {
    // logind announces sleep and wake-up with PrepareForSleep(true/false).
    if (QDBusConnection bus = QDBusConnection::systemBus(); bus.isConnected())
        new TSleepListener(bus, this);

    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        ::fcntl(signalPipe[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[1], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[0], F_SETFL, O_NONBLOCK);
        ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
        d->notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
        connect(d->notifier, &QSocketNotifier::activated, this, &TSystemEvents::SignalArrived);
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &sa, nullptr);
        ::sigaction(SIGHUP, &sa, nullptr);
    }
}

void TSystemEvents::PrepareForSleep(bool start) {
    if (start)
        emit suspendQuery();
    else
        emit resumed();
}

void TSystemEvents::SignalArrived() {
    char buf[16];
    while (::read(signalPipe[1], buf, sizeof buf) > 0) {
    }
    emit sessionEnding();
}

} // namespace orvane

#include "systemevents_linux.moc"
