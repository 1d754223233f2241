// The sampler's probe is one of several backends, each a way to learn the focused window in one
// kind of session; probefactory.h picks one at start-up. No Qt here: the Windows core build and
// its tests use the backends too.
#pragma once

#include "recorder/probe.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace orvane::platform {

class IProbeBackend : public IForegroundProbe {
public:
    // What `orvane-report probe --which` prints: "x11", "win32", "sway", "hyprland", "niri",
    // "kwin", "gnome", "wlr-foreign-toplevel", "none", "scripted".
    virtual std::string_view Name() const = 0;
    // What keeps the backend from telling the focused window now, or why it sees only some
    // windows; empty when nothing does.
    virtual std::string Problem() { return {}; }
};

// Nothing to ask: every sample is empty. The fallback where the session offers no backend.
class TNoProbe final : public IProbeBackend {
public:
    std::string_view Name() const override { return "none"; }
    TForegroundSample Sample() override { return {}; }
};

// Scripted windows, for tests and for the translators' build, which records nothing.
class TScriptedProbe final : public IProbeBackend {
public:
    void SetForeground(std::string process, std::string caption) {
        FSample = {std::move(process), std::move(caption)};
    }
    void SetProblem(std::string problem) { FProblem = std::move(problem); }
    std::string_view Name() const override { return "scripted"; }
    TForegroundSample Sample() override { return FSample; }
    std::string Problem() override { return FProblem; }

private:
    TForegroundSample FSample;
    std::string FProblem;
};

// A backend the factory may pick.
struct TProbeCandidate {
    std::string_view Name;
    // Why the session does not offer it; empty when it does.
    std::function<std::string()> Unavailable;
    std::function<std::unique_ptr<IProbeBackend>()> Create;
};

// Each defined by its backend's folder; only those of the platform built exist.
TProbeCandidate X11ProbeCandidate();
TProbeCandidate Win32ProbeCandidate();
// wayland/: the compositors' IPC, which tells the pid, then the wlroots protocol, which does not.
TProbeCandidate SwayProbeCandidate();
TProbeCandidate HyprlandProbeCandidate();
TProbeCandidate NiriProbeCandidate();
// KDE Plasma: a script loaded into KWin pushes each activation (wayland/kwin.h).
TProbeCandidate KWinProbeCandidate();
// GNOME Shell through the extension the program ships (wayland/gnome.h).
TProbeCandidate GnomeShellProbeCandidate();
TProbeCandidate ForeignToplevelProbeCandidate();

} // namespace orvane::platform
