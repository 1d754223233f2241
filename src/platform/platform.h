// Everything the recorder asks of the operating system, behind one set of calls. The Linux/X11
// implementation lives in x11/, the Windows one in win32/; exactly one is built.
// No Qt here: this layer builds into the Windows core suite as well.
#pragma once

#include "recorder/probe.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::platform {

// A top-level window of the window system (an X window id, an HWND); 0 is no window.
using TWindowHandle = std::uintptr_t;

// The foreground-window probe. None of these fails: what cannot be told is empty.
TWindowHandle GetForegroundWindow();
std::string ProcessNameOfWindow(TWindowHandle window);
std::string CaptionOfWindow(TWindowHandle window);
// The per-user application-data folder, without a trailing separator; empty when unknown.
std::string UserAppDataFolder();

// The focused window's program and caption, both read from the one window found.
inline TForegroundSample SampleForegroundWindow() {
    const TWindowHandle window = GetForegroundWindow();
    return {ProcessNameOfWindow(window), CaptionOfWindow(window)};
}

// The program's two shortcuts: on the desktop, and among the programs the session starts.
enum class EShortcut { Desktop, Autostart };
// What they are called (Orvane.lnk on Windows, Orvane.desktop on Linux) and what they say.
inline constexpr std::string_view ShortcutName = "Orvane";
inline constexpr std::string_view ShortcutDescription =
    "Qal Log\r\nLog your activities\r\nhttp://www.orvane.org";

bool ShortcutExists(EShortcut shortcut);
// Creates the shortcut to exePath where there is none, deletes it where there is one. Throws on
// a failure to prepare the shortcut object; the results of writing and deleting are not checked
// (ask ShortcutExists afterwards). Where the system names no such folder nothing changes.
void ToggleShortcut(EShortcut shortcut, const std::string& exePath);

// The path separator of the platform.
#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

} // namespace orvane::platform
