#!/usr/bin/env bash
# The idle and lock sources in a headless KWin session: ext_idle_notify_v1 armed with a short
# threshold says idle once it has passed, and KWin's screen locker (org.freedesktop.ScreenSaver)
# tells the lock.
#
#   presence_kwin_test.sh ORVANE_REPORT
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$1

e2e_require kwin_wayland dbus-daemon dbus-send
e2e_init

sock="$E2E_DIR/session.sock"
e2e_spawn session dbus-daemon --session --nofork --address="unix:path=$sock"
e2e_wait_for 10 test -S "$sock" || e2e_fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$sock"

# The installed binary carries a file capability that this container refuses to exec: a copy.
cp "$(command -v kwin_wayland)" "$E2E_DIR/kwin_wayland"
e2e_spawn kwin env KWIN_COMPOSE=Q "$E2E_DIR/kwin_wayland" --virtual --socket wl-orvane \
    --width 1280 --height 800 --no-global-shortcuts --no-kactivities
e2e_wait_for 20 test -S "$XDG_RUNTIME_DIR/wl-orvane" || e2e_fail "KWin did not start"
e2e_wait_for 20 dbus-send --session --print-reply --dest=org.freedesktop.ScreenSaver \
    /ScreenSaver org.freedesktop.ScreenSaver.GetActive >/dev/null 2>&1 ||
    e2e_fail "KWin's screen saver did not appear"
export WAYLAND_DISPLAY=wl-orvane XDG_SESSION_TYPE=wayland

which=$("$report" probe --which)
e2e_expect "KWin offers ext-idle-notify" "idle: ext-idle-notify" \
    "$(printf '%s\n' "$which" | grep '^idle:')"
e2e_expect "KWin's screen saver tells the lock" "lock: screensaver" \
    "$(printf '%s\n' "$which" | grep '^lock:')"

e2e_spawn presence "$report" presence --watch --threshold 2
state() { tail -n1 "$E2E_DIR/presence.out"; }
idle() { state | cut -f1; }
at_least() { local v; v=$(idle); [ -n "$v" ] && [ "$v" != - ] && [ "$v" -ge "$1" ]; }

e2e_wait_for 5 grep -q . "$E2E_DIR/presence.out" || e2e_fail "presence printed nothing"
e2e_expect "armed: 0 until the threshold" "$(printf '0\tunlocked')" "$(head -n1 "$E2E_DIR/presence.out")"
e2e_wait_for 10 at_least 2000 || e2e_fail "not idle after the threshold: $(idle)"
e2e_wait_for 10 at_least 3000
e2e_expect "the idle time grows on" yes "$(at_least 3000 && echo yes)"

dbus-send --session --print-reply --dest=org.freedesktop.ScreenSaver /ScreenSaver \
    org.freedesktop.ScreenSaver.Lock >/dev/null
e2e_expect_within 10 "locked by KWin's locker" locked eval 'state | cut -f2'

e2e_finish
