#include "platform/wayland/kwin.h"

#include "platform/atomicfile.h"
#include "platform/datafolders.h"

#include "platform/wayland/backend.h"
#include "platform/wayland/json.h"
#include "views/recordedtext.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace orvane::platform::wayland {

namespace {

const QString KWinService = QStringLiteral("org.kde.KWin");
const QString ScriptingPath = QStringLiteral("/Scripting");
const QString ScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString ReportPath = QStringLiteral("/org/orvane/KWinFocus");
const QString ReportInterface = QStringLiteral("org.orvane.KWinFocus");
const QString ServicePrefix = QStringLiteral("org.orvane.orvane.KWinFocus.p");

// KWin answers a script call within milliseconds; one that does not must not freeze the window.
constexpr int CallTimeoutMs = 2000;
// Loading measured up to 177 ms; the first report follows at once.
constexpr int FirstReportTimeoutMs = 2000;
// After KWin refused the script (it was starting), how soon to try again.
constexpr qint64 RetryAfterMs = 1000;
// A caption is stored capped far below this; larger is no report of the script's.
constexpr std::size_t MaxReport = 1 << 20;

// Qt gives the runtime folder only where it is the user's own and private (else empty).
QString ScriptFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/orvane-kwin");
}

// Whether the folder is ours and closed to everyone else: KWin runs whatever script it holds.
bool IsPrivateFolder(const QString& folder) {
    const QFileInfo info(folder);
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    return info.isDir() && !info.isSymLink() && info.ownerId() == getuid() &&
           !(info.permissions() & others);
}

} // namespace

bool ReadKWinReport(std::string_view json, std::optional<TFocusedWindow>& window,
                    std::string& error) {
    if (json.size() > MaxReport) {
        error = "the KWin script sent a report of " + std::to_string(json.size()) + " bytes";
        return false;
    }
    const QByteArray bytes = QByteArray(json.data(), static_cast<qsizetype>(json.size())).trimmed();
    if (bytes == "null") { // nothing has the focus (QJsonDocument reads no bare null)
        window.reset();
        return true;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (!doc.isObject()) {
        error = "the KWin script sent no JSON object: " + ToUtf8Text(parseError.errorString());
        return false;
    }
    const QJsonObject o = doc.object();
    TFocusedWindow w;
    w.Pid = PidField(o, QStringLiteral("pid"));
    w.Title = Utf8Field(o, QStringLiteral("caption"));
    w.AppId = Utf8Field(o, QStringLiteral("resourceClass"));
    window = std::move(w);
    return true;
}

QString KWinScriptFor(const QString& scriptTemplate, const QString& service) {
    QString script = scriptTemplate;
    script.replace(QStringLiteral("@ORVANE_SERVICE@"), service);
    return script;
}

QString KWinScriptTemplatePath() {
    // Without an application object only the installed copy can be found.
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QString path =
        ShippedFolder(exeDir, QStringLiteral("wayland")) + QStringLiteral("/kwin-focus.js");
    return QFileInfo(path).isFile() ? path : QString();
}

namespace {

// Receives the script's calls on the path it reports to.
class TReportReceiver final : public QDBusVirtualObject {
public:
    explicit TReportReceiver(std::function<void(const QDBusMessage&)> onReport)
        : FOnReport(std::move(onReport)) {}
    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"org.orvane.KWinFocus\"><method name=\"Report\">"
                              "<arg name=\"state\" type=\"s\" direction=\"in\"/></method>"
                              "</interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage ||
            message.interface() != ReportInterface || message.member() != QLatin1String("Report"))
            return false;
        FOnReport(message);
        QDBusConnection(connection).send(message.createReply());
        return true;
    }

private:
    std::function<void(const QDBusMessage&)> FOnReport;
};

} // namespace

struct TKWinProbe::TState {
    QDBusConnection Bus = QDBusConnection::sessionBus();
    QString Template, Service, ScriptPath;
    std::unique_ptr<TReportReceiver> Receiver;
    std::unique_ptr<QDBusServiceWatcher> Watcher;
    bool Registered = false;

    // Reports may be handled on the bus's own thread.
    std::mutex Lock;
    QString KWinOwner;                    // only its reports count
    std::optional<TFocusedWindow> Window; // the latest report
    std::atomic<bool> Reported = false;   // since the script was last loaded
    std::string ReportError;

