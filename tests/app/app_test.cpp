// The main window offscreen, with a scripted foreground, a hand-driven clock and answered dialogs;
// the data and settings files live in a private folder.
#include "alltexts.h"
#include "app/aboutform.h"
#include "app/activitylistform.h"
#include "app/dialogs.h"
#include "app/gnomeoffer.h"
#include "app/langbuild.h"
#include "app/mainwindow.h"
#include "app/privacyform.h"
#include "app/privacymenu.h"
#include "app/qalbase.h"
#include "app/windowplace.h"
#include "files.h"
#include "language/langdialogs.h"
#include "language/langfile.h"
#include "language/langmanager.h"
#include "language/languagemenu.h"
#include "platform/platform.h"
#include "platform/probebackend.h"
#include "recorder/activitylist.h"
#include "session/inifile.h"
#include "views/activitychart.h"
#include "views/treemodel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sys/stat.h>
#ifdef _WIN32
#include "platform/win32/win32.h"

#include <shlobj.h>
#else
#include <sys/resource.h>
#endif
#include <utility>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

constexpr double Sec = 1.0 / 86400.0;
QTemporaryDir* home = nullptr;

// The data, settings and shortcut folders of every test: one private home, and no system bus.
class TPrivateHome : public ::testing::Environment {
public:
    void SetUp() override {
        FDir = std::make_unique<QTemporaryDir>();
        home = FDir.get();
        qputenv("HOME", FDir->path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", (FDir->path() + "/data").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (FDir->path() + "/config").toLocal8Bit());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent");
    }
    void TearDown() override {
        home = nullptr;
        FDir.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> FDir;
};
[[maybe_unused]] auto* const PrivateHome = ::testing::AddGlobalTestEnvironment(new TPrivateHome);

class FakeDialogs : public IDialogs {
public:
    std::vector<QString> errors, informs, asked;
    std::vector<QMessageBox::StandardButtons> askedButtons;
    std::function<void()> onAsk; // while a question is open
    std::deque<QMessageBox::StandardButton> answers;
    std::deque<QString> inputs;
    std::vector<QUrl> opened;
    QString saveName;
    std::vector<std::function<void()>> closers; // of the error boxes still open
    void ShowError(QWidget*, const QString& text, std::function<void()> closed) override {
        errors.push_back(text);
        closers.push_back(std::move(closed));
    }
    void CloseErrors() {
        for (auto& closed : std::exchange(closers, {}))
            if (closed) closed();
    }
    void Inform(QWidget*, const QString&, const QString& text) override { informs.push_back(text); }
    QMessageBox::StandardButton Ask(QWidget*, const QString&, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon) override {
        asked.push_back(text);
        askedButtons.push_back(buttons);
        if (onAsk) onAsk();
        if (answers.empty()) return QMessageBox::No;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    bool InputQuery(QWidget*, const QString&, const QString&, QString& value) override {
        if (inputs.empty()) return false;
        value = inputs.front();
        inputs.pop_front();
        return true;
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return saveName;
    }
    void OpenWithDesktop(const QUrl& url) override { opened.push_back(url); }
    QString folder;
    QString ExistingFolder(QWidget*, const QString&, const QString&) override { return folder; }
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        // The data folder is the profile's own %APPDATA%\Orvane, emptied by every test.
        if (!qEnvironmentVariableIsSet("ORVANE_TEST_SCRATCH_PROFILE"))
            GTEST_SKIP() << "these tests empty %APPDATA%\\Orvane and write shortcuts: they run "
                            "only where ORVANE_TEST_SCRATCH_PROFILE says the profile is a scratch "
                            "one (scripts/test-windows sets it in its Wine prefix)";
        fs::remove_all(Folder());
        for (int folder : {CSIDL_DESKTOPDIRECTORY, CSIDL_STARTUP})
            fs::remove(platform::SpecialFolderPath(folder) + "Orvane.lnk");
#endif
        fs::remove_all(home->path().toStdString());
        QDir().mkpath(home->path());
        SetDialogs(&dialogs);
        clock.SetNow(EncodeDateTime(2024, 5, 6, 10, 0, 0));
    }
    void TearDown() override {
        window.reset();
        base.reset();
        SetDialogs(nullptr);
    }
    TfmActivity& Start(bool tray = false) {
        base = std::make_unique<TQalBase>();
        TActivityDeps deps;
        deps.Probe = &probe;
        deps.Clock = &clock;
        deps.UseTray = tray;
        deps.StartTimer = false;
        deps.ExePath = exePath;
        deps.FindPresence = false;
        deps.Idle = &idle;
        deps.Lock = &lock;
        window = std::make_unique<TfmActivity>(*base, deps);
        return *window;
    }
    void Tick(const std::string& p, const std::string& c, std::uint64_t ms = 5000) {
        clock.Advance(ms);
        probe.SetForeground(p, c);
        window->Timer1Timer();
    }
#ifdef _WIN32
    std::string Folder() const {
        return platform::UserAppDataFolder() + "\\Orvane";
    }
#else
    std::string Folder() const {
        return home->path().toStdString() + "/data/Orvane";
    }
#endif
    TActivityList Saved() const {
        TActivityList l;
        l.LoadFromFile(Folder() + "/orvane.cdat");
        return l;
    }

    FakeDialogs dialogs;
    QString exePath = "/opt/orvane/bin/orvane";
    platform::TScriptedProbe probe;
    TManualClock clock;
    TScriptedIdle idle;
    TScriptedLock lock;
    std::unique_ptr<TQalBase> base;
    std::unique_ptr<TfmActivity> window;
};

} // namespace

TEST_F(MainWindow, StartUpBuildsThePrivateFolderAndTheNamedControls) {
    TfmActivity& w = Start();
    EXPECT_EQ(w.Session().DataFile(), Folder() + platform::PathDelim + "orvane.cdat");
    EXPECT_EQ(w.Session().ConfigFile(), Folder() + platform::PathDelim + "orvane.cfg");
    struct stat st {};
    ASSERT_EQ(::stat(Folder().c_str(), &st), 0);
#ifndef _WIN32 // the profile's folders keep others out on Windows
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    EXPECT_EQ(w.windowTitle(), "Orvane Activity Recorder");
    EXPECT_EQ(w.Memo1->toPlainText().toStdString(), TSampler::HeaderLine());
    for (const char* name : {"D1",
                             "Neu1",
                             "N1",
                             "N2",
                             "CSVCommaSeparatedValues1",
                             "txtText1",
                             "N3",
                             "Miminieren1",
                             "mnClose",
                             "Bearbeiten1",
                             "mnRemoveLongs",
                             "Ansicht1",
                             "mnDaily",
                             "mnWeekly",
                             "mnMonthly",
                             "mnAll",
                             "Options1",
                             "mnLanguage",
                             "mnDesktop",
                             "mnStartup",
                             "mnAbout",
                             "PopupMenu1",
                             "mnUpdate",
                             "mnShow",
                             "pmIcon",
                             "ShowAllNews1",
                             "N4",
                             "About1",
                             "Exit1",
                             "TreeView1",
                             "Splitter1",
                             "Memo1",
                             "Chart1",
                             "Timer1",
                             "LangComponent1",
                             "MainMenu1"})
        EXPECT_NE(w.findChild<QObject*>(name), nullptr) << name;
    EXPECT_EQ(w.Timer1->interval(), 5000);
    EXPECT_FALSE(w.mnDesktop->isChecked()) << "the settings load sets the real state";
    EXPECT_TRUE(w.mnDaily->isChecked());
    EXPECT_FALSE(fs::exists(w.Session().ConfigFile()));
}

TEST_F(MainWindow, SamplesAreRecordedAndExitKeepsTheTimeUpToTheExit) {
    TfmActivity& w = Start();
    QSignalSpy ended(&w, &TfmActivity::terminated);
    Tick("/usr/bin/editor", "notes.txt");
    Tick("/usr/bin/browser", "Inbox");
    EXPECT_EQ(Saved().Count(), 2);
    EXPECT_EQ(w.Memo1->document()->blockCount(), 3);
    clock.Advance(30000);
    w.mnCloseClick();
    EXPECT_EQ(ended.count(), 1);
    const TActivityList saved = Saved();
    ASSERT_EQ(saved.Count(), 2);
    EXPECT_NEAR(saved[1].Duration, 30 * Sec, 1e-9);

    // The next start does not stretch the last entry to its first change.
    window.reset();
    Start();
    clock.Advance(3600000);
    Tick("/usr/bin/editor", "notes.txt");
    EXPECT_NEAR(window->Session().Activities()[1].Duration, 30 * Sec, 1e-9);
    EXPECT_EQ(window->Session().Activities().Count(), 3);
}

