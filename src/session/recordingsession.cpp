#include "session/recordingsession.h"

#include "platform/filepath.h"
#include "platform/platform.h"
#include "platform/presencefactory.h"
#include "platform/probefactory.h"
#include "recorder/datafile.h"
#include "recorder/datetime.h"
#include "recorder/debugtrace.h"
#include "recorder/periodread.h"
#include "recorder/textformat.h"
#include "session/settings.h"
#include "views/recordedtext.h"
#include "views/rules.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace orvane {

namespace {

// The session whose record an exit() from outside must not lose; null when none runs.
TRecordingSession* RunningSession = nullptr;

void SaveRunningSessionAtExit() {
    if (RunningSession) RunningSession->SaveForExit();
}

} // namespace

TRecordingSession::TRecordingSession(TSessionDeps deps, const TMessageTexts& texts, QObject* parent)
    : QObject(parent), FDeps(std::move(deps)), FTexts(texts),
      FAwayMinutes(settings::AwayMinutes.Default) {
    if (!FDeps.Probe) {
        platform::TProbeChoice probe = platform::CreateProbe();
        DebugTrace(nullptr, "foreground probe: %s", {probe.Backend->Name()});
        for (const std::string& why : probe.PassedOver)
            DebugTrace(nullptr, "  passed over %s", {why});
        FOwnProbe = std::move(probe.Backend);
        FDeps.Probe = FOwnProbe.get();
    }
    FBackend = dynamic_cast<platform::IProbeBackend*>(FDeps.Probe);
    if (!FDeps.Clock) {
        FOwnClock = std::make_unique<TSystemClock>();
        FDeps.Clock = FOwnClock.get();
    }
    if (FDeps.ExePath.isEmpty()) FDeps.ExePath = QCoreApplication::applicationFilePath();
    if (FDeps.FindPresence) {
        platform::TPresenceChoice presence = platform::CreatePresenceSources();
        DebugTrace(nullptr, "idle source: %s, lock source: %s",
                   {presence.Idle ? presence.Idle->Name() : "none",
                    presence.Lock ? presence.Lock->Name() : "none"});
        for (const std::string& why : presence.PassedOver)
            DebugTrace(nullptr, "  passed over %s", {why});
        FOwnIdle = std::move(presence.Idle);
        FOwnLock = std::move(presence.Lock);
        FDeps.Idle = FOwnIdle.get();
        FDeps.Lock = FOwnLock.get();
    }

    FSampler = std::make_unique<TSampler>(
        FActivities, *FDeps.Probe, *FDeps.Clock,
        TSamplerHooks{[this](const std::string& line) { emit logLine(FromSystemText(line)); },
                      [this] { WriteRecord(); },
                      [this](TDateTime from, TDateTime to) { emit chartChanged(from, to); },
                      [this] { emit restartTimer(); },
                      [this](const TStretchEvent& e) { StretchLog(e); }});
    FSampler->SetPresence(FDeps.Idle, FDeps.Lock);

    FPauseTimer = new QTimer(this);
    FPauseTimer->setObjectName("PauseTimer");
    FPauseTimer->setSingleShot(true);
    connect(FPauseTimer, &QTimer::timeout, this, [this] { SetPaused(false); });

    FDataFolder = DataFolderPath();
    CreateFolderPath(FDataFolder.substr(0, FDataFolder.size() - 1));
    FDataFile = DataFilePath(FDeps.ExePath);
    FConfigFile = SettingsFilePath(FDeps.ExePath);

    // Qt ends the program with exit() when it loses the X server (the server died, or was killed
    // at logout without a SIGTERM to us): the handler closes and saves the running entry then.
    static const bool exitHandler = std::atexit(SaveRunningSessionAtExit) == 0;
    if (exitHandler) RunningSession = this;
}

TRecordingSession::~TRecordingSession() {
    if (RunningSession == this) RunningSession = nullptr;
}

template <class F> void TRecordingSession::Guard(F&& command) {
    try {
        command();
    } catch (const EFileKept& e) {
        TellKept(FromUtf8Text(e.what()));
    } catch (const std::exception& e) {
        emit failed(FromUtf8Text(e.what()));
    }
}

void TRecordingSession::SaveForExit() noexcept {
    if (RunningSession == this) RunningSession = nullptr;
    if (FEnded) return; // the exit sequence has saved
    FEnded = true;
    try {
        FSampler->SealRunningEntry();
        // In place only: the length and nothing else. A file that would need a whole rewrite is
        // left as it is.
        try {
            FActivities.SaveToFileInPlace(FDataFile);
        } catch (const EFileError&) {
            FActivities.SaveRunningEntryInPlace(FDataFile); // no room for all that is new
        }
    } catch (...) {
    }
}

void TRecordingSession::NoticeMovedAside() {
    const std::string moved = FActivities.TakeMovedAside();
    if (moved.empty()) return;
    emit noticed(QString("The record \"%1\" could not be read whole. The original file was moved "
                         "to \"%2\" and is kept as it is; recording goes on in a new record.")
                     .arg(FromFileName(FDataFile), FromFileName(moved)));
}

