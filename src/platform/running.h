// A mark that the program runs, for as long as its process lives. On Windows a named mutex in the
// user's session: the installer and the uninstaller look for it and ask the user to end the
// program first, since the files of a running program can be neither replaced nor deleted.
#pragma once

namespace orvane::platform {

// The mutex's name; the installer's script spells it the same way.
inline constexpr wchar_t RunningMutexName[] = L"Local\\OrvaneRunning";

#ifdef _WIN32
// Creates the mark; it goes when the process ends. A failure only loses the installer's check.
void MarkRunning();
#else
inline void MarkRunning() {}
#endif

} // namespace orvane::platform
