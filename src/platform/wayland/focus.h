// What a Wayland compositor tells about the window that has the focus, before it is turned into
// the sampler's program and caption.
#pragma once

#include <cstdint>
#include <string>

namespace orvane::platform::wayland {

struct TFocusedWindow {
    std::uint32_t Pid = 0; // 0 where the compositor does not tell it
    std::string AppId;     // the Wayland app_id (the X11 class for an XWayland window)
    std::string Title;     // UTF-8, whole
    bool operator==(const TFocusedWindow&) const = default;
};

} // namespace orvane::platform::wayland
