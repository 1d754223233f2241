#!/usr/bin/env bash
# orvane-report probe in a headless sway session: native Wayland windows, one of which renames
# itself, through sway's IPC and through the foreign-toplevel protocol; an empty workspace; a
# restart of sway under a running probe.
#
#   sway_test.sh ORVANE_REPORT
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$(realpath "$1")

line() { printf '%s\t%s' "$1" "$2"; }
probe() { "${E2E_AS_USER[@]}" "$report" probe "$@"; }
toplevel_probe() { ORVANE_PROBE=wlr-foreign-toplevel probe "$@"; }
watched() { tail -n1 "$E2E_DIR/$1.out"; }

e2e_init
e2e_start_sway
report=$(e2e_user_program "$report")
foot=$(readlink -f "$(command -v foot)")

e2e_expect "sway's IPC is the backend" "sway" "$(probe --which | sed '/^idle:/,$d')"
e2e_expect "no window yet: a blank sample" "$(line "" "")" "$(probe)"

e2e_sway_window alpha alpha "Alpha é"
alpha=$E2E_PID
e2e_sway_window beta foot 'Beta ü 漢字 "q" \ end'
beta=$E2E_PID
e2e_sway_window gamma gamma "Gamma" sh -c \
    'while [ ! -e "$1" ]; do sleep 0.05; done; printf "\033]2;Gamma ✓ renamed\007"; exec sleep 600' \
    sh "$E2E_DIR/rename"
gamma=$E2E_PID

e2e_sway_focus "$alpha"
e2e_expect "the focused window, by its pid" "$(line "$foot" "Alpha é")" "$(probe)"
e2e_sway_focus "$beta"
e2e_expect "the title whole, quotes and backslash included" \
    "$(line "$foot" 'Beta ü 漢字 "q" \ end')" "$(probe)"
e2e_sway_focus "$gamma"
e2e_expect "the third window" "$(line "$foot" "Gamma")" "$(probe)"
touch "$E2E_DIR/rename"
e2e_expect_within 10 "a window that renames itself" "$(line "$foot" "Gamma ✓ renamed")" probe

swaymsg 'workspace 9' >/dev/null
e2e_expect "an empty workspace: a blank sample" "$(line "" "")" "$(probe)"
swaymsg 'workspace 1' >/dev/null
e2e_expect "back on the first workspace" "$(line "$foot" "Gamma ✓ renamed")" "$(probe)"

# --- The same windows through the foreign-toplevel protocol, which tells no pid ------------------
e2e_expect "the protocol chosen by name" "wlr-foreign-toplevel" \
    "$(toplevel_probe --which | sed '/^idle:/,$d')"
e2e_sway_focus "$beta"
e2e_expect "app_id foot: the program of foot's desktop entry" \
    "$(line "$foot" 'Beta ü 漢字 "q" \ end')" "$(toplevel_probe)"
e2e_sway_focus "$alpha"
e2e_expect "an app_id that names no program: the app_id" "$(line alpha "Alpha é")" \
    "$(toplevel_probe)"
swaymsg 'workspace 9' >/dev/null
e2e_expect "nothing activated: a blank sample" "$(line "" "")" "$(toplevel_probe)"
swaymsg 'workspace 1' >/dev/null

# --- sway restarted under running probes: a new IPC socket name, a new Wayland connection ------
e2e_sway_focus "$alpha"
e2e_spawn watch_ipc "${E2E_AS_USER[@]}" "$report" probe --watch
e2e_spawn watch_toplevel env ORVANE_PROBE=wlr-foreign-toplevel \
    "${E2E_AS_USER[@]}" "$report" probe --watch
e2e_expect_within 10 "watched through the IPC" "$(line "$foot" "Alpha é")" watched watch_ipc
e2e_expect_within 10 "watched through the protocol" "$(line alpha "Alpha é")" \
    watched watch_toplevel
old_socket=$SWAYSOCK
e2e_stop "$E2E_SWAY_PID"
e2e_expect_within 12 "sway gone: a blank sample" "$(line "" "")" watched watch_ipc
e2e_expect_within 12 "sway gone: a blank sample from the protocol" "$(line "" "")" \
    watched watch_toplevel
e2e_start_sway
[ "$SWAYSOCK" != "$old_socket" ] || e2e_fail "the new sway kept the old socket name"
e2e_sway_window delta delta "Delta after the restart"
e2e_expect_within 12 "the new sway found under its new socket" \
    "$(line "$foot" "Delta after the restart")" watched watch_ipc
e2e_expect_within 12 "the protocol connected again" "$(line delta "Delta after the restart")" \
    watched watch_toplevel

e2e_finish
