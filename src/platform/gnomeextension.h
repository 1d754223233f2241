// The GNOME Shell extension through which the recorder sees the windows of a GNOME Wayland
// session (platform/wayland/gnomesetup.h does the work). Windows has no such session and nothing
// to set up. linux/gnomeextension_linux.cpp and win32/gnomeextension_win32.cpp implement it.
#pragma once

#include <string>
#include <vector>

namespace orvane::platform {

struct TExtensionSetup {
    bool Ok = false;
    std::vector<std::string> Lines; // what was done, or what failed, for the user
};

// A Wayland session of GNOME Shell, the Shell on the session bus.
bool InGnomeWaylandSession();
// True when the extension is in the user's folder and switched on in the settings.
bool GnomeExtensionSetUp();
// Installs the extension shipped with the program for the running (else the installed) Shell and
// enables it, without asking anything.
TExtensionSetup SetUpGnomeExtension();

} // namespace orvane::platform
