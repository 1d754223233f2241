#include "platform/wayland/display.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace orvane::platform::wayland {

wl_display* ConnectDisplay(std::string& why) {
    // A socket handed over in WAYLAND_SOCKET belongs to whoever it was meant for; connecting
    // would take it.
    if (const char* handed = std::getenv("WAYLAND_SOCKET"); handed && *handed) {
        why = "$WAYLAND_SOCKET is set: the connection is not ours to take";
        return nullptr;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        why = std::string("cannot connect to the Wayland display \"") +
              (name && *name ? name : "wayland-0") + "\": " + std::strerror(errno);
    }
    return display;
}

bool ReadDisplayEvents(wl_display* display, int timeoutMs) {
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0) return false;
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return false;
    }
    pollfd p{wl_display_get_fd(display), POLLIN, 0};
    int r;
    do {
        r = poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r <= 0) {
        wl_display_cancel_read(display);
        return r == 0;
    }
    if (wl_display_read_events(display) < 0) return false;
    return wl_display_dispatch_pending(display) >= 0;
}

TRoundtrip DisplayRoundtrip(wl_display* display, std::chrono::milliseconds timeout) {
    TRoundtrip result;
    wl_callback* callback = wl_display_sync(display);
    static const wl_callback_listener listener = {
        [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback_add_listener(callback, &listener, &result.Done);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!result.Done) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (!ReadDisplayEvents(display, static_cast<int>(left.count()))) {
            result.Broken = true;
            break;
        }
    }
    wl_callback_destroy(callback);
    return result;
}

} // namespace orvane::platform::wayland
