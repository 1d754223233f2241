#include "app/mainwindow.h"

#include "app/aboutform.h"
#include "app/activitylistform.h"
#include "app/changelog.h"
#include "app/cleanupdialogs.h"
#include "app/dialogs.h"
#include "app/gnomeoffer.h"
#include "app/machinesmenu.h"
#include "app/named.h"
#include "app/periodview.h"
#include "app/privacymenu.h"
#include "app/qalbase.h"
#include "app/summaryform.h"
#include "app/tray.h"
#include "app/windowplace.h"
#include "language/langcomponent.h"
#include "language/langmanager.h"
#include "language/languagemenu.h"
#include "platform/datafolders.h"
#include "platform/platform.h"
#include "platform/systemevents.h"
#include "platform/window.h"
#include "session/inifile.h"
#include "session/settings.h"
#include "views/activitychart.h"
#include "views/export.h"
#include "views/recordedtext.h"
#include "views/treemodel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <optional>
#include <tuple>

// The icon is compiled into this static library; its resources must be registered by hand.
static void InitAppResources() {
    Q_INIT_RESOURCE(orvane);
}

namespace orvane {

namespace {

// The system's 8-bit text (on Windows the ANSI code page), as the settings file keeps it.
std::string ToLocal(const QString& s) {
    return ToSystemText(s);
}

// A file name as the file layer takes it: UTF-8 on every system (see platform/filepath.h).
std::string ToPath(const QString& s) {
    return ToFileName(s);
}

} // namespace

TfmActivity::TfmActivity(TQalBase& base, TActivityDeps deps, QWidget* parent)
    : QMainWindow(parent), FBase(base), FDeps(std::move(deps)) {
    InitAppResources();
    setObjectName("fmActivity");
    setProperty("orvaneForm", true);
    setWindowTitle("Orvane Activity Recorder");
    setWindowIcon(QIcon(":/orvane/orvane.png"));
    resize(686, 511);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setFont(FixedPitchFont());

    BuildViews();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(TSampler::Interval);
    connect(Timer1, &QTimer::timeout, this, &TfmActivity::Timer1Timer);

    BuildMenus();

    auto* lang = new TLangComponent(this);
    lang->setObjectName("LangComponent1");
    LangComponent1 = lang;
    lang->SetLanManager(FBase.LanMan);

    FSession = std::make_unique<TRecordingSession>(FDeps, FMessageTexts);
    FTray = new TTray(*this);
    ConnectSession();
    FPrivacy = new TPrivacyMenu(*this);

    FormCreate();
    if (FDeps.StartTimer) Timer1->start();
}

TfmActivity::~TfmActivity() {
    // QWidget's destructor still moves the focus, and the window's own members are gone by then.
    disconnect(qApp, nullptr, this, nullptr);
    FTray->Hide();
}

void TfmActivity::BuildViews() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, central);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    TreeView1 = new QTreeView(Splitter1);
    TreeView1->setObjectName("TreeView1");

    // The chart, with the change log under it.
    auto* lower = new QSplitter(Qt::Vertical, Splitter1);
    FLowerSplitter = lower;
    lower->setChildrenCollapsible(false);
    Chart1 = new TActivityChart(lower);
    Chart1->setObjectName("Chart1");
    connect(Chart1, &TActivityChart::clicked, this, &TfmActivity::Chart1Click);
    connect(Chart1, &TActivityChart::mouseMoved, this, &TfmActivity::TreeView1MouseMove);
    Memo1 = NewChangeLog(lower);
    lower->setStretchFactor(0, 4);
    lower->setStretchFactor(1, 1);
    lower->setSizes({160, 60});
    Splitter1->setSizes({281, 220});
    layout->addWidget(Splitter1);
    setCentralWidget(central);

    FTreeModel = new TTreeModel(this);
    FPeriodView = new TPeriodView(*TreeView1, *FTreeModel, *Chart1, this);
    connect(FPeriodView, &TPeriodView::chosen, this, &TfmActivity::TreeView1Click);
    connect(FPeriodView, &TPeriodView::mouseMoved, this, &TfmActivity::TreeView1MouseMove);
    connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (FPrivacy) FPrivacy->SetPopupIndex(TreeView1->indexAt(p));
        PopupMenu1->popup(TreeView1->viewport()->mapToGlobal(p));
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old == TreeView1 && now && now != TreeView1 && now->window() == this) FormDeactivate();
    });
}

