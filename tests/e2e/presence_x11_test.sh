#!/usr/bin/env bash
# The X server's idle time (MIT-SCREEN-SAVER) under Xvfb: it grows without input and drops after
# an xdotool key press and after a pointer move.
#
#   presence_x11_test.sh ORVANE_REPORT
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$1

e2e_init
e2e_start_x
e2e_expect "the X server's idle time is the idle source" "idle: xcb-screensaver" \
    "$("$report" probe --which | grep '^idle:')"

e2e_spawn presence "$report" presence --watch
idle() { tail -n1 "$E2E_DIR/presence.out" | cut -f1; }
at_least() { local v; v=$(idle); [ -n "$v" ] && [ "$v" != - ] && [ "$v" -ge "$1" ]; }
below() { local v; v=$(idle); [ -n "$v" ] && [ "$v" != - ] && [ "$v" -lt "$1" ]; }

xdotool key shift
e2e_wait_for 5 below 1000 || e2e_fail "not near 0 right after input: $(idle)"
e2e_wait_for 10 at_least 2500 || e2e_fail "the idle time does not grow: $(idle)"
e2e_expect "the idle time grows without input" yes "$(at_least 2500 && echo yes)"

xdotool key shift
e2e_wait_for 5 below 1000
e2e_expect "a key press brings it down" yes "$(below 1000 && echo yes)"
e2e_wait_for 10 at_least 2500 || e2e_fail "the idle time does not grow again: $(idle)"
xdotool mousemove 100 100
e2e_wait_for 5 below 1000
e2e_expect "a pointer move brings it down" yes "$(below 1000 && echo yes)"

# The server gone and back on the same display: asked again on a new connection.
display=${DISPLAY#:}
e2e_stop "$E2E_XVFB_PID"
e2e_wait_for 10 eval '[ "$(idle)" = - ]'
e2e_expect "no server: the source cannot tell" - "$(idle)"
e2e_start_x "$display"
e2e_wait_for 10 below 5000
e2e_expect "a new server is asked again" yes "$(below 5000 && echo yes)"

e2e_finish
