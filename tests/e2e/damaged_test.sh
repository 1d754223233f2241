#!/usr/bin/env bash
# The real recorder started on a record it cannot read whole: first a damaged 1,000-entry record,
# then one its user may not read (left root-owned, as a restore may leave it). Each time a window is
# recorded, and afterwards every original byte is still on disk, in the file moved aside next to the
# record, while the new record holds what could be read followed by the recorded window. In
# between, FIFOs in the places of the record and the settings file must not stall the start.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3
source "$(dirname "$0")/lib.sh"
e2e_init
e2e_require python3 setpriv cmp
e2e_start_x
e2e_start_wm

# write_record FILE COUNT [DAMAGED_ENTRY]: COUNT entries; the 1-based DAMAGED_ENTRY gets a process
# length of -1.
write_record() {
    python3 - "$@" <<'PY'
import struct, sys
path, count = sys.argv[1], int(sys.argv[2])
damaged = int(sys.argv[3]) if len(sys.argv) > 3 else 0
out = bytearray(struct.pack('<i', count))
for i in range(count):
    p = b'/usr/bin/old-%d' % (i % 7)
    c = ('old entry %d' % i).encode()
    length = -1 if i + 1 == damaged else len(p)
    out += struct.pack('<i', length) + p + struct.pack('<i', len(c)) + c
    out += struct.pack('<dd', 45000 + i / 100, 0.001)
open(path, 'wb').write(out)
PY
}

# record_window NAME WINDOW_ID FOLDER COMMAND...: runs the recorder until it has kept the original
# aside, gives WINDOW_ID the focus for a while, and ends the recorder with SIGTERM.
record_window() {
    local name=$1 wid=$2 folder=$3 pid i
    shift 3
    e2e_spawn "$name" "$@"
    pid=$E2E_PID
    e2e_wait_for 20 compgen -G "$folder/orvane.cdat.damaged-*" >/dev/null ||
        e2e_fail "$name: the original was not moved aside at the start"
    sleep 1
    e2e_activate "$wid"
    sleep 7
    kill -TERM "$pid"
    for ((i = 0; i < 100; i++)); do e2e_alive "$pid" || break; sleep 0.1; done
    e2e_alive "$pid" && e2e_fail "$name: the recorder did not end on SIGTERM"
    e2e_stop "$pid"
}

# check_record NAME FOLDER ORIGINAL READABLE_DUMP WINDOW_CAPTION OWNER_MODE [WINDOW_PROGRAM]
check_record() {
    local name=$1 folder=$2 original=$3 readable=$4 caption=$5 owner_mode=$6 win=${7:-$WIN_A}
    local aside=("$folder"/orvane.cdat.damaged-*)
    e2e_expect "$name: one file moved aside" 1 "${#aside[@]}"
    cmp "${aside[0]}" "$original" || e2e_fail "$name: the moved-aside file differs from the original"
    e2e_expect "$name: owner and mode of the moved-aside file" "$owner_mode" \
        "$(stat -c '%u %a' "${aside[0]}")"
    local dump
    dump=$("$REPORT" dump "$folder/orvane.cdat") || e2e_fail "$name: the new record does not load"
    local n
    n=$(wc -l <"$readable")
    e2e_expect "$name: the readable entries lead the new record" "$(cat "$readable")" \
        "$(printf '%s\n' "$dump" | head -n "$n")"
    printf '%s\n' "$dump" | tail -n +"$((n + 1))" | python3 -c '
import json, sys
win, caption = sys.argv[1], sys.argv[2]
entries = [json.loads(l) for l in sys.stdin if l.strip()]
ours = [e for e in entries if e["process"] == win and e["caption"] == caption]
assert ours, entries
print("recorded", [round(e["duration"] * 86400, 1) for e in ours], file=sys.stderr)
' "$win" "$caption" || e2e_fail "$name: the recorded window is not in the new record"
}

