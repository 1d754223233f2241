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

class TSwayIpc {
public:
    // The socket that $SWAYSOCK names; after a restart of sway, its newest socket in
    // $XDG_RUNTIME_DIR.
    TSwayIpc();
    explicit TSwayIpc(TIpcClient client) : FClient(std::move(client)) {}

    // One GET_TREE over a connection kept between samples.
    std::optional<TFocusedWindow> Focused();
    // Whether the socket accepts a connection now; the reason in LastError() when not.
    bool Reachable() {
        if (FClient.Reachable()) return true;
        FLastError = FClient.LastError();
        return false;
    }
    // Why the last Focused() told nothing; empty when it asked sway successfully.
    const std::string& LastError() const { return FLastError; }
    const std::string& Path() const { return FClient.Path(); }

private:
    TIpcClient FClient;
    std::string FLastError;
};

} // namespace orvane::platform::wayland
