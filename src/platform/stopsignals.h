// Requests from outside to end the program, delivered on the Qt event loop. On Linux they are the
// signals: the handler only writes a byte into a pipe, the loop does the work. On Windows there
// are none here (the end of the session comes as a window message, see systemevents.h).
// linux/stopsignals_linux.cpp and win32/stopsignals_win32.cpp implement it.
#pragma once

#include <QObject>

#include <memory>

namespace orvane::platform {

class TStopSignals : public QObject {
    Q_OBJECT
public:
    enum class EWhich {
        Terminate, // the program is asked to end (SIGTERM) or its terminal is gone (SIGHUP)
        Interrupt, // those, and an interrupt from the keyboard (SIGINT)
    };
    explicit TStopSignals(EWhich which, QObject* parent = nullptr);
    // The signals get their default actions back.
    ~TStopSignals() override;
    // Starts listening; one object at a time in a program.
    void Start();

signals:
    // status: the exit status a program ended by the request has (128 + the signal's number).
    void stopRequested(int status);

private:
    struct TPrivate;
    std::unique_ptr<TPrivate> d;
};

} // namespace orvane::platform
