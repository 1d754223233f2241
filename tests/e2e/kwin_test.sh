#!/usr/bin/env bash
# Orvane in a headless KWin (KDE Plasma) session: two native Wayland windows of two programs and
# one XWayland window, the focus switched by a KWin script. orvane-report probe and the recorder
# name each window by its program's full path and its exact title; a caption change is seen; the
# recorder and a probe run side by side; a script left by a process that died is unloaded, and
# each process unloads its own at exit; a probe that runs on while KWin restarts loads its script
# into the new KWin.
#
#   kwin_test.sh ORVANE ORVANE_REPORT QTWINDOW_A QTWINDOW_B X11WINDOW
set -euo pipefail
source "$(dirname "$0")/lib.sh"

orvane=$(realpath "$1")
report=$(realpath "$2")
native_a=$(realpath "$3")
native_b=$(realpath "$4")
x11window=$(realpath "$5")

if ! compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null; then
    e2e_log "SKIP: Qt's wayland platform (qt6-wayland) is not installed"
    exit 77
fi

line() { printf '%s\t%s' "$1" "$2"; }
probe() { "$report" probe "$@"; }
service_of() { printf 'org.orvane.orvane.KWinFocus.p%s' "$1"; }
loaded() { e2e_kwin_call isScriptLoaded "string:$1" | tr -d ' '; }
copies() { find "$XDG_RUNTIME_DIR/orvane-kwin" -name '*.js' 2>/dev/null | wc -l; }

# qtwindow NAME PROGRAM TITLE [RENAME_FILE NEW_TITLE]
qtwindow() {
    local name=$1
    shift
    e2e_spawn "$name" env QT_QPA_PLATFORM=wayland "$@"
    e2e_wait_for 15 grep -q '^shown' "$E2E_DIR/$name.out" || e2e_fail "window $name did not appear"
}

started=$SECONDS
e2e_init
e2e_start_kwin

# A folder for the copies that another user holds: KWin would run what that user puts there.
mkdir -p "$XDG_RUNTIME_DIR/orvane-kwin"
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$XDG_RUNTIME_DIR/orvane-kwin"
    e2e_expect "a folder of another user's is not written to" \
        "  kwin: $XDG_RUNTIME_DIR/orvane-kwin is not a folder of this user's alone: the KWin script is not written there" \
        "$(probe --which | sed -n 2p)"
    chown 0:0 "$XDG_RUNTIME_DIR/orvane-kwin"
fi

# A copy left loaded by a process that died: its name has no owner on the bus.
stale=$(service_of 999999999)
printf 'print("stale");\n' >"$XDG_RUNTIME_DIR/orvane-kwin/$stale.js"
e2e_kwin_call loadScript "string:$XDG_RUNTIME_DIR/orvane-kwin/$stale.js" "string:$stale" >/dev/null

e2e_expect "the KWin script is the backend" "kwin" "$(probe --which | head -n1)"
e2e_expect "a stale copy is unloaded" "booleanfalse" "$(loaded "$stale")"
e2e_expect "and its file removed; the probe left none of its own" "0" "$(copies)"

qtwindow alpha "$native_a" "Alpha é"
qtwindow beta "$native_b" 'Beta ü 漢字 "q" \ end' "$E2E_DIR/rename" "Beta ✓ renamed"
e2e_window gamma "$x11window" "Gamma X11 ✓"

e2e_kwin_focus "Alpha é"
e2e_expect_within 5 "a native window: its program and title" "$(line "$native_a" "Alpha é")" probe
e2e_kwin_focus 'Beta ü 漢字 "q" \ end'
e2e_expect_within 5 "another program's window, the title whole" \
    "$(line "$native_b" 'Beta ü 漢字 "q" \ end')" probe
e2e_kwin_focus "Gamma X11 ✓"
e2e_expect_within 5 "an XWayland window" "$(line "$x11window" "Gamma X11 ✓")" probe

