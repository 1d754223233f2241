// KDE Plasma: KWin tells no ordinary client which window has the focus, but it runs scripts. The
// backend loads a small script of ours (kwin/kwin-focus.js) over D-Bus; the script pushes each
// activation and caption change to a name the backend owns on the session bus, and a sample reads
// the latest report without asking anyone.
//
// The script cannot be given arguments, so each backend writes a copy with its own bus name filled
// in, into a private runtime folder, and loads it under that name: the recorder and
// `orvane-report probe` can run side by side, and a copy left by a process that died is known by
// its name having no owner on the bus, and unloaded.
#pragma once

#include "platform/probebackend.h"
#include "platform/wayland/appid.h"
#include "platform/wayland/focus.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::platform::wayland {

// One report of the script: {"pid":N,"caption":"...","resourceClass":"..."}, or null when no
// window has the focus. False, with the reason in error, for anything else.
bool ReadKWinReport(std::string_view json, std::optional<TFocusedWindow>& window,
                    std::string& error);

// The shipped script with the bus name it reports to filled in.
QString KWinScriptFor(const QString& scriptTemplate, const QString& service);

// The shipped script: wayland/kwin-focus.js beside the executable (a build tree), else in the
// installed data folder; empty when neither exists.
QString KWinScriptTemplatePath();

class TKWinProbe final : public IProbeBackend {
public:
    // Loads the script of templatePath into the KWin on the session bus.
    explicit TKWinProbe(const QString& templatePath);
    ~TKWinProbe() override;
    TKWinProbe(const TKWinProbe&) = delete;
    TKWinProbe& operator=(const TKWinProbe&) = delete;

    std::string_view Name() const override { return "kwin"; }
    // The latest report. Right after the script was (re)loaded, waits a bounded time for its
    // first report.
    TForegroundSample Sample() override;
    std::string Problem() override;

    // The bus name the script reports to.
    QString Service() const;
    // The latest report as it came; nullopt while no window has the focus.
    std::optional<TFocusedWindow> Focused();

    struct TState;

private:
    std::unique_ptr<TState> F;
    TAppIdResolver FResolver;
};

} // namespace orvane::platform::wayland
