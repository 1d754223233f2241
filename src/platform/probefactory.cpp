#include "platform/probefactory.h"

#include <cstdlib>

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

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

bool IsWaylandSession() {
    return !Env("WAYLAND_DISPLAY").empty() || Env("XDG_SESSION_TYPE") == "wayland";
}

std::vector<TProbeCandidate> ProbeCandidates() {
#ifdef _WIN32
    return {Win32ProbeCandidate()};
#else
    std::vector<TProbeCandidate> wayland = {
        SwayProbeCandidate(), HyprlandProbeCandidate(),   NiriProbeCandidate(),
        KWinProbeCandidate(), GnomeShellProbeCandidate(), ForeignToplevelProbeCandidate()};
    TProbeCandidate x11 = X11ProbeCandidate();
    if (const std::string forced = Env("ORVANE_PROBE"); !forced.empty()) {
        wayland.push_back(x11);
        for (const TProbeCandidate& c : wayland)
            if (c.Name == forced) return {c};
        return {{"$ORVANE_PROBE", [forced] { return "no backend is named \"" + forced + "\""; },
                 nullptr}};
    }
    if (!IsWaylandSession()) return {x11};
    // X11 comes last and only where no way of this compositor answers (KDE Plasma, for
    // now): it then sees the XWayland windows, which beats seeing nothing. One backend is ever
    // asked, so no window is seen twice.
    wayland.push_back(x11);
    return wayland;
#endif
}

TProbeChoice CreateProbe() {
    return ChooseProbe(ProbeCandidates());
}

} // namespace orvane::platform
