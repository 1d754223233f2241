#include "app/machinesmenu.h"

#include "app/dialogs.h"
#include "platform/filepath.h"
#include "recorder/datafile.h"
#include "recorder/textformat.h"
#include "session/inifile.h"
#include "session/settings.h"
#include "views/recordedtext.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

#include <filesystem>

namespace orvane {

namespace {

// Machine names, messages and file names alike: UTF-8.
QString Q(const std::string& text) {
    return FromUtf8Text(text);
}

} // namespace

TMachinesMenu::TMachinesMenu(QWidget* window, QMenu* view, QMenu* options, std::string configFile,
                             std::string localDataFolder,
                             std::function<const TMessageTexts&()> texts)
    : QObject(window), FWindow(window), FConfigFile(std::move(configFile)),
      FLocalFolder(std::move(localDataFolder)), FTexts(std::move(texts)) {
    // Children of the main window, so that its language walk finds them by name.
    auto* choose = new QAction("Several computers\u2026", window);
    choose->setObjectName("mnMachinesFolder");
    options->addAction(choose);
    connect(choose, &QAction::triggered, this, &TMachinesMenu::Choose);
    FViewMenu = new QMenu("Machines", window);
    FViewMenu->setObjectName("mnMachines");
    view->addSeparator();
    view->addMenu(FViewMenu);
    connect(FViewMenu, &QMenu::aboutToShow, this, &TMachinesMenu::FillViewMenu);
    FillViewMenu();
}

void TMachinesMenu::FillViewMenu() {
    // The fixed items keep their names for the language file; one item per other computer.
    for (QAction* a : FViewMenu->actions())
        if (a->objectName().isEmpty() || a->objectName() == "mnMachineOther") delete a;
    QAction* all = FViewMenu->findChild<QAction*>("mnMachinesAll", Qt::FindDirectChildrenOnly);
    QAction* own = FViewMenu->findChild<QAction*>("mnMachinesThis", Qt::FindDirectChildrenOnly);
    if (!all) {
        all = new QAction("All machines", FViewMenu);
        all->setObjectName("mnMachinesAll");
        own = new QAction("This machine", FViewMenu);
        own->setObjectName("mnMachinesThis");
        for (QAction* a : {all, own}) {
            a->setCheckable(true);
            FViewMenu->addAction(a);
        }
        connect(all, &QAction::triggered, this, [this] {
            FShown.clear();
            emit viewChanged();
        });
        connect(own, &QAction::triggered, this, [this] {
            if (FFolder) FShown = FFolder->OwnName();
            emit viewChanged();
        });
    }
    FViewMenu->setEnabled(Active());
    all->setChecked(FShown.empty());
    own->setChecked(FFolder && FShown == FFolder->OwnName());
    if (!FFolder) return;
    bool first = true;
    for (const TMachineRecord& r : FFolder->Records()) {
        if (r.Own) continue;
        if (first) FViewMenu->addSeparator();
        first = false;
        auto* item = new QAction(Q(r.Machine), FViewMenu);
        item->setObjectName("mnMachineOther");
        item->setCheckable(true);
        item->setChecked(FShown == r.Machine);
        const std::string name = r.Machine;
        connect(item, &QAction::triggered, this, [this, name] {
            FShown = name;
            emit viewChanged();
        });
        FViewMenu->addAction(item);
    }
}

std::string TMachinesMenu::Start(const std::string& localFile) {
    FLocalFile = localFile;
    TIniFile ini(FConfigFile);
    const std::string folder = ReadText(ini, settings::MachinesFolder);
    if (folder.empty()) return localFile;
    const QString problem = Join(folder, MachineName(ReadText(ini, settings::MachineName)));
    if (!problem.isEmpty()) emit noticed(problem);
    return FFolder ? FFolder->OwnFile() : localFile;
}

QString TMachinesMenu::Join(const std::string& folder, const std::string& name) {
    auto machines = std::make_unique<TMachineFolder>(folder, name);
    const TJoinResult r = machines->Join(FLocalFile, FLocalFolder + "machines.claim");
    if (r.State != TJoinResult::EState::Ready && r.State != TJoinResult::EState::Copied)
        return Q(r.Message) + "\n\n" +
               Q(SafeFormat(FTexts()[EMessageText::SMachinesRecording], {FLocalFile}));
    QString problem;
    if (const std::string lines = WriteIgnoreFile(folder); !lines.empty())
        problem = Q(SafeFormat(FTexts()[EMessageText::SMachinesIgnore], {lines}));
    FFolder = std::move(machines);
    FShown.clear();
    FMergedValid = false;
    Poll();
    FillViewMenu();
    return problem;
}

void TMachinesMenu::Choose() {
    const TMessageTexts& texts = FTexts();
    const QString caption = Q(texts[EMessageText::SMachinesCaption]);
    TIniFile ini(FConfigFile);
    const QString folder = Dialogs().ExistingFolder(
        FWindow, caption, Q(ReadText(ini, settings::MachinesFolder, FLocalFolder)));
    if (folder.isEmpty()) return;
    QString name = Q(MachineName(ReadText(ini, settings::MachineName)));
    if (!Dialogs().InputQuery(FWindow, caption, Q(texts[EMessageText::SMachineNamePrompt]), name))
        return;
    const std::string safe = SafeMachineName(ToFileName(name));
    const std::string path = ToFileName(folder);
    if (FFolder && FFolder->Folder() == path && FFolder->OwnName() == safe) return;
    emit aboutToJoin();
    auto previous = std::move(FFolder);
    const QString problem = Join(path, safe);
    if (!FFolder) {
        FFolder = std::move(previous);
        Dialogs().Inform(FWindow, caption, problem);
        return;
    }
    WriteText(ini, settings::MachinesFolder, path);
    WriteText(ini, settings::MachineName, safe);
    if (!problem.isEmpty()) Dialogs().Inform(FWindow, caption, problem);
    emit recordMoved(Q(FFolder->OwnFile()));
    emit viewChanged();
}

bool TMachinesMenu::Poll() {
    if (!FFolder) return false;
    const bool changed = FFolder->Refresh(false);
    if (changed) ++FGeneration;
    const TMessageTexts& texts = FTexts();
    for (const std::string& c : FFolder->TakeNewConflicts()) {
        const std::string file = PathText(PathOf(c).filename());
        emit noticed(
            Q(SafeFormat(texts[EMessageText::SMachinesConflict], {MachineOfFile(file), c})));
    }
    for (const std::string& d : FFolder->TakeNewDamaged())
        for (const TMachineRecord& r : FFolder->Records())
            if (r.Path == d)
                emit noticed(
                    Q(SafeFormat(texts[EMessageText::SMachinesDamaged],
                                 {r.Machine, r.Error.empty() ? r.Load.Where() : r.Error})));
    return changed;
}

const TActivityList& TMachinesMenu::ViewList(const TActivityList& own) {
    if (!FFolder || (!FShown.empty() && FShown == FFolder->OwnName())) return own;
    if (!FShown.empty()) {
        for (const TMachineRecord& r : FFolder->Records())
            if (r.Machine == FShown && r.List) return *r.List;
        FShown.clear(); // that computer's record is gone: all of them again
    }
    const TKey key{own.Version(), FGeneration, FShown};
    if (FMergedValid && key == FMergedKey) return FMerged;
    std::vector<const TActivityList*> lists{&own};
    for (const TMachineRecord& r : FFolder->Records())
        if (!r.Own && r.List && (FShown.empty() || r.Machine == FShown))
            lists.push_back(r.List.get());
    // The former entries go before the new ones are made: two copies of a large record at once
    // would be wasted.
    FMerged.Clear();
    MergeLists(lists, FMerged);
    FMergedKey = key;
    FMergedValid = true;
    return FMerged;
}

void TMachinesMenu::CheckWrite(const std::string& file) const {
    if (FFolder) FFolder->CheckWrite(file);
}

} // namespace orvane
