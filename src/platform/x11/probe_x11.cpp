// The foreground-window probe over xcb. One connection, opened on first use from $DISPLAY and
// opened again after the server went away; requests are pipelined so that a sample costs a
// handful of round trips and never a process enumeration.
#include "platform/linux/procfs.h"
#include "platform/x11/x11detail.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace orvane::platform {

namespace {

// Frees an xcb reply or error on every path.
template <class T> struct TFree {
    T* P = nullptr;
    TFree() = default;
    explicit TFree(T* p) : P(p) {}
    TFree(const TFree&) = delete;
    TFree& operator=(const TFree&) = delete;
    ~TFree() { std::free(P); }
    T* operator->() const { return P; }
    explicit operator bool() const { return P != nullptr; }
};

struct TProperty {
    xcb_atom_t Type = XCB_NONE; // XCB_NONE: the property does not exist (or the window is gone)
    std::uint8_t Format = 0;
    std::string Bytes;
};

constexpr std::uint32_t FirstChunk = 1024; // in 32-bit units: 4 KB covers nearly every title
constexpr std::uint32_t FollowingChunk = 1 << 20;
constexpr int MaxTreeDepth = 64;

class TXServer {
public:
    ~TXServer() { Close(); }

    // The open connection, or null when there is no usable display.
    xcb_connection_t* Connection() {
        if (FConn) {
            // We select no events, but a few (MappingNotify) reach every client. Reading them
            // also notices a server that went away before we write to it.
            while (xcb_generic_event_t* ev = xcb_poll_for_event(FConn))
                std::free(ev);
            if (xcb_connection_has_error(FConn)) Close();
        }
        if (!FConn) Open();
        return FConn;
    }

    xcb_window_t Root = XCB_NONE;
    bool HasResource = false;
    xcb_atom_t NetActiveWindow = XCB_NONE, NetSupportingWmCheck = XCB_NONE, NetWmPid = XCB_NONE,
               NetWmName = XCB_NONE, Utf8String = XCB_NONE, CompoundText = XCB_NONE,
               WmState = XCB_NONE;

private:
    void Open() {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) return;
        int screenNumber = 0;
        xcb_connection_t* conn = xcb_connect(display, &screenNumber);
        if (xcb_connection_has_error(conn)) {
            xcb_disconnect(conn);
            return;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem) {
            xcb_disconnect(conn);
            return;
        }
        Root = it.data->root;

        struct {
            const char* Name;
            xcb_atom_t* Atom;
        } atoms[] = {{"_NET_ACTIVE_WINDOW", &NetActiveWindow},
                     {"_NET_SUPPORTING_WM_CHECK", &NetSupportingWmCheck},
                     {"_NET_WM_PID", &NetWmPid},
                     {"_NET_WM_NAME", &NetWmName},
                     {"UTF8_STRING", &Utf8String},
                     {"COMPOUND_TEXT", &CompoundText},
                     {"WM_STATE", &WmState}};
        xcb_intern_atom_cookie_t cookies[std::size(atoms)];
        for (std::size_t i = 0; i < std::size(atoms); ++i)
            cookies[i] = xcb_intern_atom(
                conn, 0, static_cast<std::uint16_t>(std::strlen(atoms[i].Name)), atoms[i].Name);
        bool ok = true;
        for (std::size_t i = 0; i < std::size(atoms); ++i) {
            TFree<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(conn, cookies[i], nullptr));
            if (r)
                *atoms[i].Atom = r->atom;
            else
                ok = false;
        }
        if (!ok) {
            xcb_disconnect(conn);
            return;
        }

        HasResource = false;
        const xcb_query_extension_reply_t* res = xcb_get_extension_data(conn, &xcb_res_id);
        if (res && res->present) {
            // QueryClientIds came with version 1.2.
            TFree<xcb_res_query_version_reply_t> v(
                xcb_res_query_version_reply(conn, xcb_res_query_version(conn, 1, 2), nullptr));
            HasResource =
                v && (v->server_major > 1 || (v->server_major == 1 && v->server_minor >= 2));
        }
        FConn = conn;
    }

    void Close() {
        if (FConn) xcb_disconnect(FConn);
        FConn = nullptr;
    }

    xcb_connection_t* FConn = nullptr;
};

