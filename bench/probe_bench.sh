#!/usr/bin/env bash
# Runs bench_probe under a private Xvfb with icewm and a focused test window.
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
"$build/bench/bench_probe" "$@"
