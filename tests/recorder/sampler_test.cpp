#include "recorder/sampler.h"

#include "recorder/textformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>

using namespace orvane;

namespace {

constexpr double Sec = 1.0 / 86400.0;

class FakeProbe : public IForegroundProbe {
public:
    std::string P, C;
    int Samples = 0;
    TForegroundSample Sample() override {
        ++Samples;
        return {P, C};
    }
};

class Sampler : public ::testing::Test {
protected:
    Sampler() : clock(EncodeDateTime(2024, 5, 6, 10, 0, 0), 50000) {
        SetCurrentLocaleFormat(TLocaleFormat{});
    }
    TSampler& Make() {
        sampler = std::make_unique<TSampler>(
            list, probe, clock,
            TSamplerHooks{[this](const std::string& l) { log.push_back(l); },
                          [this] {
                              ++saves;
                              if (failSave) throw std::runtime_error("Stream write error");
                          },
                          [this](TDateTime f, TDateTime t) { charts.emplace_back(f, t); },
                          [this] { ++restarts; },
                          [this](const TStretchEvent& e) { stretches.push_back(e); }});
        return *sampler;
    }
    bool Tick(const std::string& p, const std::string& c, std::uint64_t afterMs = 5000) {
        clock.Advance(afterMs);
        probe.P = p;
        probe.C = c;
        return sampler->Timer1Timer();
    }

    TActivityList list;
    FakeProbe probe;
    TManualClock clock;
    std::unique_ptr<TSampler> sampler;
    std::vector<std::string> log;
    std::vector<std::pair<TDateTime, TDateTime>> charts;
    std::vector<TStretchEvent> stretches;
    int saves = 0, restarts = 0;
    bool failSave = false;
};

} // namespace

TEST_F(Sampler, ChangesOpenEntriesAndUnchangedTicksDoNothing) {
    Make();
    EXPECT_TRUE(Tick("/usr/bin/firefox", "Inbox"));
    EXPECT_FALSE(Tick("/usr/bin/firefox", "Inbox"));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(charts.size(), 1u);

    EXPECT_TRUE(Tick("/usr/bin/firefox", "INBOX")); // letter case counts
    EXPECT_TRUE(Tick("/usr/bin/firefox", "Other tab"));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2].Process, "/usr/bin/firefox");
    EXPECT_NEAR(list[0].Duration, 10 * Sec, 1e-9); // two ticks of 5 s
    EXPECT_NEAR(list[1].Duration, 5 * Sec, 1e-9);
    EXPECT_EQ(list[2].Duration, 0.0);
    EXPECT_EQ(saves, 3);
    EXPECT_EQ(probe.Samples, 4) << "one look at the focused window per tick";
    // Today's chart after each change.
    EXPECT_DOUBLE_EQ(charts.back().first, EncodeDate(2024, 5, 6));
    EXPECT_DOUBLE_EQ(charts.back().second, EncodeDateTime(2024, 5, 6, 23, 59, 59, 999));
}

