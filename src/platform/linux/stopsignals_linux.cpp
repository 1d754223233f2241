#include "platform/stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace orvane::platform {

namespace {

// Written by the handler, read on the event loop; made once and kept for the program's life.
int SignalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const auto c = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &c, 1);
}

} // namespace

struct TStopSignals::TPrivate {
    std::vector<int> Signals;
    QSocketNotifier* Notifier = nullptr;
    bool Installed = false;
};

TStopSignals::TStopSignals(EWhich which, QObject* parent)
    : QObject(parent), d(std::make_unique<TPrivate>()) {
    d->Signals = {SIGTERM, SIGHUP};
    if (which == EWhich::Interrupt) d->Signals.insert(d->Signals.begin(), SIGINT);
}

TStopSignals::~TStopSignals() {
    if (d->Installed)
        for (const int s : d->Signals)
            std::signal(s, SIG_DFL);
}

void TStopSignals::Start() {
    if (d->Notifier) return;
    if (SignalPipe[0] < 0 && ::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    d->Notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(d->Notifier, &QSocketNotifier::activated, this, [this] {
        // Several signals may have come at once: the first one says how the program ends.
        char buf[16];
        int first = 0;
        for (ssize_t n; (n = ::read(SignalPipe[0], buf, sizeof buf)) > 0;)
            if (!first) first = static_cast<unsigned char>(buf[0]);
        emit stopRequested(128 + (first ? first : SIGTERM));
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : d->Signals)
        ::sigaction(s, &action, nullptr);
    d->Installed = true;
}

} // namespace orvane::platform