void TfmActivity::ConnectSession() {
    TRecordingSession* session = FSession.get();
    connect(session, &TRecordingSession::logLine, Memo1, &QPlainTextEdit::appendPlainText);
    connect(session, &TRecordingSession::noticed, this, &TfmActivity::Notice);
    connect(session, &TRecordingSession::failed, this, &TfmActivity::ReportError);
    connect(session, &TRecordingSession::chartChanged, this,
            [this](TDateTime from, TDateTime to) { ShowChart({}, from, to); });
    connect(session, &TRecordingSession::restartTimer, this, [this] {
        if (Timer1->isActive()) Timer1->start();
    });
    connect(session, &TRecordingSession::pauseChanged, this, [this] {
        mnPause->setChecked(Sampler().Paused());
        pmPause->setChecked(Sampler().Paused());
        FTray->UpdateTrayTip();
    });
    connect(session, &TRecordingSession::recordSwitched, this, [this] {
        RefreshTree();
        ShowChart({}, 0, 0);
    });
}

void TfmActivity::BuildMenus() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName("MainMenu1");
    // An item in its field, by its component name, with its handler.
    const auto item = [this](QAction*& field, const char* name, const QString& text,
                             void (TfmActivity::*click)()) {
        field = NamedAction(this, name, text);
        if (click) connect(field, &QAction::triggered, this, click);
        return field;
    };

    D1 = NamedMenu(this, "D1", "File");
    D1->addAction(item(Neu1, "Neu1", "New", &TfmActivity::Neu1Click));
    N1 = NamedSeparator(D1, "N1");
    N2 = NamedMenu(this, "N2", "Export");
    N2->addAction(item(CSVCommaSeparatedValues1, "CSVCommaSeparatedValues1",
                       "CSV (Comma Separated Values)",
                       &TfmActivity::CSVCommaSeparatedValues1Click));
    N2->addAction(item(txtText1, "txtText1", "TXT (Text)", &TfmActivity::txtText1Click));
    D1->addMenu(N2);
    N3 = NamedSeparator(D1, "N3");
    D1->addAction(item(Miminieren1, "Miminieren1", "Minimize", &TfmActivity::Miminieren1Click));
    D1->addAction(item(mnClose, "mnClose", "Exit", &TfmActivity::mnCloseClick));
    MainMenu1->addMenu(D1);

    Bearbeiten1 = NamedMenu(this, "Bearbeiten1", "Edit");
    Bearbeiten1->addAction(item(mnRemoveLongs, "mnRemoveLongs", "Remove long activities",
                                &TfmActivity::mnRemoveLongsClick));
    MainMenu1->addMenu(Bearbeiten1);

    Ansicht1 = NamedMenu(this, "Ansicht1", "View");
    auto* views = new QActionGroup(this);
    views->setExclusive(true);
    for (auto [field, name, text] : {std::tuple{&mnDaily, "mnDaily", "daily"},
                                     {&mnWeekly, "mnWeekly", "weekly"},
                                     {&mnMonthly, "mnMonthly", "monthly"},
                                     {&mnAll, "mnAll", "all"}}) {
        QAction* a = item(*field, name, text, nullptr);
        a->setCheckable(true);
        views->addAction(a);
        Ansicht1->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { mnDailyClick(a); });
    }
    mnDaily->setChecked(true);
    MainMenu1->addMenu(Ansicht1);

    Options1 = NamedMenu(this, "Options1", "Options");
    Options1->setToolTipsVisible(true);
    mnLanguage = NamedMenu(this, "mnLanguage", "Language");
    Options1->addMenu(mnLanguage);
    item(mnDesktop, "mnDesktop", "Desktop", &TfmActivity::mnDesktopClick);
    mnDesktop->setStatusTip("Show Orvane on Desktop");
    mnDesktop->setToolTip("Show Orvane on Desktop");
    item(mnStartup, "mnStartup", "AutoStart", &TfmActivity::mnStartupClick);
    mnStartup->setStatusTip("Use Orvane on Autostart");
    mnStartup->setToolTip("Use Orvane on Autostart");
    for (QAction* a : {mnDesktop, mnStartup}) {
        a->setCheckable(true);
        a->setChecked(true); // as designed; the settings load sets the real state
        Options1->addAction(a);
    }
    // "Pause recording" in the Options and the tray menus; both show the same state.
    mnPause = NamedAction(this, "mnPause", "Pause recording");
    Options1->addAction(mnPause);
    Options1->addAction(
        item(mnAwayAfter, "mnAwayAfter", "Away after\u2026", &TfmActivity::mnAwayAfterClick));
    MainMenu1->addMenu(Options1);

    MainMenu1->addAction(item(mnAbout, "mnAbout", "About", &TfmActivity::mnAboutClick));

    PopupMenu1 = NamedMenu(this, "PopupMenu1", QString());
    PopupMenu1->addAction(item(mnUpdate, "mnUpdate", "Update List", &TfmActivity::mnUpdateClick));
    PopupMenu1->addAction(item(mnShow, "mnShow", "Show List", &TfmActivity::mnShowClick));

    pmIcon = NamedMenu(this, "pmIcon", QString());
    pmIcon->addAction(
        item(ShowAllNews1, "ShowAllNews1", "Show Activity", &TfmActivity::ShowAllNews1Click));
    pmPause = NamedAction(this, "pmPause", "Pause recording");
    pmIcon->addAction(pmPause);
    N4 = NamedSeparator(pmIcon, "N4");
    pmIcon->addAction(item(About1, "About1", "About...", &TfmActivity::mnAboutClick));
    pmIcon->addAction(item(Exit1, "Exit1", "Exit", &TfmActivity::Exit1Click));
    for (QAction* a : {mnPause, pmPause}) {
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, &TfmActivity::mnPauseClick);
    }
}

