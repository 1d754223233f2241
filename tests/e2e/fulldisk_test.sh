#!/usr/bin/env bash
# The real recorder on a full disk: its data folder lies on a small tmpfs holding a 156 KB record,
# filled up by another file. The saves of window changes fail; once 64 KB are free again (room for
# the changes, not for a second copy of the record) the next save writes all of them, in place.
# Full again, with a long-titled window not yet saved, the exit keeps the window running at the
# end: its entry is written alone after the last entry on disk.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3 WIN_B=$4
source "$(dirname "$0")/lib.sh"
e2e_init
e2e_require python3 mount umount truncate dd cmp

small="$E2E_DIR/small"
mkdir -p "$small"
if ! mount -t tmpfs -o size=512k,mode=0700 tmpfs "$small" 2>"$E2E_DIR/mount.err"; then
    e2e_log "SKIP: no tmpfs can be mounted here: $(cat "$E2E_DIR/mount.err")"
    exit 77
fi
# Lazily, so that it goes even while a program still has a file open there; then the usual
# clean-up, with the script's exit status.
unmount_then_clean_up() {
    local status=$1
    set +e
    umount -l "$small" 2>/dev/null
    (exit "$status")
    e2e_cleanup
}
trap 'unmount_then_clean_up $?' EXIT
export XDG_DATA_HOME="$small"
folder="$small/Orvane"
mkdir -m 700 "$folder"
python3 - "$folder/orvane.cdat" <<'PY'
import struct, sys
out = bytearray(struct.pack('<i', 3000))
for i in range(3000):
    p, c = b'/usr/bin/old-%d' % (i % 7), b'old entry %04d' % i
    out += struct.pack('<i', len(p)) + p + struct.pack('<i', len(c)) + c
    out += struct.pack('<dd', 45000 + i / 100, 0.001)
open(sys.argv[1], 'wb').write(out)
PY
chmod 600 "$folder/orvane.cdat"
filler="$small/filler"
# Fills the tmpfs to the last page, then frees $1 KiB of it again.
fill_up() {
    dd if=/dev/zero of="$filler" bs=4096 oflag=append conv=notrunc status=none 2>/dev/null || true
    truncate -s "-${1}K" "$filler"
}

e2e_start_x
e2e_start_wm
e2e_spawn orvane "$ORVANE"
ORVANE_PID=$E2E_PID
e2e_wait_for 20 xdotool search --pid "$ORVANE_PID" --name "Orvane Activity Recorder" >/dev/null ||
    e2e_fail "the recorder did not start"
sleep 1

long_a="Alpha $(printf 'a%.0s' {1..5000})"
long_b="Beta $(printf 'b%.0s' {1..5000})"
huge="Huge $(printf 'h%.0s' {1..10000})"
e2e_window full_a "$WIN_A" "$long_a"
FULL_A=$E2E_WID
e2e_window full_b "$WIN_B" "$long_b"
FULL_B=$E2E_WID
e2e_window room_a "$WIN_A" "Alpha with room"
ROOM_A=$E2E_WID
e2e_window room_b "$WIN_B" "Beta with room"
ROOM_B=$E2E_WID
e2e_window huge "$WIN_A" "$huge"
HUGE=$E2E_WID
e2e_window last "$WIN_B" "Running at the exit"
LAST=$E2E_WID

# 1. Full: each change is a save that fails. The error box may take the focus once; each window
# gets it back.
fill_up 0
cp "$folder/orvane.cdat" "$E2E_DIR/before.cdat"
for wid in "$FULL_A" "$FULL_B" "$FULL_A"; do
    e2e_activate "$wid"
    sleep 6
done
cmp -s "$folder/orvane.cdat" "$E2E_DIR/before.cdat" ||
    e2e_fail "the failed saves changed the record"

# 2. Room for the changes, not for a whole rewrite of the record.
truncate -s -64K "$filler"
for wid in "$ROOM_A" "$ROOM_B"; do
    e2e_activate "$wid"
    sleep 6
done

# 3. Full again, with one free page: the huge title is never saved, and at the exit there is
# room for the running entry alone.
fill_up 4
for wid in "$HUGE" "$LAST"; do
    e2e_activate "$wid"
    sleep 6
done

kill -TERM "$ORVANE_PID"
for ((i = 0; i < 100; i++)); do e2e_alive "$ORVANE_PID" || break; sleep 0.1; done
e2e_alive "$ORVANE_PID" && e2e_fail "the recorder did not end on SIGTERM"

dump=$("$REPORT" dump "$folder/orvane.cdat") || e2e_fail "the record does not load"
python3 - "$WIN_A" "$WIN_B" "$long_a" "$long_b" <<PY || e2e_fail "the record is not what happened"
import json, sys
a, b, long_a, long_b = sys.argv[1:5]
entries = [json.loads(l) for l in """$dump""".splitlines() if l.strip()]
assert len(entries) > 3000 and all(e["caption"] == "old entry %04d" % i
                                   for i, e in enumerate(entries[:3000])), entries[:3]
ours = [e for e in entries[3000:] if e["process"] in (a, b)]
seq = [(e["process"], e["caption"]) for e in ours]
print("recorded", [(p, c[:12], round(e["duration"] * 86400, 1)) for (p, c), e in zip(seq, ours)],
      file=sys.stderr)
want = [(a, long_a), (b, long_b), (a, long_a), (a, "Alpha with room"), (b, "Beta with room")]
it = iter(seq)
assert all(w in it for w in want), "the changes made while the disk was full are missing"
assert not any(c.startswith("Huge ") for _, c in seq), "the huge entry fitted after all"
assert seq[-1] == (b, "Running at the exit"), "the running entry was not kept at the exit"
assert 0.5 <= ours[-1]["duration"] * 86400 <= 13, ours[-1]
PY
e2e_log "ok: every change made on the full disk is in the record, and the running entry"
e2e_finish
