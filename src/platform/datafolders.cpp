#include "platform/datafolders.h"

#include <QFileInfo>

namespace orvane {

QString ShippedFolder(const QString& exeDir, const QString& installedDir, const QString& name) {
    const QString beside = exeDir + "/" + name;
    if (QFileInfo(beside).isDir() || installedDir.isEmpty()) return beside;
    const QString installed = installedDir + "/" + name;
    // Neither: the folder beside the program, so that messages name the first place looked at.
    return QFileInfo(installed).isDir() ? installed : beside;
}

QString ShippedFolder(const QString& exeDir, const QString& name) {
#ifdef ORVANE_INSTALL_DATADIR
    return ShippedFolder(exeDir, QStringLiteral(ORVANE_INSTALL_DATADIR), name);
#else
    return ShippedFolder(exeDir, QString(), name);
#endif
}

} // namespace orvane
