// What the Wayland backends share: the sampler's sample made of what a compositor told, and the
// shape of a backend over a compositor's IPC.
#pragma once

#include "platform/probebackend.h"
#include "platform/wayland/appid.h"
#include "platform/wayland/focus.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::platform::wayland {

std::string EnvValue(const char* name);

// The program by its pid, named as the X11 probe names it (/proc/PID/exe, the bare name where
// that cannot be read), or through its app_id where the compositor tells no pid; the title whole.
// Nothing focused is the blank sample.
TForegroundSample SampleOf(const std::optional<TFocusedWindow>& window, TAppIdResolver& resolver);

// A backend over one of the IPC clients (TSwayIpc, THyprlandIpc, TNiriIpc): one question per
// sample, so that the sample is the state of that moment.
template <class TIpc> class TIpcProbe final : public IProbeBackend {
public:
    TIpcProbe(std::string_view name, TIpc ipc) : FName(name), FIpc(std::move(ipc)) {}
    std::string_view Name() const override { return FName; }
    TForegroundSample Sample() override { return SampleOf(FIpc.Focused(), FResolver); }
    std::string Problem() override {
        FIpc.Focused();
        return FIpc.LastError();
    }

private:
    std::string_view FName;
    TIpc FIpc;
    TAppIdResolver FResolver;
};

// Offered where the session names the compositor in `variable` and its socket answers.
template <class TIpc>
TProbeCandidate IpcProbeCandidate(std::string_view name, const char* variable) {
    auto ipc = std::make_shared<std::optional<TIpc>>();
    return {name,
            [ipc, variable] {
                if (EnvValue(variable).empty()) return "$" + std::string(variable) + " is not set";
                ipc->emplace();
                return (*ipc)->Reachable() ? std::string() : (*ipc)->LastError();
            },
            [ipc, name]() -> std::unique_ptr<IProbeBackend> {
                if (!*ipc) ipc->emplace();
                return std::make_unique<TIpcProbe<TIpc>>(name, std::move(**ipc));
            }};
}

} // namespace orvane::platform::wayland
