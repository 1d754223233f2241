#include "platform/wayland/hyprland.h"

#include "platform/wayland/backend.h"
#include "platform/wayland/json.h"
#include "views/recordedtext.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdlib>
#include <dirent.h>

namespace orvane::platform::wayland {

namespace {

constexpr std::size_t MaxReply = 1u << 20;

std::vector<std::string> NamedSockets(const std::vector<std::string>& roots) {
    const std::string signature = EnvValue("HYPRLAND_INSTANCE_SIGNATURE");
    if (signature.empty() || signature.find('/') != std::string::npos) return {};
    std::vector<std::string> paths;
    for (const std::string& root : roots)
        paths.push_back(root + "/" + signature + "/.socket.sock");
    return paths;
}

std::vector<std::string> AllInstanceSockets(const std::vector<std::string>& roots) {
    std::vector<std::string> folders;
    for (const std::string& root : roots) {
        DIR* dir = opendir(root.c_str());
        if (!dir) continue;
        while (const dirent* e = readdir(dir)) {
            const std::string_view name = e->d_name;
            if (name != "." && name != "..") folders.push_back(root + "/" + e->d_name);
        }
        closedir(dir);
    }
    return OwnSocketsIn(folders, [](std::string_view name) { return name == ".socket.sock"; });
}

} // namespace

std::optional<TFocusedWindow> FocusedInHyprlandReply(std::string_view json, std::string& error) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &parseError);
    if (!doc.isObject()) {
        error = "Hyprland sent an answer that is no JSON object: " +
                ToUtf8Text(parseError.errorString());
        return std::nullopt;
    }
    const QJsonObject window = doc.object();
    // Nothing has the focus: an empty object.
    if (!window.contains(QLatin1String("address"))) return std::nullopt;
    TFocusedWindow w;
    w.Pid = PidField(window, QStringLiteral("pid"));
    w.Title = Utf8Field(window, QStringLiteral("title"));
    w.AppId = Utf8Field(window, QStringLiteral("class"));
    return w;
}

std::vector<std::string> HyprlandInstanceRoots() {
    std::vector<std::string> roots;
    if (const std::string runtime = EnvValue("XDG_RUNTIME_DIR"); !runtime.empty())
        roots.push_back(runtime + "/hypr");
    roots.push_back("/tmp/hypr");
    return roots;
}

THyprlandIpc::THyprlandIpc(const std::vector<std::string>& roots)
    : TIpcFocusSource(TIpcClient(
          NamedSockets(roots), [roots] { return AllInstanceSockets(roots); }, false)) {}

std::optional<TFocusedWindow> THyprlandIpc::Focused() {
    return AskFocused(
        [](TIpcSocket& socket, TDeadline deadline, std::string& answer, std::string& error) {
            return socket.Send("j/activewindow", deadline, error) &&
                   socket.ReadToEnd(answer, MaxReply, deadline, error);
        },
        FocusedInHyprlandReply);
}

} // namespace orvane::platform::wayland

namespace orvane::platform {

TProbeCandidate HyprlandProbeCandidate() {
    return wayland::IpcProbeCandidate<wayland::THyprlandIpc>("hyprland",
                                                             "HYPRLAND_INSTANCE_SIGNATURE");
}

} // namespace orvane::platform
