// The recording session without windows: a scripted foreground, a hand-driven clock, and the data
// and settings files in a private folder.
#include "session/recordingsession.h"

#include "platform/filepath.h"
#include "platform/platform.h"
#include "platform/probebackend.h"
#include "session/settings.h"

#include "envguard.h"
#include "files.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace orvane;
namespace fs = std::filesystem;

namespace {

constexpr double Sec = 1.0 / 86400.0;

std::string Bytes(const std::string& file) {
    std::ifstream in(PathOf(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> MovedAside(const std::string& folder) {
    std::vector<std::string> aside;
    for (const auto& f : fs::directory_iterator(PathOf(folder)))
        if (PathText(f.path().filename()).rfind("orvane.cdat.damaged-", 0) == 0)
            aside.push_back(PathText(f.path()));
    return aside;
}

class RecordingSession : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        // The data folder is the profile's own %APPDATA%\Orvane, emptied by every test.
        if (std::getenv("ORVANE_TEST_SCRATCH_PROFILE") == nullptr)
            GTEST_SKIP() << "these tests empty %APPDATA%\\Orvane: they run only where "
                            "ORVANE_TEST_SCRATCH_PROFILE says the profile is a scratch one";
        fs::remove_all(PathOf(Folder()));
#endif
        env.Set("HOME", temp.Path());
        env.Set("XDG_DATA_HOME", temp.Path() + "/data");
        clock.SetNow(EncodeDateTime(2024, 5, 6, 10, 0, 0));
    }
    TRecordingSession& Start() {
        session.reset();
        TSessionDeps deps;
        deps.Probe = &probe;
        deps.Clock = &clock;
        deps.ExePath = "/opt/orvane/bin/orvane";
        deps.FindPresence = false;
        deps.Idle = &idle;
        deps.Lock = &lock;
        session = std::make_unique<TRecordingSession>(deps, texts);
        log = std::make_unique<QSignalSpy>(session.get(), &TRecordingSession::logLine);
        notices = std::make_unique<QSignalSpy>(session.get(), &TRecordingSession::noticed);
        errors = std::make_unique<QSignalSpy>(session.get(), &TRecordingSession::failed);
        session->LoadSettings();
        session->LoadRecord();
        return *session;
    }
    void Tick(const std::string& p, const std::string& c, std::uint64_t ms = 5000) {
        clock.Advance(ms);
        probe.SetForeground(p, c);
        session->Timer1Timer();
    }
#ifdef _WIN32
    std::string Folder() const {
        return platform::UserAppDataFolder() + "\\Orvane";
    }
#else
    std::string Folder() const {
        return temp.Path() + "/data/Orvane";
    }
#endif
    std::string Data() const {
        return Folder() + "/orvane.cdat";
    }
    TActivityList Saved() const {
        TActivityList l;
        l.LoadFromFile(Data());
        return l;
    }
    QString Notice(qsizetype i) const {
        return notices->at(i).at(0).toString();
    }
    // The change log's lines without their time.
    QStringList LogTexts() const {
        QStringList lines;
        for (const QList<QVariant>& line : *log)
            lines << line.at(0).toString().mid(25).simplified();
        return lines;
    }

    TTempFolder temp;
    TEnvGuard env;
    TMessageTexts texts;
    platform::TScriptedProbe probe;
    TManualClock clock;
    TScriptedIdle idle;
    TScriptedLock lock;
    std::unique_ptr<TRecordingSession> session;
    std::unique_ptr<QSignalSpy> log, notices, errors;
};

} // namespace

TEST_F(RecordingSession, FilesAreNamedAfterTheProgramInAPrivateFolder) {
    TRecordingSession& s = Start();
    EXPECT_EQ(s.DataFile(), Folder() + platform::PathDelim + "orvane.cdat");
    EXPECT_EQ(s.ConfigFile(), Folder() + platform::PathDelim + "orvane.cfg");
    EXPECT_EQ(s.DataFile(), DataFilePath("/opt/orvane/bin/orvane"));
    EXPECT_EQ(SettingsFileBeside(s.DataFile()), s.ConfigFile()) << "as orvane-report finds it";
    EXPECT_EQ(DefaultDataFile(), s.DataFile());
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(Folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    EXPECT_FALSE(fs::exists(PathOf(s.DataFile()))) << "nothing written before the first sample";
}

// A damaged record at start-up: what could be read is loaded, the original goes aside whole, the
// user is told once, and the first save holds the rest and what follows.
TEST_F(RecordingSession, ADamagedRecordIsKeptAsideAndToldOnce) {
    fs::create_directories(PathOf(Folder()));
    {
        TActivityList list;
        for (int i = 0; i < 10; ++i)
            list.AddEntry("/usr/bin/old", std::to_string(i), 45000 + i);
        list.SaveToFile(Data());
    }
    std::string original = Bytes(Data());
    original[0] = 12; // a count larger than the records
    std::ofstream(PathOf(Data()), std::ios::binary | std::ios::trunc) << original;

    TRecordingSession& s = Start();
    EXPECT_EQ(s.Activities().Count(), 10);
    const std::vector<std::string> aside = MovedAside(Folder());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(Bytes(aside[0]), original);
    EXPECT_EQ(errors->count(), 0);
    ASSERT_EQ(notices->count(), 1);
    EXPECT_NE(Notice(0).indexOf("stopped at entry 11 of 12"), -1) << Notice(0).toStdString();
    EXPECT_NE(Notice(0).indexOf(QString::fromStdString(aside[0])), -1);

    Tick("/usr/bin/new", "x");
    Tick("/usr/bin/newer", "y");
    EXPECT_EQ(Saved().Count(), 12);
    EXPECT_EQ(notices->count(), 1) << "told once";
}

// When the record that could not be read cannot be kept aside either (no file may be written at
// all), nothing is written over it; the user is told once, recording goes on in memory, and the
// first save that can be made keeps the original and writes the rest.
TEST_F(RecordingSession, ARecordThatCannotBeKeptAsideIsNeverWrittenOver) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit that makes every write fail";
#else
    fs::create_directories(PathOf(Folder()));
    const std::string original = std::string("\x05\0\0\0", 4) + "cut short";
    std::ofstream(PathOf(Data()), std::ios::binary) << original;
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit tight = old;
    tight.rlim_cur = 2; // not even a count fits
    ::setrlimit(RLIMIT_FSIZE, &tight);
    TRecordingSession& s = Start();
    for (int i = 0; i < 4; ++i)
        Tick("/usr/bin/p" + std::to_string(i), "x");
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(Bytes(Data()), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(PathOf(Folder())), fs::directory_iterator()), 1);
    EXPECT_EQ(errors->count(), 0);
    ASSERT_EQ(notices->count(), 1) << "told once";
    EXPECT_NE(Notice(0).indexOf("nothing is written over it"), -1) << Notice(0).toStdString();
    EXPECT_EQ(s.Activities().Count(), 4);

