#include "app/singleinstance.h"

#include "app/dialogs.h"
#include "platform/filepath.h"
#include "platform/localserver.h"
#include "recorder/datafile.h"
#include "views/recordedtext.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#ifdef ORVANE_LOCAL_SOCKET
#include <QLocalServer>
#include <QLocalSocket>
#endif
#include <QTimer>

#include <filesystem>

namespace orvane {

namespace {

const QByteArray ShowRequest = "show\n";
const QByteArray ShownAnswer = "shown\n";
constexpr int RetryMs = 100;

} // namespace

TSingleInstance::TSingleInstance(std::string dataFile, int answerMs, QObject* parent)
    : QObject(parent), FDataFile(std::move(dataFile)), FAnswerMs(answerMs) {}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerName(const std::string& dataFile) {
    // The folder with its links resolved: a data folder reached through a link is the same
    // record, with the same lock file, and must find the same copy. The file itself may be
    // missing yet.
    const QFileInfo file(FromFileName(dataFile));
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    const QString path = platform::ComparablePath(
        folder.isEmpty() ? file.absoluteFilePath() : folder + "/" + file.fileName());
    const QByteArray bytes = path.toUtf8(); // raw text: hashed
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(24));
    return platform::LocalServerName(hash);
}

TSingleInstance::EStart TSingleInstance::Start() {
    const std::filesystem::path folder = PathOf(FDataFile).parent_path();
    if (!folder.empty()) CreateFolderPath(PathText(folder));
    switch (FLock.Acquire(FDataFile)) {
    case platform::TRecordLock::EState::Held:
        Listen();
        return EStart::First;
    case platform::TRecordLock::EState::HeldElsewhere:
        // The holder may be starting up and not listen yet: ask again until the time is up.
        return AskToShow(true) ? EStart::HandedOver : EStart::NoAnswer;
    case platform::TRecordLock::EState::Unavailable:
        break;
    }
    // No lock to be had (a read-only folder, a file system without locks): a copy that answers
    // still counts; otherwise this one records, as it would without the check.
    qWarning("orvane: cannot lock %s (%s); another copy could run on the same record",
             platform::TRecordLock::LockFileName(FDataFile).c_str(),
             SystemErrorText(FLock.Error()).c_str());
    if (AskToShow(false)) return EStart::HandedOver;
    Listen();
    return EStart::First;
}

#ifdef ORVANE_LOCAL_SOCKET
bool TSingleInstance::AskToShow(bool retry) {
    const QString name = ServerName(FDataFile);
    if (name.isEmpty()) return false;
    QLocalSocket socket;
    QEventLoop loop;
    QByteArray received;
    bool answered = false;
    QTimer::singleShot(FAnswerMs, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::connected, &loop, [&] { socket.write(ShowRequest); });
    connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        received += socket.readAll();
        if (received.startsWith(ShownAnswer)) {
            answered = true;
            loop.quit();
        }
    });
    connect(&socket, &QLocalSocket::errorOccurred, &loop, [&](QLocalSocket::LocalSocketError) {
        if (answered) return;
        socket.abort();
        received.clear();
        // Asked again until the time is up: the holder may not listen yet.
        if (retry)
            QTimer::singleShot(RetryMs, &loop, [&] { socket.connectToServer(name); });
        else
            loop.quit();
    });
    // Connected from inside the loop, so that an error reported at once still ends it.
    QTimer::singleShot(0, &loop, [&] { socket.connectToServer(name); });
    loop.exec();
    socket.abort();
    return answered;
}

void TSingleInstance::Listen() {
    const QString name = ServerName(FDataFile);
    if (name.isEmpty()) {
        qWarning("orvane: no private folder for the socket that later starts would ask");
        return;
    }
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = FServer->nextPendingConnection())
            Answer(socket);
    });
    if (FServer->listen(name)) return;
    // A socket left by a copy that was killed: no one else can be listening, the lock says so.
    QLocalServer::removeServer(name);
    if (!FServer->listen(name))
        qWarning("orvane: cannot listen on %s: %s", qPrintable(name),
                 qPrintable(FServer->errorString()));
}

void TSingleInstance::Answer(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that never says anything is dropped after a while.
    QTimer::singleShot(10000, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > 64) socket->abort();
            return;
        }
        const QByteArray request = socket->readLine(64);
        if (request == ShowRequest) {
            emit showRequested();
            socket->write(ShownAnswer);
            socket->flush();
        }
        socket->disconnectFromServer();
    });
}

#else
// A Qt without its network module (the Windows build here): the lock alone keeps a second copy
// off the record, and the user is told that one runs.
bool TSingleInstance::AskToShow(bool) {
    return false;
}
void TSingleInstance::Listen() {}
void TSingleInstance::Answer(QLocalSocket*) {}
#endif

bool ClaimRecord(TSingleInstance& instance, int& status) {
    switch (instance.Start()) {
    case TSingleInstance::EStart::First:
        return true;
    case TSingleInstance::EStart::HandedOver:
        status = 0;
        return false;
    case TSingleInstance::EStart::NoAnswer:
        break;
    }
    // Waits for the user: the program ends right after it.
    Dialogs().Ask(nullptr, "Orvane",
                  QString("Orvane already runs for the record\n%1\nbut did not answer. Only one "
                          "copy may record into a file; this one ends without touching it.")
                      .arg(QDir::toNativeSeparators(FromFileName(instance.DataFile()))),
                  QMessageBox::Ok, QMessageBox::Warning);
    status = 1;
    return false;
}

} // namespace orvane
