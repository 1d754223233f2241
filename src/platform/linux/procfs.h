// Processes through /proc, shared by every Linux backend: the X11 probe and the Wayland ones all
// end at a process id and name it the same way. The root is a parameter so that tests can build
// a /proc of their own.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::platform::procfs {

// The executable behind procRoot/PID/exe, or empty when it cannot be read. A binary replaced
// while running reads "PATH (deleted)": that is still the same program, so the mark is dropped.
std::string ExecutablePath(const std::string& procRoot, std::uint32_t pid);
// procRoot/PID/comm without its line end, or empty.
std::string CommandName(const std::string& procRoot, std::uint32_t pid);
// The full path (or its file name when fullPath is false); the bare command name when the
// executable cannot be read (another user's process, a kernel thread); empty when it is gone.
std::string ProcessNameIn(const std::string& procRoot, std::uint32_t pid, bool fullPath);
// A /proc entry name as a process id; false for anything that is not a plain decimal number.
bool ParseProcessId(std::string_view name, std::uint32_t& pid);

} // namespace orvane::platform::procfs
