// The X server's own count of the time since the last input (MIT-SCREEN-SAVER's
// QueryInfo.ms_since_user_input), on a connection of our own that is opened again after the
// server went away.
#include "platform/presencesources.h"

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <pthread.h>

namespace orvane::platform {

namespace {

class TXcbIdle final : public IIdleSource {
public:
    ~TXcbIdle() override { Close(); }
    std::string_view Name() const override { return "xcb-screensaver"; }

    std::optional<std::uint64_t> IdleMs() override {
        // A server gone while we write would raise SIGPIPE: held back, and swallowed if ours.
        sigset_t pipe, old;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, &old);
        std::optional<std::uint64_t> idle = Query();
        if (!idle) idle = Query(); // once more on a fresh connection
        timespec none{};
        while (sigtimedwait(&pipe, nullptr, &none) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return idle;
    }

    // Opens the connection; empty, or why it cannot be used. Unreachable tells a server that may
    // come up later from one that cannot tell.
    std::string Open(bool* unreachable = nullptr) {
        if (unreachable) *unreachable = false;
        Close();
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) return "$DISPLAY is not set";
        int screen = 0;
        xcb_connection_t* conn = xcb_connect(display, &screen);
        if (xcb_connection_has_error(conn)) {
            xcb_disconnect(conn);
            if (unreachable) *unreachable = true;
            return std::string("cannot connect to the display \"") + display + "\"";
        }
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn, &xcb_screensaver_id);
        if (!ext || !ext->present) {
            xcb_disconnect(conn);
            return "the X server has no MIT-SCREEN-SAVER extension";
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
        for (int i = 0; i < screen && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem) {
            xcb_disconnect(conn);
            return "the display has no such screen";
        }
        FRoot = it.data->root;
        FConn = conn;
        return {};
    }

private:
    std::optional<std::uint64_t> Query() {
        if (FConn) {
            while (xcb_generic_event_t* ev = xcb_poll_for_event(FConn))
                std::free(ev);
            if (xcb_connection_has_error(FConn)) Close();
        }
        if (!FConn && !Open().empty()) return std::nullopt;
        xcb_screensaver_query_info_reply_t* r = xcb_screensaver_query_info_reply(
            FConn, xcb_screensaver_query_info(FConn, FRoot), nullptr);
        if (!r) {
            Close();
            return std::nullopt;
        }
        const std::uint64_t idle = r->ms_since_user_input;
        std::free(r);
        return idle;
    }

    void Close() {
        if (FConn) xcb_disconnect(FConn);
        FConn = nullptr;
    }

    xcb_connection_t* FConn = nullptr;
    xcb_window_t FRoot = XCB_NONE;
};

} // namespace

std::unique_ptr<IIdleSource> CreateXcbIdle(std::string& why) {
    auto idle = std::make_unique<TXcbIdle>();
    // A display that is not up yet is asked again at every sample, as the probe does.
    bool unreachable = false;
    why = idle->Open(&unreachable);
    if (!why.empty() && !unreachable) return nullptr;
    why.clear();
    return idle;
}

} // namespace orvane::platform
