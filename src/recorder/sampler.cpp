#include "recorder/sampler.h"

#include "recorder/textformat.h"

namespace orvane {

TSampler::TSampler(TActivityList& activities, IForegroundProbe& probe, IClock& clock,
                   TSamplerHooks hooks)
    : FActivities(activities), FProbe(probe), FClock(clock), FHooks(std::move(hooks)) {
    FLastChange = FClock.Now();
    FLastChangeMs = FClock.MonotonicMs();
}

std::string TSampler::LogLine(const std::string& when, std::int64_t seconds,
                              const std::string& process, const std::string& caption) {
    return SafeFormat("%-25s%-10s%-40s%s", {when, std::to_string(seconds), process, caption});
}

std::string TSampler::HeaderLine() {
    return SafeFormat("%-25s%-10s%-40s%s", {"Time", "Seconds", "Process", "Focus"});
}

TDateTime TSampler::RunningLength() {
    const std::uint64_t now = FClock.MonotonicMs();
    const std::uint64_t ms = now > FRunningSinceMs ? now - FRunningSinceMs : 0;
    return static_cast<double>(ms) / MSecsPerDay;
}

bool TSampler::Timer1Timer() {
    const TForegroundSample sample = FProbe.Sample();
    const std::string& process = sample.Process;
    // Capped before the comparison: a change past the cap is no change of what is stored.
    const std::string caption(CappedCaption(sample.Caption));
    if (process == FLastProcess && caption == FLastCaption) {
        SaveRunningEntry();
        return false;
    }

    // Lengths come from the monotonic clock: a clock step or a daylight-saving change must not
    // stretch or shrink an entry.
    FActivities.CloseLastEntryAfter(RunningLength());
    const int before = FActivities.Count();
    FActivities.AddEntry(process, caption, FClock.Now());
    if (FActivities.Count() != before) FRunningSinceMs = FClock.MonotonicMs();

    const TDateTime now = FClock.Now();
    const std::uint64_t nowMs = FClock.MonotonicMs();
    const auto seconds =
        static_cast<std::int64_t>(nowMs > FLastChangeMs ? (nowMs - FLastChangeMs) / 1000 : 0);
    if (FHooks.AppendLog)
        FHooks.AppendLog(LogLine(DateText(now) + " " + TimeText(now), seconds, process, caption));

    FLastCaption = caption;
    FLastProcess = process;
    FLastChange = now;
    FLastChangeMs = nowMs;

    FRunningSavedMs = nowMs;
    if (FHooks.Save) FHooks.Save();

    if (static_cast<std::uint32_t>(FClock.TickCount() - FLastMouseMoveTick) > MouseQuiet &&
        FHooks.ShowChart) {
        const TDateTime today = FClock.Now();
        FHooks.ShowChart(StartOfDay(today), EndOfDay(today));
    }
    return true;
}

void TSampler::SaveRunningEntry() {
    if (!FActivities.LastEntryOpen()) return;
    const std::uint64_t now = FClock.MonotonicMs();
    if (now - FRunningSavedMs < RunningSaveAfter) return;
    FRunningSavedMs = now;
    FActivities.CloseLastEntryAfter(RunningLength());
    if (FHooks.Save) FHooks.Save(); // the Duration alone: 8 bytes written in place
}

void TSampler::CloseCurrentActivity() {
    SealRunningEntry();
    if (FHooks.RestartTimer) FHooks.RestartTimer();
}

void TSampler::SealRunningEntry() {
    FActivities.CloseLastEntryAfter(RunningLength());
    FActivities.SealLastEntry();
}

void TSampler::ResetSample() {
    FLastProcess.clear();
    FLastCaption.clear();
    FLastChange = FClock.Now();
    FLastChangeMs = FClock.MonotonicMs();
}

} // namespace orvane
