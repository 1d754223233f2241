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
    return true;
}

bool TSampler::EndEntriesAt(std::uint64_t ms) {
    if (!FActivities.LastEntryOpen()) return false;
    if (ms >= FRunningSinceMs) return EndRunningEntryAt(ms);
    // Windows that came to the front after that moment did so by themselves: nobody was there.
    // Their entries hold nobody's time. Only the unbroken run behind the running entry is looked
    // at (each entry ended where the next began), and its starts are counted back on the
    // monotonic clock by the entries' lengths, so that a step of the wall clock changes nothing.
    const TActivityList& entries = FActivities;
    double startMs = static_cast<double>(FRunningSinceMs);
    TDateTime nextStart = entries.Items(entries.Count() - 1).Start;
    FActivities.RemoveAt(FActivities.Count() - 1);
    while (FActivities.Count() > 0) {
        const int i = FActivities.Count() - 1;
        const TEntry& e = entries.Items(i);
        if (std::abs(e.Start + e.Duration - nextStart) * MSecsPerDay > 1000) break;
        const double eStartMs = startMs - e.Duration * MSecsPerDay;
        if (eStartMs < static_cast<double>(ms)) {
            FActivities.Items(i).Duration = (static_cast<double>(ms) - eStartMs) / MSecsPerDay;
            break;
        }
        startMs = eStartMs;
        nextStart = e.Start;
        FActivities.RemoveAt(i);
    }
    FActivities.SealLastEntry();
    return true;
}

void TSampler::Report(EStretch kind, bool begins, std::uint64_t fromMs, std::uint64_t toMs,
                      TDateTime time) {
    if (FHooks.Stretch)
        FHooks.Stretch({kind, begins, toMs > fromMs ? (toMs - fromMs) / 1000 : 0, time});
}

void TSampler::BeginStretch(EStretch kind, std::uint64_t sinceMs) {
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
    const bool closed = EndEntriesAt(sinceMs);
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
    if (sampleMs > lastMs && sampleMs - lastMs > GapAfter) AfterGap(lastMs, sampleMs);
    if (FPaused) return false;
    if (const std::optional<std::uint64_t> since = FLock ? FLock->LockedSinceMs() : std::nullopt) {
        BeginStretch(EStretch::Locked, *since);
        return false;
    }
    if (FIdle && FAwayMs > 0) {
        const std::optional<std::uint64_t> idle = FIdle->IdleMs();
        if (idle && *idle >= FAwayMs) {
            // Closed at the last input, not at the moment it is noticed.
            BeginStretch(EStretch::Away, sampleMs > *idle ? sampleMs - *idle : 0);
            return false;
        }
    }

    const TForegroundSample sample = FProbe.Sample();
    const std::string& process = sample.Process;
    const EPrivacy privacy = FPrivacy && !IsBlank(process)
                                 ? FPrivacy->Classify(process, sample.Caption)
                                 : EPrivacy::Record;
    if (privacy == EPrivacy::Skip) {
        // Ends the running entry here; neither the window nor its time is kept.
        BeginStretch(EStretch::Private, sampleMs);
        return false;
    }
    EndStretch(sampleMs);
    // Capped before the comparison: a change past the cap is no change of what is stored.
    const std::string caption(privacy == EPrivacy::HideTitle ? PrivateTitle
                                                             : CappedCaption(sample.Caption));
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
    // An unidentified foreground is nobody's time: the entry before it ends here, for good.
    if (IsBlank(process)) FActivities.SealLastEntry();

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

void TSampler::Resumed() {
    ResetSample();
    FLastSampleMs = FLastChangeMs;
}

} // namespace orvane
