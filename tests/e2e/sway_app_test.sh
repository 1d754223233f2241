#!/usr/bin/env bash
# The real recorder in a headless sway session, as a sway user runs it: a native Wayland client
# itself (Qt's wayland platform), asking sway which window has the focus. Two native windows of
# one program have the focus in turn; after SIGTERM the record holds them in that order, told apart
# by their titles, with lengths that match.
#
#   sway_app_test.sh ORVANE ORVANE_REPORT
set -euo pipefail
source "$(dirname "$0")/lib.sh"

orvane=$(realpath "$1")
report=$(realpath "$2")

if ! compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null; then
    e2e_log "SKIP: Qt's wayland platform (qt6-wayland) is not installed"
    exit 77
fi

e2e_init
e2e_start_sway
orvane=$(e2e_user_program "$orvane")
foot=$(readlink -f "$(command -v foot)")
folder="$XDG_DATA_HOME/Orvane"

e2e_spawn orvane env QT_QPA_PLATFORM=wayland "${E2E_AS_USER[@]}" "$orvane"
orvane_pid=$E2E_PID
e2e_wait_for 20 test -s "$folder/orvane.cdat" || e2e_fail "the recorder did not start"

e2e_sway_window alpha alpha "Alpha é"
alpha=$E2E_PID
e2e_sway_window beta beta "Beta ü 漢字"
beta=$E2E_PID

e2e_sway_focus "$alpha"
sleep 6
e2e_sway_focus "$beta"
sleep 6
e2e_sway_focus "$alpha"
sleep 6

kill -TERM "$orvane_pid"
e2e_wait_for 10 eval '! e2e_alive "$orvane_pid"' || e2e_fail "the recorder did not end on SIGTERM"

dump=$("$report" dump "$folder/orvane.cdat") || e2e_fail "no readable data file"
printf '%s\n' "$dump" >&2

result=$(python3 - "$foot" <<PY
import json, sys
foot = sys.argv[1]
entries = [json.loads(l) for l in """$dump""".splitlines() if l.strip()]
ours = [e for e in entries if e["process"] == foot]
seq = [e["caption"] for e in ours]
want = ["Alpha é", "Beta ü 漢字", "Alpha é"]
it = iter(seq)
print("in order" if all(w in it for w in want) else "out of order: %r" % seq)
tail = ours[-3:]
secs = [round(e["duration"] * 86400, 1) for e in tail]
# About 6 s each, one sample either way; the last was closed at the exit.
print("lengths fit" if [e["caption"] for e in tail] == want and all(0.5 <= s <= 13 for s in secs)
      else "lengths %r" % secs)
PY
)
e2e_expect "the windows in the order they had the focus" "in order" "$(sed -n 1p <<<"$result")"
e2e_expect "each about as long as it had the focus" "lengths fit" "$(sed -n 2p <<<"$result")"
e2e_finish