// The windows and splitters come back where they were, as far as the screens allow.
TEST_F(MainWindow, WindowPlacesSurviveARestart) {
    TfmActivity& w = Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect place(screen.left() + 40, screen.top() + 30, 600, 420);
    w.setGeometry(place);
    w.show();
    w.Splitter1->setSizes({150, 250});
    auto* list = new TActivityListForm(&w); // the window's child, as at start-up
    w.SetListForm(list);
    const QRect listPlace(screen.left() + 60, screen.top() + 70, 520, 300);
    list->setGeometry(listPlace);
    QTimer::singleShot(0, list, &QDialog::accept);
    w.mnShow->trigger();
    const QList<int> sizes = w.Splitter1->sizes();
    w.mnCloseClick();

    window.reset();
    TfmActivity& again = Start();
    again.show();
    EXPECT_EQ(again.geometry(), place);
    EXPECT_EQ(again.Splitter1->sizes(), sizes);
    auto* list2 = new TActivityListForm(&again);
    again.SetListForm(list2);
    EXPECT_EQ(list2->geometry(), listPlace);

    // A place on a screen that is gone: the design size, centred.
    window.reset();
    TIniFile(Folder() + "/orvane.cfg")
        .WriteString("Windows", "MainWindow", RectText(place.translated(screen.width() + 500, 0)));
    TfmActivity& third = Start();
    EXPECT_EQ(third.size(), QSize(686, 511));
    EXPECT_TRUE(screen.contains(third.geometry().center()));
}

// Qt ends the program with exit() when the X server goes away; the running entry's length up to
// then is saved in place, not only its last minute write. Run in a child process of its own.
TEST_F(MainWindow, AnExitFromOutsideSavesTheRunningEntryInPlace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this test again from the start: there the variable is the parent's.
    if (!qEnvironmentVariableIsSet("ORVANE_TEST_PARENT_HOME"))
        qputenv("ORVANE_TEST_PARENT_HOME", home->path().toLocal8Bit());
    EXPECT_EXIT(
        {
            // The child made a temporary folder of its own: it records into the parent's.
            fs::remove_all(home->path().toStdString());
            qputenv("XDG_DATA_HOME", qgetenv("ORVANE_TEST_PARENT_HOME") + "/data");
            Start();
            Tick("/usr/bin/editor", "notes.txt");
            Tick("/usr/bin/browser", "Inbox");
            clock.Advance(50000); // no tick: the last write was at the change
            std::exit(1);
        },
        ::testing::ExitedWithCode(1), "");
    const TActivityList saved = Saved();
    ASSERT_EQ(saved.Count(), 2);
    EXPECT_NEAR(saved[0].Duration, 5 * Sec, 1e-9);
    EXPECT_NEAR(saved[1].Duration, 50 * Sec, 1e-9);

    // A program that ended normally has saved already; its exit() writes nothing more.
    Start();
    Tick("/usr/bin/editor", "notes.txt", 3600000);
    window->mnCloseClick();
    const auto written = fs::last_write_time(Folder() + "/orvane.cdat");
    clock.Advance(60000);
    window->Session().SaveForExit();
    EXPECT_EQ(fs::last_write_time(Folder() + "/orvane.cdat"), written);
    EXPECT_NEAR(Saved()[2].Duration, 0, 1e-9);
}

#ifdef _WIN32
// The power messages as Windows sends them to every top-level window, posted to the program's own
// hidden one. The clock counts the sleep, as the performance counter does.
TEST_F(MainWindow, PowerMessagesEndTheEntryAtSleepAndTheSleepIsNotCounted) {
    TfmActivity& w = Start();
    const HWND events = ::FindWindowA("OrvaneSystemEvents", nullptr);
    ASSERT_NE(events, nullptr);
    auto power = [&](WPARAM what) {
        ASSERT_TRUE(::PostMessageA(events, WM_POWERBROADCAST, what, 0));
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    };
    const std::string editor = "C:\\Program Files\\Editor\\editor.exe";

    // Only the wake-up is told: the entry ends at the last sample.
    Tick(editor, "a");
    Tick(editor, "a");
    clock.Advance(3600000);
    power(PBT_APMRESUMEAUTOMATIC);
    EXPECT_NEAR(Saved()[0].Duration, 5 * Sec, 1e-9);
    EXPECT_TRUE(w.Memo1->toPlainText().contains("No samples for 01:00:00"))
        << w.Memo1->toPlainText().toStdString();

    // The suspend itself (the queries are not sent since Vista) closes and writes the entry.
    Tick(editor, "a");
    clock.Advance(10000);
    power(PBT_APMSUSPEND);
    EXPECT_NEAR(Saved()[1].Duration, 10 * Sec, 1e-9);
    clock.Advance(3600000);
    power(PBT_APMRESUMEAUTOMATIC);
    power(PBT_APMRESUMESUSPEND);
    Tick(editor, "a");
    Tick(editor, "a");
    const TActivityList saved = Saved();
    ASSERT_EQ(saved.Count(), 3);
    EXPECT_NEAR(saved[1].Duration, 10 * Sec, 1e-9);
    EXPECT_NEAR(saved[2].Start - saved[1].Start, (3610 + 5) * Sec, 1e-6);
}
#endif

TEST_F(MainWindow, TheTreeShowsTheRecordAsOfItsLastRebuild) {
    TfmActivity& w = Start();
    TTreeModel& model = w.TreeModel();
    auto dayText = [&] { return model.data(model.index(0, 0)).toString(); };
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/mail", "b", 60000);
    EXPECT_EQ(model.rowCount(), 0) << "a recorded change does not rebuild the tree";
    w.RefreshViews();
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 2);

    // An unchanged record keeps its nodes, shown afresh.
    const QString shown = dayText();
    w.RefreshViews();
    EXPECT_EQ(dayText(), shown);

    // A new entry, and a new length of the running one alone, show at the next rebuild.
    Tick("/usr/bin/shell", "c", 60000);
    w.RefreshViews();
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 3);
    const QString before = dayText();
    clock.Advance(120000);
    w.CloseCurrentActivity();
    w.RefreshTree();
    EXPECT_NE(dayText(), before);

    // The whole-record node names today: a rebuild on the next day names that day.
    w.mnAll->trigger();
    const QString today = dayText();
    EXPECT_NE(today.indexOf(QString::fromStdString(DateText(clock.Now()))), -1)
        << today.toStdString();
    clock.SetNow(clock.Now() + 1);
    w.RefreshTree();
    EXPECT_NE(dayText().indexOf(QString::fromStdString(DateText(clock.Now()))), -1);
    w.mnDaily->trigger();
    EXPECT_TRUE(dayText().startsWith(QString::fromStdString(DateText(clock.Now() - 1))));
}

