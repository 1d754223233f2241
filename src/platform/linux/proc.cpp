// Processes through /proc: the executable link and the command name.
#include "platform/linux/procfs.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace orvane::platform::procfs {

namespace {

std::string ProcFile(const std::string& procRoot, std::uint32_t pid, const char* leaf) {
    return procRoot + "/" + std::to_string(pid) + "/" + leaf;
}

} // namespace

bool ParseProcessId(std::string_view name, std::uint32_t& pid) {
    if (name.empty() || name.size() > 10) return false;
    std::uint64_t value = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return false;
    pid = static_cast<std::uint32_t>(value);
    return true;
}

std::string ExecutablePath(const std::string& procRoot, std::uint32_t pid) {
    const std::string link = ProcFile(procRoot, pid, "exe");
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = readlink(link.c_str(), target.data(), target.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            break;
        }
        if (target.size() >= (1u << 20)) return {}; // no sane path is that long
        target.resize(target.size() * 4);
    }
    constexpr std::string_view deleted = " (deleted)";
    if (target.ends_with(deleted)) target.resize(target.size() - deleted.size());
    return target;
}

std::string CommandName(const std::string& procRoot, std::uint32_t pid) {
    const std::string file = ProcFile(procRoot, pid, "comm");
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    char buf[256];
    ssize_t n;
    do {
        n = read(fd, buf, sizeof buf);
    } while (n < 0 && errno == EINTR);
    close(fd);
    if (n <= 0) return {};
    std::string name(buf, static_cast<std::size_t>(n));
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0'))
        name.pop_back();
    return name;
}

std::string ProcessNameIn(const std::string& procRoot, std::uint32_t pid, bool fullPath) {
    std::string path = ExecutablePath(procRoot, pid);
    if (path.empty()) return CommandName(procRoot, pid);
    if (!fullPath) {
        const std::size_t slash = path.rfind('/');
        if (slash != std::string::npos) path.erase(0, slash + 1);
    }
    return path;
}

} // namespace orvane::platform::procfs
