#include "platform/wayland/gnomesetup.h"

#include "platform/atomicfile.h"
#include "platform/datafolders.h"
#include "views/recordedtext.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace orvane::platform::gnome {

namespace {

constexpr int OldestMajor = 43;
constexpr int FirstModuleMajor = 45;
const char* const Files[] = {"metadata.json", "extension.js"};

// gsettings's output without its line end; nullopt when it could not be run or failed.
std::optional<std::string> Gsettings(const QStringList& args, std::string* error = nullptr) {
    QProcess p;
    p.start(QStringLiteral("gsettings"), args);
    if (!p.waitForStarted(5000)) {
        if (error) *error = "gsettings cannot be run: " + ToUtf8Text(p.errorString());
        return std::nullopt;
    }
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(1000);
        if (error) *error = "gsettings did not finish";
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = "gsettings " + ToUtf8Text(args.join(' ')) +
                     " failed: " + ToUtf8Text(FromSystemText(p.readAllStandardError()).trimmed());
        return std::nullopt;
    }
    return ToUtf8Text(FromUtf8Text(p.readAllStandardOutput()).trimmed());
}

const QString Schema = QStringLiteral("org.gnome.shell");

} // namespace

std::string_view FolderOf(EExtensionVariant variant) {
    return variant == EExtensionVariant::Legacy ? "legacy" : "module";
}

std::optional<EExtensionVariant> VariantForShellVersion(std::string_view version,
                                                        std::string& error) {
    const std::size_t digit = version.find_first_of("0123456789");
    int major = 0;
    if (digit == std::string_view::npos ||
        std::from_chars(version.data() + digit, version.data() + version.size(), major).ec !=
            std::errc()) {
        error = "no GNOME Shell version in \"" + std::string(version) + "\"";
        return std::nullopt;
    }
    if (major < OldestMajor) {
        error = "GNOME Shell " + std::to_string(major) + " is older than " +
                std::to_string(OldestMajor) + ", the oldest the extension is made for";
        return std::nullopt;
    }
    return major < FirstModuleMajor ? EExtensionVariant::Legacy : EExtensionVariant::Module;
}

std::string RunningShellVersion() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return {};
    QDBusMessage call = QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell",
                                                       "org.freedesktop.DBus.Properties", "Get");
    call << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return ToUtf8Text(reply.arguments().first().value<QDBusVariant>().variant().toString());
}

std::string InstalledShellVersion() {
    QProcess p;
    p.start(QStringLiteral("gnome-shell"), {QStringLiteral("--version")});
    if (!p.waitForStarted(5000) || !p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    QString text = FromUtf8Text(p.readAllStandardOutput()).trimmed();
    text.remove(QStringLiteral("GNOME Shell "));
    return ToUtf8Text(text);
}

QString ShippedExtensionFolder(const QString& exeDir) {
    return ShippedFolder(exeDir, QStringLiteral("gnome-shell"));
}

QString UserExtensionFolder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/gnome-shell/extensions/") + ExtensionUuid;
}

std::vector<std::string> ParseStringArray(std::string_view text) {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char quote = text[i];
        if (quote != '\'' && quote != '"') continue;
        std::string item;
        for (++i; i < text.size() && text[i] != quote; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) ++i;
            item += text[i];
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string FormatStringArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (const std::string& item : items) {
        if (out.size() > 1) out += ", ";
        out += '\'';
        for (char c : item) {
            if (c == '\'' || c == '\\') out += '\\';
            out += c;
        }
        out += '\'';
    }
    return out + "]";
}

bool ExtensionSetUp() {
    const QString folder = UserExtensionFolder();
    for (const char* f : Files)
        if (!QFileInfo(folder + '/' + f).isFile()) return false;
    const std::optional<std::string> enabled =
        Gsettings({QStringLiteral("get"), Schema, QStringLiteral("enabled-extensions")});
    if (!enabled) return false;
    const std::vector<std::string> uuids = ParseStringArray(*enabled);
    return std::find(uuids.begin(), uuids.end(), ExtensionUuid) != uuids.end();
}