TEST_F(Sampler, ABlankSampleEndsTheEntryAndItsStretchIsNotCounted) {
    Make();
    Tick("a", "x");
    Tick("a", "x");
    EXPECT_TRUE(Tick("", "")); // foreground unidentifiable: a change, but no entry
    EXPECT_EQ(list.Count(), 1);
    EXPECT_NEAR(list[0].Duration, 10 * Sec, 1e-9);
    EXPECT_FALSE(list.LastEntryOpen()) << "sealed";
    EXPECT_EQ(sampler->LastProcess(), "");
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(log.back().substr(25 + 10, 40), std::string(40, ' '));
    EXPECT_FALSE(Tick("", ""));
    EXPECT_TRUE(Tick(" ", "lock screen")); // blank too
    EXPECT_TRUE(Tick("b", "y"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NEAR(list[0].Duration, 10 * Sec, 1e-9) << "the blank stretch is not added to it";
    EXPECT_NEAR(list[1].Start, list[0].Start + 25 * Sec, 1e-9);
    Tick("b", "y");
    EXPECT_TRUE(Tick("", ""));
    EXPECT_TRUE(Tick("b", "y")) << "the same window after a blank opens a new entry";
    ASSERT_EQ(list.Count(), 3);
    EXPECT_NEAR(list[1].Duration, 10 * Sec, 1e-9);
    EXPECT_TRUE(stretches.empty());
}

TEST_F(Sampler, ResetMakesTheNextSampleAChange) {
    Make();
    Tick("a", "x");
    Tick("a", "x");
    sampler->ResetSample();
    EXPECT_EQ(sampler->LastProcess(), "");
    EXPECT_TRUE(Tick("a", "x"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NEAR(list[0].Duration, 10 * Sec, 1e-9);
    EXPECT_EQ(list[1].Process, "a");
    EXPECT_EQ(list[1].Caption, "x");
}

TEST_F(Sampler, ChartWaitsTenSecondsAfterAMouseMoveAcrossTheWrap) {
    Make();
    struct Case {
        std::uint64_t mono;  // tick count of the mouse move
        std::uint64_t later; // ms from the move to the change
        bool chart;
    } cases[] = {
        {100000, 3000, false},         {200000, 11000, true},
        {0xFFFFF000ull, 3000, false},  // wraps past 2^32 in between
        {0x1FFFFF000ull, 12000, true}, // the same, long enough
        {300000, 10000, false},        // exactly 10 s is not more than 10 s
    };
    int i = 0;
    for (const Case& c : cases) {
        clock.SetMono(c.mono);
        sampler->TreeView1MouseMove();
        charts.clear();
        Tick("p" + std::to_string(i++), "", c.later);
        EXPECT_EQ(!charts.empty(), c.chart) << c.mono << " + " << c.later;
    }
}

TEST_F(Sampler, ChangeLogLines) {
    EXPECT_EQ(TSampler::HeaderLine(),
              "Time                     Seconds   Process" + std::string(33, ' ') + "Focus");
    Make();
    clock.Advance(4999); // 4.999 s after start-up reads 4
    probe.P = "a.exe";
    probe.C = "Hi";
    sampler->Timer1Timer();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "06.05.2024 10:00:04" + std::string(6, ' ') + "4" + std::string(9, ' ') +
                          "a.exe" + std::string(35, ' ') + "Hi");
    const std::string longPath(50, 'p');
    Tick(longPath, "cap", 7000);
    EXPECT_EQ(log[1].substr(35), longPath + "cap") << "a long value shifts the rest";
    EXPECT_EQ(log[1].substr(25, 10), "7         ");
}

TEST_F(Sampler, TimeWhenNotRecordingIsNeverCounted) {
    // An entry loaded from the file is not stretched to the first change after start-up.
    list.AppendLoaded(TEntry("old", "before exit", EncodeDate(2024, 5, 1)));
    Make();
    Tick("a", "x");
    EXPECT_EQ(list[0].Duration, 0.0);

    // Suspend: the running entry is closed for good; after resume the same window opens a new
    // entry, and the closed one keeps its length.
    for (int i = 0; i < 12; ++i)
        Tick("a", "x");
    sampler->CloseCurrentActivity();
    EXPECT_EQ(restarts, 1);
    EXPECT_NEAR(list[1].Duration, 60 * Sec, 1e-9);
    clock.SetNow(clock.Now() + 0.5); // twelve hours asleep, on a clock that does not count sleep
    sampler->Resumed();
    EXPECT_TRUE(Tick("a", "x"));
    EXPECT_TRUE(Tick("b", "y"));
    EXPECT_NEAR(list[1].Duration, 60 * Sec, 1e-9);
    EXPECT_NEAR(list[2].Duration, 5 * Sec, 1e-9);
}

TEST_F(Sampler, ClockStepsDoNotChangeLengths) {
    Make();
    Tick("a", "x");
    clock.SetNow(clock.Now() - 1.0 / 24); // daylight-saving end: the wall clock goes back an hour
    EXPECT_TRUE(Tick("b", "y", 30000));
    EXPECT_NEAR(list[0].Duration, 30 * Sec, 1e-9);
    clock.SetNow(clock.Now() + 1.0 / 24);
    Tick("c", "z", 20000);
    EXPECT_NEAR(list[1].Duration, 20 * Sec, 1e-9);
}

TEST_F(Sampler, FailedSaveKeepsTheChangeAndSkipsTheChart) {
    Make();
    failSave = true;
    EXPECT_THROW(Tick("a", "x"), std::runtime_error);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(sampler->LastProcess(), "a");
    EXPECT_TRUE(charts.empty());
    failSave = false;
    EXPECT_FALSE(Tick("a", "x"));
    EXPECT_TRUE(Tick("b", "x"));
    EXPECT_EQ(saves, 2);
}

TEST_F(Sampler, TheRunningEntryGoesToDiskEveryMinuteAsEightBytes) {
    const std::string file = ::testing::TempDir() + "orvane-sampler-running.cdat";
    list.AppendLoaded(TEntry("old", "from the last run", 1)); // loaded: never written again
    std::vector<TSaveInfo> writes;
    TSampler s(list, probe, clock,
               TSamplerHooks{nullptr,
                             [&] {
                                 list.SaveToFile(file);
                                 writes.push_back(list.LastSave());
                             },
                             nullptr, nullptr, nullptr});
    for (int i = 0; i < 12; ++i) { // a minute with nothing running: nothing to write
        clock.Advance(5000);
        s.Timer1Timer();
    }
    EXPECT_TRUE(writes.empty());
    probe.P = "a";
    probe.C = "x";
    clock.Advance(5000);
    s.Timer1Timer();
    ASSERT_EQ(writes.size(), 1u);  // the change
    for (int i = 0; i < 36; ++i) { // three minutes on the same window
        clock.Advance(5000);
        s.Timer1Timer();
        if (writes.size() > 1) {
            EXPECT_TRUE(writes.back().Incremental);
        }
    }
    ASSERT_EQ(writes.size(), 4u);
    for (std::size_t i = 1; i < writes.size(); ++i)
        EXPECT_EQ(writes[i].BytesWritten, 8u);
    EXPECT_NEAR(list[1].Duration, 165 * Sec, 1e-9); // the last write, at most a minute ago
    EXPECT_EQ(list[0].Duration, 0.0);
    TActivityList back;
    back.LoadFromFile(file);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[1].Duration, list[1].Duration);

    // Closed for good (exit, suspend): its length stays as written; the window still in front
    // opens a new entry.
    s.CloseCurrentActivity();
    const TDateTime closed = list[1].Duration;
    for (int i = 0; i < 24; ++i) {
        clock.Advance(5000);
        s.Timer1Timer();
    }
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[1].Duration, closed);
    TActivityList after;
    after.LoadFromFile(file);
    ASSERT_EQ(after.Count(), 3);
    EXPECT_EQ(after[1].Duration, closed);
    std::remove(file.c_str());
}

TEST_F(Sampler, AChangePastTheCaptionCapIsNoChange) {
    Make();
    const std::string head(MaxCaptionBytes, 't');
    Tick("editor", head + "1");
    EXPECT_FALSE(Tick("editor", head + "2")) << "what is stored would be the same";
    EXPECT_FALSE(Tick("editor", head));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Caption.size(), MaxCaptionBytes);
    EXPECT_EQ(log.size(), 1u);
    EXPECT_LT(log[0].size(), MaxCaptionBytes + 100);
}

