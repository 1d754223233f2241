#include "platform/wayland/backend.h"

#include "platform/linux/procfs.h"

#include <cstdlib>

namespace orvane::platform::wayland {

std::string EnvValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

TForegroundSample SampleOf(const std::optional<TFocusedWindow>& window, TAppIdResolver& resolver) {
    if (!window) return {};
    std::string process = window->Pid != 0 ? procfs::ProcessNameIn("/proc", window->Pid, true)
                                           : resolver.ProcessName(window->AppId);
    return {std::move(process), window->Title};
}

} // namespace orvane::platform::wayland