void TfmActivity::FormCreate() {
    Memo1->clear();
    FSessionEnding = false;
    Memo1->appendPlainText(FromSystemText(TSampler::HeaderLine()));
    FViewMode = TViewMode::vmDaily;
    const auto texts = [this]() -> const TMessageTexts& { return FMessageTexts; };
    const std::string& config = FSession->ConfigFile();

    FGnomeOffer = new TGnomeExtensionOffer(this, Options1, config, FBase);
    QTimer::singleShot(0, FGnomeOffer, &TGnomeExtensionOffer::OfferAtStart);
    FSummaryMenu =
        new TSummaryMenu(this, Ansicht1, Options1, pmIcon, FSession->Activities(), config, texts);

    FBase.SetLanguageFolder(ShippedFolder(QFileInfo(FSession->ExePath()).absolutePath(), "LAN"));
    LoadSettings();
    LoadWindowPlaces();

    StartMachines();
    FSession->LoadRecord();
    FTrayAvailable = FTray->Start(FDeps.UseTray);

    RefreshTree();
    const TDateTime today = FSession->Clock().Now();
    // Today's node (or the last period) is where the user starts.
    FPeriodView->SelectDay(DayNumber(today));
    ShowChart({}, StartOfDay(today), EndOfDay(today));

    BuildLanguageMenu(mnLanguage, *FBase.LanMan, [this](QAction* entry) {
        if (LanguageMenuClick(entry, *FBase.LanMan))
            QCoreApplication::postEvent(this, new QEvent(LanguageChangedEventType()));
    });

    FAbout = new TFrmAbout(FBase, FSession->ExePath(), this);

    if (platform::ShortcutExists(platform::EShortcut::Autostart)) FStartHidden = true;

    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) ScheduleRefreshViews();
    });
    ConnectSystemEvents();

    if (!FTrayAvailable && FDeps.UseTray) FTray->TellNoTray();
}

void TfmActivity::StartMachines() {
    FMachines =
        new TMachinesMenu(this, Ansicht1, Options1, FSession->ConfigFile(), FSession->DataFolder(),
                          [this]() -> const TMessageTexts& { return FMessageTexts; });
    connect(FMachines, &TMachinesMenu::noticed, this, &TfmActivity::Notice);
    FSummaryMenu->SetViewList([this]() -> const TActivityList& { return ViewList(); });
    connect(FMachines, &TMachinesMenu::viewChanged, this, [this] {
        RefreshTree();
        ShowChart({}, 0, 0);
    });
    connect(FMachines, &TMachinesMenu::aboutToJoin, this, [this] {
        CloseCurrentActivity();
        FSession->SaveRecord();
    });
    // Options > "Several computers...": the record is now the own file of the shared folder.
    connect(FMachines, &TMachinesMenu::recordMoved, this, [this](const QString& file) {
        Guard([&] { FSession->SwitchRecord(ToFileName(file)); });
    });
    FSession->SetWriteCheck([this](const std::string& file) { FMachines->CheckWrite(file); });
    FSession->SetDataFile(FMachines->Start(FSession->DataFile()));
}

