// The main window: shows the recording session's period tree, chart and change log, holds the
// menus and dialogs, and lives in the notification area.
#pragma once

#include "platform/platform.h"
#include "recorder/datafile.h"
#include "session/recordingsession.h"
#include "views/cleanup.h"
#include "views/messagetexts.h"
#include "views/periods.h"
#include "views/recordedtext.h"

#include <QMainWindow>

#include <memory>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;
class QTimer;
class QTreeView;

namespace orvane {

class TQalBase;
class TFrmAbout;
class TActivityListForm;
class TActivityChart;
class TSystemEvents;
class TTreeModel;
class TGnomeExtensionOffer;
class TSummaryMenu;
class TMachinesMenu;
class TPrivacyMenu;
class TTray;
class TPeriodView;

// What the window takes from outside; tests hand in fakes, the program the real things.
struct TActivityDeps : TSessionDeps {
    bool UseTray = true;    // false: behave as if the desktop had no tray
    bool StartTimer = true; // false: tests drive the samples themselves
};

class TfmActivity : public QMainWindow {
    Q_OBJECT
public:
    explicit TfmActivity(TQalBase& base, TActivityDeps deps = {}, QWidget* parent = nullptr);
    ~TfmActivity() override;

    // Controls, by their component names.
    QTreeView* TreeView1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* FLowerSplitter = nullptr; // the chart over the change log
    QPlainTextEdit* Memo1 = nullptr;
    TActivityChart* Chart1 = nullptr;
    QObject* LangComponent1 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu *D1 = nullptr, *N2 = nullptr, *Bearbeiten1 = nullptr, *Ansicht1 = nullptr,
          *Options1 = nullptr, *mnLanguage = nullptr, *PopupMenu1 = nullptr, *pmIcon = nullptr;
    QAction *Neu1 = nullptr, *N1 = nullptr, *CSVCommaSeparatedValues1 = nullptr,
            *txtText1 = nullptr, *N3 = nullptr, *Miminieren1 = nullptr, *mnClose = nullptr;
    QAction* mnRemoveLongs = nullptr;
    QAction *mnPause = nullptr, *mnAwayAfter = nullptr, *pmPause = nullptr;
    QAction *mnDaily = nullptr, *mnWeekly = nullptr, *mnMonthly = nullptr, *mnAll = nullptr;
    QAction *mnDesktop = nullptr, *mnStartup = nullptr, *mnAbout = nullptr;
    QAction *mnUpdate = nullptr, *mnShow = nullptr;
    QAction *ShowAllNews1 = nullptr, *N4 = nullptr, *About1 = nullptr, *Exit1 = nullptr;

    // Fields.
    TViewMode FViewMode = TViewMode::vmDaily;
    bool FSessionEnding = false;

    // Message texts of the dialogs; replaced after each language change.
    TMessageTexts FMessageTexts;

    // The record, the sampler and the files they live in.
    TRecordingSession& Session() { return *FSession; }
    TSampler& Sampler() { return FSession->Sampler(); }
    TTreeModel& TreeModel() { return *FTreeModel; }
    TQalBase& QalBase() { return FBase; }
    TFrmAbout* AboutForm() const { return FAbout; }
    // The list window, placed where it was last time.
    void SetListForm(TActivityListForm* form);
    bool TrayAvailable() const { return FTrayAvailable; }
    // True when the autostart entry exists: the program then starts in the tray.
    bool StartHidden() const { return FStartHidden; }
    // Shows the window at start-up, or leaves it in the tray.
    void ShowAtStart();
    // Shows the window in front, restored: another start of the program on this record asked.
    void BringToFront();

