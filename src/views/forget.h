// Forgetting: entries taken out of the record for good.
#pragma once

#include "recorder/activitylist.h"
#include "views/when.h"

#include <functional>
#include <optional>
#include <vector>

namespace orvane {

struct TForgetPlan {
    std::vector<int> Indices; // ascending
    TDateTime Time = 0;       // their whole length
    bool Running = false;     // the running entry is among them
};

// The entries that share any time with [since, until) and that pick takes (all when pick is
// empty). An entry of no length counts when it begins in the period. The last entry, when it is
// running, reaches up to runningUntil.
TForgetPlan PlanForget(const TActivityList& list, TInstant since, TInstant until,
                       const std::function<bool(const TEntry&)>& pick,
                       std::optional<TInstant> runningUntil = std::nullopt);

// Takes the planned entries out of the list (a whole save must follow).
void ApplyForget(TActivityList& list, const TForgetPlan& plan);

} // namespace orvane
