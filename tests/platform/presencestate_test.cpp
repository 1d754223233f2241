// The arithmetic of the idle and lock sources, without any window system or bus.
#include "platform/presencestate.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orvane;
using namespace orvane::platform;

TEST(IdleNotifyState, IdleStartsTheThresholdBeforeTheNotification) {
    TIdleNotifyState s;
    EXPECT_TRUE(s.SetThreshold(60'000));
    s.Armed();
    EXPECT_EQ(s.IdleMs(1'000'000), 0u) << "not idle before the notification";
    s.Idled(1'000'000);
    EXPECT_EQ(s.IdleMs(1'000'000), 60'000u);
    EXPECT_EQ(s.IdleMs(1'045'000), 105'000u);
    s.Idled(1'050'000); // a second idled without resumed changes nothing
    EXPECT_EQ(s.IdleMs(1'050'000), 110'000u);
    EXPECT_EQ(s.IdleMs(999'000), 60'000u) << "a time before the notification";
    s.Resumed();
    EXPECT_EQ(s.IdleMs(1'060'000), 0u);
    s.Idled(1'200'000);
    EXPECT_EQ(s.IdleMs(1'200'500), 60'500u) << "idle again after a resume";
}

TEST(IdleNotifyState, ANewThresholdMeansANewNotification) {
    TIdleNotifyState s;
    EXPECT_FALSE(s.SetThreshold(0)) << "0 is where it starts: nothing to arm";
    s.Armed();
    s.Idled(5'000); // a stray event with no notification armed
    EXPECT_EQ(s.IdleMs(6'000), 0u) << "threshold 0: away detection is off";

    EXPECT_TRUE(s.SetThreshold(120'000));
    EXPECT_FALSE(s.SetThreshold(120'000)) << "the same threshold keeps its notification";
    s.Armed();
    s.Idled(500'000);
    EXPECT_EQ(s.IdleMs(500'000), 120'000u);

    // Changed while idle: the old count is dropped until the new notification says so, and the
    // new one counts with the threshold it was armed with.
    EXPECT_TRUE(s.SetThreshold(30'000));
    EXPECT_EQ(s.IdleMs(510'000), 0u);
    s.Armed();
    s.Idled(540'000);
    EXPECT_EQ(s.IdleMs(541'000), 31'000u);
}

TEST(IdleMsFromTicks, CountsAcrossTheWrapOfTheTick) {
    constexpr std::uint32_t Max = std::numeric_limits<std::uint32_t>::max();
    const struct {
        std::uint32_t Now, LastInput;
        std::uint64_t Idle;
    } cases[] = {
        {10'000, 4'000, 6'000},
        {5'000, 5'000, 0},
        {999, Max - 1'000, 2'000}, // the tick wrapped between input and now
        {0, Max, 1},
        {Max - 60'000, 0, Max - 60'000}, // 49.7 days without input, less a minute
        {4'000, 4'500, 0},               // input read as a little after now
        {100, Max - 100, 201},
        {Max - 59'000, Max - 59'000 + 1, 0} // ahead by 1 ms across nothing: no gap
    };
    for (const auto& c : cases)
        EXPECT_EQ(IdleMsFromTicks(c.Now, c.LastInput), c.Idle) << c.Now << " " << c.LastInput;
}

TEST(LockedBySessionChange, OnlyLockAndUnlockTellTheLock) {
    EXPECT_EQ(LockedBySessionChange(WtsSessionLock), true);
    EXPECT_EQ(LockedBySessionChange(WtsSessionUnlock), false);
    for (std::uintptr_t other : {0x1, 0x2, 0x5, 0x6, 0x9})
        EXPECT_EQ(LockedBySessionChange(other), std::nullopt) << other;
}

TEST(CombinedLock, LockedWhileAnyIsSinceTheEarliest) {
    auto a = std::make_unique<TScriptedLock>();
    auto b = std::make_unique<TScriptedLock>();
    TScriptedLock* first = a.get();
    TScriptedLock* second = b.get();
    std::vector<std::unique_ptr<ILockSource>> sources;
    sources.push_back(std::move(a));
    sources.push_back(std::move(b));
    TCombinedLock lock(std::move(sources));
    EXPECT_EQ(lock.Name(), "scripted+scripted");

    EXPECT_EQ(lock.LockedSinceMs(), std::nullopt);
    second->LockedSince = 9'000;
    EXPECT_EQ(lock.LockedSinceMs(), 9'000u);
    first->LockedSince = 7'000;
    EXPECT_EQ(lock.LockedSinceMs(), 7'000u) << "the earliest";
    first->LockedSince.reset();
    EXPECT_EQ(lock.LockedSinceMs(), 9'000u) << "one still says locked";
    second->LockedSince.reset();
    EXPECT_EQ(lock.LockedSinceMs(), std::nullopt);
}
