#!/usr/bin/env bash
# Runs bench_gnome against a headless GNOME Shell 43 with the program's extension (set up by
# orvane-report setup), the test helper extension and two focusable Qt windows.
#
#   bench/gnome_bench.sh BUILD_DIR [benchmark options...]
set -euo pipefail
build=$(realpath "$1")
shift
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/../tests/e2e/gnome_lib.sh"
e2e_gnome_require
e2e_init
e2e_gnome_buses
"$build/src/cli/orvane-report" setup >/dev/null || e2e_fail "orvane-report setup failed"
cp -r "$E2E_GNOME_HERE/gnome/activate@orvane.test" "$XDG_DATA_HOME/gnome-shell/extensions/"
gsettings set org.gnome.shell enabled-extensions "['focus@orvane.org', 'activate@orvane.test']"
e2e_start_gnome
e2e_spawn one env QT_QPA_PLATFORM=wayland "$build/tests/e2e/orvane-qtwindow-a" "Bench one"
e2e_spawn two env QT_QPA_PLATFORM=wayland "$build/tests/e2e/orvane-qtwindow-b" "Bench two"
e2e_wait_for 20 has_window "Bench one" || e2e_fail "no first window"
e2e_wait_for 20 has_window "Bench two" || e2e_fail "no second window"
activate "Bench one" || e2e_fail "cannot activate a window"
export ORVANE_BENCH_SHELL_PID=$E2E_SHELL_PID
echo "== with the extension"
"$build/bench/bench_gnome" "$@"
gsettings set org.gnome.shell enabled-extensions "['activate@orvane.test']"
e2e_wait_for 10 eval '! extension_answers' || e2e_fail "the extension stayed on"
echo "== without it: the focus change alone"
"$build/bench/bench_gnome" --benchmark_filter=SwitchOnly "$@"
