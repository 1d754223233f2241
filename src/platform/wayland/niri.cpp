#include "platform/wayland/niri.h"

#include "platform/wayland/backend.h"
#include "platform/wayland/json.h"
#include "views/recordedtext.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdlib>

namespace orvane::platform::wayland {

namespace {

constexpr std::size_t MaxReply = 1u << 20;

} // namespace

std::optional<TFocusedWindow> FocusedInNiriReply(std::string_view json, std::string& error) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &parseError);
    if (!doc.isObject()) {
        error =
            "niri sent an answer that is no JSON object: " + ToUtf8Text(parseError.errorString());
        return std::nullopt;
    }
    const QJsonObject reply = doc.object();
    if (reply.contains(QLatin1String("Err"))) {
        error = "niri refused the request: " +
                ToUtf8Text(reply.value(QLatin1String("Err")).toVariant().toString());
        return std::nullopt;
    }
    const QJsonObject ok = reply.value(QLatin1String("Ok")).toObject();
    if (!ok.contains(QLatin1String("FocusedWindow"))) {
        error = "niri answered another request";
        return std::nullopt;
    }
    const QJsonValue focused = ok.value(QLatin1String("FocusedWindow"));
    if (!focused.isObject()) return std::nullopt; // null: nothing has the focus
    const QJsonObject window = focused.toObject();
    TFocusedWindow w;
    w.Pid = PidField(window, QStringLiteral("pid"));
    w.Title = Utf8Field(window, QStringLiteral("title"));
    w.AppId = Utf8Field(window, QStringLiteral("app_id"));
    return w;
}

TNiriIpc::TNiriIpc()
    : TIpcFocusSource(TIpcClient(
          {EnvValue("NIRI_SOCKET")},
          [] {
              return OwnSocketsIn({EnvValue("XDG_RUNTIME_DIR")}, [](std::string_view name) {
                  return name.starts_with("niri.") && name.ends_with(".sock");
              });
          },
          false)) {}

std::optional<TFocusedWindow> TNiriIpc::Focused() {
    return AskFocused(
        [](TIpcSocket& socket, TDeadline deadline, std::string& answer, std::string& error) {
            return socket.Send("\"FocusedWindow\"\n", deadline, error) &&
                   socket.ReadLine(answer, MaxReply, deadline, error);
        },
        FocusedInNiriReply);
}

} // namespace orvane::platform::wayland

namespace orvane::platform {

TProbeCandidate NiriProbeCandidate() {
    return wayland::IpcProbeCandidate<wayland::TNiriIpc>("niri", "NIRI_SOCKET");
}

} // namespace orvane::platform
