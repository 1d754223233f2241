#!/usr/bin/env bash
# The real recorder under Xvfb and icewm: two windows of two programs have the focus in turn; after
# SIGTERM the data file holds both entries with their program paths, titles and lengths, the data
# folder is private, and no settings file was written.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3 WIN_B=$4
source "$(dirname "$0")/lib.sh"
e2e_x_session

e2e_spawn orvane "$ORVANE"
ORVANE_PID=$E2E_PID
folder="$XDG_DATA_HOME/Orvane"
e2e_wait_for 20 test -d "$folder" || e2e_fail "the recorder did not start"
sleep 1

e2e_window alpha "$WIN_A" "Alpha window"
WA=$E2E_WID
e2e_window beta "$WIN_B" "Beta window é"
WB=$E2E_WID

e2e_activate "$WA"
sleep 6
e2e_activate "$WB"
sleep 6
e2e_activate "$WA"
sleep 6

kill -TERM "$ORVANE_PID"
for ((i = 0; i < 100; i++)); do kill -0 "$ORVANE_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$ORVANE_PID" 2>/dev/null && e2e_fail "the recorder did not end on SIGTERM"

dump=$("$REPORT" dump "$folder/orvane.cdat") || e2e_fail "no readable data file"
printf '%s\n' "$dump" >&2

python3 - "$WIN_A" "$WIN_B" <<PY || e2e_fail "the record is not what happened"
import json, sys
a, b = sys.argv[1], sys.argv[2]
entries = [json.loads(l) for l in """$dump""".splitlines() if l.strip()]
ours = [e for e in entries if e["process"] in (a, b)]
seq = [(e["process"], e["caption"]) for e in ours]
want = [(a, "Alpha window"), (b, "Beta window é"), (a, "Alpha window")]
# The sequence of the three stretches must be in the record, in this order.
it = iter(seq)
assert all(w in it for w in want), seq
secs = [e["duration"] * 86400 for e in ours]
print("durations", secs, file=sys.stderr)
# The first two lasted about 6 s (one sample either way); the last was closed at the exit.
for s in secs[:2]:
    assert 0.5 <= s <= 13, secs
assert 0.5 <= secs[-1] <= 13, secs
PY

mode=$(stat -c %a "$folder")
[ "$mode" = 700 ] || e2e_fail "data folder mode $mode"
[ "$(stat -c %a "$folder/orvane.cdat")" = 600 ] || e2e_fail "data file not private"
# At exit only the places of the windows are written, in a section of their own.
if [ -e "$folder/orvane.cfg" ]; then
    grep -q '^\[Windows\]' "$folder/orvane.cfg" || e2e_fail "no window places at exit"
    ! grep -q '^\[Activities\]' "$folder/orvane.cfg" || e2e_fail "settings written at exit"
    grep -Eq '^MainWindow=-?[0-9]+,-?[0-9]+,[0-9]+,[0-9]+' "$folder/orvane.cfg" ||
        e2e_fail "the main window's place is missing"
fi
e2e_log "PASS"
