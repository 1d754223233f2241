#!/usr/bin/env bash
# The Windows program under Wine for a user named Jürgen with German settings (code page 1252):
# orvane.exe records two notepads, one of them on "Übersicht für Jürgen.txt", saves its record
# into C:\users\Jürgen\AppData\Roaming\Orvane at the session's end, loads it again at the next
# start and adds to it; orvane-report.exe prints the titles in UTF-8, one line end per line.
#   accented_user_test.sh DEPLOY_DIR PREFIX_TEMPLATE LOCALE_DIR [SHOTS_DIR]
# PREFIX_TEMPLATE is a prefix made by USER=Jürgen wineboot -i; LOCALE_DIR holds de_DE.UTF-8
# (localedef -i de_DE -f UTF-8 LOCALE_DIR/de_DE.UTF-8), which Wine takes its code page from.
set -euo pipefail
deploy=$(cd "$1" && pwd)
template=$2
locales=$(cd "$3" && pwd)
shots=${4:-}
source "$(dirname "$0")/../e2e/lib.sh"

e2e_require wine wineserver wineboot winepath icewm xdotool import python3
e2e_init
# Wine names the profile folder after USER at every start, not only when the prefix is made.
export LOCPATH="$locales" USER=Jürgen
{ export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8; } 2>/dev/null # the shell's own locale stays
export WINEPREFIX="$E2E_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cp -a "$template" "$WINEPREFIX"
stop_wine() {
    local status=$?
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    return "$status"
}
trap 'stop_wine; e2e_cleanup' EXIT

user_dir="$WINEPREFIX/drive_c/users/Jürgen"
[ -d "$user_dir" ] || e2e_fail "the prefix has no user Jürgen: $(ls "$WINEPREFIX/drive_c/users")"
users_before=$(ls "$WINEPREFIX/drive_c/users")
data="$user_dir/AppData/Roaming/Orvane/orvane.cdat"
data_win='C:\users\Jürgen\AppData\Roaming\Orvane\orvane.cdat'

e2e_start_x
e2e_start_wm
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1

shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" 2>/dev/null || true; }

# The first window whose title matches the regular expression, once it is mapped.
window_of() {
    local title=$1 wid=
    e2e_wait_for 60 eval 'wid=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n1); [ -n "$wid" ]' ||
        e2e_fail "no window '$title'"
    echo "$wid"
}

# Focuses each window given for one sample and more.
visit() {
    local wid
    for wid in "$@"; do
        xdotool windowactivate "$wid" 2>/dev/null || true
        sleep 7
    done
}

# Runs orvane.exe until the session ends; the record is saved then.
end_session() {
    timeout 60 wineboot --end-session >/dev/null 2>&1 || true
    e2e_wait_for 30 eval '! e2e_alive '"$1" || e2e_fail "orvane.exe still runs after the session end"
}

# Fails when a message box of the program is up (a file it could not create or read).
no_message_box() {
    local w name
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        name=$(xdotool getwindowname "$w" 2>/dev/null || true)
        case ${name,,} in
        orvane | orvane.exe | error | fehler | warning | warnung)
            shot "message-box-$1"
            e2e_fail "a message box '$name' is up ($1)"
            ;;
        esac
    done
}

mkdir -p "$E2E_DIR/docs"
echo eins >"$E2E_DIR/docs/Übersicht für Jürgen.txt"
echo zwei >"$E2E_DIR/docs/Zweites.txt"

e2e_spawn orvane wine "$deploy/orvane.exe"
orvane_pid=$E2E_PID
window_of '^Orvane' >/dev/null
sleep 2
e2e_spawn notepad1 wine notepad "$(winepath -w "$E2E_DIR/docs/Übersicht für Jürgen.txt")"
first=$(window_of '^Übersicht für Jürgen\.txt - ')
e2e_spawn notepad2 wine notepad "$(winepath -w "$E2E_DIR/docs/Zweites.txt")"
second=$(window_of '^Zweites\.txt - ')
visit "$first" "$second"
shot juergen-notepads
no_message_box "first run"
end_session "$orvane_pid"