    Tick("/usr/bin/p4", "x");
    EXPECT_EQ(Saved().Count(), 5);
    ASSERT_EQ(notices->count(), 2);
    EXPECT_NE(Notice(1).indexOf("was moved to"), -1) << Notice(1).toStdString();
    const std::vector<std::string> aside = MovedAside(Folder());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(Bytes(aside[0]), original);
#endif
}

// The away threshold: one default, one range, for what the file holds and what the user enters.
TEST_F(RecordingSession, TheAwayThresholdIsReadInRangeAndStored) {
    fs::create_directories(PathOf(Folder()));
    const std::string config = Folder() + "/orvane.cfg";
    const struct {
        const char* Stored; // null: no settings file
        int Expected;
    } cases[] = {{nullptr, 5}, {"0", 0},  {"12", 12}, {"1440", 1440},
                 {"1441", 5},  {"-1", 5}, {"x", 5},   {"0x10", 16}};
    for (const auto& c : cases) {
        fs::remove(PathOf(config));
        if (c.Stored)
            std::ofstream(PathOf(config)) << "[Activities]\nAwayMinutes=" << c.Stored << "\n";
        TRecordingSession& s = Start();
        EXPECT_EQ(s.AwayMinutes(), c.Expected) << (c.Stored ? c.Stored : "none");
        EXPECT_EQ(s.Sampler().AwayMinutes(), c.Expected) << (c.Stored ? c.Stored : "none");
    }
    TRecordingSession& s = Start();
    EXPECT_FALSE(s.SetAwayMinutes(1441));
    EXPECT_FALSE(s.SetAwayMinutes(-1));
    EXPECT_EQ(s.AwayMinutes(), 16);
    EXPECT_TRUE(s.SetAwayMinutes(30));
    EXPECT_EQ(s.Sampler().AwayMinutes(), 30);
    EXPECT_EQ(Start().AwayMinutes(), 30) << "stored";
}

// The program ended from outside by exit(): the running entry's length goes to disk in place.
TEST_F(RecordingSession, SaveForExitWritesTheRunningEntry) {
    TRecordingSession& s = Start();
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/mail", "b");
    clock.Advance(50000); // no tick: the last write was at the change
    s.SaveForExit();
    ASSERT_EQ(Saved().Count(), 2);
    EXPECT_NEAR(Saved()[1].Duration, 50 * Sec, 1e-9);
    // Once only: the exit sequence, or an earlier call, has saved.
    clock.Advance(50000);
    s.SaveForExit();
    EXPECT_NEAR(Saved()[1].Duration, 50 * Sec, 1e-9);
}

TEST_F(RecordingSession, SuspendSealsAndResumeOpensANewEntry) {
    TRecordingSession& s = Start();
    Tick("/usr/bin/editor", "a");
    clock.Advance(10000);
    s.Suspend();
    EXPECT_NEAR(Saved()[0].Duration, 10 * Sec, 1e-9) << "saved at the suspend";
    clock.SetNow(clock.Now() + 0.25);
    s.Resumed();
    Tick("/usr/bin/editor", "a");
    ASSERT_EQ(s.Activities().Count(), 2);
    EXPECT_NEAR(s.Activities()[0].Duration, 10 * Sec, 1e-9);
}

