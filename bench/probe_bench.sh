#!/usr/bin/env bash
# Runs bench_probe with every backend it can reach: a private Xvfb with icewm and a focused test
# window for X11, and a headless sway with a focused foot window for sway's IPC and the
# foreign-toplevel protocol.
#
#   bench/probe_bench.sh BUILD_DIR [benchmark options...]
set -euo pipefail
build=$(realpath "$1")
shift
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_init
e2e_start_x
e2e_start_wm
e2e_window bench "$build/tests/e2e/orvane-testwindow-a" "A focused window for the probe benchmark"
e2e_activate "$E2E_WID"
if command -v sway >/dev/null && command -v foot >/dev/null; then
    e2e_start_sway
    e2e_sway_window other other "Another window"
    e2e_sway_window focused foot "A focused window for the probe benchmark"
    e2e_sway_focus "$E2E_PID"
else
    e2e_log "sway or foot is not installed: the Wayland backends are skipped"
fi
"$build/bench/bench_probe" "$@"
