#!/usr/bin/env bash
# Time away from the computer is not counted, with the real recorder and the session's real idle
# source: with AwayMinutes=1, a window left without input for 80 s keeps only its time up to the
# last input, and input brings recording back with a new entry.
#
#   away_test.sh x11  ORVANE ORVANE_REPORT WINDOW   # Xvfb and icewm, input by xdotool
#   away_test.sh sway ORVANE ORVANE_REPORT          # headless sway, input by wtype
set -euo pipefail
source "$(dirname "$0")/lib.sh"

mode=$1
orvane=$(realpath "$2")
report=$(realpath "$3")

e2e_init
folder="$XDG_DATA_HOME/Orvane"
mkdir -p "$folder"
chmod 700 "$folder"
printf '[Activities]\nAwayMinutes=1\n' >"$folder/orvane.cfg"

if [ "$mode" = x11 ]; then
    window=$(realpath "$4")
    e2e_start_x
    e2e_start_wm
    e2e_window alpha "$window" "Left alone"
    wid=$E2E_WID
    focus() { e2e_activate "$wid"; }
    input() { xdotool mousemove --sync $((100 + RANDOM % 200)) $((100 + RANDOM % 200)); }
    program=$window
    e2e_spawn orvane "$orvane"
else
    e2e_require wtype
    if ! compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null; then
        e2e_log "SKIP: Qt's wayland platform (qt6-wayland) is not installed"
        exit 77
    fi
    e2e_start_sway
    orvane=$(e2e_user_program "$orvane")
    e2e_sway_window alpha alpha "Left alone"
    pid=$E2E_PID
    focus() { e2e_sway_focus "$pid"; }
    input() { "${E2E_AS_USER[@]}" wtype -k Shift_L; }
    program=$(readlink -f "$(command -v foot)")
    e2e_spawn orvane env QT_QPA_PLATFORM=wayland "${E2E_AS_USER[@]}" "$orvane"
fi
orvane_pid=$E2E_PID
e2e_wait_for 20 test -s "$folder/orvane.cdat" || e2e_fail "the recorder did not start"
"$report" probe --which | grep -E '^(idle|lock):' >&2 || true

focus
input
sleep 8
input # the last input: from here on the window is left alone
last_input=$(date +%s)
sleep 80
input # back
sleep 8
input
back=$(date +%s)

kill -TERM "$orvane_pid"
e2e_wait_for 10 eval '! e2e_alive "$orvane_pid"' || e2e_fail "the recorder did not end on SIGTERM"

dump=$("$report" dump "$folder/orvane.cdat") || e2e_fail "no readable data file"
printf '%s\n' "$dump" >&2

result=$(python3 - "$program" "$last_input" "$back" <<PY
import json, sys
program, last_input, back = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
entries = [json.loads(l) for l in """$dump""".splitlines() if l.strip()]
ours = [e for e in entries if e["process"] == program and e["caption"] == "Left alone"]
secs = [round(e["duration"] * 86400, 1) for e in ours]
print("two entries" if len(ours) == 2 else "entries %r" % secs)
if len(ours) == 2:
    # The first ran from its first sample (0-5 s after the focus) to the last input, 8 s later;
    # counted up to the moment away was noticed it would hold about 68 s, up to the return 88 s.
    print("ends at the last input" if 2 <= secs[0] <= 14 else "first lasted %r s" % secs[0])
    # The second opened at the first sample after the return and ran to the exit, about 8 s.
    print("opens on return" if 2 <= secs[1] <= 16 else "second lasted %r s" % secs[1])
else:
    print("-")
    print("-")
PY
)
e2e_expect "away closes the entry and return opens a new one" "two entries" "$(sed -n 1p <<<"$result")"
e2e_expect "the entry ends at the last input" "ends at the last input" "$(sed -n 2p <<<"$result")"
e2e_expect "recording comes back with input" "opens on return" "$(sed -n 3p <<<"$result")"
e2e_finish
