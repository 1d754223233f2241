// The X11 backend: chosen wherever the session names an X display. The connection is opened
// (and opened again after the server went away) by the probe itself at every sample, so a
// display that is not up yet is no reason to pass the backend over.
#include "platform/platform.h"
#include "platform/probebackend.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace orvane::platform {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

class TX11Probe final : public IProbeBackend {
public:
    std::string_view Name() const override { return "x11"; }
    TForegroundSample Sample() override { return SampleForegroundWindow(); }
    std::string Problem() override {
        const std::string display = Env("DISPLAY");
        xcb_connection_t* conn = xcb_connect(display.c_str(), nullptr);
        const bool reachable = !xcb_connection_has_error(conn);
        xcb_disconnect(conn);
        if (!reachable)
            return "cannot connect to the display \"" + display +
                   "\" now; tried again at every sample";
        if (Env("XDG_SESSION_TYPE") == "wayland" || !Env("WAYLAND_DISPLAY").empty())
            return "a Wayland session: only the windows of X11 programs are seen";
        return {};
    }
};

} // namespace

TProbeCandidate X11ProbeCandidate() {
    return {"x11", [] { return Env("DISPLAY").empty() ? "$DISPLAY is not set" : std::string(); },
            [] { return std::make_unique<TX11Probe>(); }};
}

} // namespace orvane::platform
