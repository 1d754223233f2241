#include "app/singleinstance.h"

#include "app/dialogs.h"
#include "recorder/datafile.h"
#include "recorder/filepath.h"
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
#ifndef Q_OS_WIN
#include <cerrno>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace orvane {

namespace {

const QByteArray ShowRequest = "show\n";
const QByteArray ShownAnswer = "shown\n";
constexpr int RetryMs = 100;

} // namespace

TSingleInstance::TSingleInstance(std::string dataFile, int answerMs, QObject* parent)
    : QObject(parent), FDataFile(std::move(dataFile)), FAnswerMs(answerMs) {}

TSingleInstance::~TSingleInstance() = default;

#ifndef Q_OS_WIN
namespace {

// Room for a socket's path, its terminating zero left out.
constexpr qsizetype MaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;

// A folder that only we may enter, created where missing. One that is a link, or another user's
// (anyone may create a name in the temporary folder before us), is never used.
bool PrivateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 077) == 0 || ::chmod(name.constData(), 0700) == 0;
}

// Where our sockets live: under the runtime folder, else in a folder of ours in the temporary
// folder; the first whose path leaves room for a socket name of nameLength characters.
QString SocketFolder(qsizetype nameLength) {
    QStringList candidates;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime)) candidates << runtime + "/orvane";
    const QString own = "/orvane-" + QString::number(::getuid());
    candidates << QDir::tempPath() + own << "/tmp" + own;
    for (const QString& folder : candidates)
        if (QFile::encodeName(folder).size() + 1 + nameLength <= MaxSocketPath &&
            PrivateFolder(folder))
            return folder;
    return {};
}

} // namespace
#endif

QString TSingleInstance::ServerName(const std::string& dataFile) {
    // The folder with its links resolved: a data folder reached through a link is the same
    // record, with the same lock file, and must find the same copy. The file itself may be
    // missing yet.
    const QFileInfo file(FromFileName(dataFile));
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    QString path = folder.isEmpty() ? file.absoluteFilePath() : folder + "/" + file.fileName();
#ifdef Q_OS_WIN
    path = path.toLower(); // one file, however it is spelt
#endif
    const QByteArray bytes = path.toUtf8(); // raw text: hashed
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(24));
#ifdef Q_OS_WIN
    return "orvane-" + hash;
#else
    // A short name in a folder of ours: a socket path is limited to about a hundred bytes.
    const QString socketFolder = SocketFolder(hash.size());
    return socketFolder.isEmpty() ? QString() : socketFolder + "/" + hash;
#endif
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