// The view reset rebuilds the tree at every activation; the user's place comes back by the
// nodes' periods and names, also where the record changed under them.
TEST_F(MainWindow, TheTreeKeepsTheUsersPlace) {
    // Three days of record, the last of them yesterday.
    {
        TActivityList list;
        const TDateTime today = StartOfDay(clock.Now());
        for (int d = 3; d >= 1; --d)
            for (const char* p : {"/usr/bin/editor", "/usr/bin/mail", "/usr/bin/shell"}) {
                const TDateTime start = today - d + 9.0 / 24 + list.Count() * 0.01;
                list.AppendLoaded(TEntry(p, std::string(p) + " window", start));
                list.Items(list.Count() - 1).Duration = 0.005;
            }
        fs::create_directories(Folder());
        list.SaveToFile(Folder() + "/orvane.cdat");
    }
    TfmActivity& w = Start();
    TTreeModel& model = w.TreeModel();
    QTreeView& tree = *w.TreeView1;
    ASSERT_EQ(model.rowCount(), 3);
    // Nothing today: the start is at the last period.
    EXPECT_EQ(tree.currentIndex(), model.index(2, 0));

    // The first day open, its mail program open, the mail caption chosen.
    const QModelIndex first = model.index(0, 0);
    tree.expand(first);
    const QModelIndex mail = model.index(1, 0, first);
    ASSERT_TRUE(model.data(mail).toString().startsWith("/usr/bin/mail"));
    tree.expand(mail);
    tree.setCurrentIndex(model.index(0, 0, mail));
    const auto check = [&](int mailRow) {
        const QModelIndex day = model.index(0, 0);
        const QModelIndex program = model.index(mailRow, 0, day);
        EXPECT_TRUE(tree.isExpanded(day));
        EXPECT_TRUE(tree.isExpanded(program));
        EXPECT_FALSE(tree.isExpanded(model.index(1, 0)));
        EXPECT_EQ(tree.currentIndex(), model.index(0, 0, program));
        EXPECT_TRUE(tree.selectionModel()->isSelected(model.index(0, 0, program)));
    };
    w.FormActivate();
    check(1);

    // A changed record: the first day's editor entry goes, so mail moves up; today's new entry
    // adds a period.
    w.Session().Activities().RemoveAt(0);
    Tick("/usr/bin/editor", "today");
    Tick("/usr/bin/mail", "today", 60000);
    w.FormActivate();
    ASSERT_EQ(model.rowCount(), 4);
    check(0);

    // A node gone from the record leaves nothing selected, and nothing else breaks.
    tree.setCurrentIndex(model.index(0, 0, model.index(3, 0)));
    w.Session().Activities().Clear();
    w.FormActivate();
    EXPECT_FALSE(tree.currentIndex().isValid());
}

// Moving through the tree with the keys shows the chart of the node reached, as a click does.
TEST_F(MainWindow, AKeyboardSelectionShowsItsChart) {
    TfmActivity& w = Start();
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/mail", "b", 60000);
    Tick("/usr/bin/shell", "c", 60000);
    w.RefreshViews();
    TTreeModel& model = w.TreeModel();
    QTreeView& tree = *w.TreeView1;
    tree.expand(model.index(0, 0));
    tree.setCurrentIndex(model.index(0, 0));
    tree.setFocus();
    auto* chart = static_cast<TActivityChart*>(w.Chart1);
    QTest::keyClick(&tree, Qt::Key_Down); // the editor's program node
    ASSERT_EQ(tree.currentIndex(), model.index(0, 0, model.index(0, 0)));
    EXPECT_TRUE(chart->Data().Detail);
    EXPECT_EQ(chart->Data().Program, "/usr/bin/editor");
    QTest::keyClick(&tree, Qt::Key_Down);
    EXPECT_EQ(chart->Data().Program, "/usr/bin/mail");
}

TEST_F(MainWindow, ViewModeIsStoredAndReadBack) {
    TfmActivity& w = Start();
    w.mnWeekly->trigger();
    EXPECT_EQ(w.FViewMode, TViewMode::vmWeekly);
    EXPECT_TRUE(w.mnWeekly->isChecked());
    std::ifstream in(w.Session().ConfigFile());
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("ViewMode=1"), std::string::npos);
    EXPECT_NE(text.find("Language="), std::string::npos);
    window.reset();
    // 260 keeps its low 8 bits: the all view.
    { std::ofstream(Folder() + "/orvane.cfg") << "[activities]\nviewmode=260\n"; }
    EXPECT_EQ(Start().FViewMode, TViewMode::vmAll);
}

TEST_F(MainWindow, WithoutATrayCloseEndsTheProgramAndTheUserIsTold) {
    TfmActivity& w = Start(true); // asks for a tray; offscreen has none
    EXPECT_FALSE(w.TrayAvailable());
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.informs.size(), 1u);
    QSignalSpy ended(&w, &TfmActivity::terminated);
    w.show();
    w.close();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(MainWindow, ShortcutsToggleAndTheirMarksFollowTheFiles) {
    TfmActivity& w = Start();
#ifdef _WIN32
    const std::string link = platform::SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + "Orvane.lnk";
#else
    const std::string desktop = home->path().toStdString() + "/Desktop";
    fs::create_directories(desktop);
    const std::string link = desktop + "/Orvane.desktop";
#endif
    w.mnDesktop->trigger();
    EXPECT_TRUE(fs::exists(link));
    EXPECT_TRUE(w.mnDesktop->isChecked());
    w.mnDesktop->trigger();
    EXPECT_FALSE(fs::exists(link));
    EXPECT_FALSE(w.mnDesktop->isChecked());

    w.mnStartup->trigger();
    EXPECT_TRUE(w.mnStartup->isChecked());
    window.reset();
    EXPECT_TRUE(Start().StartHidden()) << "an autostart entry starts the program in the tray";
}

// Without a given program path the window and its shortcuts use the running program's, the
// same one the session records under.
TEST_F(MainWindow, ShortcutsNameTheRunningProgramByDefault) {
#ifdef _WIN32
    GTEST_SKIP() << "a shortcut's target is not read back here on Windows";
#else
    exePath.clear();
    TfmActivity& w = Start();
    const std::string desktop = home->path().toStdString() + "/Desktop";
    fs::create_directories(desktop);
    w.mnDesktop->trigger();
    const std::string text = ReadFile(desktop + "/Orvane.desktop");
    EXPECT_NE(text.find("Exec=\"" + QCoreApplication::applicationFilePath().toStdString() + "\""),
              std::string::npos)
        << text;
#endif
}

TEST_F(MainWindow, NewAndRemoveLongActivities) {
    TfmActivity& w = Start();
    TEntry a("/usr/bin/a", "x", clock.Now() - 3.0 / 24);
    a.Duration = 3.0 / 24; // lasted three hours
    w.Session().Activities().AppendLoaded(a);
    Tick("/usr/bin/b", "y");
    Tick("/usr/bin/c", "z");
    dialogs.inputs = {"2"};
    dialogs.answers = {QMessageBox::Yes};
    w.mnRemoveLongsClick();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].indexOf("03:00:00"), -1);
    EXPECT_EQ(w.Session().Activities().Count(), 2);

    // A translated question with foreign placeholders shows without a crash.
    w.FMessageTexts[EMessageText::SActivitiesFound] = "%d %n %99999s %s";
    dialogs.inputs = {"0"};
    w.mnRemoveLongsClick();
    EXPECT_EQ(dialogs.asked.size(), 2u);

    dialogs.answers = {QMessageBox::No};
    w.Neu1Click();
    EXPECT_EQ(w.Session().Activities().Count(), 2);
    dialogs.answers = {QMessageBox::Yes};
    w.Neu1Click();
    EXPECT_EQ(w.Session().Activities().Count(), 0);
    EXPECT_EQ(Saved().Count(), 0);
    EXPECT_EQ(w.Sampler().LastProcess(), "");
}

TEST_F(MainWindow, RemoveLongActivitiesEndsOnCancelAndWhenTheSessionEnds) {
    TfmActivity& w = Start();
    for (int i = 0; i < 5; ++i) {
        TEntry e("/usr/bin/a", "entry " + std::to_string(i), clock.Now() - 1 + i * 0.1);
        e.Duration = 0.05;
        w.Session().Activities().AppendLoaded(e);
    }
    Tick("/usr/bin/b", "y");
    dialogs.inputs = {"0"};
    dialogs.answers = {QMessageBox::Yes, QMessageBox::Cancel};
    w.mnRemoveLongsClick();
    EXPECT_EQ(dialogs.asked.size(), 2u) << "Cancel ends the walk";
    EXPECT_TRUE(dialogs.askedButtons[0].testFlag(QMessageBox::Cancel));
    EXPECT_EQ(w.Session().Activities().Count(), 5)
        << "the entry removed before Cancel stays removed";

    // The session ends (or SIGTERM comes) while the second question is open: the program ends,
    // saving what was decided, and asks nothing more.
    dialogs.asked.clear();
    dialogs.inputs = {"0"};
    dialogs.answers = {QMessageBox::Yes, QMessageBox::No, QMessageBox::No};
    QSignalSpy ended(&w, &TfmActivity::terminated);
    dialogs.onAsk = [&] {
        if (dialogs.asked.size() == 2) w.EndSession();
    };
    w.mnRemoveLongsClick();
    dialogs.onAsk = nullptr;
    EXPECT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(w.Session().Activities().Count(), 4);
    EXPECT_EQ(Saved().Count(), 4);
    EXPECT_EQ(Saved()[0].Caption, "entry 2");
}

