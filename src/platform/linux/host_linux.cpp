#include "platform/console.h"
#include "platform/host.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace orvane::platform {

int CurrentPid() {
    return static_cast<int>(::getpid());
}

bool ProcessAlive(int pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

void LocalTime(std::time_t t, std::tm& tm) {
    localtime_r(&t, &tm);
}

std::string HostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    std::string name(buf);
    // "laptop.example.org" is the machine "laptop".
    if (const auto dot = name.find('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void WriteOutputAsGiven() {}

bool Utf8Terminal() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string v;
        for (const char* c = value; *c; ++c)
            v += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        return v.find("utf-8") != std::string::npos || v.find("utf8") != std::string::npos;
    }
    return false;
}

std::string Utf8FromSystemText(const std::string& text) {
    return text;
}

std::string SystemTextFromUtf8(const std::string& text) {
    return text;
}

} // namespace orvane::platform
