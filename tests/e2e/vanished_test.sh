#!/usr/bin/env bash
# The data folder removed under the running recorder (rm -rf): the next change makes it again,
# private, with the whole record from memory, and the changes after it and the exit are saved.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3 WIN_B=$4
source "$(dirname "$0")/lib.sh"
e2e_init
e2e_require python3
e2e_start_x
e2e_start_wm

e2e_spawn orvane "$ORVANE"
ORVANE_PID=$E2E_PID
folder="$XDG_DATA_HOME/Orvane"
e2e_wait_for 20 test -d "$folder" || e2e_fail "the recorder did not start"
sleep 1

e2e_window alpha "$WIN_A" "Alpha window"
WA=$E2E_WID
e2e_window beta "$WIN_B" "Beta window"
WB=$E2E_WID

e2e_activate "$WA"
sleep 6
e2e_activate "$WB"
sleep 6
e2e_wait_for 5 test -s "$folder/orvane.cdat" || e2e_fail "nothing was saved"
rm -rf "$folder"
e2e_activate "$WA"
e2e_wait_for 10 test -s "$folder/orvane.cdat" || e2e_fail "the data folder was not made again"
e2e_expect "the data folder made again is private" 700 "$(stat -c %a "$folder")"
sleep 2
e2e_activate "$WB"
sleep 6

kill -TERM "$ORVANE_PID"
for ((i = 0; i < 100; i++)); do e2e_alive "$ORVANE_PID" || break; sleep 0.1; done
e2e_alive "$ORVANE_PID" && e2e_fail "the recorder did not end on SIGTERM"

dump=$("$REPORT" dump "$folder/orvane.cdat") || e2e_fail "no readable record"
python3 - "$WIN_A" "$WIN_B" <<PY || e2e_fail "the record is not what happened"
import json, sys
a, b = sys.argv[1], sys.argv[2]
entries = [json.loads(l) for l in """$dump""".splitlines() if l.strip()]
ours = [e for e in entries if e["process"] in (a, b)]
seq = [(e["process"], e["caption"]) for e in ours]
print("recorded", seq, [round(e["duration"] * 86400, 1) for e in ours], file=sys.stderr)
want = [(a, "Alpha window"), (b, "Beta window"), (a, "Alpha window"), (b, "Beta window")]
it = iter(seq)
assert all(w in it for w in want), seq
# The last one was closed at the exit.
assert 0.5 <= ours[-1]["duration"] * 86400 <= 13, ours[-1]
PY
e2e_log "ok: the record before and after the removal, and the exit"
e2e_finish