    // The program's handlers.
    void Timer1Timer();
    void CloseCurrentActivity();
    void RefreshViews();
    // What the views show: this computer's record, or with a shared folder the one View >
    // Machines chooses (all computers merged by default).
    const TActivityList& ViewList();
    TMachinesMenu* Machines() const { return FMachines; }
    void RefreshTree();
    void ShowChart(const std::string& text, TDateTime from, TDateTime to);
    bool SelectedPeriod(TDateTime& from, TDateTime& to, std::string& text) const;
    void TreeView1Click();
    void Chart1Click();
    void TreeView1MouseMove();
    void FormActivate();
    void FormDeactivate();
    void mnDailyClick(QAction* sender);
    void mnUpdateClick();
    void mnShowClick();
    void Neu1Click();
    void mnRemoveLongsClick();
    // "Pause recording" in the Options and the tray menus; both show the same state.
    void mnPauseClick(bool paused);
    void mnAwayAfterClick();
    void CSVCommaSeparatedValues1Click();
    void txtText1Click();
    void Miminieren1Click();
    void ShowAllNews1Click();
    void mnAboutClick();
    void mnCloseClick();
    void Exit1Click();
    void mnDesktopClick();
    void mnStartupClick();
    void LoadSettings();
    void SaveSettings();
    // Size and place of the windows and the splitters, in section "Windows" of the settings
    // file: read at start-up (checked against the screens present), written at exit and when
    // the list window closes, only where something changed.
    void LoadWindowPlaces();
    void SaveWindowPlaces(bool listWindow) noexcept;
    void WriteWindowPlaces(bool listWindow);
    void LoadMessageTexts();
    // System notices.
    void SuspendQuery();
    void Resumed();
    void QueryEndSession();
    void EndSession();
    // The exit sequence of both Exit commands.
    void ExitSequence();
    // Runs a command; an error that escapes it is shown and the program goes on.
    template <class F> void Guard(F&& command);

    // Timed pauses and forgetting.
    TPrivacyMenu& Privacy() const { return *FPrivacy; }
    TDateTime PauseUntil() const { return FSession->PauseUntil(); }

signals:
    void terminated(); // the program is ending

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    // The period tree over the chart and the change log.
    void BuildViews();
    void BuildMenus();
    // Shows an error, unless one is on screen already: a disk that stays full must not pile up a
    // box every few seconds. The box does not wait, so sampling goes on while it is open.
    void ReportError(const QString& text);
    // Says once, without waiting, what became of a record that could not be read: a line in the
    // change log and a message box.
    void Notice(const QString& text);
    void HideMain();
    void ToggleShortcutItem(QAction* item, platform::EShortcut shortcut);
    void ScheduleRefreshViews();
    void Terminate();
    // The session tells the window what happened.
    void ConnectSession();
    // The shared folder of several computers, when one is set: the record becomes this computer's
    // own file there.
    void StartMachines();
    // Sleep, wake-up and the end of the desktop session.
    void ConnectSystemEvents();

    TQalBase& FBase;
    TActivityDeps FDeps;
    std::unique_ptr<TRecordingSession> FSession;
    TGnomeExtensionOffer* FGnomeOffer = nullptr;
    TSummaryMenu* FSummaryMenu = nullptr;
    TPrivacyMenu* FPrivacy = nullptr;
    TTray* FTray = nullptr;
    TMachinesMenu* FMachines = nullptr;
    TFrmAbout* FAbout = nullptr;
    TTreeModel* FTreeModel = nullptr;
    TPeriodView* FPeriodView = nullptr;
    TActivityListForm* FListForm = nullptr;
    TSystemEvents* FSystemEvents = nullptr;
    bool FTrayAvailable = false;
    bool FRefreshPending = false;
    bool FStartMaximized = false;
    bool FTerminated = false;
    long long FRemoveHours = DefaultRemoveHours; // what "Remove long activities" asks with
    bool FShowingError = false;
    bool FStartHidden = false;
};

template <class F> void TfmActivity::Guard(F&& command) {
    try {
        command();
    } catch (const EFileKept& e) {
        FSession->TellKept(FromUtf8Text(e.what()));
    } catch (const std::exception& e) {
        ReportError(FromUtf8Text(e.what()));
    }
}

} // namespace orvane
