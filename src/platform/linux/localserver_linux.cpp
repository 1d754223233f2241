#include "platform/localserver.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace orvane::platform {

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

QString ComparablePath(const QString& path) {
    return path;
}

QString LocalServerName(const QString& key) {
    // A short name in a folder of ours: a socket path is limited to about a hundred bytes.
    const QString socketFolder = SocketFolder(key.size());
    return socketFolder.isEmpty() ? QString() : socketFolder + "/" + key;
}

} // namespace orvane::platform
