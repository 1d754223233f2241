// The 5-second sampler: one sample per timer tick, an entry per uninterrupted stretch of the same
// program and caption. The main window wires it to its timer, its change log, the data file and
// the chart; everything it needs is handed in, so it runs without any user interface.
#pragma once

#include "recorder/activitylist.h"
#include "recorder/clock.h"
#include "recorder/probe.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orvane {

struct TSamplerHooks {
    std::function<void(const std::string& line)> AppendLog; // one change-log line
    std::function<void()> Save;                             // writes the record; may throw
    std::function<void(TDateTime from, TDateTime to)> ShowChart;
    std::function<void()> RestartTimer; // the next tick a full interval later
};

class TSampler {
public:
    static constexpr int Interval = 5000;              // ms between samples
    static constexpr std::uint32_t MouseQuiet = 10000; // ms without mouse moves before a redraw
    // The running entry's length goes to disk at the first sample this long after the last
    // write, so a crash or a power cut loses at most a minute of it.
    static constexpr std::uint64_t RunningSaveAfter = 60000 - Interval;

    TSampler(TActivityList& activities, IForegroundProbe& probe, IClock& clock,
             TSamplerHooks hooks);

    // "Time", "Seconds", "Process", "Focus" in their columns.
    static std::string HeaderLine();
    static std::string LogLine(const std::string& when, std::int64_t seconds,
                               const std::string& process, const std::string& caption);

    // One sample. True when it was a change; otherwise the running entry's length may be saved. A
    // failed save propagates after the new entry, the log line and the sample fields are in place;
    // the chart is then not redrawn.
    bool Timer1Timer();
    // Closes the running entry now, for good, and restarts the timer.
    void CloseCurrentActivity();
    // The same without the timer: for a program that is ending and may no longer use its user
    // interface.
    void SealRunningEntry();
    // The next sample counts as a change (view reset, "New", resume).
    void ResetSample();
    // A mouse move over the tree or the chart.
    void TreeView1MouseMove() { FLastMouseMoveTick = FClock.TickCount(); }

    const std::string& LastProcess() const { return FLastProcess; }
    const std::string& LastCaption() const { return FLastCaption; }
    TDateTime LastChange() const { return FLastChange; }
    std::uint32_t LastMouseMoveTick() const { return FLastMouseMoveTick; }

private:
    TDateTime RunningLength();
    void SaveRunningEntry();

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
};

} // namespace orvane
