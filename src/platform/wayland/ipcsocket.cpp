#include "platform/wayland/ipcsocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace orvane::platform::wayland {

namespace {

std::string SystemError(int error) {
    return std::strerror(error);
}

int MillisecondsLeft(TDeadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() <= 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), 60000));
}

// Waits until fd is ready for events; false on a timeout (error says so) or a poll failure.
bool WaitFor(int fd, short events, TDeadline deadline, const std::string& path,
             std::string& error) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, MillisecondsLeft(deadline));
        if (r > 0) return true;
        if (r == 0) {
            error = path + ": no answer within " + std::to_string(IpcTimeout.count()) + " ms";
            return false;
        }
        if (errno != EINTR) {
            error = path + ": " + SystemError(errno);
            return false;
        }
    }
}

} // namespace

bool TIpcSocket::Connect(const std::string& path, std::string& error) {
    Close();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        error = "no usable socket path \"" + path + "\"";
        return false;
    }
    std::memcpy(addr.sun_path, path.data(), path.size());
    // A socket of another user's (in a shared folder such as /tmp/hypr) is never ours to ask: it
    // would tell us what windows we use.
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        error = "cannot connect to " + path + ": " + SystemError(errno);
        return false;
    }
    if (!S_ISSOCK(st.st_mode) || st.st_uid != getuid()) {
        error = path + " is not a socket of this user's";
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = "socket: " + SystemError(errno);
        return false;
    }
    // A local connect completes at once or fails at once (EAGAIN: the backlog is full).
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        error = "cannot connect to " + path + ": " + SystemError(errno);
        close(fd);
        return false;
    }
    // The file may have been swapped since it was looked at: the listening end must be ours too.
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid()) {
        error = path + " is served by another user";
        close(fd);
        return false;
    }
    FFd = fd;
    FPath = path;
    FBuffer.clear();
    FEnded = false;
    return true;
}

void TIpcSocket::Close() {
    if (FFd >= 0) close(FFd);
    FFd = -1;
    FBuffer.clear();
    FEnded = false;
}

bool TIpcSocket::Send(std::string_view bytes, TDeadline deadline, std::string& error) {
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a compositor that went away must not end us with SIGPIPE.
        const ssize_t n = send(FFd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(FFd, POLLOUT, deadline, FPath, error)) return false;
        } else if (n < 0 && errno != EINTR) {
            error = FPath + ": " + SystemError(errno);
            return false;
        }
    }
    return true;
}

bool TIpcSocket::Fill(TDeadline deadline, std::string& error, bool endIsError) {
    char buf[65536];
    for (;;) {
        const ssize_t n = recv(FFd, buf, sizeof buf, 0);
        if (n > 0) {
            FBuffer.append(buf, static_cast<std::size_t>(n));
            return true;
        }
        if (n == 0) {
            FEnded = true;
            if (endIsError) error = FPath + ": the connection was closed";
            return false;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(FFd, POLLIN, deadline, FPath, error)) return false;
        } else if (errno != EINTR) {
            error = FPath + ": " + SystemError(errno);
            return false;
        }
    }
}

bool TIpcSocket::ReadExact(std::string& out, std::size_t n, TDeadline deadline,
                           std::string& error) {
    while (FBuffer.size() < n)
        if (!Fill(deadline, error)) return false;
    out.assign(FBuffer, 0, n);
    FBuffer.erase(0, n);
    return true;
}

bool TIpcSocket::ReadLine(std::string& out, std::size_t limit, TDeadline deadline,
                          std::string& error) {
    std::size_t searched = 0;
    for (;;) {
        const std::size_t end = FBuffer.find('\n', searched);
        if (end != std::string::npos) {
            out.assign(FBuffer, 0, end);
            FBuffer.erase(0, end + 1);
            return true;
        }
        if (FBuffer.size() > limit) {
            error = FPath + ": an answer longer than " + std::to_string(limit) + " bytes";
            return false;
        }
        searched = FBuffer.size();
        if (!Fill(deadline, error)) return false;
    }
}

bool TIpcSocket::ReadToEnd(std::string& out, std::size_t limit, TDeadline deadline,
                           std::string& error) {
    while (!FEnded) {
        if (FBuffer.size() > limit) {
            error = FPath + ": an answer longer than " + std::to_string(limit) + " bytes";
            return false;
        }
        if (!Fill(deadline, error, false) && !FEnded) return false;
    }
    out = std::move(FBuffer);
    FBuffer.clear();
    return true;
}

std::vector<std::string> OwnSocketsIn(const std::vector<std::string>& folders,
                                      const std::function<bool(std::string_view)>& nameMatches) {
    std::vector<std::pair<timespec, std::string>> found;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        DIR* dir = opendir(folder.c_str());
        if (!dir) continue;
        while (const dirent* e = readdir(dir)) {
            if (!nameMatches(e->d_name)) continue;
            std::string path = folder + "/" + e->d_name;
            struct stat st;
            // Another user's socket (in a shared folder such as /tmp) is never ours to ask.
            if (lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != getuid())
                continue;
            found.emplace_back(st.st_mtim, std::move(path));
        }
        closedir(dir);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        if (a.first.tv_sec != b.first.tv_sec) return a.first.tv_sec > b.first.tv_sec;
        if (a.first.tv_nsec != b.first.tv_nsec) return a.first.tv_nsec > b.first.tv_nsec;
        return a.second < b.second;
    });
    std::vector<std::string> paths;
    for (auto& f : found)
        paths.push_back(std::move(f.second));
    return paths;
}

TIpcClient::TIpcClient(std::vector<std::string> named,
                       std::function<std::vector<std::string>()> fallback, bool keepOpen)
    : FNamed(std::move(named)), FFallback(std::move(fallback)), FKeepOpen(keepOpen) {}

bool TIpcClient::Connect(TDeadline deadline) {
    std::vector<std::string> tried;
    std::string firstError;
    // True when connected; false to go on with the next path.
    const auto attempt = [&](const std::string& path) {
        if (path.empty() || std::find(tried.begin(), tried.end(), path) != tried.end())
            return false;
        tried.push_back(path);
        std::string error;
        if (FSocket.Connect(path, error)) {
            FPath = path;
            return true;
        }
        if (firstError.empty()) firstError = error;
        return false;
    };
    // The socket that answered last, then those the session names, then any other of ours.
    if (attempt(FPath)) return true;
    for (const std::string& path : FNamed)
        if (attempt(path)) return true;
    if (FFallback && std::chrono::steady_clock::now() < deadline)
        for (const std::string& path : FFallback())
            if (attempt(path)) return true;
    FLastError = firstError.empty() ? "no socket to connect to" : firstError;
    return false;
}

bool TIpcClient::Reachable() {
    if (FSocket.IsOpen()) return true;
    const bool ok = Connect(std::chrono::steady_clock::now() + IpcTimeout);
    if (!FKeepOpen) FSocket.Close();
    return ok;
}

bool TIpcClient::Ask(const TExchange& exchange, std::string& reply) {
    const TDeadline deadline = std::chrono::steady_clock::now() + IpcTimeout;
    // A kept connection may have been closed by a compositor that restarted since: then one
    // fresh connection is worth a second try.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool reused = FSocket.IsOpen();
        if (!reused && !Connect(deadline)) return false;
        std::string error;
        if (exchange(FSocket, deadline, reply, error)) {
            if (!FKeepOpen) FSocket.Close();
            FLastError.clear();
            return true;
        }
        FSocket.Close();
        FLastError = error;
        if (!reused) return false;
    }
    return false;
}

} // namespace orvane::platform::wayland
