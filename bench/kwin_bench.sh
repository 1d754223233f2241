#!/usr/bin/env bash
# Runs bench_kwin in a headless KWin session with two XWayland test windows to switch between.
#
#   bench/kwin_bench.sh BUILD_DIR [benchmark options...]
set -euo pipefail
build=$(realpath "$1")
shift
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_init
e2e_start_kwin
e2e_window a "$build/tests/e2e/orvane-testwindow-a" "Bench A"
a=$E2E_WID
e2e_window b "$build/tests/e2e/orvane-testwindow-b" "Bench B"
KWIN_BENCH_WINDOWS="$a $E2E_WID" "$build/bench/bench_kwin" "$@"