void TfmActivity::ConnectSystemEvents() {
    FSystemEvents = new TSystemEvents(this);
    connect(FSystemEvents, &TSystemEvents::suspendQuery, this, &TfmActivity::SuspendQuery);
    connect(FSystemEvents, &TSystemEvents::resumed, this, &TfmActivity::Resumed);
    connect(FSystemEvents, &TSystemEvents::sessionEnding, this, [this] {
        QueryEndSession();
        EndSession();
    });
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        QueryEndSession();
        EndSession();
    });
    FSystemEvents->Start();
}

void TfmActivity::ShowAtStart() {
    if (FStartHidden && FTrayAvailable) return; // lives in the tray
    if (FStartHidden)
        showMinimized();
    else if (FStartMaximized)
        showMaximized();
    else
        show();
}

void TfmActivity::SetListForm(TActivityListForm* form) {
    FListForm = form;
    if (!form) return;
    TIniFile ini(FSession->ConfigFile());
    if (const auto placed = StoredPlace(ini, settings::ListWindow)) form->setGeometry(*placed);
}

void TfmActivity::LoadWindowPlaces() {
    TIniFile ini(FSession->ConfigFile());
    FStartMaximized = RestoreMainPlace(ini, *this, *Splitter1, *FLowerSplitter);
}

void TfmActivity::SaveWindowPlaces(bool listWindow) noexcept {
    // A convenience: a settings file that cannot be written is told when a setting is chosen,
    // not at every exit.
    try {
        WriteWindowPlaces(listWindow);
    } catch (...) {
    }
}

void TfmActivity::WriteWindowPlaces(bool listWindow) {
    TIniFile ini(FSession->ConfigFile());
    if (!ini.LoadError().empty()) return; // an unreadable file is never written over
    if (!listWindow)
        StoreMainPlace(ini, *this, *Splitter1, *FLowerSplitter);
    else if (FListForm)
        StoreChanged(ini, settings::ListWindow, RectText(FListForm->geometry()));
}

void TfmActivity::BringToFront() {
    show();
    showNormal();
    raise();
    activateWindow();
    RefreshViews();
}

void TfmActivity::ReportError(const QString& text) {
    if (FShowingError) return;
    FShowingError = true;
    QPointer<TfmActivity> self(this);
    Dialogs().ShowError(this, text, [self] {
        if (self) self->FShowingError = false;
    });
}

void TfmActivity::Notice(const QString& text) {
    Memo1->appendPlainText(QString(text).replace('\n', ' ').simplified());
    // After start-up has shown the window, so that the box comes up over it; the log shows the
    // start of the long line.
    QTimer::singleShot(0, this, [this, text] {
        Memo1->horizontalScrollBar()->setValue(0);
        Dialogs().Inform(this, "Orvane", text);
    });
}

void TfmActivity::Timer1Timer() {
    FSession->Timer1Timer();
    // Another computer's record that the sync tool replaced is read now, ready for the next
    // refresh of the views (a rebuild here would close the tree under the user's hands).
    if (FMachines) FMachines->Poll();
}

void TfmActivity::CloseCurrentActivity() {
    Sampler().CloseCurrentActivity();
}

void TfmActivity::RefreshViews() {
    Sampler().ResetSample();
    RefreshTree();
    ShowChart({}, 0, 0);
}

void TfmActivity::ScheduleRefreshViews() {
    // Window and application activation come together; one reset serves both.
    if (FRefreshPending) return;
    FRefreshPending = true;
    QTimer::singleShot(0, this, [this] {
        FRefreshPending = false;
        FormActivate();
    });
}

void TfmActivity::FormActivate() {
    RefreshViews();
}

void TfmActivity::FormDeactivate() {
    HideMain();
}

const TActivityList& TfmActivity::ViewList() {
    return FMachines ? FMachines->ViewList(FSession->Activities()) : FSession->Activities();
}

void TfmActivity::RefreshTree() {
    const TDateTime now = FSession->Clock().Now();
    if (FMachines) FMachines->Poll();
    FPeriodView->RefreshTree(ViewList(), FViewMode, now);
}

void TfmActivity::ShowChart(const std::string& text, TDateTime from, TDateTime to) {
    FPeriodView->ShowChart(ViewList(), FSession->CategoryRules(), text, from, to);
}

bool TfmActivity::SelectedPeriod(TDateTime& from, TDateTime& to, std::string& text) const {
    return FPeriodView->SelectedPeriod(FViewMode, from, to, text);
}

void TfmActivity::TreeView1Click() {
    TDateTime from = 0, to = 0;
    std::string text;
    if (SelectedPeriod(from, to, text)) ShowChart(text, from, to);
}

