// A Unix stream socket to a compositor's IPC, every wait bounded: the recorder asks from its
// user-interface thread, and a compositor that stops answering must not freeze it.
#pragma once

#include "platform/wayland/focus.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane::platform::wayland {

using TDeadline = std::chrono::steady_clock::time_point;

// What one question to a compositor may take, connecting included.
constexpr std::chrono::milliseconds IpcTimeout{500};

class TIpcSocket {
public:
    TIpcSocket() = default;
    ~TIpcSocket() { Close(); }
    TIpcSocket(const TIpcSocket&) = delete;
    TIpcSocket& operator=(const TIpcSocket&) = delete;
    TIpcSocket(TIpcSocket&& other) noexcept
        : FFd(std::exchange(other.FFd, -1)), FPath(std::move(other.FPath)),
          FBuffer(std::move(other.FBuffer)), FEnded(other.FEnded) {}

    // False with the reason in error.
    bool Connect(const std::string& path, std::string& error);
    bool IsOpen() const { return FFd >= 0; }
    void Close();

    bool Send(std::string_view bytes, TDeadline deadline, std::string& error);
    // Exactly n bytes.
    bool ReadExact(std::string& out, std::size_t n, TDeadline deadline, std::string& error);
    // Up to the first line end, which is dropped; no more than limit bytes.
    bool ReadLine(std::string& out, std::size_t limit, TDeadline deadline, std::string& error);
    // Everything until the peer closes; no more than limit bytes.
    bool ReadToEnd(std::string& out, std::size_t limit, TDeadline deadline, std::string& error);

private:
    // Appends what arrives next to FBuffer; false on an error, a timeout or the end.
    bool Fill(TDeadline deadline, std::string& error, bool endIsError = true);

    int FFd = -1;
    std::string FPath;
    std::string FBuffer; // bytes received and not yet handed out
    bool FEnded = false;
};

// The sockets of ours in the folders whose names match, newest first. A compositor restarted in the
// same session gets a socket of a new name; the old name then refuses connections.
std::vector<std::string> OwnSocketsIn(const std::vector<std::string>& folders,
                                      const std::function<bool(std::string_view)>& nameMatches);

// One question and its answer over a compositor's IPC socket. Where the socket named by the
// session no longer answers, the others that `fallback` lists are tried, so that a compositor
// restarted under a new socket name is found again.
class TIpcClient {
public:
    using TExchange =
        std::function<bool(TIpcSocket&, TDeadline, std::string& reply, std::string& error)>;

    TIpcClient(std::vector<std::string> named, std::function<std::vector<std::string>()> fallback,
               bool keepOpen);

    // False with the reason in LastError().
    bool Ask(const TExchange& exchange, std::string& reply);
    // Whether some socket accepts a connection now; the reason in LastError() when none does.
    bool Reachable();
    const std::string& LastError() const { return FLastError; }
    // The socket last connected to.
    const std::string& Path() const { return FPath; }

private:
    bool Connect(TDeadline deadline);

    std::vector<std::string> FNamed;
    std::function<std::vector<std::string>()> FFallback;
    bool FKeepOpen;
    TIpcSocket FSocket;
    std::string FPath, FLastError;
};

// A compositor asked for its focused window over its IPC socket; each compositor gives the
// exchange and the reader of its reply.
class TIpcFocusSource {
public:
    explicit TIpcFocusSource(TIpcClient client) : FClient(std::move(client)) {}

    // Whether the socket accepts a connection now; the reason in LastError() when not.
    bool Reachable() {
        if (FClient.Reachable()) return true;
        FLastError = FClient.LastError();
        return false;
    }
    // Why the last Focused() told nothing; empty when the compositor answered.
    const std::string& LastError() const { return FLastError; }
    const std::string& Path() const { return FClient.Path(); }

protected:
    using TReplyReader = std::optional<TFocusedWindow> (*)(std::string_view, std::string& error);
    std::optional<TFocusedWindow> AskFocused(const TIpcClient::TExchange& exchange,
                                             TReplyReader read) {
        std::string reply;
        if (!FClient.Ask(exchange, reply)) {
            FLastError = FClient.LastError();
            return std::nullopt;
        }
        FLastError.clear();
        return read(reply, FLastError);
    }

private:
    TIpcClient FClient;
    std::string FLastError;
};

} // namespace orvane::platform::wayland
