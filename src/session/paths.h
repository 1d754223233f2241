// Where the record and the settings live, and the reading of a record that the recorder and
// orvane-report share.
#pragma once

#include "recorder/activitylist.h"

#include <QString>

#include <string>

namespace orvane {

// The data folder, <app data>/Orvane/ (ending with a separator), and in it the data file and the
// settings file of an executable: its name with the extension ".cdat" or ".cfg". Another
// executable name keeps another record.
std::string DataFolderPath();
std::string DataFilePath(const QString& exePath);
std::string SettingsFilePath(const QString& exePath);
// The settings file beside a record, as orvane-report finds it: the recorder's own name, ".cfg".
std::string SettingsFileBeside(const std::string& dataFile);
// The recorder's record, as orvane-report finds it when no file is given.
std::string DefaultDataFile();

// How reading a record went: unreadable (Error says why), or read whole or up to damage.
struct TRecordRead {
    std::string Error;
    TLoadResult Result;
};
// Appends the record of file to list; throws nothing.
TRecordRead ReadRecord(const std::string& file, TActivityList& list);

} // namespace orvane
