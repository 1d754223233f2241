// sway's IPC ($SWAYSOCK): the tree of outputs, workspaces and windows, and the node that has the
// focus in it. sway tells the pid of every window, native or XWayland.
#pragma once

#include "platform/wayland/focus.h"
#include "platform/wayland/ipcsocket.h"

#include <optional>
#include <string>
#include <string_view>

namespace orvane::platform::wayland {

// The window that has the focus in a GET_TREE reply; nullopt when none has (an empty workspace,
// a locked screen) or the reply cannot be read (error says so).
std::optional<TFocusedWindow> FocusedInSwayTree(std::string_view json, std::string& error);

class TSwayIpc : public TIpcFocusSource {
public:
    // The socket that $SWAYSOCK names; after a restart of sway, its newest socket in
    // $XDG_RUNTIME_DIR.
    TSwayIpc();
    explicit TSwayIpc(TIpcClient client) : TIpcFocusSource(std::move(client)) {}

    // One GET_TREE over a connection kept between samples.
    std::optional<TFocusedWindow> Focused();
};

} // namespace orvane::platform::wayland
