// The recording session: the record in memory and its file, the sampler with its probe and
// presence sources, the settings file, and the policy of loading and saving. The windows show what
// it tells them (signals) and the command-line companion shares its paths and loading.
#pragma once

#include "recorder/activitylist.h"
#include "recorder/clock.h"
#include "recorder/presence.h"
#include "recorder/probe.h"
#include "recorder/sampler.h"
#include "session/paths.h"
#include "views/forget.h"
#include "views/messagetexts.h"
#include "views/privacy.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace orvane {

class TRuleSet;
namespace platform {
class IProbeBackend;
}

// What the session takes from outside; tests hand in fakes, the program the real things.
struct TSessionDeps {
    IForegroundProbe* Probe = nullptr; // default: the backend the desktop offers
    IClock* Clock = nullptr;           // default: the system clocks
    QString ExePath;                   // default: the running executable
    // Whether anybody is at the computer. By default the sources the desktop offers; with
    // FindPresence false, only those given here (either may be null).
    bool FindPresence = true;
    IIdleSource* Idle = nullptr;
    ILockSource* Lock = nullptr;
};

class TRecordingSession : public QObject {
    Q_OBJECT
public:
    // texts: the message texts in the language in use, kept up to date by the owner.
    TRecordingSession(TSessionDeps deps, const TMessageTexts& texts, QObject* parent = nullptr);
    ~TRecordingSession() override;

    TActivityList& Activities() { return FActivities; }
    TSampler& Sampler() { return *FSampler; }
    IClock& Clock() { return *FDeps.Clock; }
    const QString& ExePath() const { return FDeps.ExePath; }
    const std::string& DataFolder() const { return FDataFolder; } // ends with a separator
    const std::string& DataFile() const { return FDataFile; }
    const std::string& ConfigFile() const { return FConfigFile; }
    // Another file becomes the record's (the own file of a shared folder); nothing is read.
    void SetDataFile(std::string file) { FDataFile = std::move(file); }
    // Checked before every save: throws when the file is not this computer's own to write.
    void SetWriteCheck(std::function<void(const std::string&)> check) {
        FWriteCheck = std::move(check);
    }

    // Start-up: loads the record; a file that cannot be read whole is moved aside and kept, and
    // what became of it is told once.
    void LoadRecord();
    // The settings the session itself keeps: away detection and the privacy rules.
    void LoadSettings();
    int AwayMinutes() const { return FAwayMinutes; }
    // Sets and stores the away threshold; false when minutes is out of range. In effect for this
    // run even when it cannot be stored (the write throws).
    bool SetAwayMinutes(int minutes);

    // One sample of the timer, with the rules read again when the settings file changed.
    void Timer1Timer();
    void CloseCurrentActivity() { FSampler->CloseCurrentActivity(); }
    // Writes the record. A save refused because the file there could not be read is told once and
    // recording goes on in memory; other failures propagate.
    void WriteRecord();
    // Writes the record; a failure is reported and the program goes on.
    void SaveRecord();
    // The save of the exit sequence: on a full disk at least the smallest save that keeps the
    // running entry. A failure is reported.
    void SaveAtExit();
    // The last words of a program ended from outside by exit() (the X server went away): the
    // running entry is closed and its length written in place. Touches no Qt object and shows
    // nothing: the window system may be gone.
    void SaveForExit() noexcept;
    // The program ends: nothing more is written by SaveForExit.
    void End() { FEnded = true; }
    bool Ended() const { return FEnded; }
    // The file is the local record's copy, or this computer's own file from an earlier time.
    void SwitchRecord(const std::string& file);
    // The machine goes to sleep: the running entry ends and is written, as the machine may never
    // wake up. After the wake-up the next sample opens a new entry.
    void Suspend();
    void Resumed() { FSampler->Resumed(); }

    // A pause switched on or off by hand; off ends a timed pause too. The entry closed by the
    // pause is written; a failed write is reported and the pause stands.
    void SetPaused(bool paused);
    // Pause on for that long; it ends by itself.
    void PauseFor(int minutes);
    TDateTime PauseUntil() const { return FPauseUntil; } // 0: no timed pause

    // The entries that share [since, until) and that pick takes (all when empty), the running
    // entry up to now among them.
    TForgetPlan PlanForget(TInstant since, TInstant until,
                           const std::function<bool(const TEntry&)>& pick) const;
    // Takes them out and writes the whole record (no copy of the old file is left). The running
    // entry among them ends now, and recording goes on with the next sample.
    void Forget(const TForgetPlan& plan);
    // Says where a record that a save moved aside went, once.
    void NoticeMovedAside();
    // Says once that the record is kept in memory only.
    void TellKept(const QString& reason);

    // Privacy: the rules of [Privacy], read again when the settings file changed since.
    void ReloadPrivacy();
    TPrivacyRules* PrivacyRules() const { return FPrivacy.get(); }
    TPrivacySettings ReadPrivacy();
    void WritePrivacy(const TPrivacySettings& settings);
    // The categories of the settings file, read again when it changed: they colour the chart.
    TRuleSet& CategoryRules();

signals:
    void logLine(const QString& line); // a line for the change log
    // Said once, without waiting: a line in the change log and a message box.
    void noticed(const QString& text);
    void failed(const QString& text); // an error to show
    void chartChanged(TDateTime from, TDateTime to);
    void restartTimer();   // the next sample a full interval later
    void recordSwitched(); // another file is the record now
    void pauseChanged();   // a pause began or ended

private:
    template <class F> void Guard(F&& command);
    void RecreateDataFolder();
    void StretchLog(const TStretchEvent& event);
    void TellPrivacyProblems();
    void TellProbeProblem();
    // The settings file's size and time, to tell whether rules read from it are still current.
    std::string SettingsStamp() const;

    TSessionDeps FDeps;
    const TMessageTexts& FTexts;
    std::unique_ptr<IForegroundProbe> FOwnProbe;
    platform::IProbeBackend* FBackend = nullptr; // the probe, where it can tell what hinders it
    std::unique_ptr<IClock> FOwnClock;
    std::unique_ptr<IIdleSource> FOwnIdle;
    std::unique_ptr<ILockSource> FOwnLock;
    TActivityList FActivities;
    std::unique_ptr<TSampler> FSampler;
    std::string FDataFolder;
    std::string FDataFile;
    std::string FConfigFile;
    std::function<void(const std::string&)> FWriteCheck;
    int FAwayMinutes = 0;
    std::string FProbeProblemTold;
    std::unique_ptr<TPrivacyRules> FPrivacy;
    std::string FPrivacyStamp;
    std::unique_ptr<TRuleSet> FCategories;
    std::string FCategoriesStamp;
    QTimer* FPauseTimer = nullptr;
    TDateTime FPauseUntil = 0;
    bool FKeptTold = false;
    bool FEnded = false;
};

} // namespace orvane
