#include "recorder/sampler.h"

#include "recorder/textformat.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane {

TSampler::TSampler(TActivityList& activities, IForegroundProbe& probe, IClock& clock,
                   TSamplerHooks hooks)
    : FActivities(activities), FProbe(probe), FClock(clock), FHooks(std::move(hooks)) {
    FLastChange = FClock.Now();
    FLastChangeMs = FClock.MonotonicMs();
    FLastSampleMs = FLastChangeMs;
    FStartMs = FLastChangeMs;
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

void TSampler::SetAwayMinutes(int minutes) {
    FAwayMs = static_cast<std::uint64_t>(std::clamp(minutes, 0, MaxAwayMinutes)) * 60000;
    if (FIdle) FIdle->SetThreshold(FAwayMs);
}

TDateTime TSampler::WallAt(std::uint64_t ms) {
    const std::uint64_t now = FClock.MonotonicMs();
    return FClock.Now() - static_cast<double>(now > ms ? now - ms : 0) / MSecsPerDay;
}

bool TSampler::EndRunningEntryAt(std::uint64_t ms) {
    if (!FActivities.LastEntryOpen()) return false;
    const std::uint64_t end = std::max(ms, FRunningSinceMs);
    FActivities.CloseLastEntryAfter(static_cast<double>(end - FRunningSinceMs) / MSecsPerDay);
    FActivities.SealLastEntry();
    FRun.clear();
    return true;
}

bool TSampler::EndEntriesAt(std::uint64_t ms, std::uint64_t keepBeforeMs) {
    if (!FActivities.LastEntryOpen()) return false;
    if (ms >= FRunningSinceMs) return EndRunningEntryAt(ms);
    // Windows that came to the front after that moment did so by themselves: nobody was there.
    // Their entries hold nobody's time. Only this run's entries that followed each other up to the
    // running one are looked at, by where they began on the monotonic clock, so that a step of the
    // wall clock changes nothing.
    bool running = true;
    while (!FRun.empty()) {
        const TRunEntry r = FRun.back();
        const int i = FActivities.Count() - 1;
        if (i < 0 || FActivities[i].Start != r.Start) break; // the list was changed meanwhile
        if (r.StartMs < ms || r.StartMs < keepBeforeMs) {
            // Running at that moment: it ends there. Too old to be taken out: it keeps its time
            // up to where the next one began, or, when it ran, up to the limit.
            const std::uint64_t endMs = r.StartMs < ms ? ms : keepBeforeMs;
            const double length = static_cast<double>(endMs - r.StartMs) / MSecsPerDay;
            if (running)
                FActivities.CloseLastEntryAfter(length);
            else if (r.StartMs < ms)
                FActivities.Items(i).Duration = length;
            running = false;
            break;
        }
        FActivities.RemoveAt(i);
        FRun.pop_back();
        running = false;
    }
    if (running) EndRunningEntryAt(std::max(ms, keepBeforeMs));
    FActivities.SealLastEntry();
    FRun.clear();
    return true;
}

std::optional<std::uint64_t> TSampler::ReadIdleMs(std::uint64_t nowMs) {
    if (!FIdle || FAwayMs == 0) return std::nullopt;
    std::optional<std::uint64_t> idle = FIdle->IdleMs();
    if (!idle) return std::nullopt;
    // Idle time grows no faster than time passes, and nobody was idle here before we started:
    // one absurd reading must not reach back over entries long recorded.
    std::uint64_t most = nowMs > FStartMs ? nowMs - FStartMs : 0;
    if (FIdleRead && nowMs >= FIdleRead->AtMs)
        most = std::min(most, FIdleRead->IdleMs + (nowMs - FIdleRead->AtMs));
    idle = std::min(*idle, most);
    FIdleRead = TIdleReading{*idle, nowMs};
    return idle;
}

void TSampler::Report(EStretch kind, bool begins, std::uint64_t fromMs, std::uint64_t toMs,
                      TDateTime time) {
    if (FHooks.Stretch)
        FHooks.Stretch({kind, begins, toMs > fromMs ? (toMs - fromMs) / 1000 : 0, time});
}

void TSampler::BeginStretch(EStretch kind, std::uint64_t sinceMs, std::uint64_t keepBeforeMs) {
    if (FStretch == kind) return;
    const std::uint64_t now = FClock.MonotonicMs();
    sinceMs = std::min(sinceMs, now);
    // One stretch follows another (away, then the screen locks): the first ends where the next
    // begins, and neither reaches back before the other.
    sinceMs = std::max(sinceMs, FStretchEndedMs);
    if (FStretch) {
        sinceMs = std::max(sinceMs, FStretchSinceMs);
        EndStretch(sinceMs);
    }
    const bool closed = EndEntriesAt(sinceMs, keepBeforeMs);
    FStretch = kind;
    FStretchSinceMs = sinceMs;
    FLastProcess.clear();
    FLastCaption.clear();
    Report(kind, true, sinceMs, now, WallAt(sinceMs));
    if (closed && FHooks.Save) FHooks.Save(); // the closed entry's length, in place
}

void TSampler::EndStretch(std::uint64_t atMs) {
    if (!FStretch) return;
    const EStretch kind = *FStretch;
    FStretch.reset();
    FStretchEndedMs = atMs;
    // The first sample after it is a change, and its line counts from here.
    FLastProcess.clear();
    FLastCaption.clear();
    FLastChange = WallAt(atMs);
    FLastChangeMs = atMs;
    Report(kind, false, FStretchSinceMs, atMs, FLastChange);
}

void TSampler::AfterGap(std::uint64_t lastMs, std::uint64_t nowMs) {
    // The running entry had the focus up to the last sample; nobody knows what came after it.
    const bool closed = EndRunningEntryAt(lastMs);
    if (FStretch) return; // within a stretch nothing ran: the stretch goes on
    FLastProcess.clear();
    FLastCaption.clear();
    FLastChange = WallAt(nowMs);
    FLastChangeMs = nowMs;
    Report(EStretch::Gap, true, lastMs, nowMs, WallAt(lastMs));
    if (closed && FHooks.Save) FHooks.Save();
}

void TSampler::SetPaused(bool paused) {
    if (paused == FPaused) return;
    FPaused = paused;
    const std::uint64_t now = FClock.MonotonicMs();
    if (paused) {
        BeginStretch(EStretch::Paused, now);
    } else {
        EndStretch(now);
        FLastSampleMs = now;
    }
}

bool TSampler::Timer1Timer() {
    const std::uint64_t sampleMs = FClock.MonotonicMs();
    const std::uint64_t lastMs = std::exchange(FLastSampleMs, sampleMs);
    const bool gap = sampleMs > lastMs && sampleMs - lastMs > GapAfter;
    if (FPaused) {
        if (gap) AfterGap(lastMs, sampleMs);
        return false;
    }

    // A lock, or an absence from the last input on (closed there, not where it is noticed).
    std::optional<EStretch> begins;
    std::uint64_t sinceMs = 0;
    std::uint64_t keepBeforeMs = 0;
    if (const std::optional<std::uint64_t> since = FLock ? FLock->LockedSinceMs() : std::nullopt) {
        begins = EStretch::Locked;
        sinceMs = *since;
    } else if (const std::optional<std::uint64_t> idle = ReadIdleMs(sampleMs);
               idle && *idle >= FAwayMs) {
        begins = EStretch::Away;
        sinceMs = sampleMs - *idle;
        // Away takes out only what opened within its threshold and a sample of now, and nothing
        // ran past the last sample.
        const std::uint64_t reach = FAwayMs + Interval;
        keepBeforeMs = std::min(sampleMs > reach ? sampleMs - reach : 0, lastMs);
    }
    // A stretch that began before the gap covers it: the entries end where it began.
    if (gap && !(begins && sinceMs <= lastMs)) AfterGap(lastMs, sampleMs);
    if (begins) {
        BeginStretch(*begins, sinceMs, keepBeforeMs);
        return false;
    }
    EndStretch(sampleMs);

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
    if (!FActivities.LastEntryOpen()) FRun.clear(); // the new entry follows no running one
    FActivities.CloseLastEntryAfter(RunningLength());
    const int before = FActivities.Count();
    FActivities.AddEntry(process, caption, FClock.Now());
    if (FActivities.Count() != before) {
        FRunningSinceMs = FClock.MonotonicMs();
        FRun.push_back({FActivities[FActivities.Count() - 1].Start, FRunningSinceMs});
        // Away never reaches further back than its longest threshold and a sample.
        constexpr std::uint64_t reach = std::uint64_t{MaxAwayMinutes} * 60000 + Interval;
        while (FRun.size() > 1 && FRun[1].StartMs + reach < FRunningSinceMs)
            FRun.pop_front();
    }
    // An unidentified foreground is nobody's time: the entry before it ends here, for good.
    if (IsBlank(process)) {
        FActivities.SealLastEntry();
        FRun.clear();
    }

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
    FRun.clear();
    // A window still in front at the next sample opens a new entry: a suspend that was not
    // followed by sleep must not end the recording of the foreground.
    FLastProcess.clear();
    FLastCaption.clear();
}

void TSampler::ResetSample() {
    FLastProcess.clear();
    FLastCaption.clear();
    FLastChange = FClock.Now();
    FLastChangeMs = FClock.MonotonicMs();
}

void TSampler::Resumed() {
    const std::uint64_t now = FClock.MonotonicMs();
    const std::uint64_t lastMs = std::exchange(FLastSampleMs, now);
    // The sleep itself may not have been told, and a clock that counts it (Windows' performance
    // counter) would add it to the running entry: it ends at the last sample.
    if (now > lastMs && now - lastMs > ResumeGapAfter) AfterGap(lastMs, now);
    ResetSample();
}

} // namespace orvane
