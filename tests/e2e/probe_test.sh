#!/usr/bin/env bash
# orvane-report probe against a real X server: what the recorder would record for the window
# that has the focus, with and without a window manager.
#
#   probe_test.sh ORVANE_REPORT TESTWINDOW_A TESTWINDOW_B
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$(realpath "$1")
program_a=$(realpath "$2")
program_b=$(realpath "$3")

probe() { "$report" probe; }
line() { printf '%s\t%s' "$1" "$2"; }

e2e_init
# shellcheck disable=SC2016
e2e_expect "without a display: no backend, and why" \
    "$(printf 'none\n  passed over x11: $DISPLAY is not set')" \
    "$("$report" probe --which | sed '/^idle:/,$d')"
e2e_start_x
e2e_expect "the X11 backend with a display" "x11" "$("$report" probe --which | sed '/^idle:/,$d')"

# --- No window manager ---------------------------------------------------------------------
e2e_expect "no window manager, nothing focused (PointerRoot)" "$(line "" "")" "$(probe)"

e2e_window lone "$program_a" "Lone window"
lone=$E2E_WID
lone_pid=$E2E_PID
e2e_expect "a window, but the focus still PointerRoot" "$(line "" "")" "$(probe)"
e2e_focus "$lone"
e2e_expect "no window manager: the input focus names the window" \
    "$(line "$program_a" "Lone window")" "$(probe)"
e2e_stop "$lone_pid"
e2e_expect "the focused window is gone" "$(line "" "")" "$(probe)"

# --- Under a window manager ----------------------------------------------------------------
e2e_start_wm
e2e_expect "window manager up, nothing focused" "$(line "" "")" "$(probe)"

title_a="Alpha: the first program"
title_b="Beta: the second program"
e2e_window a "$program_a" "$title_a"
wa=$E2E_WID
pid_a=$E2E_PID
e2e_window b "$program_b" "$title_b"
wb=$E2E_WID
e2e_activate "$wa"
e2e_expect "first program" "$(line "$program_a" "$title_a")" "$(probe)"
e2e_activate "$wb"
e2e_expect "second program" "$(line "$program_b" "$title_b")" "$(probe)"
e2e_activate "$wa"
e2e_expect "back to the first" "$(line "$program_a" "$title_a")" "$(probe)"

long=""
for i in $(seq 1 30); do long+=$(printf '%02d-4567890' "$i"); done
[ ${#long} -eq 300 ] || e2e_fail "the long title is ${#long} characters"
e2e_window long "$program_a" "$long"
e2e_activate "$E2E_WID"
e2e_expect "a title of 300 characters comes back whole" "$(line "$program_a" "$long")" "$(probe)"

utf8="Grüße, Ωμέγα, Привет, 日本語 ✓ 🙂 — ok"
e2e_window utf8 "$program_b" "$utf8"
e2e_activate "$E2E_WID"
e2e_expect "a non-ASCII title comes back whole" "$(line "$program_b" "$utf8")" "$(probe)"

e2e_window nopid "$program_b" --no-pid "Without _NET_WM_PID"
e2e_activate "$E2E_WID"
e2e_expect "no _NET_WM_PID: the X server names the process" \
    "$(line "$program_b" "Without _NET_WM_PID")" "$(probe)"

# A window that names another process in _NET_WM_PID: the X server knows better.
e2e_window liar "$program_b" --pid "$pid_a" "Claims to be the first program"
e2e_activate "$E2E_WID"
e2e_expect "a false _NET_WM_PID: the X server names the process" \
    "$(line "$program_b" "Claims to be the first program")" "$(probe)"
e2e_window liar1 "$program_b" --pid 1 "Claims to be pid 1"
e2e_activate "$E2E_WID"
e2e_expect "_NET_WM_PID 1: the X server names the process" \
    "$(line "$program_b" "Claims to be pid 1")" "$(probe)"

e2e_window latin1 "$program_a" --no-net-name "Café crème à la française"
e2e_activate "$E2E_WID"
e2e_expect "only WM_NAME, as Latin-1" "$(line "$program_a" "Café crème à la française")" "$(probe)"

# xprop encodes the title as compound text the way Xlib programs (xterm) do.
e2e_window ctext "$program_a" --no-net-name "placeholder"
ctext=$E2E_WID
ctext_title="Grüße Привет Ωμέγα"
xprop -id "$ctext" -f WM_NAME 8t -set WM_NAME "$ctext_title"
type=$(xprop -id "$ctext" WM_NAME | sed -n 's/^WM_NAME(\([A-Z_0-9]*\)).*/\1/p')
e2e_expect "xprop wrote compound text" "COMPOUND_TEXT" "$type"
e2e_activate "$ctext"
e2e_expect "WM_NAME as compound text is decoded" "$(line "$program_a" "$ctext_title")" "$(probe)"

# A real Xlib program: xterm puts a non-Latin-1 title into WM_NAME as compound text only.
if command -v xterm >/dev/null; then
    xterm_title="Grüße Привет ✓"
    e2e_spawn xterm xterm -u8 -T "$xterm_title" -e sleep 600
    xterm_pid=$E2E_PID
    e2e_wait_for 10 xdotool search --pid "$xterm_pid" >/dev/null || e2e_fail "no xterm window"
    e2e_activate "$(xdotool search --pid "$xterm_pid" | head -n1)"
    e2e_expect "xterm's compound-text title" "$(line "$(realpath "$(command -v xterm)")" \
        "$xterm_title")" "$(probe)"
    e2e_stop "$xterm_pid"
fi

e2e_window remote "$program_b" --machine far-away.example.org "A remote client"
e2e_activate "$E2E_WID"
e2e_expect "a client of another machine: its pid means nothing here" \
    "$(line "" "A remote client")" "$(probe)"

e2e_window control "$program_a" "$(printf 'Tab\there')"
e2e_activate "$E2E_WID"
e2e_expect "control characters keep the sample on one line" \
    "$(line "$program_a" 'Tab\x09here')" "$(probe)"

# --- Watching ------------------------------------------------------------------------------
e2e_activate "$wa"
e2e_spawn watch "$report" probe --watch
watch_pid=$E2E_PID
e2e_wait_for 5 grep -q . "$E2E_DIR/watch.out" || e2e_fail "probe --watch printed nothing"
e2e_activate "$wb"
has_lines() { [ "$(wc -l <"$E2E_DIR/watch.out")" -ge "$1" ]; }
e2e_wait_for 8 has_lines 2 || true
e2e_stop "$watch_pid"
e2e_expect "probe --watch: a line at the start and one at the change" \
    "$(line "$program_a" "$title_a")
$(line "$program_b" "$title_b")" "$(cat "$E2E_DIR/watch.out")"

# --- The window manager dies ---------------------------------------------------------------
# Its _NET_ACTIVE_WINDOW stays behind on the root window; the input focus is what counts now.
kill -KILL "$E2E_WM_PID"
e2e_stop "$E2E_WM_PID"
e2e_focus "$wa"
stale=$(xprop -root _NET_ACTIVE_WINDOW | sed -n 's/.*window id # //p')
e2e_log "stale _NET_ACTIVE_WINDOW: $stale"
e2e_expect "a dead window manager's active window is not believed" \
    "$(line "$program_a" "$title_a")" "$(probe)"

e2e_finish