# 1. A damaged record: entry 500 of 1,000 has an impossible length.
folder="$XDG_DATA_HOME/Orvane"
mkdir -p "$folder"
chmod 700 "$folder"
write_record "$folder/orvane.cdat" 1000 500
chmod 640 "$folder/orvane.cdat"
cp -p "$folder/orvane.cdat" "$E2E_DIR/damaged.orig"
set +e
"$REPORT" dump "$folder/orvane.cdat" >"$E2E_DIR/damaged.readable" 2>"$E2E_DIR/report.stderr"
status=$?
set -e
e2e_expect "orvane-report on the damaged record: exit status" 3 "$status"
grep -q "stopped at entry 500 of 1000, at byte" "$E2E_DIR/report.stderr" ||
    e2e_fail "orvane-report does not say where reading stopped: $(cat "$E2E_DIR/report.stderr")"
e2e_expect "orvane-report on the damaged record: entries printed" 499 \
    "$(wc -l <"$E2E_DIR/damaged.readable")"

e2e_window alpha "$WIN_A" "Alpha window"
record_window orvane-damaged "$E2E_WID" "$folder" "$ORVANE"
check_record damaged "$folder" "$E2E_DIR/damaged.orig" "$E2E_DIR/damaged.readable" \
    "Alpha window" "0 640"

# 2. FIFOs in the places of the record and of the settings: the recorder comes up at once.
fifo_data="$E2E_DIR/fifo-data"
mkdir -p "$fifo_data/Orvane"
mkfifo "$fifo_data/Orvane/orvane.cdat" "$fifo_data/Orvane/orvane.cfg"
e2e_spawn orvane-fifo env XDG_DATA_HOME="$fifo_data" "$ORVANE"
fifo_pid=$E2E_PID
e2e_wait_for 20 xdotool search --pid "$fifo_pid" --name "Orvane Activity Recorder" >/dev/null ||
    e2e_fail "the recorder does not come up with FIFOs for its files"
e2e_stop "$fifo_pid"
[ -p "$fifo_data/Orvane/orvane.cfg" ] || e2e_fail "the settings FIFO was replaced"
e2e_log "ok: FIFOs for the record and the settings"

# 3. A record its user cannot read: root-owned, mode 600, in the user's own data folder. The user
# is nobody here; its recorder and its window run as nobody.
if [ "$(id -u)" -ne 0 ]; then
    e2e_log "not root: the unreadable record is left to the unit tests"
    e2e_finish
fi
chmod 755 "$E2E_DIR"
user_home="$E2E_DIR/user"
user_folder="$user_home/.local/share/Orvane"
mkdir -p "$user_folder" "$user_home/.config" "$user_home/runtime"
chown -R 65534:65534 "$user_home"
chmod 700 "$user_folder" "$user_home/runtime"
write_record "$user_folder/orvane.cdat" 3
chmod 600 "$user_folder/orvane.cdat"
cp -p "$user_folder/orvane.cdat" "$E2E_DIR/unreadable.orig"
: >"$E2E_DIR/unreadable.readable"
as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups
    env HOME="$user_home" XDG_DATA_HOME="$user_home/.local/share"
    XDG_CONFIG_HOME="$user_home/.config" XDG_RUNTIME_DIR="$user_home/runtime")
# Sanitizer reports of the user's programs go to their stderr: the report folder is root's.
for v in ASAN_OPTIONS UBSAN_OPTIONS; do
    [ -n "${!v:-}" ] && as_user+=("$v=$(printf '%s' "${!v}" | sed 's/log_path=[^:]*/log_path=stderr/')")
done
"${as_user[@]}" cat "$user_folder/orvane.cdat" >/dev/null 2>&1 &&
    e2e_fail "the user can read the root-owned record"

# Copies the user may run wherever the build tree lies (a checkout in a folder only root enters).
user_win=$(e2e_user_program "$WIN_A")
e2e_window gamma "${as_user[@]}" "$user_win" "Gamma window"
record_window orvane-unreadable "$E2E_WID" "$user_folder" "${as_user[@]}" \
    "$(e2e_user_program "$ORVANE")"
check_record unreadable "$user_folder" "$E2E_DIR/unreadable.orig" "$E2E_DIR/unreadable.readable" \
    "Gamma window" "0 600" "$user_win"
e2e_expect "the new record belongs to the user" 65534 "$(stat -c %u "$user_folder/orvane.cdat")"
e2e_finish
