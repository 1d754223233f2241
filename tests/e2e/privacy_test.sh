#!/usr/bin/env bash
# The privacy rules under Xvfb and icewm: a window whose title names a secret word matched by Skip,
# one matched by HideTitle and a browser's private window leave their titles nowhere, neither in
# the data folder nor in what the recorder or orvane-report print; the skipped time is not
# counted, the hidden time is counted under "(private)". Then forget on a copy of the record, and
# forget refused while a recorder runs.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3 WIN_B=$4
source "$(dirname "$0")/lib.sh"
e2e_x_session

folder="$XDG_DATA_HOME/Orvane"
mkdir -p "$folder"
chmod 700 "$folder"
printf '[Privacy]\nSkip=title:*Zebulon*\nHideTitle=title:*Quokka*\n' >"$folder/orvane.cfg"

e2e_window plain "$WIN_A" "Plain window"
WP=$E2E_WID
e2e_window skipped "$WIN_A" "Zebulon diary"
WS=$E2E_WID
e2e_window hidden "$WIN_B" "Quokka chat"
WH=$E2E_WID
e2e_window browsing "$WIN_B" "Kiwi shop — Mozilla Firefox Private Browsing"
WK=$E2E_WID

e2e_recorder_started "$ORVANE"
# The recorder's window comes up with the focus.
e2e_activate "$WP"
sleep 6
e2e_activate "$WS"
sleep 11
e2e_activate "$WP"
sleep 6
e2e_activate "$WH"
sleep 6
e2e_activate "$WK"
sleep 6
e2e_activate "$WP"
sleep 6
e2e_stop "$ORVANE_PID"

secrets=(Zebulon Quokka Kiwi)
leaks() { # FILE...: the secret words found in them
    local w
    for w in "${secrets[@]}"; do grep -l -a -i -- "$w" "$@" 2>/dev/null || true; done
}
# Everything in the data folder but the settings file that names the rules, and what the recorder
# printed.
mapfile -t files < <(find "$folder" -type f ! -name orvane.cfg)
found=$(leaks "${files[@]}" "$E2E_DIR/orvane.out" "$E2E_DIR/orvane.err")
[ -z "$found" ] || e2e_fail "a hidden title was written to: $found"

out="$E2E_DIR/report"
mkdir -p "$out"
for verb in dump tree csv json summary; do
    "$REPORT" "$verb" "$folder/orvane.cdat" >"$out/$verb.out" 2>"$out/$verb.err" ||
        e2e_fail "orvane-report $verb failed"
done
"$REPORT" summary --by caption "$folder/orvane.cdat" >"$out/summary-caption.out" 2>&1
found=$(leaks "$out"/*)
[ -z "$found" ] || e2e_fail "orvane-report printed a hidden title: $found"
cat "$out/dump.out" >&2

python3 - "$WIN_A" "$WIN_B" "$out/dump.out" <<'PY' || e2e_fail "the record is not what happened"
import json, sys
a, b, dump = sys.argv[1], sys.argv[2], sys.argv[3]
entries = [json.loads(l) for l in open(dump) if l.strip()]
ours = [(e["process"], e["caption"], e["duration"] * 86400) for e in entries
        if e["process"] in (a, b)]
print(ours, file=sys.stderr)
assert [(p, c) for p, c, _ in ours] == [
    (a, "Plain window"), (a, "Plain window"), (b, "(private)"), (a, "Plain window")], ours
# The plain window's first stretch ends where the skipped window took the focus: its 11 s and
# more are in no entry.
assert 3 <= ours[0][2] <= 10, ours
# The hidden chat and the private browser window: both the same program and "(private)".
assert 8 <= ours[2][2] <= 17, ours
total = sum(s for _, _, s in ours)
assert total <= 36, total
PY

# Forget on a copy of the record: the browser program goes, the rest stays as it was.
copy="$E2E_DIR/copy"
mkdir -p "$copy"
cp "$folder/orvane.cdat" "$copy/orvane.cdat"
"$REPORT" forget --since today --until now --program "*$(basename "$WIN_B")" --dry-run \
    "$copy/orvane.cdat" >"$out/dry.out" || e2e_fail "forget --dry-run failed"
cmp -s "$folder/orvane.cdat" "$copy/orvane.cdat" || e2e_fail "a dry run changed the record"
grep -q '^1 entries, .* would be forgotten$' "$out/dry.out" || e2e_fail "dry run: $(cat "$out/dry.out")"
"$REPORT" forget --since today --until now --program "*$(basename "$WIN_B")" \
    "$copy/orvane.cdat" >"$out/forget.out" || e2e_fail "forget failed"
"$REPORT" dump "$copy/orvane.cdat" >"$out/after.out" || e2e_fail "the forgotten copy is unreadable"
grep -v -F "\"process\":\"$WIN_B\"" "$out/dump.out" | diff - "$out/after.out" >&2 ||
    e2e_fail "forget changed more than the entries it took"
leftovers=$(find "$copy" -type f ! -name orvane.cdat ! -name orvane.cdat.lock)
[ -z "$leftovers" ] || e2e_fail "forget left files behind: $leftovers"
[ ! -s "$copy/orvane.cdat.lock" ] || e2e_fail "the lock file is not empty"

# While a recorder runs on the record, forget changes nothing and says why.
e2e_recorder_started "$ORVANE"
sleep 1
before=$(sha256sum <"$folder/orvane.cdat")
set +e
"$REPORT" forget --since today --until now "$folder/orvane.cdat" >/dev/null 2>"$out/refused.err"
status=$?
set -e
[ "$status" = 75 ] || e2e_fail "forget under a running recorder: status $status"
grep -q "a recorder is running" "$out/refused.err" || e2e_fail "no reason given"
after=$(sha256sum <"$folder/orvane.cdat")
[ "$before" = "$after" ] || e2e_fail "forget changed a record in use"
e2e_stop "$ORVANE_PID"
e2e_log "PASS"