TEST_F(MainWindow, TheTreeOfARecordOutOfDateOrderAndTheWholeRecordsProgramDetail) {
    TfmActivity& w = Start();
    // Recorded after a start with a reset clock: the second entry is dated years before the first.
    TEntry later("/usr/bin/editor", "a", EncodeDateTime(2024, 5, 1, 10, 0, 0));
    later.Duration = 1.0 / 24;
    w.Session().Activities().AppendLoaded(later);
    TEntry reset("/usr/bin/mail", "b", EncodeDateTime(2020, 1, 6, 8, 0, 0));
    reset.Duration = 0.5 / 24;
    w.Session().Activities().AppendLoaded(reset);
    Tick("/usr/bin/shell", "c");
    w.Session().Activities().Items(1).Duration =
        0.5 / 24; // as it was before the first tick closed it
    TTreeModel& model = w.TreeModel();
    w.RefreshTree();
    ASSERT_GE(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "06.01.2020  :  00:30:00");
    w.mnAll->trigger();
    ASSERT_EQ(model.rowCount(), 1);
    const QString whole = model.data(model.index(0, 0)).toString();
    EXPECT_TRUE(whole.startsWith("06.01.2020 - ")) << whole.toStdString();
    EXPECT_NE(whole.indexOf("Total : 01:30:00"), -1) << whole.toStdString();

    // A program node of the whole record shows that program's detail, as in the other views.
    const QModelIndex program = model.index(1, 0, model.index(0, 0));
    ASSERT_TRUE(model.data(program).toString().startsWith("/usr/bin/mail"));
    w.TreeView1->setCurrentIndex(program);
    w.TreeView1Click();
    EXPECT_TRUE(w.Chart1->Data().Detail);
    EXPECT_EQ(w.Chart1->Data().Program, "/usr/bin/mail");
}

TEST_F(MainWindow, ExportsWriteAndOpenTheFile) {
    TfmActivity& w = Start();
    Tick("/usr/bin/a", "x; y");
    dialogs.saveName = home->filePath("out.csv");
    w.CSVCommaSeparatedValues1Click();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].toLocalFile(), dialogs.saveName);
    EXPECT_TRUE(fs::exists(dialogs.saveName.toStdString()));
    dialogs.saveName = "/nonexistent-folder/out.txt";
    w.txtText1Click();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(
        dialogs.errors[0].startsWith("Cannot create file \"/nonexistent-folder/out.txt\"."));
    EXPECT_EQ(dialogs.opened.size(), 1u) << "nothing opened after a failure";
}

TEST_F(MainWindow, AFailedSaveIsReportedAndRecordingGoesOn) {
    Start();
    // A file in the data folder's place: nothing can be saved, and it is not taken away.
    fs::remove_all(Folder());
    std::ofstream(Folder()) << "not a folder";
    Tick("/usr/bin/a", "x");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot create file"));
    // While the message is on screen, no second box comes on top of it.
    for (int i = 0; i < 5; ++i)
        Tick("/usr/bin/c" + std::to_string(i), "z");
    EXPECT_EQ(dialogs.errors.size(), 1u);
    dialogs.CloseErrors();
    Tick("/usr/bin/b", "y");
    EXPECT_EQ(dialogs.errors.size(), 2u);
    fs::remove(Folder());
    fs::create_directories(Folder());
    Tick("/usr/bin/d", "y");
    EXPECT_EQ(Saved().Count(), 8);
}

namespace {

std::vector<QMessageBox*> OpenBoxes() {
    std::vector<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

} // namespace

// The real error box, raised from the real timer's handler: the timer goes on ticking while the
// box is open, and each entry closes at the tick that ends it, not when the box is closed.
TEST_F(MainWindow, AnErrorBoxDoesNotStopTheTimer) {
    SetDialogs(nullptr);
    TfmActivity& w = Start();
    QCoreApplication::processEvents(); // the activation at start-up resets the sample
    fs::remove_all(Folder());          // a file in the data folder's place: every save fails
    std::ofstream(Folder()) << "not a folder";
    // Each tick of the timer is a sample 5 s later on the injected clock.
    QObject::disconnect(w.Timer1, &QTimer::timeout, &w, nullptr);
    const std::vector<std::string> script = {"a", "a", "b", "b", "b", "c", "c", "d", "d"};
    std::size_t ticks = 0, whileOpen = 0, mostBoxes = 0;
    QObject::connect(w.Timer1, &QTimer::timeout, &w, [&] {
        if (ticks == script.size()) return;
        if (!OpenBoxes().empty()) ++whileOpen;
        Tick("/usr/bin/" + script[ticks++], "t");
        mostBoxes = std::max(mostBoxes, OpenBoxes().size());
    });
    // Were the box to hold the timer, this would end the wait for it.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        for (QMessageBox* box : OpenBoxes())
            box->close();
    });
    closer.start(2000);
    w.Timer1->start(10);
    for (int i = 0; i < 3000 && ticks < script.size(); ++i)
        QTest::qWait(5);
    w.Timer1->stop();

    ASSERT_EQ(ticks, script.size());
    EXPECT_EQ(whileOpen, script.size() - 1) << "every tick after the first failed save";
    EXPECT_EQ(mostBoxes, 1u) << "one box at a time";
    // Each entry closes where the next one starts, and every program gets its ticks' time. (The
    // box's activation resets the sample, which may split an entry in two; nothing more.)
    const TActivityList& list = w.Session().Activities();
    std::map<std::string, double> seconds;
    for (int i = 0; i + 1 < list.Count(); ++i) {
        EXPECT_NEAR(list[i].Start + list[i].Duration, list[i + 1].Start, 1e-9) << i;
        seconds[list[i].Process.str()] += list[i].Duration / Sec;
    }
    const std::map<std::string, double> expected = {
        {"/usr/bin/a", 10}, {"/usr/bin/b", 15}, {"/usr/bin/c", 10}};
    ASSERT_EQ(seconds.size(), expected.size());
    for (const auto& [process, length] : expected)
        EXPECT_NEAR(seconds[process], length, 1e-6) << process;
    EXPECT_EQ(list[list.Count() - 1].Process, "/usr/bin/d");

    // Once the box is closed, the next failure is shown again.
    for (QMessageBox* box : OpenBoxes())
        box->close();
    QCoreApplication::processEvents();
    Tick("/usr/bin/e", "t");
    EXPECT_EQ(OpenBoxes().size(), 1u);
    for (QMessageBox* box : OpenBoxes())
        box->close();
    closer.stop();
}

// What the session tells once (here: a damaged record kept aside at start-up) comes up in a box
// that does not wait, over the window, and as a line of the change log.
TEST_F(MainWindow, ASessionNoticeIsShownInABoxAndTheChangeLog) {
    fs::create_directories(Folder());
    const std::string data = Folder() + "/orvane.cdat";
    std::ofstream(data, std::ios::binary) << std::string("\x05\0\0\0", 4) + "cut short";
    TfmActivity& w = Start();
    EXPECT_TRUE(dialogs.informs.empty()) << "once the window is up";
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.informs.size(), 1u);
    EXPECT_NE(dialogs.informs[0].indexOf("was moved to"), -1) << dialogs.informs[0].toStdString();
    EXPECT_NE(w.Memo1->toPlainText().indexOf("was moved to"), -1);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindow, AboutShowsTheVersionAndOpensLinks) {
    TfmActivity& w = Start();
    TFrmAbout& about = *w.AboutForm();
    about.PrepareAbout();
    EXPECT_EQ(about.windowTitle(), "About Orvane");
    EXPECT_TRUE(
        about.RichEdit1->toPlainText().startsWith("Orvane logs your activities Version 1.0.1"));
    about.FPendingMail = "info@orvane.org";
    about.RichEdit1MouseUp();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].scheme(), "mailto");
    EXPECT_NE(dialogs.opened[0].toString().indexOf("subject="), -1);
}

