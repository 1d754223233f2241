// Notices from the system that the recorder must act on: the machine is about to sleep or has
// woken up, and the session is ending. On Linux they come from logind over D-Bus and from
// SIGTERM/SIGHUP; on Windows from the window messages for power and end of session.
#pragma once

#include <QObject>

namespace orvane {

class TSystemEvents : public QObject {
    Q_OBJECT
public:
    explicit TSystemEvents(QObject* parent = nullptr);
    ~TSystemEvents() override;
    // Starts listening. Safe to call once per program.
    void Start();

signals:
    void suspendQuery();  // about to sleep
    void resumed();       // awake again
    void sessionEnding(); // the session ends, or the program was asked to terminate

private slots:
    void PrepareForSleep(bool start);
    void SignalArrived();

private:
    struct TPrivate;
    TPrivate* d = nullptr;
};

} // namespace orvane