if [ ! -f "$data" ]; then
    find "$WINEPREFIX/drive_c/users" -path '*Orvane*' >&2 || true
    cat "$E2E_DIR"/orvane.err >&2 || true
    e2e_fail "no record in $user_dir/AppData/Roaming/Orvane"
fi
# Names read in the wrong code page made folders of their own beside the user's.
[ "$(ls "$WINEPREFIX/drive_c/users")" = "$users_before" ] ||
    e2e_fail "new folders in C:\\users: $(ls "$WINEPREFIX/drive_c/users" | tr '\n' ' ')"

report() { timeout 60 wine "$deploy/orvane-report.exe" "$@" </dev/null; }
report json >"$E2E_DIR/first.json" || e2e_fail "orvane-report.exe json failed"

# The next start loads the record and adds to it.
e2e_spawn orvane wine "$deploy/orvane.exe"
orvane_pid=$E2E_PID
window_of '^Orvane' >/dev/null
sleep 2
# The session's end closed the notepads too.
e2e_spawn notepad3 wine notepad "$(winepath -w "$E2E_DIR/docs/Übersicht für Jürgen.txt")"
visit "$(window_of '^Übersicht für Jürgen\.txt - ')"
no_message_box "second run"
shot juergen-second-run
end_session "$orvane_pid"

# The file named on the command line, as the default one.
report json "$data_win" >"$E2E_DIR/second.json" || e2e_fail "orvane-report.exe json FILE failed"
report json >"$E2E_DIR/default.json" || e2e_fail "orvane-report.exe json failed"
cmp -s "$E2E_DIR/second.json" "$E2E_DIR/default.json" ||
    e2e_fail "json with the file named differs from json of the default file"
report tree --mode all >"$E2E_DIR/tree.txt" || e2e_fail "orvane-report.exe tree failed"
report csv >"$E2E_DIR/entries.csv" || e2e_fail "orvane-report.exe csv failed"
report dump >"$E2E_DIR/dump.txt" || e2e_fail "orvane-report.exe dump failed"
cat "$E2E_DIR/second.json" >&2

python3 - "$E2E_DIR" <<'PY' || e2e_fail "the record is not as expected"
import json, os, sys
d = sys.argv[1]
def read(name):
    with open(os.path.join(d, name), "rb") as f:
        return f.read()
title = "Übersicht für Jürgen.txt"
first = json.loads(read("first.json").decode("utf-8"))["entries"]
second = json.loads(read("second.json").decode("utf-8"))["entries"]
def captions(entries):
    return [e["caption"] for e in entries if e["process"].lower().endswith("notepad.exe")]
c1, c2 = captions(first), captions(second)
assert any(c.startswith(title + " - ") for c in c1), c1
assert any(c.startswith("Zweites.txt - ") for c in c1), c1
# Reloaded, not started afresh: the first run's entries lead the second run's record.
assert second[: len(first) - 1] == first[: len(first) - 1], (first, second)
assert sum(c.startswith(title) for c in c2) > sum(c.startswith(title) for c in c1), c2
for e in second:
    p = e["process"]
    assert p[1:3] == ":\\", p
# The texts the other verbs print: UTF-8 too, and one line end per line.
for name, end in (("tree.txt", b"\r\n"), ("entries.csv", b"\r\n"), ("dump.txt", b"\n")):
    data = read(name)
    assert title.encode("utf-8") in data, (name, data[:400])
    assert b"\r\r" not in data, (name, data[:400])
    lines = data.split(b"\n")
    assert lines[-1] == b"", (name, lines[-1])
    for line in lines[:-1]:
        assert line.endswith(b"\r") == (end == b"\r\n"), (name, line)
    data.decode("utf-8")
for line in read("dump.txt").decode("utf-8").splitlines():
    json.loads(line)
print("e2e: Jürgen's record holds %d entries" % len(second), file=sys.stderr)
PY
e2e_log "PASS"
