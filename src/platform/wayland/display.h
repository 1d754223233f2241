// Reading a Wayland connection of the program's own without blocking the event loop for longer
// than asked: the foreign-toplevel backend and the idle sources each keep one.
#pragma once

#include <chrono>
#include <string>

struct wl_display;

namespace orvane::platform::wayland {

// A connection of the program's own to the session's compositor; null with the reason in why.
wl_display* ConnectDisplay(std::string& why);

// Reads and handles what the compositor sent, waiting up to timeoutMs for something to arrive.
// False when the connection is broken; a wait that runs out is not.
bool ReadDisplayEvents(wl_display* display, int timeoutMs);

struct TRoundtrip {
    bool Done = false;   // everything the compositor sent before the request has been handled
    bool Broken = false; // the connection broke on the way
};

// Waits up to timeout for the answer to a sync, which comes after everything sent before it.
TRoundtrip DisplayRoundtrip(wl_display* display, std::chrono::milliseconds timeout);

} // namespace orvane::platform::wayland