    bool Loaded = false;
    bool Waited = false; // for the first report since the script was loaded
    std::string Problem;
    QElapsedTimer SinceFailure;

    QDBusMessage CallKWin(const char* method, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(KWinService, ScriptingPath,
                                                        ScriptingInterface, QLatin1String(method));
        m.setArguments(args);
        return Bus.call(m, QDBus::Block, CallTimeoutMs);
    }

    void OnReport(const QDBusMessage& message) {
        const QString json = message.arguments().value(0).toString();
        const std::string utf8 = ToUtf8Text(json);
        std::optional<TFocusedWindow> window;
        std::string error;
        const bool read = ReadKWinReport(utf8, window, error);
        std::lock_guard<std::mutex> guard(Lock);
        // Anyone on the bus may call us; only the KWin that runs our script is believed.
        if (KWinOwner.isEmpty() || message.service() != KWinOwner) return;
        if (!read) {
            ReportError = error;
            return;
        }
        ReportError.clear();
        Window = std::move(window);
        Reported = true;
    }

    void Forget() {
        std::lock_guard<std::mutex> guard(Lock);
        Window.reset();
        Reported = false;
    }

    // Unloads the copies whose owner has left the bus (a process of ours that died).
    void RemoveStaleCopies() {
        const QDir folder(QFileInfo(ScriptPath).path());
        for (const QFileInfo& f : folder.entryInfoList({QStringLiteral("*.js")}, QDir::Files)) {
            const QString name = f.completeBaseName();
            if (name == Service || !name.startsWith(ServicePrefix)) continue;
            if (Bus.interface()->isServiceRegistered(name).value()) continue;
            CallKWin("unloadScript", {name});
            QFile::remove(f.filePath());
        }
    }

    // Unload (a copy under our name may be left from a KWin that ran us before), load, start.
    bool Load() {
        Loaded = false;
        Waited = false;
        Forget();
        const QString owner = Bus.interface()->serviceOwner(KWinService).value();
        {
            std::lock_guard<std::mutex> guard(Lock);
            KWinOwner = owner;
        }
        if (owner.isEmpty()) {
            Problem = "KWin is not on the session bus";
            return false;
        }
        RemoveStaleCopies();
        CallKWin("unloadScript", {Service});
        const QDBusMessage loaded = CallKWin("loadScript", {ScriptPath, Service});
        if (loaded.type() == QDBusMessage::ErrorMessage) {
            Problem = "KWin did not load the script: " + ToUtf8Text(loaded.errorMessage());
            SinceFailure.start();
            return false;
        }
        if (loaded.arguments().value(0).toInt() < 0) {
            Problem = "KWin refused the script " + ToFileName(ScriptPath);
            SinceFailure.start();
            return false;
        }
        const QDBusMessage started = CallKWin("start");
        if (started.type() == QDBusMessage::ErrorMessage) {
            Problem = "KWin did not start the script: " + ToUtf8Text(started.errorMessage());
            SinceFailure.start();
            return false;
        }
        Loaded = true;
        Problem.clear();
        return true;
    }

    void LoadIfDue() {
        if (Loaded || !Registered) return;
        if (SinceFailure.isValid() && SinceFailure.elapsed() < RetryAfterMs) return;
        Load();
    }

    // The script reports the active window as soon as it runs. Once per load: a script that never
    // reports must not hold up every sample.
    void WaitForFirstReport() {
        if (!Loaded || Reported || Waited) return;
        Waited = true;
        QElapsedTimer waited;
        waited.start();
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (Reported || waited.elapsed() >= FirstReportTimeoutMs) loop.quit();
        });
        poll.start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
};