TEST_F(MainWindow, MessageTextsComeFromTheLanguageFiles) {
    exePath = home->filePath("bin/orvane");
    const std::string lan = home->filePath("bin/LAN").toStdString();
    fs::create_directories(lan);
    std::ofstream(lan + "/Test.lan") << "[Orvane]\nLanguage=\"Test\"\nCommonLanguageFile=Test.lng\n"
                                        "[fmActivity]\nSRemoveAll=\"Sure?/r/nReally?\"\n"
                                        "SGnomeOfferCaption=\"Shell-Erweiterung\"\n";
    std::ofstream(lan + "/Test.lng") << "[FrmAbout]\nSVersion=\"v%s!\"\n";
    std::ofstream(lan + "/Bare.lan")
        << "[Orvane]\nLanguage=\"Bare\"\nCommonLanguageFile=Bare.lng\n";
    std::ofstream(lan + "/Bare.lng") << "[FrmAbout]\n";
    TfmActivity& w = Start();
    TFrmAbout& about = *w.AboutForm();
    for (const char* language : {"Test", "Bare"}) {
        // A language without the texts keeps those of the language before.
        SCOPED_TRACE(language);
        base->SetLanguage(language);
        w.LoadMessageTexts();
        dialogs.answers = {QMessageBox::No};
        w.Neu1Click();
        EXPECT_EQ(dialogs.asked.back(), "Sure?\r\nReally?");
        about.PrepareAbout();
        EXPECT_TRUE(about.RichEdit1->toPlainText().startsWith("v1.0.1!\n\nCopyright"))
            << about.RichEdit1->toPlainText().toStdString();
        EXPECT_EQ(about.windowTitle(), "About Orvane");
        const TGnomeTexts& gnome = w.findChild<TGnomeExtensionOffer*>()->LoadTexts();
        EXPECT_EQ(gnome[EGnomeText::SGnomeOfferCaption], "Shell-Erweiterung");
        EXPECT_EQ(gnome[EGnomeText::SGnomeSetupDone], GnomeTextTable[2].Text);
    }
}

TEST_F(MainWindow, ATranslatedFormatWithOtherPlaceHoldersIsNotUsed) {
    exePath = home->filePath("bin/orvane");
    const std::string lan = home->filePath("bin/LAN").toStdString();
    fs::create_directories(lan);
    std::string flood;
    for (int i = 0; i < 5000; ++i)
        flood += "%1024s";
    std::ofstream(lan + "/Test.lan")
        << "[Orvane]\nLanguage=\"Test\"\nCommonLanguageFile=Test.lng\n[fmActivity]\nSAwayEnds=\""
        << flood
        << "\"\nSAwayBegins=\"Weg seit %d\"\nSGap=\"Pause %s\"\n"
           "SLockedEnds=\"Entsperrt nach %s\"\n";
    std::ofstream(lan + "/Test.lng") << "[FrmAbout]\n";
    TfmActivity& w = Start();
    TScriptedLangDialogs langDialogs;
    base->LanMan->SetDialogs(&langDialogs);
    base->SetLanguage("Test");
    for (int i = 0; i < 2; ++i)
        w.LoadMessageTexts();
    base->LanMan->SetDialogs(nullptr);
    EXPECT_EQ(w.FMessageTexts[EMessageText::SAwayEnds], "Back after %s away");
    EXPECT_EQ(w.FMessageTexts[EMessageText::SAwayBegins],
              "Away: no keyboard or mouse input since %s");
    EXPECT_EQ(w.FMessageTexts[EMessageText::SGap],
              "No samples for %s after %s (the program was stopped or the computer slept): not "
              "counted");
    EXPECT_EQ(w.FMessageTexts[EMessageText::SLockedEnds], "Entsperrt nach %s");
    ASSERT_EQ(langDialogs.Errors.size(), 1) << "the file is reported once";
    EXPECT_TRUE(langDialogs.Errors[0].contains("Test.lan")) << langDialogs.Errors[0].toStdString();
    EXPECT_TRUE(langDialogs.Errors[0].endsWith("SAwayBegins, SAwayEnds, SGap"))
        << langDialogs.Errors[0].toStdString();
}

TEST_F(MainWindow, TheLanguageBuildRecordsEveryMessageTextAsBuiltIn) {
    const QString out = home->filePath("build/Orvane.ori");
    QDir().mkpath(home->filePath("build"));
    QString error;
    ASSERT_TRUE(BuildLanguageFiles(out, &error)) << error.toStdString();
    TLangFile ori(out);
    TLangFile common(home->filePath("build/Common.ori"));
    EXPECT_EQ(ori.ReadString("fmActivity", "fmActivity.Caption", {}),
              "\"Orvane Activity Recorder\"");
    EXPECT_EQ(common.ReadString("FrmAbout", "SVersion", {}),
              "\"Orvane logs your activities Version %s\"");
    for (const TAnyText& e : AllMessageTexts()) {
        const QString id = QString::fromUtf8(e.Id.data(), qsizetype(e.Id.size()));
        const QString section = QString::fromUtf8(e.Section.data(), qsizetype(e.Section.size()));
        const QString text = QString::fromUtf8(e.Text.data(), qsizetype(e.Text.size()));
        EXPECT_EQ((e.Common ? common : ori).ReadString(section, id, {}),
                  "\"" + QString(text).replace("\r\n", "/r/n") + "\"")
            << id.toStdString();
    }
}

// Every text of every window, as the language build records them, is in every shipped language
// file (the about window's in its common file): a text left out shows in English in a translated
// window. The failure lists what each file leaves out.
TEST_F(MainWindow, EveryShippedLanguageFileCoversEveryComponentText) {
    const QString out = home->filePath("build/Orvane.ori");
    QDir().mkpath(home->filePath("build"));
    QString error;
    ASSERT_TRUE(BuildLanguageFiles(out, &error)) << error.toStdString();
    const TLangFile ori(out);
    const TLangFile oriCommon(home->filePath("build/Common.ori"));
    ASSERT_TRUE(ori.SectionExists("ActivityListForm"));
    const QStringList files = QDir(ORVANE_LAN_DIR).entryList({"*.lan"}, QDir::Files);
    ASSERT_EQ(files.size(), 4);
    for (const QString& name : files) {
        const TLangFile lan(QString(ORVANE_LAN_DIR) + "/" + name);
        const TLangFile common(QString(ORVANE_LAN_DIR) + "/" +
                               Unquote(lan.ReadString("Orvane", "CommonLanguageFile", {})));
        QStringList missing;
        for (const auto& [built, shipped] : {std::pair{&ori, &lan}, std::pair{&oriCommon, &common}})
            for (const QString& section : built->SectionNames()) {
                if (section == "Orvane" || section == "Common") continue; // file headers
                for (const QString& key : built->SectionKeys(section))
                    if (Unquote(shipped->ReadString(section, key, {})).isEmpty())
                        missing << section + "/" + key;
            }
        EXPECT_TRUE(missing.isEmpty())
            << name.toStdString() << " leaves out " << missing.join(", ").toStdString();
    }
}

TEST_F(MainWindow, TheListWindowTakesItsTextsFromTheLanguage) {
    TfmActivity& w = Start();
    TActivityListForm list(&w, base->LanMan);
    EXPECT_EQ(list.windowTitle(), "ActivityListForm"); // the built-in text
    base->LanMan->SetLanguageFolder(ORVANE_LAN_DIR);
    base->LanMan->SetLanguage("Deutsch");
    QCoreApplication::processEvents();
    EXPECT_EQ(list.windowTitle(), QString::fromUtf8("Aktivitätenliste"));
    EXPECT_EQ(list.BitBtn1->text(), QString::fromUtf8("Schließen"));
}

namespace {

// The change log's lines after the header, without the time column.
QStringList LogTexts(const TfmActivity& w) {
    QStringList lines = w.Memo1->toPlainText().split('\n');
    lines.removeFirst();
    for (QString& line : lines)
        line = line.mid(25).simplified();
    return lines;
}

} // namespace

