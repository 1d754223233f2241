// The 5-second sampler: one sample per timer tick, an entry per uninterrupted stretch of the same
// program and caption. The main window wires it to its timer, its change log, the data file and
// the chart; everything it needs is handed in, so it runs without any user interface.
#pragma once

#include "recorder/activitylist.h"
#include "recorder/clock.h"
#include "recorder/presence.h"
#include "recorder/probe.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace orvane {

// Time that is not counted: nobody at the computer, the session locked, recording paused by the
// user, or no sample at all for a while (the program was stopped, the machine slept unnoticed).
enum class EStretch { Away, Locked, Paused, Gap };

// The beginning or the end of such a stretch; a gap is told once, when it is found.
struct TStretchEvent {
    EStretch Kind = EStretch::Away;
    bool Begins = false;
    std::uint64_t Seconds = 0; // from its beginning up to this event (a gap: its whole length)
    TDateTime Time = 0;        // when it began (Begins, a gap) or ended
};

struct TSamplerHooks {
    std::function<void(const std::string& line)> AppendLog; // one change-log line
    std::function<void()> Save;                             // writes the record; may throw
    std::function<void(TDateTime from, TDateTime to)> ShowChart;
    std::function<void()> RestartTimer;                // the next tick a full interval later
    std::function<void(const TStretchEvent&)> Stretch; // an uncounted stretch begins or ends
};

class TSampler {
public:
    static constexpr int Interval = 5000;              // ms between samples
    static constexpr std::uint32_t MouseQuiet = 10000; // ms without mouse moves before a redraw
    // The running entry's length goes to disk at the first sample this long after the last
    // write, so a crash or a power cut loses at most a minute of it.
    static constexpr std::uint64_t RunningSaveAfter = 60000 - Interval;
    // A sample this much later than the one before it follows a gap: the time between is not
    // counted.
    static constexpr std::uint64_t GapAfter = 30000;
    // At a wake-up, the time since the last sample is a gap when a sample was missed (beyond the
    // timer's slack). A clock that counts the sleep would otherwise add it to the running entry.
    static constexpr std::uint64_t ResumeGapAfter = Interval + 1000;

    TSampler(TActivityList& activities, IForegroundProbe& probe, IClock& clock,
             TSamplerHooks hooks);

    // "Time", "Seconds", "Process", "Focus" in their columns.
    static std::string HeaderLine();
    static std::string LogLine(const std::string& when, std::int64_t seconds,
                               const std::string& process, const std::string& caption);

    // Where the sampler learns whether anybody is at the computer; either may be null.
    void SetPresence(IIdleSource* idle, ILockSource* lock) {
        FIdle = idle;
        FLock = lock;
    }
    // Minutes without input after which the user counts as away; 0 turns it off. Handed on to the
    // idle source as its threshold. At most a day: some sources keep the threshold in 32 bits.
    static constexpr int MaxAwayMinutes = 1440;
    void SetAwayMinutes(int minutes);
    int AwayMinutes() const { return static_cast<int>(FAwayMs / 60000); }
    // Pause on: the running entry ends now, and nothing is recorded until pause is off again.
    // Writes the record when an entry was closed (the save may throw).
    void SetPaused(bool paused);
    bool Paused() const { return FPaused; }
    // The stretch that is running now, if any (a gap never runs).
    std::optional<EStretch> Stretch() const { return FStretch; }

    // One sample. True when it was a change; otherwise the running entry's length may be saved. A
    // failed save propagates after the new entry, the log line and the sample fields are in place;
    // the chart is then not redrawn.
    bool Timer1Timer();
    // Closes the running entry now, for good, and restarts the timer. The next sample opens a new
    // entry, even for the same window.
    void CloseCurrentActivity();
    // The same without the timer: for a program that is ending and may no longer use its user
    // interface.
    void SealRunningEntry();
    // The next sample counts as a change (view reset, "New", resume).
    void ResetSample();
    // The system woke up (whether or not it told of the sleep): a reset, and when samples were
    // missed, the time since the last one is a gap: the running entry ends at that sample.
    void Resumed();
    // A mouse move over the tree or the chart.
    void TreeView1MouseMove() { FLastMouseMoveTick = FClock.TickCount(); }

    const std::string& LastProcess() const { return FLastProcess; }
    const std::string& LastCaption() const { return FLastCaption; }
    TDateTime LastChange() const { return FLastChange; }
    std::uint32_t LastMouseMoveTick() const { return FLastMouseMoveTick; }

private:
    TDateTime RunningLength();
    void SaveRunningEntry();
    // The wall-clock time of a monotonic time now or before it.
    TDateTime WallAt(std::uint64_t ms);
    // Ends the running entry at the given monotonic time (never before its start) and seals it;
    // true when there was one.
    bool EndRunningEntryAt(std::uint64_t ms);
    // The same for a moment that may lie before the running entry's start (the last input of a
    // user found away): the entries opened after it go, and the one running then ends there.
    // Entries opened before keepBeforeMs are never taken out; one of them left running ends there
    // at the latest.
    bool EndEntriesAt(std::uint64_t ms, std::uint64_t keepBeforeMs);
    // The idle source's reading, no more than this sampler has seen pass.
    std::optional<std::uint64_t> ReadIdleMs(std::uint64_t nowMs);
    void Report(EStretch kind, bool begins, std::uint64_t fromMs, std::uint64_t toMs,
                TDateTime time);
    void BeginStretch(EStretch kind, std::uint64_t sinceMs, std::uint64_t keepBeforeMs = 0);
    void EndStretch(std::uint64_t atMs);
    void AfterGap(std::uint64_t lastMs, std::uint64_t nowMs);

    TActivityList& FActivities;
    IForegroundProbe& FProbe;
    IClock& FClock;
    TSamplerHooks FHooks;

    std::string FLastProcess;
    std::string FLastCaption;
    TDateTime FLastChange = 0;
    std::uint64_t FLastChangeMs = 0;   // monotonic twin of FLastChange
    std::uint64_t FRunningSinceMs = 0; // monotonic start of the running entry
    std::uint64_t FRunningSavedMs = 0; // when its length last went to disk
    std::uint32_t FLastMouseMoveTick = 0;

    IIdleSource* FIdle = nullptr;
    ILockSource* FLock = nullptr;
    std::uint64_t FAwayMs = 0; // 0: away detection off
    bool FPaused = false;
    std::optional<EStretch> FStretch;
    std::uint64_t FStretchSinceMs = 0;
    std::uint64_t FStretchEndedMs = 0; // the last one's end: the next begins no earlier
    std::uint64_t FLastSampleMs = 0;
    std::uint64_t FStartMs = 0;

    // The last idle reading and when it was taken.
    struct TIdleReading {
        std::uint64_t IdleMs = 0;
        std::uint64_t AtMs = 0;
    };
    std::optional<TIdleReading> FIdleRead;

    // The entries this run opened one after the other, each ending where the next began, up to
    // the running one: where they began on the monotonic clock. The wall-clock starts in the list
    // may have stepped; these tell where each really began.
    struct TRunEntry {
        TDateTime Start = 0; // as in the list, to know the entry again
        std::uint64_t StartMs = 0;
    };
    std::deque<TRunEntry> FRun;
};

} // namespace orvane
