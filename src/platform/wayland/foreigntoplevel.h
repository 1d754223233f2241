// Other wlroots compositors (labwc, river, wayfire, and sway too): the toplevel windows they
// announce through zwlr_foreign_toplevel_manager_v1, kept as the compositor pushes them, on a
// Wayland connection of our own. The protocol gives title, app_id and the activated state, no pid.
#pragma once

#include "platform/wayland/focus.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace orvane::platform::wayland {

// What the compositor told about its toplevels, apart from the connection. A toplevel's events
// take effect together at its `done`; the activated one is judged only when asked, after every
// event that has arrived, because in the middle of a batch a switch shows none or two activated.
class TToplevelList {
public:
    using TId = std::uintptr_t;

    void Add(TId id);
    void SetTitle(TId id, std::string title);
    void SetAppId(TId id, std::string appId);
    void SetActivated(TId id, bool activated);
    void Done(TId id);
    void Remove(TId id);
    void Clear();
    std::size_t Size() const { return FToplevels.size(); }

    // The activated toplevel; where several are (one per seat), the one activated last. Nullopt
    // when none is.
    std::optional<TFocusedWindow> Focused() const;

private:
    struct TState {
        std::string Title, AppId;
        bool Activated = false;
    };
    struct TToplevel {
        TState Current, Pending;
        std::uint64_t ActivatedAt = 0;
    };
    TToplevel* Find(TId id);

    std::map<TId, TToplevel> FToplevels;
    std::uint64_t FActivations = 0;
};

class TForeignToplevels {
public:
    // Connects to the compositor that $WAYLAND_DISPLAY names and reads the toplevels it has.
    // Null, with the reason in why, when there is no compositor or it does not offer the protocol.
    static std::unique_ptr<TForeignToplevels> Connect(std::string& why);
    ~TForeignToplevels();
    TForeignToplevels(const TForeignToplevels&) = delete;
    TForeignToplevels& operator=(const TForeignToplevels&) = delete;

    // The activated toplevel now: every event the compositor sent before this call is read
    // first (a round trip), whether or not an event loop has read them already. After the
    // connection was lost (the compositor restarted), a new one is made first.
    std::optional<TFocusedWindow> Focused();
    // Why the last Focused() may be stale or empty; empty when all went well.
    const std::string& LastError() const;

    struct TConnection;

private:
    TForeignToplevels();
    std::unique_ptr<TConnection> FConnection;
    std::string FLastError;
};

} // namespace orvane::platform::wayland