TSetupResult SetUpExtension(const QString& shippedFolder) {
    TSetupResult r;
    const auto fail = [&r](std::string line) {
        r.Lines.push_back(std::move(line));
        return r;
    };

    std::string version = RunningShellVersion(), from = "the running GNOME Shell";
    if (version.empty()) {
        version = InstalledShellVersion();
        from = "gnome-shell --version";
    }
    if (version.empty()) {
        // Other desktops need nothing from the user.
        r.Ok = true;
        r.Lines.push_back("GNOME Shell is neither running nor installed: nothing to set up");
        return r;
    }
    std::string error;
    const std::optional<EExtensionVariant> variant = VariantForShellVersion(version, error);
    if (!variant) return fail(error);
    r.Lines.push_back("GNOME Shell " + version + " (from " + from + "): the " +
                      std::string(FolderOf(*variant)) + " variant of the extension");

    // The files, each replaced whole: a Shell starting meanwhile sees the old or the new one.
    const QString source = shippedFolder + '/' + QString::fromLatin1(FolderOf(*variant));
    const QString target = UserExtensionFolder();
    if (!QDir().mkpath(target)) return fail("cannot create the folder " + ToFileName(target));
    for (const char* name : Files) {
        QFile in(source + '/' + name);
        if (!in.open(QIODevice::ReadOnly))
            return fail("cannot read " + ToFileName(in.fileName()) + ": " +
                        ToUtf8Text(in.errorString()));
        const QByteArray content = in.readAll();
        const std::string out = ToFileName(target + '/' + name);
        if (int e = 0;
            !WriteFileAtomically(out, std::string_view(content.constData(), content.size()), e))
            return fail("cannot write " + out + ": " + std::strerror(e));
    }
    r.Lines.push_back("installed into " + ToFileName(target));

    // Switched on in the settings; `gnome-extensions enable` refuses an extension that the
    // running Shell has not loaded, which a new one never is.
    const std::optional<std::string> enabledText =
        Gsettings({QStringLiteral("get"), Schema, QStringLiteral("enabled-extensions")}, &error);
    if (!enabledText) return fail(error);
    std::vector<std::string> enabled = ParseStringArray(*enabledText);
    if (std::find(enabled.begin(), enabled.end(), ExtensionUuid) == enabled.end()) {
        enabled.push_back(ExtensionUuid);
        if (!Gsettings({QStringLiteral("set"), Schema, QStringLiteral("enabled-extensions"),
                        FromUtf8Text(FormatStringArray(enabled))},
                       &error))
            return fail(error);
    }
    if (const std::optional<std::string> disabledText =
            Gsettings({QStringLiteral("get"), Schema, QStringLiteral("disabled-extensions")})) {
        std::vector<std::string> disabled = ParseStringArray(*disabledText);
        const auto end = std::remove(disabled.begin(), disabled.end(), ExtensionUuid);
        if (end != disabled.end()) {
            disabled.erase(end, disabled.end());
            if (!Gsettings({QStringLiteral("set"), Schema, QStringLiteral("disabled-extensions"),
                            FromUtf8Text(FormatStringArray(disabled))},
                           &error))
                return fail(error);
        }
    }
    r.Lines.push_back(std::string("enabled ") + ExtensionUuid);

    // The user's own choice to run no extension at all is left as it is, and said.
    if (Gsettings({QStringLiteral("get"), Schema, QStringLiteral("disable-user-extensions")}) ==
        "true")
        return fail("the extension stays inactive: all user extensions are switched off "
                    "(disable-user-extensions). Switch them on, for example with `gsettings set "
                    "org.gnome.shell disable-user-extensions false`, then log out and in once");
    r.Ok = true;
    r.Lines.push_back("Log out and log in once: GNOME Shell loads a new extension only then.");
    return r;
}

} // namespace orvane::platform::gnome