void TRecordingSession::TellKept(const QString& reason) {
    if (FKeptTold) return;
    FKeptTold = true;
    emit noticed("The record was not saved: " + reason +
                 ". Orvane goes on recording in memory and tries again at every change.");
}

void TRecordingSession::LoadRecord() {
    std::error_code ec;
    if (!std::filesystem::exists(PathOf(FDataFile), ec) && !ec) return;
    const TRecordRead read = ReadRecord(FDataFile, FActivities);
    const QString file = FromFileName(FDataFile);
    QString problem;
    if (!read.Error.empty())
        problem = "The record cannot be read: " + FromUtf8Text(read.Error);
    else if (!read.Result.Whole)
        problem = QString("The record \"%1\" is damaged: %2. The %3 entries that could be "
                          "read were loaded.")
                      .arg(file, FromFileName(read.Result.Where()))
                      .arg(read.Result.Loaded);
    if (FActivities.KeptFile().empty()) {
        if (!problem.isEmpty()) emit failed(problem);
        return;
    }
    // Nothing may be written over what could not be read: the first save, made now, moves it
    // aside as the new record takes its place.
    try {
        FActivities.SaveToFile(FDataFile);
    } catch (const EFileKept& e) {
        FKeptTold = true;
        problem += "\n\nThe record was not saved: " + FromUtf8Text(e.what()) +
                   ". Orvane records in memory and tries again at every change.";
    } catch (const std::exception& e) {
        problem += "\n\n" + FromUtf8Text(e.what());
    }
    const std::string moved = FActivities.TakeMovedAside();
    if (!moved.empty())
        problem += QString("\n\nThe original file was moved to \"%1\" and is kept as it is; "
                           "recording goes on in a new record.")
                       .arg(FromFileName(moved));
    emit noticed(problem);
}

void TRecordingSession::LoadSettings() {
    TIniFile ini(FConfigFile);
    FAwayMinutes = ReadInteger(ini, settings::AwayMinutes);
    FSampler->SetAwayMinutes(FAwayMinutes);
    ReloadPrivacy();
}

bool TRecordingSession::SetAwayMinutes(int minutes) {
    if (!InRange(settings::AwayMinutes, minutes)) return false;
    FAwayMinutes = minutes;
    FSampler->SetAwayMinutes(minutes);
    TIniFile ini(FConfigFile);
    WriteInteger(ini, settings::AwayMinutes, minutes);
    return true;
}

void TRecordingSession::Timer1Timer() {
    ReloadPrivacy();
    Guard([this] { FSampler->Timer1Timer(); });
    TellPrivacyProblems();
    TellProbeProblem();
}

void TRecordingSession::TellProbeProblem() {
    // Asked only after a blank sample: for some backends the question costs a second look.
    std::string problem;
    if (FBackend && FSampler->LastProcess().empty() && FSampler->LastCaption().empty())
        problem = FBackend->Problem();
    if (problem == FProbeProblemTold) return;
    FProbeProblemTold = problem;
    if (!problem.empty())
        emit logLine(FromUtf8Text(SafeFormat(FTexts[EMessageText::SProbeProblem], {problem})));
}

void TRecordingSession::RecreateDataFolder() {
    const std::string folder = FDataFolder.substr(0, FDataFolder.size() - 1);
    std::error_code ec;
    if (std::filesystem::exists(PathOf(folder), ec) || ec) return;
    if (!CreateFolderPath(folder)) return; // the save says why
    const TDateTime now = FDeps.Clock->Now();
    const std::string text = SafeFormat(FTexts[EMessageText::SFolderRecreated], {folder});
    emit logLine(FromUtf8Text(SafeFormat(
        "%-25s%-10s%s", {SystemTextToUtf8(DateText(now) + " " + TimeText(now)), "", text})));
}

void TRecordingSession::WriteRecord() {
    // Only this computer's own record is ever written.
    if (FWriteCheck) FWriteCheck(FDataFile);
    RecreateDataFolder();
    try {
        FActivities.SaveToFile(FDataFile);
    } catch (const EFileKept& e) {
        TellKept(FromUtf8Text(e.what()));
        return;
    } catch (...) {
        NoticeMovedAside(); // moved, then the save itself failed
        throw;
    }
    NoticeMovedAside();
}

void TRecordingSession::SaveRecord() {
    Guard([this] { WriteRecord(); });
}

void TRecordingSession::SaveAtExit() {
    Guard([this] {
        try {
            WriteRecord();
        } catch (const EFileError&) {
            if (!FActivities.SaveRunningEntryInPlace(FDataFile)) throw;
        }
    });
}

void TRecordingSession::SwitchRecord(const std::string& file) {
    if (file == FDataFile) return;
    CloseCurrentActivity();
    SaveRecord();
    TActivityList record;
    record.LoadFromFile(file);
    FActivities = std::move(record);
    FDataFile = file;
    FSampler->ResetSample();
    emit logLine(FromUtf8Text(SafeFormat(FTexts[EMessageText::SMachinesRecording], {file})));
    emit recordSwitched();
}

