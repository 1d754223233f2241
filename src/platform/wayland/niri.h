// niri's IPC ($NIRI_SOCKET): the "FocusedWindow" request, one JSON line each way. niri tells the
// pid since 25.01; before that only the app_id, which is then mapped to a program as the
// foreign-toplevel backend does.
#pragma once

#include "platform/wayland/focus.h"
#include "platform/wayland/ipcsocket.h"

#include <optional>
#include <string>
#include <string_view>

namespace orvane::platform::wayland {

// The window in a reply {"Ok":{"FocusedWindow":{...}}}; nullopt when it is null or the reply
// cannot be read or is an error (error says so).
std::optional<TFocusedWindow> FocusedInNiriReply(std::string_view json, std::string& error);

class TNiriIpc {
public:
    // The socket $NIRI_SOCKET names; after a restart of niri, its newest socket in
    // $XDG_RUNTIME_DIR.
    TNiriIpc();
    explicit TNiriIpc(TIpcClient client) : FClient(std::move(client)) {}

    std::optional<TFocusedWindow> Focused();
    // Whether the socket accepts a connection now; the reason in LastError() when not.
    bool Reachable() {
        if (FClient.Reachable()) return true;
        FLastError = FClient.LastError();
        return false;
    }
    const std::string& LastError() const { return FLastError; }
    const std::string& Path() const { return FClient.Path(); }

private:
    TIpcClient FClient;
    std::string FLastError;
};

} // namespace orvane::platform::wayland
