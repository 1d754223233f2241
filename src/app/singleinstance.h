// One recorder per record. The first start on a data file takes the record's lock and answers on
// a local socket named after the file; a later start on the same file asks it to show its main
// window and ends without touching the file. Two copies would each rewrite the whole file and
// undo each other's entries.
#pragma once

#include "platform/recordlock.h"

#include <QObject>
#include <QString>

#include <string>

class QLocalServer;
class QLocalSocket;

namespace orvane {

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class EStart {
        First,      // this copy records: it holds the lock and answers later starts
        HandedOver, // another copy records and has shown its window
        NoAnswer,   // another copy holds the record but did not answer in time
    };

    explicit TSingleInstance(std::string dataFile, int answerMs = 2000, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Runs the check; waits (with the event loop running) at most answerMs for another copy.
    EStart Start();
    const std::string& DataFile() const { return FDataFile; }

    // The socket of a data file: on Unix in a folder of the user's own (under the runtime folder,
    // else in the temporary folder), on Windows a named pipe; named after a hash of the file's
    // path with its folder's links resolved. Empty when no private folder can be had.
    static QString ServerName(const std::string& dataFile);

signals:
    // Another start on this record asked to see the main window.
    void showRequested();

private:
    bool AskToShow(bool retry);
    void Listen();
    void Answer(QLocalSocket* socket);

    std::string FDataFile;
    int FAnswerMs;
    platform::TRecordLock FLock;
    QLocalServer* FServer = nullptr;
};

// The program's start-up check: true when this copy is to record. Otherwise the program ends
// with *status: 0 when the running copy has taken over, 1 after telling the user that a copy runs
// for this record but did not answer.
bool ClaimRecord(TSingleInstance& instance, int& status);

} // namespace orvane
