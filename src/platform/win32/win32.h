// Windows-only parts of the platform layer: the shell's folders and links by their numbers, and
// the taskbar style of the main window.
#pragma once

#include "platform/platform.h"

#include <windows.h>

#include <string>

namespace orvane::platform {

// The shell's routines behind the shortcut intents of platform.h, by special-folder number
// (CSIDL_DESKTOPDIRECTORY, CSIDL_STARTUP).
// The folder with a trailing backslash, or empty when the shell cannot name it.
std::string SpecialFolderPath(int csidl);
// Whether a file named name with its extension replaced by ".lnk" exists in the folder.
bool ShortcutExists(const std::string& name, int csidl);
// Creates the link name.lnk to exePath when no file of that name is in the folder, deletes the
// file when one is. Throws when the link object cannot be prepared.
void ToggleShortcut(const std::string& exePath, const std::string& name,
                    const std::string& description, int csidl);

// Gives the window no taskbar button (tool) or its button back: hidden, WS_EX_TOOLWINDOW added
// or removed, shown again if it was visible before.
void SetToolWindow(HWND window, bool tool);

} // namespace orvane::platform
