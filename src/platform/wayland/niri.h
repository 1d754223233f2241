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

class TNiriIpc : public TIpcFocusSource {
public:
    // The socket $NIRI_SOCKET names; after a restart of niri, its newest socket in
    // $XDG_RUNTIME_DIR.
    TNiriIpc();
    explicit TNiriIpc(TIpcClient client) : TIpcFocusSource(std::move(client)) {}

    std::optional<TFocusedWindow> Focused();
};

} // namespace orvane::platform::wayland
