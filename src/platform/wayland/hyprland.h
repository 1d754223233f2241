// Hyprland's IPC: `j/activewindow` on the request socket of the running instance,
// $XDG_RUNTIME_DIR/hypr/$HYPRLAND_INSTANCE_SIGNATURE/.socket.sock (under /tmp/hypr/ before
// v0.40). Hyprland answers one request per connection and tells the pid of every window.
#pragma once

#include "platform/wayland/focus.h"
#include "platform/wayland/ipcsocket.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform::wayland {

// The active window in a `j/activewindow` reply; nullopt when there is none (`{}`) or the reply
// cannot be read (error says so).
std::optional<TFocusedWindow> FocusedInHyprlandReply(std::string_view json, std::string& error);

// The folders that hold the instances' folders: $XDG_RUNTIME_DIR/hypr, then /tmp/hypr.
std::vector<std::string> HyprlandInstanceRoots();

class THyprlandIpc : public TIpcFocusSource {
public:
    // The socket of the instance the environment names, in the first of roots that has it;
    // after a restart of Hyprland (a new instance signature), the newest instance socket of ours.
    explicit THyprlandIpc(const std::vector<std::string>& roots = HyprlandInstanceRoots());
    explicit THyprlandIpc(TIpcClient client) : TIpcFocusSource(std::move(client)) {}

    std::optional<TFocusedWindow> Focused();
};

} // namespace orvane::platform::wayland
