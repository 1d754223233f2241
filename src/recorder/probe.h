// What the sampler asks of the window system: the executable and the caption of the window that
// has the focus. Both are byte strings, empty when nothing can be told; a sample never fails.
#pragma once

#include <string>

namespace orvane {

// One look at the focused window: its program and its caption, both read from that one window,
// so a change of focus between the two reads cannot pair one window's program with another's
// caption.
struct TForegroundSample {
    std::string Process;
    std::string Caption;
    bool operator==(const TForegroundSample&) const = default;
};

class IForegroundProbe {
public:
    virtual ~IForegroundProbe() = default;
    virtual TForegroundSample Sample() = 0;
};

} // namespace orvane
