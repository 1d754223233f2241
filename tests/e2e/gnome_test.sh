#!/usr/bin/env bash
# GNOME Shell 43, headless, with the program's extension set up by `orvane-report setup` before the
# Shell starts, as a user's next log-in would find it. Two native Qt windows of two programs get
# the focus in turn (through a test-only helper extension: nothing outside the Shell can move the
# focus on Wayland); `orvane-report probe` and the recorder name each by its full path and exact
# title, follow a title change, and go blank, saying why, once the extension is switched off.
#
#   gnome_test.sh ORVANE ORVANE_REPORT QTWINDOW_A QTWINDOW_B
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/gnome_lib.sh"

orvane=$(realpath "$1")
report=$(realpath "$2")
window_a=$(realpath "$3")
window_b=$(realpath "$4")

e2e_gnome_require
if ! compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null; then
    e2e_log "SKIP: Qt's wayland platform (qt6-wayland) is not installed"
    exit 77
fi

line() { printf '%s\t%s' "$1" "$2"; }
probe() { "$report" probe "$@"; }
watched() { tail -n1 "$E2E_DIR/$1.out"; }

e2e_init
e2e_gnome_buses

# --- Set up before the Shell starts, by the program's own command ---------------------------------
setup_out=$("$report" setup) || e2e_fail "orvane-report setup failed: $setup_out"
printf '%s\n' "$setup_out" >&2
extension="$XDG_DATA_HOME/gnome-shell/extensions/focus@orvane.org"
e2e_expect "setup chose the variant of the installed Shell 43" yes \
    "$(grep -q 'legacy variant' <<<"$setup_out" && echo yes || echo no)"
e2e_expect "setup says to log out and in" yes \
    "$(grep -q 'Log out and log in once' <<<"$setup_out" && echo yes || echo no)"
e2e_expect "the legacy extension installed" yes \
    "$(grep -q 'function init' "$extension/extension.js" && echo yes || echo no)"
e2e_expect "the extension enabled" "['focus@orvane.org']" \
    "$(gsettings get org.gnome.shell enabled-extensions)"

# The test helper, beside it.
mkdir -p "$XDG_DATA_HOME/gnome-shell/extensions"
cp -r "$E2E_GNOME_HERE/gnome/activate@orvane.test" "$XDG_DATA_HOME/gnome-shell/extensions/"
gsettings set org.gnome.shell enabled-extensions "['focus@orvane.org', 'activate@orvane.test']"

# --- The Shell ----------------------------------------------------------------------------------
e2e_start_gnome
e2e_expect "the Shell's extension is the backend" "gnome" "$(probe --which | head -n1)"

e2e_spawn alpha env QT_QPA_PLATFORM=wayland "$window_a" "Alpha é"
e2e_spawn beta env QT_QPA_PLATFORM=wayland "$window_b" 'Beta ü 漢字 "q" \ end' \
    "$E2E_DIR/rename" "Beta ✓ renamed"
e2e_wait_for 20 has_window "Alpha é" || e2e_fail "the first window did not appear"
e2e_wait_for 20 has_window 'Beta ü 漢字 "q" \\ end' || e2e_fail "the second window did not appear"

activate "Alpha é" || e2e_fail "cannot activate the first window"
e2e_expect_within 5 "the focused window: full path, exact title" "$(line "$window_a" "Alpha é")" \
    probe
activate 'Beta ü 漢字 "q" \ end' || e2e_fail "cannot activate the second window"
e2e_expect_within 5 "the other program, the title whole" \
    "$(line "$window_b" 'Beta ü 漢字 "q" \ end')" probe

# --- The recorder ---------------------------------------------------------------------------------
folder="$XDG_DATA_HOME/Orvane"
e2e_spawn orvane env QT_QPA_PLATFORM=wayland "$orvane"
orvane_pid=$E2E_PID
e2e_wait_for 20 test -s "$folder/orvane.cdat" || e2e_fail "the recorder did not start"
e2e_wait_for 20 has_window "Orvane" || e2e_fail "the recorder's window did not appear"
e2e_spawn watch "$report" probe --watch

activate "Alpha é"
sleep 6
activate 'Beta ü 漢字 "q" \ end'
e2e_expect_within 6 "probe --watch follows the signal" \
    "$(line "$window_b" 'Beta ü 漢字 "q" \ end')" watched watch
sleep 1
touch "$E2E_DIR/rename"
e2e_expect_within 8 "a title change of the focused window" "$(line "$window_b" "Beta ✓ renamed")" \
    watched watch
sleep 5
activate "Alpha é"
sleep 6

# The extension switched off in the running Shell: blank samples, and why.
gsettings set org.gnome.shell enabled-extensions "['activate@orvane.test']"
e2e_expect_within 8 "extension gone: probe --watch goes blank" "$(line "" "")" watched watch
e2e_expect "extension gone: --which says why" yes \
    "$(probe --which | grep -q 'extension of GNOME Shell is not active' && echo yes || echo no)"
sleep 6

kill -TERM "$orvane_pid"
e2e_wait_for 10 eval '! e2e_alive "$orvane_pid"' || e2e_fail "the recorder did not end on SIGTERM"
dump=$("$report" dump "$folder/orvane.cdat") || e2e_fail "no readable data file"
printf '%s\n' "$dump" >&2

printf '%s\n' "$dump" >"$E2E_DIR/dump.json"
result=$("$E2E_PYTHON" - "$window_a" "$window_b" "$E2E_DIR/dump.json" <<'PY'
import json, sys
a, b, dump = sys.argv[1:4]
entries = [json.loads(l) for l in open(dump, encoding="utf-8") if l.strip()]
seq = [(e["process"], e["caption"]) for e in entries if e["process"] in (a, b)]
want = [(a, "Alpha é"), (b, 'Beta ü 漢字 "q" \\ end'), (b, "Beta ✓ renamed"), (a, "Alpha é")]
it = iter(seq)
print("in order" if all(w in it for w in want) else "out of order: %r" % seq)
PY
)
e2e_expect "the recorder: each window by full path and exact title, in order" "in order" \
    "$result"
e2e_finish
