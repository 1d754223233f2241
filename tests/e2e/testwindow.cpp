// A window with a known title for the end-to-end tests. It prints its window id once it is mapped
// and stays until it is killed or its X server goes away.
//
//   testwindow [--no-pid | --pid PID] [--no-net-name] [--machine NAME] TITLE
//
// TITLE (UTF-8) goes into _NET_WM_NAME and, as Latin-1 ('?' for what Latin-1 lacks), into
// WM_NAME. --no-pid leaves out _NET_WM_PID, --pid puts another process's id there (a window that
// lies about its owner), --no-net-name leaves out _NET_WM_NAME, and --machine puts NAME into
// WM_CLIENT_MACHINE in place of this host's name.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : XCB_NONE;
    std::free(r);
    return atom;
}

std::string Utf8ToLatin1(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
            const unsigned cp = ((c & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
            out += cp < 0x100 ? static_cast<char>(cp) : '?';
            i += 2;
        } else {
            out += '?';
            ++i;
            while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

void SetText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
             const std::string& text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, prop, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

} // namespace

int main(int argc, char** argv) {
    bool setPid = true, setNetName = true;
    auto pid = static_cast<std::uint32_t>(getpid());
    std::string machine, title;
    bool haveTitle = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--no-pid")
            setPid = false;
        else if (a == "--pid" && i + 1 < argc)
            pid = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--no-net-name")
            setNetName = false;
        else if (a == "--machine" && i + 1 < argc)
            machine = argv[++i];
        else if (!haveTitle) {
            title = a;
            haveTitle = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--no-pid | --pid PID] [--no-net-name] [--machine NAME] "
                         "TITLE\n",
                         argv[0]);
            return 64;
        }
    }
    if (machine.empty()) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        machine = host;
    }

    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "testwindow: cannot open the display\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;

    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 10, 10, 320, 120, 1,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);

    if (setNetName) SetText(c, w, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), title);
    SetText(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, Utf8ToLatin1(title));
    SetText(c, w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, machine);
    const char wmClass[] = "orvane-testwindow\0OrvaneTestWindow";
    SetText(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, std::string(wmClass, sizeof wmClass));
    // WM_HINTS: InputHint set, input True, so that window managers give it the focus.
    const std::uint32_t hints[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                        hints);
    if (setPid) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &pid);
    }
    xcb_map_window(c, w);
    // A round trip, so that the window exists on the server before anyone is told its id.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::printf("0x%x\n", w);
    std::fflush(stdout);

    while (xcb_generic_event_t* ev = xcb_wait_for_event(c))
        std::free(ev);
    xcb_disconnect(c);
    return 0;
}
