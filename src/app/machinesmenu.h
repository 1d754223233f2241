// Several computers, one history: Options > "Several computers..." chooses the shared folder and
// this computer's name in it; View > "Machines" chooses whose entries the views show. The views
// read every computer's record of the folder merged; this computer writes only its own.
#pragma once

#include "recorder/activitylist.h"
#include "session/machines.h"
#include "views/messagetexts.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QMenu;
class QWidget;
class QActionGroup;

namespace orvane {

class TMachinesMenu : public QObject {
    Q_OBJECT
public:
    TMachinesMenu(QWidget* window, QMenu* view, QMenu* options, std::string configFile,
                  std::string localDataFolder, std::function<const TMessageTexts&()> texts);

    // The record to write: the own file of the shared folder of the settings when there is one
    // and it could be joined (the local record is copied there the first time), else localFile.
    std::string Start(const std::string& localFile);
    bool Active() const { return FFolder != nullptr; }
    TMachineFolder* Folder() const { return FFolder.get(); }
    // Looks at the shared folder again; true when another computer's record changed. Conflict
    // copies and damaged records are told once each.
    bool Poll();
    // What the views show: the own list, another computer's, or all of them merged.
    const TActivityList& ViewList(const TActivityList& own);
    // Throws EFileError when the record file is not this computer's to write.
    void CheckWrite(const std::string& file) const;
    // Options > "Several computers...".
    void Choose();

signals:
    void viewChanged();
    // A folder is about to be joined: the record on disk must be up to date, as it is copied.
    void aboutToJoin();
    // The own record is now this file (a folder was chosen).
    void recordMoved(const QString& file);
    void noticed(const QString& text);

private:
    // Joins folder as name; the problem when it cannot be.
    QString Join(const std::string& folder, const std::string& name);
    void FillViewMenu();

    QWidget* FWindow;
    QMenu* FViewMenu = nullptr;
    std::string FConfigFile;
    std::string FLocalFolder;
    std::string FLocalFile;
    std::function<const TMessageTexts&()> FTexts;
    std::unique_ptr<TMachineFolder> FFolder;
    std::string FShown; // the computer shown, empty: all
    std::uint64_t FGeneration = 0;
    TActivityList FMerged;
    struct TKey {
        std::uint64_t Own = 0, Generation = 0;
        std::string Shown;
        bool operator==(const TKey&) const = default;
    };
    TKey FMergedKey;
    bool FMergedValid = false;
};

} // namespace orvane
