#include "testutil.h"

#include "views/forget.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace testutil;

TEST(Forget, PlansEntriesSharingThePeriodAndTheRunningOneUpToNow) {
    ScopedEnv zone{"TZ", "UTC"};
    TActivityList list;
    Add(list, "/a", "one", At(2026, 12, 7, 8, 50), 20 * Min); // into the period
    Add(list, "/b", "two", At(2026, 12, 7, 9, 30), 0);        // no length, inside
    Add(list, "/c", "three", At(2026, 12, 7, 10), 0);         // begins at its end: outside
    list.AddEntry("/d", "four", At(2026, 12, 7, 9, 55));      // running since 5 minutes
    const TInstant since = *TInstantOf()(At(2026, 12, 7, 9));
    const TInstant until = *TInstantOf()(At(2026, 12, 7, 10));
    const TInstant now = until;

    TForgetPlan plan = PlanForget(list, since, until, nullptr, now);
    EXPECT_EQ(plan.Indices, (std::vector<int>{0, 1, 3}));
    EXPECT_TRUE(plan.Running);
    EXPECT_NEAR(plan.Time * 86400, 25 * 60, 1e-3);

    plan = PlanForget(
        list, since, until, [](const TEntry& e) { return e.Process == "/a"; }, now);
    EXPECT_EQ(plan.Indices, (std::vector<int>{0}));
    EXPECT_FALSE(plan.Running);
    ApplyForget(list, PlanForget(list, since, until, nullptr, now));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Caption, "three");
    EXPECT_FALSE(list.LastEntryOpen());
}
