// File names travel through the program as std::string in UTF-8 (on Linux: the bytes the system
// gives, which are UTF-8 there too). Windows takes them as UTF-16 here, never through the ANSI
// code page: a user name such as "Jürgen" must name the same folder in every call. No Qt here:
// the recorder core uses it. linux/files_linux.cpp and win32/files_win32.cpp implement it.
#pragma once

#include <filesystem>
#include <string>

namespace orvane {

// The path of a file name; std::filesystem::path(std::string) reads it in the code page on
// Windows.
std::filesystem::path PathOf(const std::string& fileName);
// The file name of a path, in UTF-8.
std::string PathText(const std::filesystem::path& path);
// Removes a file; false when it could not be removed.
bool RemoveFile(const std::string& fileName);

} // namespace orvane