void TfmActivity::Chart1Click() {
    ShowChart({}, 0, 0);
}

void TfmActivity::TreeView1MouseMove() {
    Sampler().TreeView1MouseMove();
}

void TfmActivity::mnDailyClick(QAction* sender) {
    if (sender == mnDaily)
        FViewMode = TViewMode::vmDaily;
    else if (sender == mnWeekly)
        FViewMode = TViewMode::vmWeekly;
    else if (sender == mnMonthly)
        FViewMode = TViewMode::vmMonthly;
    else
        FViewMode = TViewMode::vmAll;
    if (sender) sender->setChecked(true);
    RefreshTree();
    Guard([this] { SaveSettings(); });
}

void TfmActivity::mnUpdateClick() {
    RefreshTree();
}

void TfmActivity::mnShowClick() {
    if (!FListForm) return;
    TDateTime from = 0, to = 0;
    std::string text;
    if (SelectedPeriod(from, to, text))
        FillActivityGrid(*FListForm->sg, ViewList(), ChartEntryIndexes(ViewList(), text, from, to));
    FListForm->exec(); // the sampler goes on recording meanwhile
    SaveWindowPlaces(true);
}

void TfmActivity::Neu1Click() {
    Guard([this] {
        NewRecord(
            FSession->Activities(), FSession->DataFile(),
            [this](const std::string& question) { return ConfirmNewRecord(this, question); },
            [this] {
                FPeriodView->Clear();
                ShowChart({}, 0, 0);
                Sampler().ResetSample();
            },
            FMessageTexts);
    });
    FSession->NoticeMovedAside();
}

void TfmActivity::mnRemoveLongsClick() {
    const TRemoveLongsDialogs d = RemoveLongsDialogs(
        this, FTerminated, [this](const QString& text) { ReportError(text); },
        [this] { RefreshTree(); });
    Guard([&] { RemoveLongActivities(FSession->Activities(), d, FMessageTexts, &FRemoveHours); });
}

void TfmActivity::mnPauseClick(bool paused) {
    FSession->SetPaused(paused);
}

void TfmActivity::mnAwayAfterClick() {
    QString value = QString::number(FSession->AwayMinutes());
    if (!Dialogs().InputQuery(this, FromUtf8Text(FMessageTexts[EMessageText::SAwayAfterCaption]),
                              FromUtf8Text(FMessageTexts[EMessageText::SAwayAfterText]), value))
        return;
    const std::optional<int> minutes = ParseEntered(settings::AwayMinutes, ToUtf8Text(value));
    if (!minutes) {
        ReportError(FromUtf8Text(FMessageTexts[EMessageText::SAwayAfterInvalid]));
        return;
    }
    Guard([&] { FSession->SetAwayMinutes(*minutes); });
}

void TfmActivity::CSVCommaSeparatedValues1Click() {
    const QString file =
        Dialogs().SaveFileName(this, "Export as CSV", "Orvane.csv", "*.csv", ".csv");
    if (file.isEmpty()) return;
    Guard([&] {
        SaveAsCsv(FSession->Activities(), ToFileName(file));
        Dialogs().OpenWithDesktop(QUrl::fromLocalFile(file));
    });
}

void TfmActivity::txtText1Click() {
    const QString file =
        Dialogs().SaveFileName(this, "Export as Text", "Orvane.txt", "*.txt", ".txt");
    if (file.isEmpty()) return;
    Guard([&] {
        SaveTreeAsText(FTreeModel->Tree(), ToFileName(file));
        Dialogs().OpenWithDesktop(QUrl::fromLocalFile(file));
    });
}

void TfmActivity::HideMain() {
    if (FTrayAvailable)
        hide();
    else
        showMinimized(); // without a tray a hidden window could not be brought back
}

void TfmActivity::Miminieren1Click() {
    HideMain();
}

void TfmActivity::ShowAllNews1Click() {
    show();
    showNormal();
}

void TfmActivity::mnAboutClick() {
    if (!FAbout) return;
    FAbout->PrepareAbout();
    FAbout->exec();
}

void TfmActivity::ExitSequence() {
    CloseCurrentActivity();
    // Keep the time up to now: the record on disk would otherwise end at the last change.
    FSession->SaveAtExit();
    SaveWindowPlaces(false);
    FTray->Hide();
    Terminate();
}

void TfmActivity::mnCloseClick() {
    ExitSequence();
}

void TfmActivity::Exit1Click() {
    ExitSequence();
}