TEST_F(RecordingSession, AwayAndLockedStretchesAreLoggedAndNotCounted) {
    fs::create_directories(PathOf(Folder()));
    fs::permissions(PathOf(Folder()), fs::perms::owner_all);
    { std::ofstream(PathOf(Folder() + "/orvane.cfg")) << "[Activities]\nAwayMinutes=1\n"; }
    texts[EMessageText::SAwayEnds] = "Zurück nach %s %s %n"; // a translation gone wrong
    TRecordingSession& s = Start();
    EXPECT_EQ(idle.Threshold, 60000u);
    Tick("/usr/bin/editor", "a");
    for (std::uint64_t ms = 0; ms <= 60000; ms += 5000) { // the last input at the first tick
        idle.Idle = ms;
        Tick("/usr/bin/editor", "a");
    }
    EXPECT_EQ(s.Sampler().Stretch(), EStretch::Away);
    EXPECT_NEAR(Saved()[0].Duration, 5 * Sec, 1e-9) << "ended at the last input, and written";
    idle.Idle = 0;
    lock.LockedSince = clock.MonotonicMs() + 2000;
    Tick("/usr/bin/editor", "a");
    lock.LockedSince.reset();
    Tick("/usr/bin/mail", "b");
    ASSERT_EQ(s.Activities().Count(), 2);
    EXPECT_EQ(s.Activities()[1].Process, "/usr/bin/mail");
    const QStringList log = LogTexts();
    ASSERT_EQ(log.size(), 6) << log.join('\n').toStdString();
    EXPECT_EQ(log[1], "Away: no keyboard or mouse input since 10:00:10");
    EXPECT_EQ(log[2], "62 Zurück nach 00:01:02 %n") << "away ends where the lock begins";
    EXPECT_EQ(log[3], "Session locked at 10:01:12");
    EXPECT_EQ(log[4], "8 Session unlocked after 00:00:08");
    EXPECT_TRUE(log[5].startsWith("0 /usr/bin/mail")) << log[5].toStdString();
}

TEST_F(RecordingSession, AGapBetweenSamplesIsLoggedAndNotCounted) {
    Start();
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/editor", "a");
    Tick("/usr/bin/mail", "b", 120000); // the program was stopped for two minutes
    EXPECT_NEAR(Saved()[0].Duration, 5 * Sec, 1e-9);
    const QStringList log = LogTexts();
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[1], "120 No samples for 00:02:00 after 10:00:10 (the program was stopped or the "
                      "computer slept): not counted");
    EXPECT_TRUE(log[2].startsWith("0 /usr/bin/mail")) << log[2].toStdString();
}

// The data folder removed under the running program: the next save makes it again, private, and
// writes the whole record from memory; the change log says so once, and not before.
TEST_F(RecordingSession, ARemovedDataFolderIsMadeAgainWithTheWholeRecord) {
    TRecordingSession& s = Start();
    Tick("/usr/bin/a", "x");
    Tick("/usr/bin/b", "y");
    // Saves into the folder that is there say nothing of it, whatever its name (on Windows:
    // a profile named outside the code page).
    EXPECT_TRUE(LogTexts().filter("was missing").isEmpty()) << LogTexts().join('\n').toStdString();
    fs::remove_all(PathOf(Folder()));
    Tick("/usr/bin/c", "z");
    Tick("/usr/bin/a", "x");
    EXPECT_EQ(errors->count(), 0);
    EXPECT_EQ(Saved().Count(), 4);
#ifndef _WIN32
    EXPECT_EQ(fs::status(PathOf(Folder())).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
    const QString said = QString::fromStdString(
        "The data folder " + Folder() +
        " was missing and has been created again; the whole record is written to it from memory.");
    EXPECT_EQ(LogTexts().count(said), 1) << LogTexts().join('\n').toStdString();
    fs::remove_all(PathOf(Folder()));
    clock.Advance(30000);
    s.CloseCurrentActivity();
    s.SaveAtExit();
    ASSERT_EQ(Saved().Count(), 4);
    EXPECT_NEAR(Saved()[3].Duration, 30 * Sec, 1e-9);
    EXPECT_EQ(LogTexts().count(said), 2);
}

// The views and the command-line companion read the same record the same way.
TEST(RecordFiles, ReadRecordSaysWhatCouldNotBeRead) {
    TTempFolder temp;
    TActivityList list;
    const TRecordRead missing = ReadRecord(temp.Path() + "/none.cdat", list);
    EXPECT_FALSE(missing.Error.empty());
    const std::string file = temp.Path() + "/r.cdat";
    {
        TActivityList l;
        l.AddEntry("/usr/bin/a", "x", 45000);
        l.AddEntry("/usr/bin/b", "y", 45000.1);
        l.SaveToFile(file);
    }
    const TRecordRead read = ReadRecord(file, list);
    EXPECT_TRUE(read.Error.empty());
    EXPECT_TRUE(read.Result.Whole);
    EXPECT_EQ(list.Count(), 2);
}
