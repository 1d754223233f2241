#!/usr/bin/env bash
# The real recorder with Edit > "Remove long activities" open on a record of 20,000 long entries:
# the first entry is removed (Yes), and SIGTERM comes while the question about the second is open.
# The program ends at once with the record saved: the removed entry stays removed, every other
# one is kept. A dialog's loop returns at once once the program ends; the walk must not go on.
set -euo pipefail
ORVANE=$1 REPORT=$2
source "$(dirname "$0")/lib.sh"
e2e_init
e2e_require python3
e2e_start_x
e2e_start_wm

folder="$XDG_DATA_HOME/Orvane"
mkdir -p "$folder"
chmod 700 "$folder"
count=20000
python3 - "$folder/orvane.cdat" "$count" <<'PY'
import struct, sys
path, count = sys.argv[1], int(sys.argv[2])
out = bytearray(struct.pack('<i', count))
for i in range(count):
    p, c = b'/usr/bin/old', ('long %d' % i).encode()
    out += struct.pack('<i', len(p)) + p + struct.pack('<i', len(c)) + c
    out += struct.pack('<dd', 40000 + i, 0.5)  # half a day each
open(path, 'wb').write(out)
PY
chmod 600 "$folder/orvane.cdat"

shown() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
e2e_spawn orvane "$ORVANE"
pid=$E2E_PID
main=
e2e_wait_for 20 eval 'main=$(shown "^Orvane Activity Recorder\$"); [ -n "$main" ]' ||
    e2e_fail "the main window did not come up"
sleep 1
# Without a tray yet the recorder says so in a box titled "Orvane": closed first, so that it is not
# taken for the question.
notice=$(shown '^Orvane$' || true)
if [ -n "$notice" ]; then
    e2e_log "a notice box at the start; closed"
    timeout 10 xdotool windowactivate --sync "$notice" key --clearmodifiers Return || true
    e2e_wait_for 5 eval '[ -z "$(shown "^Orvane\$")" ]' || e2e_fail "the notice box stays open"
fi
e2e_activate "$main"

# Edit > Remove long activities: the File menu by a click at the menu bar's left end, then one
# menu to the right and its first item. A click before the window has the focus opens nothing:
# then once more.
query=
for ((i = 0; i < 4; i++)); do
    xdotool mousemove --window "$main" 12 10 click 1
    sleep 0.7
    # Home: the Edit menu's first item, however many follow it.
    for key in Right Home Return; do xdotool key "$key"; sleep 0.4; done
    e2e_wait_for 3 eval 'query=$(shown "^Remove Activities\$"); [ -n "$query" ]' && break
    e2e_log "no hours query (try $((i + 1))); the menu once more"
    xdotool key Escape
    sleep 0.3
    xdotool key Escape
    e2e_activate "$main"
done
[ -n "$query" ] || e2e_fail "Edit > Remove long activities did not ask for the hours"
timeout 10 xdotool windowactivate --sync "$query" key --clearmodifiers ctrl+a type 0
xdotool key Return

question() { shown '^Orvane$'; }
e2e_wait_for 10 eval '[ -n "$(question)" ]' || e2e_fail "no question about the first entry"
first=$(question)
second=
for ((i = 0; i < 4; i++)); do # Yes: the first entry goes; a key sent too early is lost
    timeout 10 xdotool windowactivate --sync "$first" key y 2>/dev/null || true
    e2e_wait_for 5 eval 'second=$(question); [ -n "$second" ] && [ "$second" != "$first" ]' && break
done
[ -n "$second" ] && [ "$second" != "$first" ] || e2e_fail "no question about the second entry"
sleep 0.5
e2e_alive "$pid" || e2e_fail "the recorder ended before SIGTERM"

kill -TERM "$pid"
e2e_wait_for 10 eval '! e2e_alive "$pid"' ||
    e2e_fail "the recorder did not end within 10 s of SIGTERM with the question open"
e2e_log "ok: SIGTERM ended the recorder with the question open"

dump=$("$REPORT" dump "$folder/orvane.cdat") || e2e_fail "the record does not load"
old=$(printf '%s\n' "$dump" | grep -c '"process":"/usr/bin/old"' || true)
e2e_expect "the old entries but the removed one are kept" $((count - 1)) "$old"
e2e_expect "the first entry kept is the second one" '"long 1"' \
    "$(printf '%s\n' "$dump" | head -n1 | python3 -c 'import json, sys; print(json.dumps(json.loads(sys.stdin.read())["caption"]))')"
e2e_finish