namespace {

// A sampler with scripted presence: every sample comes at a set second after the start, with the
// window in front, the second of the last input and the second the session was locked.
class PresenceRig {
public:
    static constexpr int Now = -1;     // input at the sample itself
    static constexpr int Unknown = -2; // the idle source cannot tell

    explicit PresenceRig(int awayMinutes) : clock(T0, Mono0) {
        sampler.SetPresence(&idle, &lock);
        sampler.SetAwayMinutes(awayMinutes);
    }
    // One sample every 5 s from `from` to `to`, both included.
    void Run(int from, int to, const std::string& window, int input = Now, int lockedAt = -1) {
        for (int at = from; at <= to; at += 5) {
            MoveTo(at);
            probe.P = probe.C = window;
            idle.Idle = input == Unknown ? std::nullopt
                        : input == Now   ? std::optional<std::uint64_t>(0)
                                         : std::optional<std::uint64_t>((at - input) * 1000);
            lock.LockedSince =
                lockedAt < 0 ? std::nullopt : std::optional<std::uint64_t>(Mono0 + lockedAt * 1000);
            sampler.Timer1Timer();
        }
    }
    void Pause(int at, bool on) {
        MoveTo(at);
        sampler.SetPaused(on);
    }
    // One sample with what the idle source says, however absurd.
    void Reading(int at, const std::string& window, std::uint64_t idleMs) {
        MoveTo(at);
        probe.P = probe.C = window;
        idle.Idle = idleMs;
        lock.LockedSince.reset();
        sampler.Timer1Timer();
    }
    // The wall clock steps by that many seconds; the monotonic clock goes on.
    void Step(int seconds) { clock.SetNow(clock.Now() + seconds * Sec); }
    // The system tells of a suspend, or of a wake-up.
    void Suspend(int at) {
        MoveTo(at);
        sampler.CloseCurrentActivity();
    }
    void Wake(int at) {
        MoveTo(at);
        sampler.Resumed();
    }
    // Both told, the machine asleep in between (on a clock that counts the sleep).
    void Sleep(int at, int until) {
        Suspend(at);
        Wake(until);
    }
    // The entries as an exit now would leave them.
    std::string Entries() {
        sampler.SealRunningEntry();
        std::string s;
        for (const TEntry& e : list.Entries())
            s += SafeFormat("%s@%s+%s ", {e.Process.str(), Secs(e.Start - T0), Secs(e.Duration)});
        return s;
    }
    std::string Events() const {
        static const char* const kinds[] = {"away", "locked", "paused", "gap"};
        std::string s;
        for (const TStretchEvent& e : events)
            s += SafeFormat("%s%s@%s/%s ", {kinds[static_cast<int>(e.Kind)], e.Begins ? "+" : "-",
                                            Secs(e.Time - T0), std::to_string(e.Seconds)});
        return s;
    }

