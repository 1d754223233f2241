#include "views/forget.h"

#include <cmath>

namespace orvane {

TForgetPlan PlanForget(const TActivityList& list, TInstant since, TInstant until,
                       const std::function<bool(const TEntry&)>& pick,
                       std::optional<TInstant> runningUntil) {
    TForgetPlan plan;
    TInstantOf instantOf;
    for (int i = 0; i < list.Count(); ++i) {
        const TEntry& e = list[i];
        const std::optional<TInstant> start = instantOf(e.Start);
        if (!start) continue;
        const bool running = i + 1 == list.Count() && list.LastEntryOpen();
        TInstant end = *start;
        if (e.Duration > 0 && std::isfinite(e.Duration))
            end += static_cast<TInstant>(std::llround(e.Duration * MSecsPerDay));
        if (running && runningUntil && *runningUntil > end) end = *runningUntil;
        const bool inside =
            end > *start ? *start < until && end > since : *start >= since && *start < until;
        if (!inside || (pick && !pick(e))) continue;
        plan.Indices.push_back(i);
        plan.Time += static_cast<double>(end - *start) / MSecsPerDay;
        plan.Running = plan.Running || running;
    }
    return plan;
}

void ApplyForget(TActivityList& list, const TForgetPlan& plan) {
    for (auto it = plan.Indices.rbegin(); it != plan.Indices.rend(); ++it)
        list.RemoveAt(*it);
}

} // namespace orvane
