#!/usr/bin/env bash
# A recorder outlives its X server: probe --watch keeps one connection, reports blank samples
# while the server is gone and picks up the windows of the next server on the same display.
#
#   reconnect_test.sh ORVANE_REPORT TESTWINDOW_A TESTWINDOW_B
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$(realpath "$1")
program_a=$(realpath "$2")
program_b=$(realpath "$3")
line() { printf '%s\t%s' "$1" "$2"; }
has_lines() { [ "$(wc -l <"$E2E_DIR/watch.out")" -ge "$1" ]; }

e2e_init
e2e_start_x
number=${DISPLAY#:}

e2e_window a "$program_a" "Before the restart"
e2e_focus "$E2E_WID"
e2e_spawn watch "$report" probe --watch
watch_pid=$E2E_PID
e2e_wait_for 5 has_lines 1 || e2e_fail "probe --watch printed nothing"

e2e_stop "$E2E_XVFB_PID" # its windows go with it
e2e_wait_for 8 has_lines 2 || true

e2e_start_x "$number"
e2e_window b "$program_b" "After the restart"
e2e_focus "$E2E_WID"
e2e_wait_for 8 has_lines 3 || true
e2e_stop "$watch_pid"

e2e_expect "a blank sample while the server is gone, then the new server's window" \
    "$(line "$program_a" "Before the restart")
$(line "" "")
$(line "$program_b" "After the restart")" "$(cat "$E2E_DIR/watch.out")"
e2e_finish