    static constexpr TDateTime T0 = 45418.0 + 10.0 / 24; // 2024-05-06 10:00
    static constexpr std::uint64_t Mono0 = 50000;
    TActivityList list;
    FakeProbe probe;
    TManualClock clock;
    TScriptedIdle idle;
    TScriptedLock lock;
    std::vector<TStretchEvent> events;
    int saves = 0;
    TSampler sampler{list, probe, clock,
                     TSamplerHooks{nullptr, [this] { ++saves; }, nullptr, nullptr,
                                   [this](const TStretchEvent& e) { events.push_back(e); }}};

private:
    void MoveTo(int at) { clock.Advance(Mono0 + at * 1000 - clock.MonotonicMs()); }
    static std::string Secs(TDateTime t) { return std::to_string(std::llround(t / Sec)); }
};

} // namespace

TEST(SamplerPresence, TimeNobodySpentIsNotCounted) {
    using R = PresenceRig;
    const struct Case {
        const char* Name;
        int AwayMinutes;
        std::function<void(R&)> Script;
        const char* Entries; // process@start+length, in seconds from the start
        const char* Events;  // kind+/-@time/length
    } cases[] = {
        {"away: the entry ends at the last input; input back opens a new one", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 95, "a", 30); // 60 s without input at 90
             r.Run(100, 105, "a");
         },
         "a@5+25 a@100+5 ", "away+@30/60 away-@100/70 "},
        {"AwayMinutes 0 turns it off", 0,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 95, "a", 30);
             r.Run(100, 105, "a");
         },
         "a@5+100 ", ""},
        {"an idle source that cannot tell is no absence", 1,
         [](R& r) { r.Run(5, 105, "a", R::Unknown); }, "a@5+100 ", ""},
        {"nothing opens while away", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 90, "b", 30); // b came to the front by itself
             r.Run(95, 120, "c", 30);
             r.Run(125, 130, "c");
         },
         "a@5+25 c@125+5 ", "away+@30/60 away-@125/95 "},
        {"windows that came to the front after the last input hold no time", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 45, "b", 30);
             r.Run(50, 90, "c", 30);
             r.Run(95, 100, "a");
         },
         "a@5+25 a@95+5 ", "away+@30/60 away-@95/65 "},
        {"an entry ended before them by a blank stretch keeps its time", 1,
         [](R& r) {
             r.Run(5, 20, "a");
             r.Run(25, 25, "", 22);
             r.Run(30, 85, "b", 22);
             r.Run(90, 95, "b");
         },
         "a@5+20 b@90+5 ", "away+@22/63 away-@90/68 "},
        {"locked: the entry ends at the lock, nothing opens until the unlock", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 60, "b", R::Now, 32);
             r.Run(65, 70, "a");
         },
         "a@5+27 a@65+5 ", "locked+@32/3 locked-@65/33 "},
        {"the screen locks while away: away ends at the lock", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 95, "a", 30);
             r.Run(100, 110, "a", 30, 97);
             r.Run(115, 115, "b");
         },
         "a@5+25 b@115+0 ", "away+@30/60 away-@97/67 locked+@97/3 locked-@115/18 "},
        {"paused: the entry ends at the pause, nothing is recorded until it ends", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Pause(32, true);
             r.Run(35, 60, "b", 20, 40); // neither away nor locked counts while paused
             r.Pause(62, false);
             r.Run(65, 70, "b");
         },
         "a@5+27 b@65+5 ", "paused+@32/0 paused-@62/30 "},
        {"a pause while away ends the away stretch", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 90, "a", 30);
             r.Pause(92, true);
             r.Pause(93, false);
             r.Run(95, 95, "a");
         },
         "a@5+25 a@95+0 ", "away+@30/60 away-@92/62 paused+@92/0 paused-@93/1 "},
        {"a suspend during away stays uncounted", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 90, "a", 30);
             r.Sleep(92, 3692);
             r.Run(3695, 3700, "a", 30);
             r.Run(3705, 3705, "b");
         },
         "a@5+25 b@3705+0 ", "away+@30/60 away-@3705/3675 "},
        {"a 2-minute gap: the entry keeps its time up to the last sample", 5,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(150, 160, "b");
         },
         "a@5+25 b@150+10 ", "gap+@30/120 "},
        {"after a gap the same window opens a new entry", 5,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(150, 155, "a");
         },
         "a@5+25 a@150+5 ", "gap+@30/120 "},
        {"an absence that began before a gap ends the entry at the last input", 1,
         [](R& r) {
             r.Run(5, 20, "a");
             r.Run(25, 60, "a", 20);
             r.Run(120, 120, "a", 20); // the gap inside the absence is part of it
             r.Run(125, 125, "a");
         },
         "a@5+15 a@125+0 ", "away+@20/100 away-@125/105 "},
        {"a wall-clock step back as long as a blank stretch before: the entry before it stays", 1,
         [](R& r) {
             r.Run(5, 300, "a");
             r.Run(305, 345, "", 300);
             r.Step(-45); // b opens where a ended, by the wall clock
             r.Run(350, 360, "b", 300);
             r.Run(365, 365, "b");
         },
         "a@5+300 b@320+0 ", "away+@255/60 away-@320/65 "},
        {"one absurd idle reading: no more than has passed since the last one", 1,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Run(35, 60, "b");
             r.Run(65, 90, "c");
             r.Reading(95, "c", std::uint64_t{1} << 40);
             r.Run(100, 105, "c");
         },
         "a@5+30 b@35+30 c@65+40 ", ""},
        {"the first reading: at most since the start; away takes out only its threshold and a "
         "sample",
         1,
         [](R& r) {
             r.Run(5, 30, "a", R::Unknown);
             r.Run(35, 60, "b", R::Unknown);
             r.Run(65, 90, "c", R::Unknown);
             r.Reading(95, "c", std::uint64_t{1} << 40);
             r.Run(100, 105, "c");
         },
         "a@5+30 c@100+5 ", "away+@0/95 away-@100/100 "},
        {"the running entry is too old to be taken out: it ends at the limit", 1,
         [](R& r) {
             r.Run(5, 90, "a", R::Unknown);
             r.Reading(95, "a", std::uint64_t{1} << 40);
             r.Run(100, 105, "a");
         },
         "a@5+25 a@100+5 ", "away+@0/95 away-@100/100 "},
        {"a suspend without sleep: the same window opens a new entry", 5,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Suspend(32);
             r.Run(35, 50, "a");
         },
         "a@5+27 a@35+15 ", ""},
        {"a sleep told only at the wake-up: the entry ends at the last sample, the sleep is a gap",
         5,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Wake(3600);
             r.Run(3605, 3610, "a");
         },
         "a@5+25 a@3605+5 ", "gap+@30/3570 "},
        {"a told sleep with a sample before it: the sleep is a gap, after it a new entry", 5,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Suspend(32);
             r.Run(35, 35, "a");
             r.Wake(3600);
             r.Run(3605, 3610, "a");
         },
         "a@5+27 a@35+0 a@3605+5 ", "gap+@35/3565 "},
        {"a wake-up without a sleep changes nothing but the sample", 5,
         [](R& r) {
             r.Run(5, 30, "a");
             r.Wake(33);
             r.Run(35, 40, "a");
         },
         "a@5+30 a@35+5 ", ""},
        {"a blank sample ends the entry; its stretch is not counted", 5,
         [](R& r) {
             r.Run(5, 20, "a");
             r.Run(25, 40, "");
             r.Run(45, 50, "a");
         },
         "a@5+20 a@45+5 ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        PresenceRig rig(c.AwayMinutes);
        EXPECT_EQ(rig.idle.Threshold, c.AwayMinutes * 60000u);
        c.Script(rig);
        EXPECT_EQ(rig.Entries(), c.Entries);
        EXPECT_EQ(rig.Events(), c.Events);
    }
}

