// Windows-only parts of the platform layer: the process-list methods, the shell's folders and
// links by their numbers, and the taskbar style of the main window.
#pragma once

#include "platform/platform.h"

#include <windows.h>

#include <string>
#include <vector>

namespace orvane::platform {

// How ListRunningProcesses lists and names the processes on a given Windows version.
enum class EProcessListing {
    EnumProcessIds,       // NT 3.1 to 4.0: the process-status library's id list
    SnapshotModulePath,   // 2000 to Vista/Server 2008: the module path, else the snapshot's name
    SnapshotLimitedQuery, // later: the image path with limited query rights, else the snapshot's
};

// platformId, major and minor as the version information gives them.
EProcessListing ProcessListingFor(unsigned long platformId, unsigned long major,
                                  unsigned long minor);
// The method for the running system.
EProcessListing CurrentProcessListing();
// The name a process gets in the list: id 0 is the idle process, id 2 the system process on
// NT 4.0, the others are named by their image path, where that is empty (snapshots only) by the
// snapshot's executable field, cut to the file name for the limited method without fullPath.
std::string ListedProcessName(EProcessListing method, std::uint32_t id, const std::string& exeField,
                              bool fullPath, bool ntFour);
// ListRunningProcesses with a given method; ntFour names id 2 "System Process" (NT 4.0 only).
bool ListRunningProcessesWith(EProcessListing method, std::vector<TProcessInfo>& list,
                              bool fullPath, bool ntFour = false);

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
