#include "session/paths.h"

#include "platform/filepath.h"
#include "platform/platform.h"
#include "views/recordedtext.h"

#include <QFileInfo>

#include <filesystem>

namespace orvane {

namespace {

// A file name as the file layer takes it: UTF-8 on every system (see platform/filepath.h).
std::string ToPath(const QString& s) {
    return ToFileName(s);
}

// The name the recorder runs under when installed: orvane-report finds its files by it.
constexpr const char* RecorderName = "orvane";

} // namespace

std::string DataFolderPath() {
    return platform::UserAppDataFolder() + platform::PathDelim + "Orvane" + platform::PathDelim;
}

std::string DataFilePath(const QString& exePath) {
    return DataFolderPath() + ToPath(QFileInfo(exePath).completeBaseName()) + ".cdat";
}

std::string SettingsFilePath(const QString& exePath) {
    return DataFolderPath() + ToPath(QFileInfo(exePath).completeBaseName()) + ".cfg";
}

std::string SettingsFileBeside(const std::string& dataFile) {
    return PathText(PathOf(dataFile).parent_path() / (std::string(RecorderName) + ".cfg"));
}

std::string DefaultDataFile() {
    return DataFolderPath() + RecorderName + ".cdat";
}

TRecordRead ReadRecord(const std::string& file, TActivityList& list) {
    TRecordRead read;
    try {
        read.Result = list.LoadFromFile(file);
    } catch (const std::exception& e) {
        read.Error = e.what();
    }
    return read;
}

} // namespace orvane
