#include "platform/wayland/sway.h"

#include "platform/wayland/backend.h"
#include "platform/wayland/json.h"
#include "views/recordedtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace orvane::platform::wayland {

namespace {

constexpr std::string_view Magic = "i3-ipc";
constexpr std::uint32_t GetTree = 4;
constexpr std::size_t HeaderSize = Magic.size() + 8;
constexpr std::uint32_t MaxReply = 64u << 20;
constexpr int MaxDepth = 256;

QJsonArray Children(const QJsonObject& node) {
    QJsonArray all = node.value(QLatin1String("nodes")).toArray();
    for (const QJsonValue& v : node.value(QLatin1String("floating_nodes")).toArray())
        all.append(v);
    return all;
}

bool IsWindow(const QJsonObject& node) {
    const QString type = node.value(QLatin1String("type")).toString();
    return (type == QLatin1String("con") || type == QLatin1String("floating_con")) &&
           (node.contains(QLatin1String("pid")) || node.contains(QLatin1String("app_id")) ||
            node.contains(QLatin1String("window")));
}

std::optional<QJsonObject> FindFocused(const QJsonObject& node, int depth) {
    if (node.value(QLatin1String("focused")).toBool()) return node;
    if (depth >= MaxDepth) return std::nullopt;
    for (const QJsonValue& child : Children(node))
        if (auto found = FindFocused(child.toObject(), depth + 1)) return found;
    return std::nullopt;
}

// A focused container (the user focused the parent of some windows) stands for the window
// inside it that had the focus last, the one its focus list names first.
std::optional<QJsonObject> WindowWithin(QJsonObject node) {
    for (int depth = 0; depth < MaxDepth; ++depth) {
        if (IsWindow(node)) return node;
        const QJsonArray focus = node.value(QLatin1String("focus")).toArray();
        if (focus.isEmpty()) return std::nullopt;
        const double id = focus.first().toDouble(-1);
        std::optional<QJsonObject> next;
        for (const QJsonValue& child : Children(node)) {
            const QJsonObject c = child.toObject();
            if (c.value(QLatin1String("id")).toDouble(-2) == id) {
                next = c;
                break;
            }
        }
        if (!next) return std::nullopt;
        node = *next;
    }
    return std::nullopt;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// The text of the object that holds "focused": true as a member of its own, found by a plain
// lexical pass: a tree of many windows is tens of kilobytes, and building all of it as Qt JSON
// objects would take most of a sample's budget. Strings are skipped whole, so a title can never
// pass for a key. Nullopt when there is none or the text is not plain JSON: the caller then reads
// the whole tree the slow way.
std::optional<std::string_view> FocusedObjectText(std::string_view json) {
    constexpr std::size_t None = std::string_view::npos;
    std::vector<std::size_t> open; // offsets of the objects and arrays not yet closed
    std::size_t focusedStart = None, focusedDepth = 0;
    bool focusedKey = false; // the last token was the key "focused" of an object
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (IsSpace(c)) continue;
        if (c == '"') {
            std::size_t end = i + 1;
            while (end < json.size() && json[end] != '"')
                end += json[end] == '\\' ? 2 : 1;
            if (end >= json.size()) return std::nullopt;
            std::size_t next = end + 1;
            while (next < json.size() && IsSpace(json[next]))
                ++next;
            const bool isKey = next < json.size() && json[next] == ':';
            focusedKey = isKey && !open.empty() && json[open.back()] == '{' &&
                         json.substr(i + 1, end - i - 1) == "focused";
            i = isKey ? next : end;
            continue;
        }
        if (c == '{' || c == '[') {
            open.push_back(i);
        } else if (c == '}' || c == ']') {
            if (open.empty()) return std::nullopt;
            if (focusedStart != None && open.size() == focusedDepth)
                return json.substr(focusedStart, i + 1 - focusedStart);
            open.pop_back();
        } else if (focusedKey && json.substr(i, 4) == "true" && focusedStart == None) {
            focusedStart = open.back();
            focusedDepth = open.size();
        }
        focusedKey = false;
    }
    return std::nullopt;
}

void PutUint32(std::string& out, std::uint32_t v) {
    char b[4];
    std::memcpy(b, &v, 4); // sway's IPC uses the host's byte order
    out.append(b, 4);
}

} // namespace

std::optional<TFocusedWindow> FocusedInSwayTree(std::string_view json, std::string& error) {
    std::optional<QJsonObject> focused;
    if (const std::optional<std::string_view> text = FocusedObjectText(json)) {
        const QJsonDocument doc = QJsonDocument::fromJson(
            QByteArray::fromRawData(text->data(), static_cast<qsizetype>(text->size())));
        if (doc.isObject()) focused = doc.object();
    }
    if (!focused) {
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(
            QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &parseError);
        if (!doc.isObject()) {
            error =
                "sway sent a tree that is no JSON object: " + ToUtf8Text(parseError.errorString());
            return std::nullopt;
        }
        focused = FindFocused(doc.object(), 0);
        if (!focused) return std::nullopt;
    }
    const std::optional<QJsonObject> window = WindowWithin(*focused);
    if (!window) return std::nullopt;
    TFocusedWindow w;
    w.Pid = PidField(*window, QStringLiteral("pid"));
    w.Title = Utf8Field(*window, QStringLiteral("name"));
    w.AppId = Utf8Field(*window, QStringLiteral("app_id"));
    if (w.AppId.empty())
        w.AppId = Utf8Field(window->value(QLatin1String("window_properties")).toObject(),
                            QStringLiteral("class"));
    return w;
}

TSwayIpc::TSwayIpc()
    : TIpcFocusSource(TIpcClient(
          {EnvValue("SWAYSOCK")},
          [] {
              const std::string prefix = "sway-ipc." + std::to_string(getuid()) + ".";
              return OwnSocketsIn({EnvValue("XDG_RUNTIME_DIR")}, [prefix](std::string_view name) {
                  return name.starts_with(prefix) && name.ends_with(".sock");
              });
          },
          true)) {}

std::optional<TFocusedWindow> TSwayIpc::Focused() {
    return AskFocused(
        [](TIpcSocket& socket, TDeadline deadline, std::string& payload, std::string& error) {
            std::string request(Magic);
            PutUint32(request, 0);
            PutUint32(request, GetTree);
            std::string header;
            if (!socket.Send(request, deadline, error) ||
                !socket.ReadExact(header, HeaderSize, deadline, error))
                return false;
            std::uint32_t length, type;
            std::memcpy(&length, header.data() + Magic.size(), 4);
            std::memcpy(&type, header.data() + Magic.size() + 4, 4);
            if (!header.starts_with(Magic) || type != GetTree || length > MaxReply) {
                error = "sway answered with something other than its tree";
                return false;
            }
            return socket.ReadExact(payload, length, deadline, error);
        },
        FocusedInSwayTree);
}

} // namespace orvane::platform::wayland

namespace orvane::platform {

TProbeCandidate SwayProbeCandidate() {
    return wayland::IpcProbeCandidate<wayland::TSwayIpc>("sway", "SWAYSOCK");
}

} // namespace orvane::platform
