#include "platform/probefactory.h"

namespace orvane::platform {

TProbeChoice ChooseProbe(const std::vector<TProbeCandidate>& candidates) {
    TProbeChoice choice;
    for (const TProbeCandidate& c : candidates) {
        const std::string why = c.Unavailable ? c.Unavailable() : std::string();
        if (why.empty()) {
            choice.Backend = c.Create();
            if (choice.Backend) break;
        }
        choice.PassedOver.push_back(std::string(c.Name) + ": " +
                                    (why.empty() ? "could not be started" : why));
    }
    if (!choice.Backend) choice.Backend = std::make_unique<TNoProbe>();
    return choice;
}

std::vector<TProbeCandidate> ProbeCandidates() {
#ifdef _WIN32
    return {Win32ProbeCandidate()};
#else
    return {X11ProbeCandidate()};
#endif
}

TProbeChoice CreateProbe() { return ChooseProbe(ProbeCandidates()); }

} // namespace orvane::platform
