#!/usr/bin/env bash
# One absurd idle reading does not erase what was recorded: the real recorder under Xvfb and icewm
# with GNOME's idle monitor stood in for on a private session bus (AwayMinutes=1). Two windows
# take turns four times with input at every sample; then the monitor says 2^40 ms once. The four
# entries, long on disk, are still there after the exit, with their lengths.
#
#   idle_absurd_test.sh ORVANE ORVANE_REPORT WINDOW_A WINDOW_B
set -euo pipefail
source "$(dirname "$0")/lib.sh"

orvane=$1 report=$2 win_a=$3 win_b=$4
fake="$(dirname "$0")/fakepresence.py"

e2e_require dbus-daemon dbus-send
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { e2e_log "SKIP: python3-dbus or python3-gi missing"; exit 77; }
e2e_init
folder="$XDG_DATA_HOME/Orvane"
mkdir -p "$folder"
chmod 700 "$folder"
printf '[Activities]\nAwayMinutes=1\n' >"$folder/orvane.cfg"

sock="$E2E_DIR/session.sock"
e2e_spawn session dbus-daemon --session --nofork --address="unix:path=$sock"
e2e_wait_for 10 test -S "$sock" || e2e_fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$sock"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_DIR/no-system-bus"
e2e_spawn mutter /usr/bin/python3 "$fake" mutter
e2e_wait_for 10 grep -q ready "$E2E_DIR/mutter.out" || e2e_fail "the idle monitor did not start"
idletime() {
    dbus-send --session --print-reply --dest=org.gnome.Mutter.IdleMonitor \
        /org/gnome/Mutter/IdleMonitor/Core org.gnome.Mutter.IdleMonitor.SetIdletime "uint64:$1" \
        >/dev/null
}
idletime 0

e2e_start_x
e2e_start_wm
e2e_window alpha "$win_a" "Alpha window"
wa=$E2E_WID
e2e_window beta "$win_b" "Beta window"
wb=$E2E_WID

export ORVANE_IDLE=mutter-idle-monitor
e2e_spawn orvane "$orvane"
orvane_pid=$E2E_PID
e2e_wait_for 20 test -s "$folder/orvane.cdat" || e2e_fail "the recorder did not start"

# Each window in front for more than a sample: four entries.
for wid in "$wa" "$wb" "$wa" "$wb"; do
    e2e_activate "$wid"
    sleep 7
done
idletime $((1 << 40))
sleep 6 # at least one sample reads it
idletime 0
e2e_activate "$wa"
sleep 7

kill -TERM "$orvane_pid"
e2e_wait_for 10 eval '! e2e_alive "$orvane_pid"' || e2e_fail "the recorder did not end on SIGTERM"

dump=$("$report" dump "$folder/orvane.cdat") || e2e_fail "no readable data file"
printf '%s\n' "$dump" >&2

result=$(python3 - "$win_a" "$win_b" <<PY
import json, sys
a, b = sys.argv[1], sys.argv[2]
entries = [json.loads(l) for l in """$dump""".splitlines() if l.strip()]
ours = [(e["process"], round(e["duration"] * 86400, 1)) for e in entries if e["process"] in (a, b)]
# The four turns keep their entries, each a few seconds long (one sample either way).
turns = [p for p, _ in ours[:4]]
print("four entries kept" if turns == [a, b, a, b] else "entries %r" % ours)
long_enough = all(2 <= s <= 20 for _, s in ours[:4]) and len(ours) >= 4
print("their lengths kept" if long_enough else "lengths %r" % ours)
PY
)
e2e_expect "the entries before the reading are kept" "four entries kept" "$(sed -n 1p <<<"$result")"
e2e_expect "with their lengths" "their lengths kept" "$(sed -n 2p <<<"$result")"
e2e_finish
