// The Windows backend: every session has a foreground window to ask for.
#include "platform/platform.h"
#include "platform/probebackend.h"

namespace orvane::platform {

namespace {

class TWin32Probe final : public IProbeBackend {
public:
    std::string_view Name() const override { return "win32"; }
    TForegroundSample Sample() override { return SampleForegroundWindow(); }
};

} // namespace

TProbeCandidate Win32ProbeCandidate() {
    return {"win32", [] { return std::string(); }, [] { return std::make_unique<TWin32Probe>(); }};
}

} // namespace orvane::platform
