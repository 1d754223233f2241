#!/usr/bin/env bash
# The idle source of a headless GNOME Shell session: neither Wayland idle protocol is offered, so
# Mutter's idle monitor (org.gnome.Mutter.IdleMonitor on the session bus) is taken, and its idle
# time grows without input.
#
#   presence_gnome_test.sh ORVANE_REPORT
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$1

e2e_require gnome-shell dbus-daemon dbus-send
e2e_init

# bus NAME: a private bus; its address in BUS_ADDRESS.
bus() {
    local sock="$E2E_DIR/$1.sock"
    e2e_spawn "$1" dbus-daemon --session --nofork --address="unix:path=$sock"
    e2e_wait_for 10 test -S "$sock" || e2e_fail "the $1 bus did not start"
    BUS_ADDRESS="unix:path=$sock"
}
# The Shell aborts where /run/systemd/seats exists and no system bus answers.
bus system
export DBUS_SYSTEM_BUS_ADDRESS=$BUS_ADDRESS
bus session
export DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS

# Its output is not read for failures: the Shell may crash while being ended.
setsid gnome-shell --wayland --headless --virtual-monitor 1280x800 --no-x11 \
    --wayland-display wl-orvane >"$E2E_DIR/shell.log" 2>&1 </dev/null &
E2E_PIDS+=("$!")
monitor() {
    dbus-send --session --print-reply --reply-timeout=2000 --dest=org.gnome.Mutter.IdleMonitor \
        /org/gnome/Mutter/IdleMonitor/Core org.gnome.Mutter.IdleMonitor.GetIdletime \
        >/dev/null 2>&1
}
e2e_wait_for 60 test -S "$XDG_RUNTIME_DIR/wl-orvane" || e2e_fail "the Shell did not start"
e2e_wait_for 30 monitor || e2e_fail "the Shell's idle monitor did not appear"
export WAYLAND_DISPLAY=wl-orvane XDG_SESSION_TYPE=wayland

which=$(timeout 60 "$report" probe --which) || e2e_fail "probe --which failed or hung"
e2e_expect "Mutter's idle monitor, the Wayland protocols passed over" \
    "$(printf '%s\n' "idle: mutter-idle-monitor" \
        "  passed over ext-idle-notify: the compositor does not offer ext_idle_notifier_v1" \
        "  passed over kde-idle: the compositor does not offer org_kde_kwin_idle")" \
    "$(printf '%s\n' "$which" | grep -E '^idle:|passed over (ext|kde)-idle')"

e2e_spawn presence "$report" presence --watch
idle() { tail -n1 "$E2E_DIR/presence.out" | cut -f1; }
at_least() { local v; v=$(idle); [ -n "$v" ] && [ "$v" != - ] && [ "$v" -ge "$1" ]; }
e2e_wait_for 5 grep -q . "$E2E_DIR/presence.out" || e2e_fail "presence printed nothing"
first=$(idle)
e2e_wait_for 10 at_least $((first + 2000)) || e2e_fail "the idle time does not grow: $(idle)"
e2e_expect "the idle time grows without input" yes "$(at_least $((first + 2000)) && echo yes)"

e2e_finish
