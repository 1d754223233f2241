#include "platform/probefactory.h"

#ifndef _WIN32
#include "envguard.h"
#include "files.h"
#endif

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
        {"later", offered,
         [&later] {
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

#ifdef _WIN32
TEST(ProbeFactory, ThisPlatformHasItsBackend) {
    const std::vector<TProbeCandidate> candidates = ProbeCandidates();
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates.front().Name, "win32");
}
#else
namespace {

std::vector<std::string> Names(const std::vector<TProbeCandidate>& candidates) {
    std::vector<std::string> names;
    for (const TProbeCandidate& c : candidates)
        names.emplace_back(c.Name);
    return names;
}

} // namespace

// A Wayland session asks the compositor, in the order of the most telling answer, and X11 (the
// XWayland windows) only where no compositor answers.
TEST(ProbeFactory, TheSessionDecidesWhichBackendsAreTried) {
    TEnvGuard env;
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "ORVANE_PROBE"})
        env.Set(name, nullptr);
    const std::vector<std::string> x11 = {"x11"};
    const std::vector<std::string> wayland = {
        "sway", "hyprland", "niri", "kwin", "gnome", "wlr-foreign-toplevel", "x11"};
    EXPECT_EQ(Names(ProbeCandidates()), x11);
    env.Set("XDG_SESSION_TYPE", "x11");
    EXPECT_EQ(Names(ProbeCandidates()), x11);
    env.Set("XDG_SESSION_TYPE", "wayland");
    EXPECT_EQ(Names(ProbeCandidates()), wayland);
    env.Set("XDG_SESSION_TYPE", "tty");
    env.Set("WAYLAND_DISPLAY", "wayland-1");
    EXPECT_EQ(Names(ProbeCandidates()), wayland);

    // Named outright, one backend is tried whatever the session.
    env.Set("ORVANE_PROBE", "wlr-foreign-toplevel");
    EXPECT_EQ(Names(ProbeCandidates()), (std::vector<std::string>{"wlr-foreign-toplevel"}));
    env.Set("ORVANE_PROBE", "x11");
    EXPECT_EQ(Names(ProbeCandidates()), x11);
    env.Set("ORVANE_PROBE", "mutter");
    EXPECT_EQ(CreateProbe().PassedOver,
              (std::vector<std::string>{"$ORVANE_PROBE: no backend is named \"mutter\""}));
}

// Where the session names no compositor that answers, only X11 is left (here without a server
// either), and --which says why for each backend.
TEST(ProbeFactory, AWaylandSessionWithoutACompositorSaysWhyForEachBackend) {
    TTempFolder runtime;
    TEnvGuard env;
    for (const char* name : {"XDG_SESSION_TYPE", "ORVANE_PROBE", "SWAYSOCK", "NIRI_SOCKET",
                             "HYPRLAND_INSTANCE_SIGNATURE", "WAYLAND_SOCKET"})
        env.Set(name, nullptr);
    env.Set("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + runtime.Path() + "/no-bus").c_str());
    env.Set("XDG_RUNTIME_DIR", runtime.Path());
    env.Set("WAYLAND_DISPLAY", "wayland-test");
    env.Set("DISPLAY", nullptr);
    env.Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime.Path() + "/no-bus");
    TProbeChoice choice = CreateProbe();
    EXPECT_EQ(choice.Backend->Name(), "none");
    ASSERT_EQ(choice.PassedOver.size(), 7u);
    EXPECT_EQ(choice.PassedOver[0], "sway: $SWAYSOCK is not set");
    EXPECT_EQ(choice.PassedOver[1], "hyprland: $HYPRLAND_INSTANCE_SIGNATURE is not set");
    EXPECT_EQ(choice.PassedOver[2], "niri: $NIRI_SOCKET is not set");
    EXPECT_TRUE(choice.PassedOver[3].starts_with("kwin: no session bus")) << choice.PassedOver[3];
    EXPECT_EQ(choice.PassedOver[4], "gnome: there is no session bus");
    EXPECT_TRUE(choice.PassedOver[5].starts_with(
        "wlr-foreign-toplevel: cannot connect to the Wayland display \"wayland-test\""))
        << choice.PassedOver[5];
    EXPECT_EQ(choice.PassedOver[6], "x11: $DISPLAY is not set");
    // With an X display (XWayland) X11 is used: its XWayland windows beat seeing nothing.
    env.Set("DISPLAY", ":0");
    choice = CreateProbe();
    EXPECT_EQ(choice.Backend->Name(), "x11");
    EXPECT_EQ(choice.PassedOver.size(), 6u);

    // A socket named but dead: the reason names it.
    env.Set("SWAYSOCK", runtime.Path() + "/sway-ipc.gone.sock");
    env.Set("ORVANE_PROBE", "sway");
    choice = CreateProbe();
    EXPECT_EQ(choice.Backend->Name(), "none");
    EXPECT_EQ(choice.PassedOver,
              (std::vector<std::string>{"sway: cannot connect to " + runtime.Path() +
                                        "/sway-ipc.gone.sock: No such file or directory"}));
}
#endif
