#!/usr/bin/env bash
# The X server dies under a running recorder (killed at logout, or crashed), with no SIGTERM to the
# recorder: the entry that was running keeps its length up to then, not only the length of its
# last once-a-minute write.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3 WIN_B=$4
source "$(dirname "$0")/lib.sh"
e2e_x_session
e2e_two_windows "$WIN_A" "$WIN_B"
e2e_recorder_started "$ORVANE"
recorder=$ORVANE_PID
sleep 3
e2e_activate "$WB"
sleep 30 # less than a minute: no minute write since the change
kill -KILL "$E2E_XVFB_PID"
e2e_wait_for 15 bash -c "! kill -0 $recorder 2>/dev/null" ||
    e2e_fail "the recorder outlived its X server"
wait "$recorder" 2>/dev/null || true
e2e_log "the recorder said: $(tr '\n' ' ' <"$E2E_DIR/orvane.err")"

beta=$("$REPORT" dump "$folder/orvane.cdat" | python3 -c '
import json, sys
for l in sys.stdin:
    e = json.loads(l)
    if e["process"] == sys.argv[1]:
        print(round(e["duration"] * 86400, 1))
' "$WIN_B" | tail -n 1) || e2e_fail "the data file does not load"
[ -n "$beta" ] || e2e_fail "the window in use when the server died is not recorded"
e2e_log "the last entry lasted $beta s"
# Sampled every 5 s: the entry began up to 5 s after the activation.
python3 -c "import sys; s = float(sys.argv[1]); sys.exit(0 if 24 <= s <= 35 else 1)" "$beta" ||
    e2e_fail "the running entry was saved with $beta s, not about 30"
e2e_log "PASS"
