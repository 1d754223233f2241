// Where copies of the program find each other (app/singleinstance.cpp): the name of a local
// server for a record, and the form of a path that the system takes as the same file.
// linux/localserver_linux.cpp and win32/localserver_win32.cpp implement it.
#pragma once

#include <QString>

namespace orvane::platform {

// A path as the system compares file names: one file, however it is spelt.
QString ComparablePath(const QString& path);
// The local server for a key of a few dozen letters and digits: a named pipe on Windows, else a
// socket in a folder of this user's alone. Empty when there is no such folder.
QString LocalServerName(const QString& key);

} // namespace orvane::platform