TEST_F(MainWindow, PauseRecordingFromEitherMenuStopsAndResumesRecording) {
    TfmActivity& w = Start();
    EXPECT_EQ(w.mnPause->parent(), &w);
    EXPECT_TRUE(w.Options1->actions().contains(w.mnPause));
    EXPECT_TRUE(w.pmIcon->actions().contains(w.pmPause));
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/editor", "a");
    clock.Advance(2000);
    w.pmPause->trigger(); // from the tray
    EXPECT_TRUE(w.mnPause->isChecked());
    EXPECT_TRUE(w.pmPause->isChecked());
    EXPECT_NEAR(Saved()[0].Duration, 7 * Sec, 1e-9) << "ended at the pause and written";
    for (int i = 0; i < 20; ++i) // longer than a gap, in samples: no gap
        Tick("/usr/bin/mail", "b");
    EXPECT_EQ(w.Session().Activities().Count(), 1) << "nothing recorded while paused";
    w.mnPause->trigger(); // from the Options menu
    EXPECT_FALSE(w.pmPause->isChecked());
    EXPECT_FALSE(w.Sampler().Paused());
    Tick("/usr/bin/mail", "b");
    Tick("/usr/bin/mail", "b");
    ASSERT_EQ(w.Session().Activities().Count(), 2);
    EXPECT_EQ(w.Session().Activities()[1].Process, "/usr/bin/mail");
    const QStringList log = LogTexts(w);
    ASSERT_EQ(log.size(), 4) << log.join('\n').toStdString();
    EXPECT_TRUE(log[1].startsWith("Recording paused at 10:00:12")) << log[1].toStdString();
    EXPECT_EQ(log[2], "100 Recording resumed after a pause of 00:01:40");
    EXPECT_TRUE(log[3].startsWith("5 /usr/bin/mail")) << "counted from the end of the pause";
    window.reset();
    EXPECT_FALSE(Start().mnPause->isChecked()) << "a restart records again";
}

TEST_F(MainWindow, AwayAfterAsksForTheMinutesStoresAndAppliesThem) {
    fs::create_directories(Folder());
    fs::permissions(Folder(), fs::perms::owner_all);
    const struct {
        const char* Stored; // AwayMinutes in the settings file; null: none
        std::uint64_t Threshold;
    } loads[] = {{nullptr, 300000}, {"0", 0},         {"abc", 300000},
                 {"-3", 300000},    {"1441", 300000}, {"0x2", 120000}};
    for (const auto& l : loads) {
        SCOPED_TRACE(l.Stored ? l.Stored : "none");
        window.reset();
        fs::remove(Folder() + "/orvane.cfg");
        if (l.Stored)
            std::ofstream(Folder() + "/orvane.cfg") << "[Activities]\nAwayMinutes=" << l.Stored;
        Start();
        EXPECT_EQ(idle.Threshold, l.Threshold);
    }
    TfmActivity& w = *window;
    auto stored = [&] {
        std::ifstream in(w.Session().ConfigFile());
        return std::string{std::istreambuf_iterator<char>(in), {}};
    };
    dialogs.inputs = {" 12 "};
    w.mnAwayAfter->trigger();
    EXPECT_EQ(idle.Threshold, 720000u) << "applied at once";
    EXPECT_NE(stored().find("AwayMinutes=12"), std::string::npos);
    for (const char* bad : {"", "x", "-1", "1.5", "1441", "99999999999"}) {
        SCOPED_TRACE(bad);
        dialogs.inputs = {bad};
        w.mnAwayAfter->trigger();
        ASSERT_FALSE(dialogs.errors.empty());
        EXPECT_EQ(dialogs.errors.back(),
                  "The number of minutes must be a whole number from 0 to 1440 (a day).");
        dialogs.CloseErrors();
        EXPECT_EQ(idle.Threshold, 720000u);
        EXPECT_NE(stored().find("AwayMinutes=12"), std::string::npos);
    }
    const std::size_t errors = dialogs.errors.size();
    w.mnAwayAfter->trigger(); // cancelled
    EXPECT_EQ(idle.Threshold, 720000u);
    EXPECT_EQ(dialogs.errors.size(), errors);
    dialogs.inputs = {"0"};
    w.mnAwayAfter->trigger();
    EXPECT_EQ(idle.Threshold, 0u) << "turned off";
    window.reset();
    Start();
    EXPECT_EQ(idle.Threshold, 0u) << "and still off after a restart";
}

TEST_F(MainWindow, TheNewItemsAndLinesAreTranslated) {
    exePath = home->filePath("bin/orvane");
    const fs::path lan = home->filePath("bin/LAN").toStdString();
    fs::create_directories(lan);
    for (const auto& file : fs::directory_iterator(ORVANE_LAN_DIR))
        fs::copy_file(file.path(), lan / file.path().filename());
    TfmActivity& w = Start();
    base->SetLanguage("Deutsch");
    w.LoadMessageTexts();
    EXPECT_EQ(w.mnPause->text(), "Aufzeichnung anhalten");
    EXPECT_EQ(w.pmPause->text(), "Aufzeichnung anhalten");
    EXPECT_EQ(w.mnAwayAfter->text(), "Abwesend nach…");
    Tick("/usr/bin/editor", "a");
    w.mnPause->trigger();
    Tick("/usr/bin/editor", "a");
    w.mnPause->trigger();
    const QStringList log = LogTexts(w);
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log[1].startsWith("Aufzeichnung angehalten um ")) << log[1].toStdString();
    EXPECT_EQ(log[2], "5 Aufzeichnung fortgesetzt nach einer Pause von 00:00:05");
}

// A language whose name has letters outside ASCII is found again at the next start: the name is
// read back from the settings as it was written (the system's 8-bit text on Windows).
TEST_F(MainWindow, ALanguageNamedWithAccentsIsChosenAgainAtTheNextStart) {
    exePath = home->filePath("bin/orvane");
    const fs::path lan = home->filePath("bin/LAN").toStdString();
    fs::create_directories(lan);
    for (const auto& file : fs::directory_iterator(ORVANE_LAN_DIR))
        fs::copy_file(file.path(), lan / file.path().filename());
    for (const QString& language : {QStringLiteral("Français"), QStringLiteral("Español")}) {
        SCOPED_TRACE(language.toStdString());
        TfmActivity& w = Start();
        base->SetLanguage(language);
        ASSERT_EQ(base->Language(), language);
        w.SaveSettings();
        window.reset();
        Start();
        EXPECT_EQ(base->Language(), language);
        window.reset();
    }
}

// ---- Privacy -----------------------------------------------------------------------------------

TEST_F(MainWindow, PrivacyRulesOfTheSettingsFileKeepTitlesOutOfRecordAndLog) {
    const std::string cfg = Folder() + "/orvane.cfg";
    WriteFile(cfg, "[Privacy]\nSkip=title:*zebulon*;re:(bad\nHideTitle=title:*quokka*\n");
    TfmActivity& w = Start();
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/vault", "zebulon secret");
    Tick("/usr/bin/vault", "zebulon secret");
    Tick("/usr/bin/chat", "quokka talk");
    Tick("/usr/bin/firefox", "Bank \u2014 Mozilla Firefox Private Browsing");
    Tick("/usr/bin/editor", "a");
    const TActivityList saved = Saved();
    ASSERT_EQ(saved.Count(), 4);
    EXPECT_EQ(saved[1].Caption, "(private)");
    EXPECT_EQ(saved[2].Caption, "(private)");
    EXPECT_NEAR(saved[0].Duration, 5 * Sec, 1e-9) << "the skipped 10 s are nobody's";
    const std::string bytes = ReadFile(Folder() + "/orvane.cdat");
    const std::string log = w.Memo1->toPlainText().toStdString();
    for (const char* secret : {"zebulon", "quokka", "Bank", "vault"}) {
        EXPECT_EQ(bytes.find(secret), std::string::npos) << secret;
        EXPECT_EQ(log.find(secret), std::string::npos) << secret << "\n" << log;
    }
    EXPECT_NE(log.find("private window, 00:00:10"), std::string::npos) << log;
    const QStringList lines = LogTexts(w);
    EXPECT_EQ(lines.filter("re:(bad").size(), 1) << "a bad pattern is told once";

    // A change of the file is in force from the next sample; the bad pattern is told again as
    // the rules are read anew.
    QTest::qWait(20);
    WriteFile(cfg, "[Privacy]\nSkip=*editor*\nPrivateBrowsing=0\n");
    Tick("/usr/bin/firefox", "Bank \u2014 Mozilla Firefox Private Browsing");
    Tick("/usr/bin/editor", "b");
    EXPECT_EQ(w.Session().Activities()[w.Session().Activities().Count() - 1].Caption,
              "Bank \u2014 Mozilla Firefox Private Browsing");
    EXPECT_FALSE(w.Session().Activities().LastEntryOpen()) << "the editor is skipped now";
}