TEST(SamplerPresence, AClosedEntryIsWrittenAtOnceAndAnAwayLineCountsFromTheReturn) {
    PresenceRig rig(1);
    std::vector<std::string> log;
    TSampler s(rig.list, rig.probe, rig.clock,
               TSamplerHooks{[&](const std::string& l) { log.push_back(l); }, [&] { ++rig.saves; },
                             nullptr, nullptr, nullptr});
    s.SetPresence(&rig.idle, nullptr);
    s.SetAwayMinutes(1);
    rig.probe.P = "a";
    rig.clock.Advance(5000);
    s.Timer1Timer();
    for (std::uint64_t idle = 0; idle < 60000; idle += 5000) { // input 5 s after it opened
        rig.clock.Advance(5000);
        rig.idle.Idle = idle;
        EXPECT_FALSE(s.Timer1Timer());
    }
    const int saves = rig.saves;
    rig.clock.Advance(5000);
    rig.idle.Idle = 60000;
    EXPECT_FALSE(s.Timer1Timer());
    EXPECT_EQ(s.Stretch(), EStretch::Away);
    EXPECT_EQ(rig.saves, saves + 1) << "the closed length goes to disk";
    EXPECT_NEAR(rig.list[0].Duration, 5 * Sec, 1e-9);
    rig.clock.Advance(40000); // a gap while away: away goes on
    rig.idle.Idle = 100000;
    EXPECT_FALSE(s.Timer1Timer());
    EXPECT_EQ(s.Stretch(), EStretch::Away);
    rig.idle.Idle = 0;
    rig.clock.Advance(7000);
    s.SetAwayMinutes(0); // turned off while away: the next sample is back
    EXPECT_EQ(rig.idle.Threshold, 0u);
    EXPECT_TRUE(s.Timer1Timer());
    EXPECT_FALSE(s.Stretch());
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].substr(25, 10), "0         ") << "counted from the return";
}
