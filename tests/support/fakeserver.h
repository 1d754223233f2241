// A compositor's IPC socket for tests: listens on a Unix socket path and hands each connection
// to a handler on a thread of its own, which replays a recorded reply.
#pragma once

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

class TFakeServer {
public:
    // The handler talks over fd and returns when done; the server then closes fd. stopping
    // turns true when the test ends the server.
    using THandler = std::function<void(int fd, const std::atomic<bool>& stopping)>;

    TFakeServer(std::string path, THandler handler)
        : FPath(std::move(path)), FHandler(std::move(handler)) {
        FListen = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, FPath.c_str(), sizeof addr.sun_path - 1);
        unlink(FPath.c_str());
        if (bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(FListen, 8) != 0)
            throw std::runtime_error("cannot listen on " + FPath + ": " + std::strerror(errno));
        FThread = std::thread([this] { Run(); });
    }
    ~TFakeServer() { Stop(); }

    // Stops listening and removes the socket: connections are refused from now on.
    void Stop() {
        if (!FThread.joinable()) return;
        FStopping = true;
        FThread.join();
        close(FListen);
        unlink(FPath.c_str());
    }
    int Connections() const { return FConnections; }

private:
    void Run() {
        while (!FStopping) {
            pollfd p{FListen, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const int fd = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            ++FConnections;
            FHandler(fd, FStopping);
            close(fd);
        }
    }

    std::string FPath;
    THandler FHandler;
    int FListen = -1;
    std::atomic<bool> FStopping{false};
    std::atomic<int> FConnections{0};
    std::thread FThread;
};

// Blocking helpers for the handlers; false when the peer went away.
inline bool ReadBytes(int fd, std::string& out, std::size_t n) {
    out.clear();
    char buf[4096];
    while (out.size() < n) {
        const ssize_t r = read(fd, buf, std::min(sizeof buf, n - out.size()));
        if (r <= 0) return false;
        out.append(buf, static_cast<std::size_t>(r));
    }
    return true;
}

inline bool ReadLineFrom(int fd, std::string& out) {
    out.clear();
    char c;
    while (read(fd, &c, 1) == 1) {
        if (c == '\n') return true;
        out += c;
    }
    return false;
}

inline bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (w <= 0) return false;
        done += static_cast<std::size_t>(w);
    }
    return true;
}

// Holds the handler until the test ends the server: a compositor that never answers.
inline void HangUntilStopped(const std::atomic<bool>& stopping) {
    while (!stopping)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// A reply the test changes while the server runs.
class TReply {
public:
    void Set(std::string text) {
        std::lock_guard lock(FLock);
        FText = std::move(text);
    }
    std::string Get() const {
        std::lock_guard lock(FLock);
        return FText;
    }

private:
    mutable std::mutex FLock;
    std::string FText;
};