TEST_F(MainWindow, ForgetTheLastMinutesTakesTheRunningEntryAndRecordingGoesOn) {
    TfmActivity& w = Start();
    for (int i = 0; i < 20 * 12; ++i)
        Tick("/usr/bin/editor", "old");
    for (int i = 0; i < 13; ++i)
        Tick("/usr/bin/browser", "gone soon");

    dialogs.answers = {QMessageBox::No};
    w.Privacy().mnForget15->trigger();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    // The editor's entry reached into the last 15 minutes; the browser's runs.
    EXPECT_TRUE(dialogs.asked[0].startsWith("2 entries with 00:21:00 of time"))
        << dialogs.asked[0].toStdString();
    EXPECT_EQ(Saved().Count(), 2) << "No changes nothing";

    // The period index of orvane-report holds times of the entries: it goes with them.
    std::ofstream(Folder() + "/orvane.cdat.idx") << "index";
    dialogs.answers = {QMessageBox::Yes};
    w.Privacy().mnForget15->trigger();
    EXPECT_EQ(w.Session().Activities().Count(), 0);
    EXPECT_EQ(Saved().Count(), 0);
    EXPECT_EQ(w.Memo1->toPlainText().indexOf("gone soon"), -1);
    for (const QString& name :
         QDir(QString::fromStdString(Folder())).entryList(QDir::Files | QDir::Hidden))
        EXPECT_TRUE(name == "orvane.cdat" || name == "orvane.cdat.lock") << name.toStdString();
    Tick("/usr/bin/browser", "gone soon");
    ASSERT_EQ(w.Session().Activities().Count(), 1) << "the next sample opens a new entry";
    EXPECT_TRUE(w.Session().Activities().LastEntryOpen());

    dialogs.answers = {QMessageBox::Yes};
    w.Privacy().mnForgetToday->trigger();
    EXPECT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(w.Session().Activities().Count(), 0);
}

TEST_F(MainWindow, ForgetOnAProgramNodeTakesThatProgramOfThatDay) {
    TfmActivity& w = Start();
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/browser", "b");
    Tick("/usr/bin/editor", "c");
    Tick("/usr/bin/mail", "d");
    Tick("/usr/bin/browser", "xylophone");
    w.RefreshTree();
    const QModelIndex day = w.TreeModel().index(0, 0);
    ASSERT_TRUE(day.isValid());
    w.TreeView1->expand(day);
    QModelIndex editor;
    for (int r = 0; r < w.TreeModel().rowCount(day); ++r) {
        const QModelIndex i = w.TreeModel().index(r, 0, day);
        if (i.data().toString().contains("editor")) editor = i;
    }
    ASSERT_TRUE(editor.isValid());
    w.show();
    emit w.TreeView1->customContextMenuRequested(w.TreeView1->visualRect(editor).center());
    w.PopupMenu1->hide();
    dialogs.answers = {QMessageBox::Yes};
    w.Privacy().pmForget->trigger();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_TRUE(dialogs.asked[0].startsWith("2 entries")) << dialogs.asked[0].toStdString();
    const TActivityList saved = Saved();
    ASSERT_EQ(saved.Count(), 3);
    EXPECT_EQ(saved[0].Process, "/usr/bin/browser");
    EXPECT_EQ(saved[1].Process, "/usr/bin/mail");

    // A caption line: that window of that program only.
    w.RefreshTree();
    const QModelIndex day2 = w.TreeModel().index(0, 0);
    w.TreeView1->expand(day2);
    QModelIndex line;
    for (int r = 0; r < w.TreeModel().rowCount(day2); ++r) {
        const QModelIndex program = w.TreeModel().index(r, 0, day2);
        if (!program.data().toString().contains("browser")) continue;
        w.TreeView1->expand(program);
        for (int l = 0; l < w.TreeModel().rowCount(program); ++l)
            if (w.TreeModel().index(l, 0, program).data().toString().contains("xylophone"))
                line = w.TreeModel().index(l, 0, program);
    }
    ASSERT_TRUE(line.isValid());
    emit w.TreeView1->customContextMenuRequested(w.TreeView1->visualRect(line).center());
    w.PopupMenu1->hide();
    dialogs.answers = {QMessageBox::Yes};
    w.Privacy().pmForget->trigger();
    ASSERT_EQ(Saved().Count(), 2);
    EXPECT_EQ(Saved()[0].Caption, "b");
}

TEST_F(MainWindow, ATimedPauseEndsByItselfAndTheTrayTipSaysUntilWhen) {
    TfmActivity& w = Start();
    EXPECT_TRUE(w.Options1->actions().contains(w.Privacy().mnPause15));
    EXPECT_TRUE(w.pmIcon->actions().contains(w.Privacy().pmPause60));
    Tick("/usr/bin/editor", "a");
    w.Privacy().pmPause60->trigger();
    EXPECT_TRUE(w.Sampler().Paused());
    EXPECT_TRUE(w.mnPause->isChecked());
    EXPECT_NEAR(w.PauseUntil(), clock.Now() + 1.0 / 24, 1e-9);
    auto* timer = w.Session().findChild<QTimer*>("PauseTimer");
    ASSERT_TRUE(timer && timer->isActive());
    EXPECT_GT(timer->remainingTime(), 59 * 60000);
    w.mnPause->trigger(); // off by hand: the timed end goes too
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(w.PauseUntil(), 0.0);

    if (const QByteArray dir = qgetenv("ORVANE_SCREENSHOTS"); !dir.isEmpty()) {
        for (QMenu* menu : {w.Options1, w.pmIcon, w.Bearbeiten1, w.PopupMenu1}) {
            menu->adjustSize();
            menu->grab().save(QString::fromLocal8Bit(dir) + "/" + menu->objectName() + ".png");
        }
    }
    w.Privacy().mnPause15->trigger();
    timer->start(1);
    QTest::qWait(50);
    EXPECT_FALSE(w.Sampler().Paused());
    EXPECT_FALSE(w.pmPause->isChecked());
}

TEST(PrivacyForm, ShowsTheRulesAndWhatTheyWouldHaveCaughtThisWeek) {
    TActivityList list;
    const auto add = [&](const char* p, const char* c, TDateTime start, TDateTime d) {
        TEntry e(p, c, start);
        e.Duration = d;
        list.AppendLoaded(e);
    };
    const TDateTime monday = EncodeDateTime(2024, 5, 6, 0, 0, 0);
    add("/usr/bin/firefox", "My bank", monday - 1, 1.0 / 24); // last week
    add("/usr/bin/firefox", "My bank", monday + 0.5, 1.0 / 24);
    add("/usr/bin/keepassxc", "vault", monday + 0.6, 1.0 / 48);
    add("/usr/bin/chrome", "Mail - Google Chrome (Incognito)", monday + 0.7, 1.0 / 96);
    TPrivacySettings s;
    s.Skip = {"*keepass*", "title:*bank*"};
    s.HideTitle = {"thunderbird"};
    TMessageTexts texts;
    TfrmPrivacy form(nullptr, s, texts, list, monday, monday + 7);
    EXPECT_EQ(form.SkipEdit()->toPlainText(), "*keepass*\ntitle:*bank*");
    EXPECT_EQ(form.Settings(), s);
    EXPECT_EQ(form.CatchLine()->text(),
              "This week these rules would have left out 2 entries (01:30:00) and hidden the "
              "titles of 1 entries (00:15:00).");
    form.BrowsingBox()->setChecked(false);
    EXPECT_NE(form.CatchLine()->text().indexOf("hidden the titles of 0 entries"), -1);
    form.HideEdit()->setPlainText("thunderbird\n  \n title:*vault* ");
    form.UpdateCatch();
    EXPECT_EQ(form.Settings().HideTitle,
              (std::vector<std::string>{"thunderbird", "title:*vault*"}));
    form.BrowsingBox()->setChecked(true);
    form.show();
    if (const QByteArray dir = qgetenv("ORVANE_SCREENSHOTS"); !dir.isEmpty())
        form.grab().save(QString::fromLocal8Bit(dir) + "/privacy-dialog.png");
}