// Writing to a server that just went away raises SIGPIPE, which would end the program: held
// back while we talk to the server, and swallowed if it came from us.
class TSigPipeGuard {
public:
    TSigPipeGuard() {
        sigemptyset(&FPipe);
        sigaddset(&FPipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &FPipe, &FOld);
        sigset_t pending;
        sigpending(&pending);
        FWasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    ~TSigPipeGuard() {
        sigset_t pending;
        sigpending(&pending);
        if (!FWasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec zero{};
            sigtimedwait(&FPipe, nullptr, &zero);
        }
        pthread_sigmask(SIG_SETMASK, &FOld, nullptr);
    }
    TSigPipeGuard(const TSigPipeGuard&) = delete;
    TSigPipeGuard& operator=(const TSigPipeGuard&) = delete;

private:
    sigset_t FPipe, FOld;
    bool FWasPending = false;
};

TXServer& Server() {
    static TXServer server;
    return server;
}

std::mutex& ServerLock() {
    static std::mutex lock;
    return lock;
}

// Collects a property request and reads whatever of the value is left, so that any length
// comes back whole.
TProperty ReadProperty(xcb_connection_t* conn, xcb_window_t window, xcb_atom_t atom,
                       xcb_get_property_cookie_t first) {
    TProperty prop;
    TFree<xcb_get_property_reply_t> r(xcb_get_property_reply(conn, first, nullptr));
    for (;;) {
        if (!r || r->type == XCB_NONE) return {};
        prop.Type = r->type;
        prop.Format = r->format;
        const int len = xcb_get_property_value_length(r.P);
        if (len > 0)
            prop.Bytes.append(static_cast<const char*>(xcb_get_property_value(r.P)),
                              static_cast<std::size_t>(len));
        if (r->bytes_after == 0) return prop;
        // More to come: everything so far was whole 32-bit units.
        const auto offset = static_cast<std::uint32_t>(prop.Bytes.size() / 4);
        std::free(r.P);
        r.P = xcb_get_property_reply(conn,
                                     xcb_get_property(conn, 0, window, atom,
                                                      XCB_GET_PROPERTY_TYPE_ANY, offset,
                                                      FollowingChunk),
                                     nullptr);
        if (r && r->type != prop.Type) return {}; // changed under us
    }
}

xcb_get_property_cookie_t AskProperty(xcb_connection_t* conn, xcb_window_t window, xcb_atom_t atom,
                                      std::uint32_t longs = FirstChunk) {
    return xcb_get_property(conn, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
}

// A WINDOW or CARDINAL property's first value, 0 when there is none.
std::uint32_t FirstCard32(const TProperty& p) {
    if (p.Format != 32 || p.Bytes.size() < 4) return 0;
    std::uint32_t v;
    std::memcpy(&v, p.Bytes.data(), 4);
    return v;
}

// Whether the property asked for exists; its value is not needed.
bool PropertyExists(xcb_connection_t* conn, xcb_get_property_cookie_t cookie) {
    TFree<xcb_get_property_reply_t> r(xcb_get_property_reply(conn, cookie, nullptr));
    return r && r->type != XCB_NONE;
}

bool HasWmState(xcb_connection_t* conn, TXServer& x, xcb_window_t w) {
    return PropertyExists(conn, AskProperty(conn, w, x.WmState, 0));
}

// A client window (one with WM_STATE) at most `depth` levels below w.
xcb_window_t FindClientBelow(xcb_connection_t* conn, TXServer& x, xcb_window_t w, int depth) {
    TFree<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(conn, xcb_query_tree(conn, w), nullptr));
    if (!tree) return XCB_NONE;
    const xcb_window_t* children = xcb_query_tree_children(tree.P);
    const int count = xcb_query_tree_children_length(tree.P);
    for (int i = count - 1; i >= 0; --i) // topmost first
        if (HasWmState(conn, x, children[i])) return children[i];
    if (depth > 1)
        for (int i = count - 1; i >= 0; --i)
            if (xcb_window_t c = FindClientBelow(conn, x, children[i], depth - 1)) return c;
    return XCB_NONE;
}

// From the focused window up to the client window the user sees. Under a window manager that is
// the window with WM_STATE (the frame around it is the manager's); without one, the top-level
// window itself.
xcb_window_t TopLevelClient(xcb_connection_t* conn, TXServer& x, xcb_window_t w, bool managed) {
    for (int depth = 0;; ++depth) {
        if (depth == MaxTreeDepth) return XCB_NONE;
        const auto stateCookie = AskProperty(conn, w, x.WmState, 0);
        const auto treeCookie = xcb_query_tree(conn, w);
        const bool hasState = PropertyExists(conn, stateCookie);
        TFree<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(conn, treeCookie, nullptr));
        if (hasState) return w;
        if (!tree) return XCB_NONE;
        if (tree->parent == x.Root || tree->parent == XCB_NONE) break;
        w = tree->parent;
    }
    if (xcb_window_t client = FindClientBelow(conn, x, w, 2)) return client;
    return managed ? XCB_NONE : w;
}

std::string LocalHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

bool IsValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80             ? 1
                        : (c & 0xE0) == 0xC0 ? 2
                        : (c & 0xF0) == 0xE0 ? 3
                        : (c & 0xF8) == 0xF0 ? 4
                                             : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

} // namespace

