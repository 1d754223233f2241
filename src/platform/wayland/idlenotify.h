// The idle sources of Wayland compositors that offer no "how long idle" question, only a
// notification after a set time without input: ext_idle_notify_v1 (newer wlroots, KWin) and
// org_kde_kwin_idle (sway 1.7). Each keeps a connection of its own and one notification armed
// with the away threshold.
#pragma once

#include "recorder/presence.h"

#include <memory>
#include <string>

namespace orvane::platform::wayland {

enum class EIdleProtocol { ExtIdleNotify, KdeIdle };

// Connects to the compositor that $WAYLAND_DISPLAY names. Null, with the reason in why, when there
// is none or it does not offer the protocol.
std::unique_ptr<IIdleSource> CreateIdleNotifySource(EIdleProtocol protocol, std::string& why);

} // namespace orvane::platform::wayland