# A caption change of the active window reaches a running probe.
e2e_kwin_focus 'Beta ü 漢字 "q" \ end'
e2e_spawn watch "$report" probe --watch
watch_pid=$E2E_PID
e2e_expect_within 10 "watched" "$(line "$native_b" 'Beta ü 漢字 "q" \ end')" \
    eval 'tail -n1 "$E2E_DIR/watch.out"'
touch "$E2E_DIR/rename"
e2e_expect_within 10 "a window that renames itself" "$(line "$native_b" "Beta ✓ renamed")" \
    eval 'tail -n1 "$E2E_DIR/watch.out"'
e2e_stop "$watch_pid"
e2e_expect "a probe ended by SIGTERM unloads its script" "booleanfalse" \
    "$(loaded "$(service_of "$watch_pid")")"
e2e_expect "and removes its copy" "0" "$(copies)"

# --- The recorder ------------------------------------------------------------------------------
folder="$XDG_DATA_HOME/Orvane"
e2e_spawn orvane env QT_QPA_PLATFORM=wayland "$orvane"
orvane_pid=$E2E_PID
e2e_wait_for 20 test -s "$folder/orvane.cdat" || e2e_fail "the recorder did not start"
e2e_wait_for 10 eval '[ "$(loaded "$(service_of "$orvane_pid")")" = booleantrue ]' ||
    e2e_fail "the recorder did not load its script"

e2e_kwin_focus "Alpha é"
# Side by side with the recorder, each with its own script.
e2e_expect_within 5 "a probe while the recorder runs" "$(line "$native_a" "Alpha é")" probe
# Anyone on the bus may call the recorder's name: only KWin is believed (the dump below would
# show the fake window).
dbus-send --session --type=method_call --dest="$(service_of "$orvane_pid")" \
    /org/orvane/KWinFocus org.orvane.KWinFocus.Report \
    'string:{"pid":1,"caption":"Fake","resourceClass":"fake"}'
sleep 6
e2e_kwin_focus "Gamma X11 ✓"
sleep 6
e2e_kwin_focus "Beta ✓ renamed"
sleep 6

kill -TERM "$orvane_pid"
e2e_wait_for 10 eval '! e2e_alive "$orvane_pid"' || e2e_fail "the recorder did not end on SIGTERM"
e2e_expect "the recorder unloaded its script at exit" "booleanfalse" \
    "$(loaded "$(service_of "$orvane_pid")")"
e2e_expect "no copy of the script is left" "0" "$(copies)"

dump=$("$report" dump "$folder/orvane.cdat") || e2e_fail "no readable data file"
printf '%s\n' "$dump" >&2
result=$(python3 - "$native_a" "$x11window" "$native_b" <<PY
import json, sys
a, x, b = sys.argv[1:]
entries = [json.loads(l) for l in """$dump""".splitlines() if l.strip()]
seq = [(e["process"], e["caption"]) for e in entries if e["process"] in (a, x, b)]
want = [(a, "Alpha é"), (x, "Gamma X11 ✓"), (b, "Beta ✓ renamed")]
print("recorded" if seq == want else "recorded %r" % seq)
PY
)
e2e_expect "the recorder names each window by its program's path and its title" "recorded" \
    "$result"

# --- KWin restarted under a running probe: the script is loaded into the new one ---------------
e2e_kwin_focus "Alpha é"
e2e_spawn watch2 "$report" probe --watch
e2e_expect_within 10 "watched before the restart" "$(line "$native_a" "Alpha é")" \
    eval 'tail -n1 "$E2E_DIR/watch2.out"'
e2e_stop "$E2E_KWIN_PID"
e2e_expect_within 12 "KWin gone: a blank sample" "$(line "" "")" \
    eval 'tail -n1 "$E2E_DIR/watch2.out"'
e2e_start_kwin
qtwindow delta "$native_a" "Delta after the restart"
e2e_kwin_focus "Delta after the restart"
e2e_expect_within 12 "the script loaded into the new KWin" \
    "$(line "$native_a" "Delta after the restart")" eval 'tail -n1 "$E2E_DIR/watch2.out"'

e2e_log "took $((SECONDS - started)) s"
e2e_finish
