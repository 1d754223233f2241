#pragma once

#include <QString>

namespace orvane {

// A folder of files the program ships (the language files, desktop assets): the one beside the
// executable when it exists (a build tree, a copy run from a USB stick), else the one in the
// installed data folder.
QString ShippedFolder(const QString& exeDir, const QString& name);

// As above, with the installed data folder given: for the tests.
QString ShippedFolder(const QString& exeDir, const QString& installedDir, const QString& name);

} // namespace orvane