void TRecordingSession::Suspend() {
    CloseCurrentActivity();
    SaveRecord();
}

void TRecordingSession::SetPaused(bool paused) {
    FPauseTimer->stop();
    FPauseUntil = 0;
    Guard([&] { FSampler->SetPaused(paused); });
    emit pauseChanged();
}

void TRecordingSession::PauseFor(int minutes) {
    SetPaused(true);
    FPauseUntil = FDeps.Clock->Now() + minutes / 1440.0;
    FPauseTimer->start(std::chrono::minutes(minutes));
    emit pauseChanged();
}

TForgetPlan TRecordingSession::PlanForget(TInstant since, TInstant until,
                                          const std::function<bool(const TEntry&)>& pick) const {
    const TInstant now = TInstantOf()(FDeps.Clock->Now()).value_or(0);
    return orvane::PlanForget(FActivities, since, until, pick, now);
}

void TRecordingSession::Forget(const TForgetPlan& plan) {
    if (plan.Running) FSampler->SealRunningEntry();
    ApplyForget(FActivities, plan);
    // The next sample opens a new entry, whatever has the focus.
    if (plan.Running) FSampler->ResetSample();
    Guard([this] { WriteRecord(); });
    RemovePeriodIndex(FDataFile);
}

void TRecordingSession::StretchLog(const TStretchEvent& e) {
    // A private stretch is told once, at its end, by its length alone.
    if (e.Kind == EStretch::Private && e.Begins) return;
    static constexpr EMessageText begins[] = {
        EMessageText::SAwayBegins, EMessageText::SLockedBegins, EMessageText::SPausedBegins,
        EMessageText::SGap, EMessageText::SPrivateWindow};
    static constexpr EMessageText ends[] = {EMessageText::SAwayEnds, EMessageText::SLockedEnds,
                                            EMessageText::SPausedEnds, EMessageText::SGap,
                                            EMessageText::SPrivateWindow};
    const auto kind = static_cast<std::size_t>(e.Kind);
    const std::string length = DurationText(static_cast<double>(e.Seconds) / 86400.0);
    const std::string& format = FTexts[e.Begins ? begins[kind] : ends[kind]];
    std::string text;
    if (e.Kind == EStretch::Gap)
        text = SafeFormat(format, {length, SystemTextToUtf8(TimeText(e.Time))});
    else
        text = SafeFormat(format, {e.Begins ? SystemTextToUtf8(TimeText(e.Time)) : length});
    const TDateTime now = FDeps.Clock->Now();
    const std::string seconds =
        e.Begins && e.Kind != EStretch::Gap ? "" : std::to_string(e.Seconds);
    emit logLine(FromUtf8Text(SafeFormat(
        "%-25s%-10s%s", {SystemTextToUtf8(DateText(now) + " " + TimeText(now)), seconds, text})));
}

std::string TRecordingSession::SettingsStamp() const {
    const QFileInfo info(FromFileName(FConfigFile));
    return info.exists() ? std::to_string(info.size()) + "/" +
                               std::to_string(info.lastModified().toMSecsSinceEpoch())
                         : "-";
}

TRuleSet& TRecordingSession::CategoryRules() {
    const std::string stamp = SettingsStamp();
    if (!FCategories || stamp != FCategoriesStamp) {
        FCategoriesStamp = stamp;
        FCategories = std::make_unique<TRuleSet>(ReadCategories(ReadSettingsText(FConfigFile)));
    }
    return *FCategories;
}

void TRecordingSession::ReloadPrivacy() {
    const std::string stamp = SettingsStamp();
    if (FPrivacy && stamp == FPrivacyStamp) return;
    FPrivacyStamp = stamp;
    TIniFile ini(FConfigFile);
    // A file that cannot be read says nothing about the rules: the ones in force stay.
    if (FPrivacy && !ini.LoadError().empty()) return;
    TPrivacySettings settings = ReadPrivacySettings(ini);
    if (FPrivacy && FPrivacy->Settings() == settings) return;
    FPrivacy = std::make_unique<TPrivacyRules>(std::move(settings));
    FSampler->SetPrivacy(FPrivacy.get());
    TellPrivacyProblems();
}

void TRecordingSession::TellPrivacyProblems() {
    if (!FPrivacy) return;
    for (const std::string& problem : FPrivacy->TakeProblems())
        emit logLine(FromUtf8Text(
            SafeFormat(FTexts[EMessageText::SPrivacyProblem], {SystemTextToUtf8(problem)})));
}

TPrivacySettings TRecordingSession::ReadPrivacy() {
    TIniFile ini(FConfigFile);
    return ReadPrivacySettings(ini);
}

void TRecordingSession::WritePrivacy(const TPrivacySettings& settings) {
    TIniFile ini(FConfigFile);
    WritePrivacySettings(ini, settings);
}

} // namespace orvane
