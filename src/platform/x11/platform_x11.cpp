#include "platform/platform.h"

#include <cstdlib>

namespace orvane::platform {

// Placeholder until the X11 probe lands: no foreground window is ever found.
TWindowHandle GetForegroundWindow() { return 0; }
std::string ProcessNameOfWindow(TWindowHandle) { return {}; }
std::string CaptionOfWindow(TWindowHandle) { return {}; }
bool ListRunningProcesses(std::vector<TProcessInfo>&, bool) { return false; }
std::string ProcessImagePath(std::uint32_t, bool) { return {}; }

std::string UserAppDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share";
    return {};
}

std::string SpecialFolderPath(int) { return {}; }
bool ShortcutExists(const std::string&, int) { return false; }
void ToggleShortcut(const std::string&, const std::string&, const std::string&, int) {}

} // namespace orvane::platform
