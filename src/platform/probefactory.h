// Picks the foreground probe at start-up from what the session offers. Call it on the thread that
// runs the Qt event loop: a backend may listen there for the window system's notices.
#pragma once

#include "platform/probebackend.h"

#include <memory>
#include <string>
#include <vector>

namespace orvane::platform {

struct TProbeChoice {
    std::unique_ptr<IProbeBackend> Backend; // never null: "none" where the session offers none
    std::vector<std::string> PassedOver;    // "x11: $DISPLAY is not set", one per backend not taken
};

// The first candidate that the session offers, in the order given.
TProbeChoice ChooseProbe(const std::vector<TProbeCandidate>& candidates);
// Whether the desktop session is a Wayland one: $WAYLAND_DISPLAY is set or $XDG_SESSION_TYPE
// says "wayland".
bool IsWaylandSession();
// The backends of this platform and session, most specific first. A Wayland session asks the
// compositor, and X11 (which sees the XWayland windows only) last, where no compositor answers;
// an X11 session asks X11. $ORVANE_PROBE names one backend to use whatever the session (for tests
// and for trouble-shooting).
std::vector<TProbeCandidate> ProbeCandidates();
// ChooseProbe over ProbeCandidates().
TProbeChoice CreateProbe();

} // namespace orvane::platform
