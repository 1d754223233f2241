#include "platform/datafolders.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane;

TEST(ShippedFolder, BesideTheProgramFirstThenTheInstalledOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString exeDir = dir.path() + "/bin", installed = dir.path() + "/share/orvane";
    QDir().mkpath(exeDir);
    // Neither exists: the place beside the program.
    EXPECT_EQ(ShippedFolder(exeDir, installed, "LAN"), exeDir + "/LAN");
    QDir().mkpath(installed + "/LAN");
    EXPECT_EQ(ShippedFolder(exeDir, installed, "LAN"), installed + "/LAN");
    // A file of that name beside the program is no folder.
    QFile(exeDir + "/LAN").open(QIODevice::WriteOnly);
    EXPECT_EQ(ShippedFolder(exeDir, installed, "LAN"), installed + "/LAN");
    QFile::remove(exeDir + "/LAN");
    QDir().mkpath(exeDir + "/LAN");
    EXPECT_EQ(ShippedFolder(exeDir, installed, "LAN"), exeDir + "/LAN");
    // Each name is looked up on its own.
    QDir().mkpath(installed + "/wayland");
    EXPECT_EQ(ShippedFolder(exeDir, installed, "wayland"), installed + "/wayland");
    EXPECT_EQ(ShippedFolder(exeDir, "", "wayland"), exeDir + "/wayland");
}
