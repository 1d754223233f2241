#!/usr/bin/env bash
# The Windows program under Wine, end to end: orvane.exe from the deploy folder records two Wine
# notepads with distinct titles while the focus moves between them; the session ends through
# wineboot --end-session; the Linux orvane-report reads the data file from the prefix's %APPDATA%.
#   e2e_test.sh DEPLOY_DIR ORVANE_REPORT PREFIX_TEMPLATE [SHOTS_DIR]
set -euo pipefail
deploy=$(cd "$1" && pwd)
report=$2
template=$3
shots=${4:-}
source "$(dirname "$0")/../e2e/lib.sh"

e2e_require wine wineserver wineboot icewm xdotool import python3
e2e_init
export WINEPREFIX="$E2E_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cp -a "$template" "$WINEPREFIX"
# Keeps the exit status for e2e_cleanup, which reads it.
stop_wine() {
    local status=$?
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    return "$status"
}
trap 'stop_wine; e2e_cleanup' EXIT

e2e_start_x
e2e_start_wm
# Windows managed by icewm, as on a desktop.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1

shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" 2>/dev/null || true; }

# The window of a title, once it is mapped.
window_of() {
    local title=$1 wid=
    e2e_wait_for 60 eval 'wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1); [ -n "$wid" ]' ||
        e2e_fail "no window '$title'"
    echo "$wid"
}

mkdir -p "$E2E_DIR/docs"
echo one >"$E2E_DIR/docs/first.txt"
echo two >"$E2E_DIR/docs/second.txt"

e2e_spawn orvane wine "$deploy/orvane.exe"
orvane_pid=$E2E_PID
main_wid=$(window_of 'Orvane.*')
e2e_log "orvane.exe shows window $main_wid"
sleep 2
shot main

# The about window, a switch to German and the tray icon's menu, by clicks where the items are in
# the first start's layout; the German title shows that the switch took.
click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; sleep 1.5; }
click "$main_wid" 198 34 # About
about_wid=$(window_of 'About Orvane')
shot about
# Its OK button takes no synthetic click under Wine; Escape closes it once it has the focus, which
# a new window does not always get by itself.
about_open() { xdotool search --onlyvisible --name '^About Orvane$' >/dev/null 2>&1; }
for ((i = 0; i < 20; i++)); do
    about_open || break
    xdotool windowactivate "$about_wid" 2>/dev/null || true
    xdotool windowfocus "$about_wid" 2>/dev/null || true
    sleep 0.3
    xdotool key Escape
    sleep 0.5
done
about_open && e2e_fail "the about window does not close"
xdotool windowactivate "$main_wid" 2>/dev/null || true
sleep 0.5
# The language submenu by keys: where it opens depends on the Options menu's width. The languages
# come in the order of their files: English, French, German (Deutsch), Spanish.
# A click that comes before the main window has the focus back opens no menu, and the keys are
# lost: then the menu is closed, if open, and asked for again.
german() { xdotool search --onlyvisible --name '^Orvane Aktivitätsaufzeichnung$' >/dev/null 2>&1; }
for ((i = 0; i < 4; i++)); do
    click "$main_wid" 146 34 # Options
    for key in Down Right Down Down Return; do xdotool key "$key"; sleep 0.5; done
    e2e_wait_for 5 german && break
    e2e_log "the language did not change (try $((i + 1))); the menu once more"
    shot "language-try-$((i + 1))"
    xdotool key Escape
    sleep 0.3
    xdotool key Escape
    xdotool windowactivate "$main_wid" 2>/dev/null || true
    sleep 1
done
window_of 'Orvane Aktivitätsaufzeichnung' >/dev/null
click "$main_wid" 146 34 # Optionen
shot main-german
click "$main_wid" 146 34 # closes the menu
# Wine's tray icons are small windows of its explorer, docked in icewm's tray.
tray_wid=
for w in $(xdotool search --onlyvisible --classname explorer 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ] && tray_wid=$w
done
[ -n "$tray_wid" ] || e2e_fail "no tray icon"
click "$tray_wid" 10 10 3
shot tray
xdotool mousemove 600 20 click 1 # closes the menu
sleep 1

e2e_spawn notepad1 wine notepad "$(winepath -w "$E2E_DIR/docs/first.txt")"
first=$(window_of 'first.txt - Notepad')
e2e_spawn notepad2 wine notepad "$(winepath -w "$E2E_DIR/docs/second.txt")"
second=$(window_of 'second.txt - Notepad')

# First, second, first: each long enough for the recorder's five-second sample.
for wid in "$first" "$second" "$first"; do
    xdotool windowactivate "$wid" 2>/dev/null || true
    sleep 7
done
shot notepads

timeout 60 wineboot --end-session >/dev/null 2>&1 || true
e2e_wait_for 30 eval '! e2e_alive '"$orvane_pid" || e2e_log "orvane.exe still runs after the session end"

appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -path '*/AppData/Roaming' | head -n1)
data=$(find "$appdata" -name '*.cdat' | head -n1)
[ -n "$data" ] || e2e_fail "no data file in $appdata"
e2e_log "data file $data"
"$report" dump "$data" >"$E2E_DIR/dump.txt" || e2e_fail "orvane-report dump failed"
cat "$E2E_DIR/dump.txt" >&2

python3 - "$E2E_DIR/dump.txt" <<'PY' || e2e_fail "the entries are not as expected"
import json, sys
entries = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
notepad = [e for e in entries if e["process"].lower().endswith("notepad.exe")]
titles = [e["caption"] for e in notepad]
# Consecutive samples of one window make one entry.
seq = [t for i, t in enumerate(titles) if i == 0 or t != titles[i - 1]]
assert seq == ["first.txt - Notepad", "second.txt - Notepad", "first.txt - Notepad"], seq
for e in notepad:
    assert e["process"][1:3] == ":\\", e["process"]  # a full Windows path
    secs = e["duration"] * 86400
    assert 2 <= secs <= 30, (e, secs)
last = entries[-1]
assert last["duration"] > 0, last  # closed at the session's end
print("e2e: %d entries, notepads in order" % len(entries), file=sys.stderr)
PY
e2e_log "PASS"