TKWinProbe::TKWinProbe(const QString& templatePath) : F(std::make_unique<TState>()) {
    TState& s = *F;
    if (!s.Bus.isConnected()) {
        s.Problem = "no session bus: " + ToUtf8Text(s.Bus.lastError().message());
        return;
    }
    QFile in(templatePath);
    if (!in.open(QIODevice::ReadOnly)) {
        s.Problem = "cannot read the KWin script " + ToFileName(templatePath);
        return;
    }
    s.Template = FromUtf8Text(in.readAll());

    // A name of our own, so that several of us can run at once.
    for (int i = 0; i < 100 && s.Service.isEmpty(); ++i) {
        QString name = ServicePrefix + QString::number(getpid());
        if (i > 0) name += QStringLiteral("_") + QString::number(i);
        const auto reply =
            s.Bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                               QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
            s.Service = name;
    }
    if (s.Service.isEmpty()) {
        s.Problem = "cannot own a name on the session bus";
        return;
    }
    s.Receiver = std::make_unique<TReportReceiver>([&s](const QDBusMessage& m) { s.OnReport(m); });
    if (!s.Bus.registerVirtualObject(ReportPath, s.Receiver.get())) {
        s.Problem = "cannot receive on the session bus: " + ToUtf8Text(s.Bus.lastError().message());
        return;
    }

    const QString folder = ScriptFolder();
    if (folder.isEmpty()) {
        s.Problem = "no private runtime folder ($XDG_RUNTIME_DIR) for the KWin script";
        return;
    }
    if (QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    if (!IsPrivateFolder(folder)) {
        s.Problem = ToFileName(folder) + " is not a folder of this user's alone: the KWin " +
                    "script is not written there";
        return;
    }
    s.ScriptPath = folder + QLatin1Char('/') + s.Service + QStringLiteral(".js");
    const QByteArray script = KWinScriptFor(s.Template, s.Service).toUtf8(); // raw text: JavaScript
    if (int error = 0; !WriteFileAtomically(
            ToFileName(s.ScriptPath), std::string_view(script.constData(), script.size()), error)) {
        s.Problem = "cannot write " + ToFileName(s.ScriptPath) + ": " + std::strerror(error);
        return;
    }
    s.Registered = true;

    // KWin restarted (or crashed and came back): it runs no script of ours any more.
    s.Watcher = std::make_unique<QDBusServiceWatcher>(KWinService, s.Bus,
                                                      QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(s.Watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, s.Watcher.get(),
                     [&s](const QString&, const QString&, const QString& newOwner) {
                         s.Loaded = false;
                         s.SinceFailure.invalidate();
                         s.Forget();
                         {
                             std::lock_guard<std::mutex> guard(s.Lock);
                             s.KWinOwner.clear();
                         }
                         if (newOwner.isEmpty())
                             s.Problem = "KWin has left the session bus";
                         else
                             s.Load();
                     });
    s.Load();
}

TKWinProbe::~TKWinProbe() {
    TState& s = *F;
    s.Watcher.reset();
    if (s.Loaded) s.CallKWin("unloadScript", {s.Service});
    if (s.Receiver) s.Bus.unregisterObject(ReportPath);
    if (!s.ScriptPath.isEmpty()) QFile::remove(s.ScriptPath);
    if (!s.Service.isEmpty()) s.Bus.interface()->unregisterService(s.Service);
}

QString TKWinProbe::Service() const {
    return F->Service;
}

std::optional<TFocusedWindow> TKWinProbe::Focused() {
    F->LoadIfDue();
    F->WaitForFirstReport();
    std::lock_guard<std::mutex> guard(F->Lock);
    return F->Window;
}

TForegroundSample TKWinProbe::Sample() {
    return SampleOf(Focused(), FResolver);
}

std::string TKWinProbe::Problem() {
    Focused();
    if (!F->Problem.empty()) return F->Problem;
    if (F->Loaded && !F->Reported)
        return "the KWin script has not reported within " + std::to_string(FirstReportTimeoutMs) +
               " ms of loading";
    std::lock_guard<std::mutex> guard(F->Lock);
    return F->ReportError;
}

} // namespace orvane::platform::wayland

namespace orvane::platform {

TProbeCandidate KWinProbeCandidate() {
    return {"kwin",
            [] {
                const QDBusConnection bus = QDBusConnection::sessionBus();
                if (!bus.isConnected())
                    return "no session bus: " + ToUtf8Text(bus.lastError().message());
                if (!bus.interface()->isServiceRegistered(QStringLiteral("org.kde.KWin")).value())
                    return std::string("org.kde.KWin is not on the session bus");
                if (wayland::KWinScriptTemplatePath().isEmpty())
                    return std::string("its KWin script (wayland/kwin-focus.js) is not installed");
                return std::string();
            },
            []() -> std::unique_ptr<IProbeBackend> {
                return std::make_unique<wayland::TKWinProbe>(wayland::KWinScriptTemplatePath());
            }};
}

} // namespace orvane::platform
