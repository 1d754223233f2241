// The pieces of the X11 backend that need no X server: text decoding. Split out so that they can
// be tested on their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform::x11 {

// --- Window titles ---------------------------------------------------------------------------

// ISO 8859-1 bytes as UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);
// An X compound text (ISO 2022 with the X extensions) as UTF-8. ASCII, the ISO 8859 sets we know
// and UTF-8 segments are decoded; characters of other sets become U+FFFD.
std::string CompoundTextToUtf8(std::string_view ctext);
// Whether WM_CLIENT_MACHINE names this host: equal, or equal in the first label (a short name
// against a fully qualified one). Case-insensitive, as host names are.
bool IsLocalMachine(std::string_view clientMachine, std::string_view localHost);

} // namespace orvane::platform::x11