void TfmActivity::Terminate() {
    if (FTerminated) return;
    FTerminated = true;
    FSession->End();
    Timer1->stop();
    emit terminated();
    QCoreApplication::quit();
}

void TfmActivity::ToggleShortcutItem(QAction* item, platform::EShortcut shortcut) {
    Guard([&] {
        platform::ToggleShortcut(shortcut, ToPath(QDir::toNativeSeparators(FSession->ExePath())));
    });
    // The mark shows what is on disk now, whatever was asked for.
    item->setChecked(platform::ShortcutExists(shortcut));
}

void TfmActivity::mnDesktopClick() {
    ToggleShortcutItem(mnDesktop, platform::EShortcut::Desktop);
}

void TfmActivity::mnStartupClick() {
    ToggleShortcutItem(mnStartup, platform::EShortcut::Autostart);
}

void TfmActivity::LoadSettings() {
    TIniFile ini(FSession->ConfigFile());
    // The stored integer keeps its low 8 bits, whatever mode they name.
    FViewMode =
        static_cast<TViewMode>(static_cast<std::uint8_t>(ReadInteger(ini, settings::ViewMode)));
    const std::string language = ReadText(ini, settings::Language, ToLocal(FBase.Language()));
    // Read as empty, which gives the defaults; said so, as the file will not be written over.
    // Once the window is up, so that the box is not hidden behind it.
    if (!ini.LoadError().empty()) {
        const QString text = "The settings cannot be read: " + FromUtf8Text(ini.LoadError()) +
                             "\n\nThe defaults are used, and the file is not written over.";
        QTimer::singleShot(0, this, [this, text] { ReportError(text); });
    }
    FBase.SetLanguage(FromSystemText(language));
    LoadMessageTexts();
    FSession->LoadSettings();
    mnDesktop->setChecked(platform::ShortcutExists(platform::EShortcut::Desktop));
    mnStartup->setChecked(platform::ShortcutExists(platform::EShortcut::Autostart));
}

void TfmActivity::SaveSettings() {
    TIniFile ini(FSession->ConfigFile());
    WriteInteger(ini, settings::ViewMode, static_cast<int>(FViewMode));
    WriteText(ini, settings::Language, ToLocal(FBase.Language()));
}

void TfmActivity::LoadMessageTexts() {
    FBase.ReadTexts(ToLocal(objectName()), FMessageTexts);
}

void TfmActivity::SuspendQuery() {
    FSession->Suspend();
}

void TfmActivity::Resumed() {
    FSession->Resumed();
}

void TfmActivity::QueryEndSession() {
    FSessionEnding = true;
}

void TfmActivity::EndSession() {
    if (FTerminated) return;
    FSessionEnding = true;
    ExitSequence();
}

void TfmActivity::closeEvent(QCloseEvent* event) {
    if (!FTrayAvailable && !FSessionEnding) {
        // An ordinary window: closing it ends the program, with the record saved.
        event->accept();
        ExitSequence();
        return;
    }
    hide();
    if (!FSessionEnding) {
        event->ignore();
        return;
    }
    event->accept();
    Terminate();
}

void TfmActivity::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        ScheduleRefreshViews();
    } else if (event->type() == QEvent::WindowStateChange) {
        auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const Qt::WindowStates now = windowState();
        if ((now & Qt::WindowMinimized) && !(change->oldState() & Qt::WindowMinimized) &&
            FTrayAvailable) {
            // Minimising hides the window: it is reached through the tray icon.
            QTimer::singleShot(0, this, [this] {
                setWindowState(windowState() & ~Qt::WindowMinimized);
                hide();
            });
        } else if ((now & Qt::WindowMaximized) && !(change->oldState() & Qt::WindowMaximized)) {
            RefreshViews();
        }
    }
}

bool TfmActivity::event(QEvent* event) {
    if (event->type() == LanguageChangedEventType()) {
        LoadMessageTexts();
        FTray->UpdateTrayTip();
        if (FSummaryMenu) FSummaryMenu->Translate();
        Guard([this] { SaveSettings(); });
        return true;
    }
    if (event->type() == QEvent::Show && FTrayAvailable) {
        // No taskbar button: the window is reached through the tray icon. Asked once the window
        // manager has mapped the window; a request before that is ignored.
        QTimer::singleShot(200, this, [this] {
            if (isVisible()) platform::SetSkipTaskbar(*this, true);
        });
    }
    return QMainWindow::event(event);
}

} // namespace orvane
