// The translators' build: the original language file and its common file, written from the
// program's own windows and message texts.
#pragma once

#include <QString>

namespace orvane {

// Makes the windows without showing them and records their texts into outFile and the common
// file beside it. The windows must not touch the user's record: point the data folder elsewhere
// first. False with the reason in error when a file could not be written.
bool BuildLanguageFiles(const QString& outFile, QString* error = nullptr);

} // namespace orvane
