// What the sampler asks of the window system: the executable and the caption of the window that
// has the focus. Both are byte strings, empty when nothing can be told; neither ever fails.
#pragma once

#include <string>

namespace orvane {

class IForegroundProbe {
public:
    virtual ~IForegroundProbe() = default;
    virtual std::string ForegroundProcessName() = 0;
    virtual std::string ForegroundCaption() = 0;
};

} // namespace orvane
