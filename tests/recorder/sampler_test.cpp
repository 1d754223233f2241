#include "recorder/sampler.h"

#include <gtest/gtest.h>

#include <cstdio>
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
                          [this] { ++restarts; }});
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

TEST_F(Sampler, BlankStretchIsCountedToTheEntryBeforeIt) {
    Make();
    Tick("a", "x");
    EXPECT_TRUE(Tick("", "")); // foreground unidentifiable: a change, but no entry
    EXPECT_EQ(list.Count(), 1);
    EXPECT_NEAR(list[0].Duration, 5 * Sec, 1e-9);
    EXPECT_EQ(sampler->LastProcess(), "");
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(log.back().substr(25 + 10, 40), std::string(40, ' '));
    EXPECT_FALSE(Tick("", ""));
    EXPECT_TRUE(Tick("b", "y"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_NEAR(list[0].Duration, 15 * Sec, 1e-9) << "the blank stretch is added to it";
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

    // Suspend: the running entry is closed for good; after resume (a reset) the same window opens
    // a new entry, and the closed one keeps its length.
    Tick("a", "x", 60000);
    sampler->CloseCurrentActivity();
    EXPECT_EQ(restarts, 1);
    EXPECT_NEAR(list[1].Duration, 60 * Sec, 1e-9);
    clock.SetNow(clock.Now() + 0.5); // twelve hours asleep
    EXPECT_FALSE(Tick("a", "x"));
    sampler->ResetSample();
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
                             nullptr, nullptr});
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

    // Closed for good (exit, suspend): nothing runs, nothing more is written.
    s.CloseCurrentActivity();
    const std::size_t closed = writes.size();
    for (int i = 0; i < 24; ++i) {
        clock.Advance(5000);
        s.Timer1Timer();
    }
    EXPECT_EQ(writes.size(), closed);
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
