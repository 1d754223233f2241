// What orvane-report needs of its console: its arguments and output bytes as given, and how text
// must look there. No Qt here. linux/host_linux.cpp and win32/host_win32.cpp implement it.
#pragma once

#include <string>
#include <vector>

namespace orvane::platform {

// The program's arguments (without its name) in UTF-8, as file names travel everywhere.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// Standard output and error take the bytes as written: no CR is put before an LF.
void WriteOutputAsGiven();
// Whether the terminal takes UTF-8, by the locale's variables as the C library reads them.
bool Utf8Terminal();
// Text in the system's 8-bit code (the ANSI code page on Windows, UTF-8 elsewhere) as UTF-8, and
// back.
std::string Utf8FromSystemText(const std::string& text);
std::string SystemTextFromUtf8(const std::string& text);

} // namespace orvane::platform
