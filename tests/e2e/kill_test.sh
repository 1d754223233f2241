#!/usr/bin/env bash
# The real recorder killed outright (SIGKILL, as in a crash or a power cut): the data file loads,
# and the window that had the focus for over a minute is in it with about a minute of its length,
# written while it ran. A second start keeps that entry as it was and records after it.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3 WIN_B=$4
source "$(dirname "$0")/lib.sh"
e2e_x_session
e2e_two_windows "$WIN_A" "$WIN_B"
e2e_recorder_started "$ORVANE"
first=$ORVANE_PID
e2e_activate "$WB"
sleep 68 # more than a minute on the same window, no change
kill -KILL -- "-$first"
wait "$first" 2>/dev/null || true

entries() { # the entries of our two programs: process caption seconds
    "$REPORT" dump "$folder/orvane.cdat" | python3 -c '
import json, sys
for l in sys.stdin:
    e = json.loads(l)
    if e["process"] in sys.argv[1:]:
        print(e["process"], e["caption"].replace(" ", "_"), round(e["duration"] * 86400, 1))
' "$WIN_A" "$WIN_B"
}
after_kill=$(entries) || e2e_fail "the data file does not load after SIGKILL"
printf '%s\n' "$after_kill" >&2
beta=$(printf '%s\n' "$after_kill" | awk -v b="$WIN_B" '$1 == b {print $3}' | tail -n 1)
[ -n "$beta" ] || e2e_fail "the window in use when the recorder was killed is not recorded"
python3 -c "import sys; s = float(sys.argv[1]); sys.exit(0 if 50 <= s <= 75 else 1)" "$beta" ||
    e2e_fail "the running window was saved with $beta s, not about a minute"

# Started again: the killed run's entry is not stretched over the gap, new changes go after it.
e2e_spawn orvane2 "$ORVANE"
second=$E2E_PID
sleep 6
e2e_activate "$WA"
sleep 6
e2e_stop "$second"
final=$(entries) || e2e_fail "the data file does not load after the second run"
printf '%s\n' "$final" >&2
[ "$(printf '%s\n' "$final" | head -n "$(printf '%s\n' "$after_kill" | wc -l)")" = "$after_kill" ] ||
    e2e_fail "the second run changed what the first one recorded"
[ "$(printf '%s\n' "$final" | tail -n 1 | awk '{print $1}')" = "$WIN_A" ] ||
    e2e_fail "the second run did not record the change"
e2e_log "PASS"
