// Everything the recorder asks of the operating system, behind one set of calls. The Linux/X11
// implementation lives in x11/, the Windows one in win32/; exactly one is built.
// No Qt here: this layer builds into the Windows core suite as well.
#pragma once

#include "recorder/probe.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::platform {

// A top-level window of the window system (an X window id, an HWND); 0 is no window.
using TWindowHandle = std::uintptr_t;

struct TProcessInfo {
    std::string Name; // full executable path, or the bare executable name
    std::uint32_t Id = 0;
};

// The foreground-window probe. None of these fails: what cannot be told is empty.
TWindowHandle GetForegroundWindow();
std::string ProcessNameOfWindow(TWindowHandle window);
std::string CaptionOfWindow(TWindowHandle window);
bool ListRunningProcesses(std::vector<TProcessInfo>& list, bool fullPath);
std::string ProcessImagePath(std::uint32_t processId, bool fullPath);
// The per-user application-data folder, without a trailing separator; empty when unknown.
std::string UserAppDataFolder();

// The focused window's program and caption, both read from the one window found.
inline TForegroundSample SampleForegroundWindow() {
    const TWindowHandle window = GetForegroundWindow();
    return {ProcessNameOfWindow(window), CaptionOfWindow(window)};
}

// Special folders, by the shell's numbers.
constexpr int CSIDL_STARTUP = 7;
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
constexpr int CSIDL_APPDATA = 26;

// The folder with a trailing separator, or empty when the system cannot name it.
std::string SpecialFolderPath(int csidl);
// Whether the shortcut file for Name exists in the special folder ("Orvane" -> Orvane.lnk on
// Windows, Orvane.desktop on Linux).
bool ShortcutExists(const std::string& name, int csidl);
// Creates the shortcut when it does not exist, deletes it when it does. Throws on a failure to
// prepare the shortcut object; the results of writing and deleting are not checked.
void ToggleShortcut(const std::string& exePath, const std::string& name,
                    const std::string& description, int csidl);

// The path separator of the platform.
#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

} // namespace orvane::platform
