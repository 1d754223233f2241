#include "platform/probefactory.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::platform;

TEST(ProbeFactory, TheFirstBackendTheSessionOffersIsTakenAndTheOthersSayWhyNot) {
    int later = 0;
    const auto offered = [] { return std::string(); };
    const auto scripted = [] { return std::make_unique<TScriptedProbe>(); };
    const std::vector<TProbeCandidate> candidates = {
        {"socket", [] { return std::string("no compositor socket"); }, scripted},
        {"broken", offered, [] { return std::unique_ptr<IProbeBackend>(); }},
        {"scripted", offered, scripted},
        {"later", offered, [&later] {
             ++later;
             return std::make_unique<TNoProbe>();
         }},
    };
    TProbeChoice choice = ChooseProbe(candidates);
    EXPECT_EQ(choice.Backend->Name(), "scripted");
    EXPECT_EQ(choice.PassedOver, (std::vector<std::string>{"socket: no compositor socket",
                                                           "broken: could not be started"}));
    EXPECT_EQ(later, 0) << "nothing is made after the choice";

    // Where nothing fits, the samples are empty and say so.
    choice = ChooseProbe({candidates[0]});
    EXPECT_EQ(choice.Backend->Name(), "none");
    EXPECT_EQ(choice.Backend->Sample(), TForegroundSample{});
    EXPECT_EQ(choice.PassedOver.size(), 1u);
    EXPECT_EQ(ChooseProbe({}).Backend->Name(), "none");
}

TEST(ProbeFactory, ThisPlatformHasItsBackend) {
    const std::vector<TProbeCandidate> candidates = ProbeCandidates();
    ASSERT_FALSE(candidates.empty());
#ifdef _WIN32
    EXPECT_EQ(candidates.front().Name, "win32");
#else
    EXPECT_EQ(candidates.front().Name, "x11");
#endif
}
