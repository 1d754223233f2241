// The XDG folders and desktop entries of Linux, whatever the display server. Split out of
// folders.cpp so that they can be tested on their own.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>

namespace orvane::platform::xdg {

// An absolute path taken from the environment, trailing slashes removed; empty when the
// variable is unset, empty or relative.
std::string AbsoluteEnv(const char* name);
// XDG_DESKTOP_DIR out of the text of user-dirs.dirs, with $HOME expanded; empty when the file
// does not name it or names it in a form we cannot read.
std::string DesktopDirFromUserDirs(std::string_view userDirs, const std::string& home);

// The Exec value for one program path: double-quoted with the characters the desktop-entry
// format reserves escaped, percent signs doubled, then escaped as a string value.
std::string DesktopExecValue(const std::string& exePath);
// A string value of a desktop entry: backslash and control characters escaped.
std::string DesktopStringValue(std::string_view text);
// The whole desktop entry that points at exePath.
std::string DesktopEntryText(const std::string& exePath, const std::string& name,
                             const std::string& description);
// The folder of the shortcut's desktop entry with a trailing slash: the XDG desktop folder, or
// the autostart folder of the XDG configuration; empty when it cannot be named.
std::string ShortcutFolder(EShortcut shortcut);

} // namespace orvane::platform::xdg