TEST_F(MainWindow, ThePrivacyItemsAndLinesAreTranslated) {
    exePath = home->filePath("bin/orvane");
    const fs::path lan = home->filePath("bin/LAN").toStdString();
    fs::create_directories(lan);
    for (const auto& file : fs::directory_iterator(ORVANE_LAN_DIR))
        fs::copy_file(file.path(), lan / file.path().filename());
    WriteFile(Folder() + "/orvane.cfg", "[Privacy]\nSkip=title:*zebulon*\n");
    TfmActivity& w = Start();
    base->SetLanguage("Deutsch");
    w.LoadMessageTexts();
    EXPECT_EQ(w.Privacy().mnPause15->text(), "15 Minuten anhalten");
    EXPECT_EQ(w.Privacy().pmPause60->text(), "1 Stunde anhalten");
    EXPECT_EQ(w.Privacy().mnPrivacy->text(), "Privatsphäre…");
    EXPECT_EQ(w.Privacy().mnForgetToday->text(), "Heute vergessen");
    EXPECT_EQ(w.Privacy().pmForget->text(), "Vergessen…");
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/vault", "zebulon");
    Tick("/usr/bin/editor", "a");
    const QStringList log = LogTexts(w);
    ASSERT_EQ(log.size(), 3) << log.join('\n').toStdString();
    EXPECT_EQ(log[1], "5 privates Fenster, 00:00:05");
}

namespace {

// Every text of the tree, its nodes' children included.
QStringList TreeTexts(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
    QStringList texts;
    for (int i = 0; i < model.rowCount(parent); ++i) {
        const QModelIndex index = model.index(i, 0, parent);
        texts << model.data(index).toString() << TreeTexts(model, index);
    }
    return texts;
}

void SaveOne(const std::string& file, const std::string& process, TDateTime start, double seconds) {
    TActivityList list;
    TEntry e(process, "w", start);
    e.Duration = seconds * Sec;
    list.AppendLoaded(e);
    list.SaveToFile(file);
}

} // namespace

TEST_F(MainWindow, SeveralComputersRecordIntoTheSharedFolderAndShowAllOfThem) {
    qunsetenv("ORVANE_MACHINE");
    const std::string shared = home->path().toStdString() + "/shared";
    fs::create_directories(shared);
    fs::create_directories(Folder());
    SaveOne(Folder() + "/orvane.cdat", "/usr/bin/old", EncodeDateTime(2024, 5, 6, 8, 0, 0), 600);
    const std::string local = ReadFile(Folder() + "/orvane.cdat");
    SaveOne(shared + "/laptop.cdat", "/usr/bin/browser", EncodeDateTime(2024, 5, 6, 9, 0, 0), 900);
    const std::string laptop = ReadFile(shared + "/laptop.cdat");
    std::ofstream(Folder() + "/orvane.cfg") << "[Machines]\nFolder=" << shared << "\nName=desk\n";

    TfmActivity& w = Start();
    EXPECT_EQ(fs::path(w.Session().DataFile()).lexically_normal(),
              fs::path(shared + "/desk.cdat").lexically_normal());
    EXPECT_EQ(ReadFile(shared + "/desk.cdat"), local); // the local record, copied
    EXPECT_TRUE(fs::exists(shared + "/.stignore"));
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/mail", "b", 60000);
    w.RefreshViews();
    const auto shows = [&](const char* program) {
        return TreeTexts(w.TreeModel()).join('\n').contains(program);
    };
    EXPECT_TRUE(shows("/usr/bin/browser"));
    EXPECT_TRUE(shows("/usr/bin/editor"));
    EXPECT_TRUE(shows("/usr/bin/old"));

    // View > Machines: this computer alone, another alone, all again.
    QAction* own = w.findChild<QAction*>("mnMachinesThis");
    ASSERT_TRUE(own);
    own->trigger();
    EXPECT_FALSE(shows("/usr/bin/browser"));
    EXPECT_TRUE(shows("/usr/bin/editor"));
    w.findChild<QMenu*>("mnMachines")->aboutToShow();
    QAction* other = nullptr;
    for (QAction* a : w.findChild<QMenu*>("mnMachines")->actions())
        if (a->text() == "laptop") other = a;
    ASSERT_TRUE(other);
    other->trigger();
    EXPECT_TRUE(shows("/usr/bin/browser"));
    EXPECT_FALSE(shows("/usr/bin/editor"));
    w.findChild<QAction*>("mnMachinesAll")->trigger();

    // The other computer's record replaced underneath, the way the sync tool does it.
    SaveOne(shared + "/.syncthing.laptop.cdat.tmp", "/usr/bin/term", EncodeDateTime(2024, 5, 6, 9),
            300);
    fs::rename(shared + "/.syncthing.laptop.cdat.tmp", shared + "/laptop.cdat");
    const std::string replaced = ReadFile(shared + "/laptop.cdat");
    w.RefreshTree();
    EXPECT_TRUE(shows("/usr/bin/term"));
    EXPECT_FALSE(shows("/usr/bin/browser"));

    // Saves write the own file alone; the local record and the other computer's stay as they
    // are, and no temporary is left in the folder.
    w.mnCloseClick();
    TActivityList saved;
    saved.LoadFromFile(shared + "/desk.cdat");
    EXPECT_EQ(saved.Count(), 3);
    EXPECT_EQ(ReadFile(shared + "/laptop.cdat"), replaced);
    EXPECT_EQ(ReadFile(Folder() + "/orvane.cdat"), local);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(shared))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".stignore", "desk.cdat", "laptop.cdat"}));
    EXPECT_NE(laptop, replaced);
}

TEST_F(MainWindow, ASharedRecordOfTheSameNameThatThisComputerDidNotWriteIsLeftAlone) {
    qunsetenv("ORVANE_MACHINE");
    const std::string shared = home->path().toStdString() + "/shared";
    fs::create_directories(shared);
    fs::create_directories(Folder());
    SaveOne(shared + "/desk.cdat", "/usr/bin/theirs", EncodeDateTime(2024, 5, 6, 9), 900);
    const std::string theirs = ReadFile(shared + "/desk.cdat");
    std::ofstream(Folder() + "/orvane.cfg") << "[Machines]\nFolder=" << shared << "\nName=desk\n";
    TfmActivity& w = Start();
    QCoreApplication::processEvents();
    EXPECT_EQ(fs::path(w.Session().DataFile()).lexically_normal(),
              fs::path(Folder() + "/orvane.cdat").lexically_normal()); // records locally meanwhile
    ASSERT_FALSE(dialogs.informs.empty());
    EXPECT_TRUE(dialogs.informs.back().contains("Choose another name"))
        << dialogs.informs.back().toStdString();
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/mail", "b");

    // Options > "Several computers...": another name, and recording goes on in its own file,
    // which starts as a copy of the local record.
    dialogs.folder = QString::fromStdString(shared);
    dialogs.inputs = {"desk two"};
    w.findChild<QAction*>("mnMachinesFolder")->trigger();
    EXPECT_EQ(fs::path(w.Session().DataFile()).lexically_normal(),
              fs::path(shared + "/desk_two.cdat").lexically_normal());
    Tick("/usr/bin/shell", "c");
    w.mnCloseClick();
    TActivityList saved;
    saved.LoadFromFile(shared + "/desk_two.cdat");
    ASSERT_EQ(saved.Count(), 3);
    EXPECT_EQ(saved[2].Process, "/usr/bin/shell");
    EXPECT_EQ(Saved().Count(), 2); // the local record stays as it was when the folder was chosen
    EXPECT_EQ(ReadFile(shared + "/desk.cdat"), theirs);
    EXPECT_NE(ReadFile(Folder() + "/orvane.cfg").find("Name=desk_two"), std::string::npos);
}