TWindowHandle GetForegroundWindow() {
    std::lock_guard guard(ServerLock());
    TSigPipeGuard noSigPipe;
    TXServer& x = Server();
    xcb_connection_t* conn = x.Connection();
    if (!conn) return 0;

    const auto checkCookie = AskProperty(conn, x.Root, x.NetSupportingWmCheck, 1);
    const auto activeCookie = AskProperty(conn, x.Root, x.NetActiveWindow, 1);
    const TProperty checkProp = ReadProperty(conn, x.Root, x.NetSupportingWmCheck, checkCookie);
    const TProperty activeProp = ReadProperty(conn, x.Root, x.NetActiveWindow, activeCookie);

    // A window manager that died leaves its properties behind: believe them only while its
    // check window is still there and still names itself.
    const xcb_window_t check = FirstCard32(checkProp);
    bool managerAlive = false;
    if (check != XCB_NONE) {
        const TProperty self = ReadProperty(conn, check, x.NetSupportingWmCheck,
                                            AskProperty(conn, check, x.NetSupportingWmCheck, 1));
        managerAlive = FirstCard32(self) == check;
    }
    if (managerAlive && activeProp.Type != XCB_NONE) {
        const xcb_window_t active = FirstCard32(activeProp);
        return active == check || active == x.Root ? 0 : active;
    }

    // No manager publishes the active window (none runs, or it has not set it yet).
    TFree<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    if (!focus) return 0;
    const xcb_window_t f = focus->focus;
    if (f == XCB_NONE || f == XCB_INPUT_FOCUS_POINTER_ROOT || f == x.Root) return 0;
    const xcb_window_t client = TopLevelClient(conn, x, f, managerAlive);
    return client == check ? 0 : client;
}

std::string ProcessNameOfWindow(TWindowHandle window) {
    if (window == 0 || window > 0xFFFFFFFFu) return {};
    std::lock_guard guard(ServerLock());
    TSigPipeGuard noSigPipe;
    TXServer& x = Server();
    xcb_connection_t* conn = x.Connection();
    if (!conn) return {};
    const auto w = static_cast<xcb_window_t>(window);

    const auto pidCookie = AskProperty(conn, w, x.NetWmPid, 1);
    const auto machineCookie = AskProperty(conn, w, XCB_ATOM_WM_CLIENT_MACHINE, 64);
    xcb_res_query_client_ids_cookie_t resCookie{};
    if (x.HasResource) {
        xcb_res_client_id_spec_t spec{w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        resCookie = xcb_res_query_client_ids(conn, 1, &spec);
    }
    const TProperty pidProp = ReadProperty(conn, w, x.NetWmPid, pidCookie);
    const TProperty machine = ReadProperty(conn, w, XCB_ATOM_WM_CLIENT_MACHINE, machineCookie);
    // The server knows the pid of every local client and cannot be lied to; _NET_WM_PID is
    // whatever the client wrote, so any program could claim to be any other. It only serves
    // where the server cannot tell (no X-Resource, a client over TCP).
    std::uint32_t pid = 0;
    if (x.HasResource) {
        TFree<xcb_res_query_client_ids_reply_t> ids(
            xcb_res_query_client_ids_reply(conn, resCookie, nullptr));
        if (ids) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(ids.P); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                    xcb_res_client_id_value_value_length(it.data) >= 1) {
                    pid = *xcb_res_client_id_value_value(it.data);
                    break;
                }
            }
        }
    }
    if (pid == 0 && pidProp.Type == XCB_ATOM_CARDINAL) pid = FirstCard32(pidProp);
    if (pid == 0) return {};
    // A pid of another machine would name some unrelated process of ours.
    if (machine.Type != XCB_NONE && !machine.Bytes.empty()) {
        std::string name = machine.Bytes.substr(0, machine.Bytes.find('\0'));
        if (!x11::IsLocalMachine(name, LocalHostName())) return {};
    }
    return procfs::ProcessNameIn("/proc", pid, true);
}

std::string CaptionOfWindow(TWindowHandle window) {
    if (window == 0 || window > 0xFFFFFFFFu) return {};
    std::lock_guard guard(ServerLock());
    TSigPipeGuard noSigPipe;
    TXServer& x = Server();
    xcb_connection_t* conn = x.Connection();
    if (!conn) return {};
    const auto w = static_cast<xcb_window_t>(window);

    const auto netCookie = AskProperty(conn, w, x.NetWmName);
    const auto wmCookie = AskProperty(conn, w, XCB_ATOM_WM_NAME);
    const TProperty net = ReadProperty(conn, w, x.NetWmName, netCookie);
    const TProperty wm = ReadProperty(conn, w, XCB_ATOM_WM_NAME, wmCookie);

    std::string caption;
    if (net.Type == x.Utf8String && net.Format == 8 && !net.Bytes.empty()) {
        caption = net.Bytes;
    } else if (wm.Format == 8) {
        if (wm.Type == XCB_ATOM_STRING)
            caption = x11::Latin1ToUtf8(wm.Bytes);
        else if (wm.Type == x.CompoundText)
            caption = x11::CompoundTextToUtf8(wm.Bytes);
        else if (IsValidUtf8(wm.Bytes))
            caption = wm.Bytes;
        else
            caption = x11::Latin1ToUtf8(wm.Bytes);
    }
    // A title ends at its first NUL, as a C string would.
    if (const std::size_t nul = caption.find('\0'); nul != std::string::npos) caption.resize(nul);
    return caption;
}

} // namespace orvane::platform
