// The rest of what the recorder core asks of the system: this process and others, local time and
// the machine's name. No Qt here. linux/host_linux.cpp and win32/host_win32.cpp implement it.
#pragma once

#include <ctime>
#include <string>

namespace orvane::platform {

int CurrentPid();
// False only when the system says no such process exists.
bool ProcessAlive(int pid);
// The broken-down local time of t.
void LocalTime(std::time_t t, std::tm& tm);
// The machine's own name as the system gives it (without a domain); empty when it has none.
std::string HostName();

} // namespace orvane::platform
