#!/usr/bin/env bash
# The D-Bus lock and idle sources against stand-in services on private buses: logind's LockedHint
# on a private system bus, a screen saver's ActiveChanged and GNOME's idle monitor on a private
# session bus; both lock sources at once make one.
#
#   presence_dbus_test.sh ORVANE_REPORT
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$1
fake="$(dirname "$0")/fakepresence.py"

e2e_require dbus-daemon dbus-send
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { e2e_log "SKIP: python3-dbus or python3-gi missing"; exit 77; }
e2e_init

# bus NAME: a private bus; its address in BUS_ADDRESS.
bus() {
    local sock="$E2E_DIR/$1.sock"
    e2e_spawn "$1" dbus-daemon --session --nofork --address="unix:path=$sock"
    e2e_wait_for 10 test -S "$sock" || e2e_fail "the $1 bus did not start"
    BUS_ADDRESS="unix:path=$sock"
}
bus system
export DBUS_SYSTEM_BUS_ADDRESS=$BUS_ADDRESS
bus session
export DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS

# fake NAME ARGS...: a stand-in service, once it owns its name.
fake() {
    local name=$1
    shift
    e2e_spawn "$name" /usr/bin/python3 "$fake" "$@"
    e2e_wait_for 10 grep -q ready "$E2E_DIR/$name.out" || e2e_fail "$name did not start"
}
which_line() { "$report" probe --which | grep "$1"; }
state() { tail -n1 "$E2E_DIR/$1.out"; }
line() { printf '%s\t%s' "$1" "$2"; }

e2e_expect "no logind, no screen saver: no lock source" "lock: none" "$(which_line '^lock:')"
e2e_expect "logind passed over, and why" \
    "  passed over logind: this process belongs to no login session (The name org.freedesktop.login1 was not provided by any .service files)" \
    "$(which_line 'passed over logind')"

fake logind logind
logind_pid=$E2E_PID
e2e_expect "logind's session is the lock source" "lock: logind" "$(which_line '^lock:')"
session=/org/freedesktop/login1/session/_31
hint() {
    dbus-send --system --print-reply --dest=org.freedesktop.login1 "$session" \
        org.freedesktop.login1.Session.SetLockedHint "boolean:$1" >/dev/null
}
hint true
e2e_expect "locked when it starts: locked" "$(line - locked)" "$("$report" presence)"
hint false
e2e_spawn watch_logind "$report" presence --watch
e2e_expect_within 5 "unlocked" "$(line - unlocked)" state watch_logind
hint true
e2e_expect_within 5 "LockedHint true: locked" "$(line - locked)" state watch_logind
hint false
e2e_expect_within 5 "LockedHint false: unlocked" "$(line - unlocked)" state watch_logind

# --- A screen saver and GNOME's idle monitor beside logind ---------------------------------------
fake saver screensaver org.freedesktop.ScreenSaver
saver_pid=$E2E_PID
fake mutter mutter
mutter_pid=$E2E_PID
e2e_expect "both lock sources at once" "lock: logind+screensaver" "$(which_line '^lock:')"
e2e_expect "GNOME's idle monitor, picked by name" "idle: mutter-idle-monitor" \
    "$(ORVANE_IDLE=mutter-idle-monitor which_line '^idle:')"
saver() {
    dbus-send --session --print-reply --dest=org.freedesktop.ScreenSaver \
        /org/freedesktop/ScreenSaver org.freedesktop.ScreenSaver.SetActive "boolean:$1" >/dev/null
}
idletime() {
    dbus-send --session --print-reply --dest=org.gnome.Mutter.IdleMonitor \
        /org/gnome/Mutter/IdleMonitor/Core org.gnome.Mutter.IdleMonitor.SetIdletime "uint64:$1" \
        >/dev/null
}
idletime 4242
e2e_spawn watch_both env ORVANE_IDLE=mutter-idle-monitor "$report" presence --watch
e2e_expect_within 5 "the idle monitor's idle time" "$(line 4242 unlocked)" state watch_both
idletime 17
e2e_expect_within 5 "asked at every sample" "$(line 17 unlocked)" state watch_both
saver true
e2e_expect_within 5 "ActiveChanged true: locked" "$(line 17 locked)" state watch_both
hint true
saver false
e2e_expect_within 5 "the screen saver off, logind still locked: locked" "$(line 17 locked)" \
    state watch_both
sleep 1
e2e_expect "still locked a while later" "$(line 17 locked)" "$(state watch_both)"
hint false
e2e_expect_within 5 "both unlocked: unlocked" "$(line 17 unlocked)" state watch_both

# A service gone while it said locked holds the lock no longer; back, it is asked again.
saver true
e2e_expect_within 5 "the screen saver on again" "$(line 17 locked)" state watch_both
e2e_stop "$saver_pid"
e2e_expect_within 5 "the screen saver gone: unlocked" "$(line 17 unlocked)" state watch_both
hint true
e2e_expect_within 5 "logind locked" "$(line 17 locked)" state watch_both
e2e_stop "$logind_pid"
e2e_expect_within 5 "logind gone: unlocked" "$(line 17 unlocked)" state watch_both
fake logind logind
hint true
e2e_expect_within 5 "logind back and locked" "$(line 17 locked)" state watch_both
hint false
e2e_expect_within 5 "logind back and unlocked" "$(line 17 unlocked)" state watch_both

# The idle monitor gone: the source cannot tell.
e2e_stop "$mutter_pid"
e2e_expect_within 5 "no idle monitor: no idle time" "$(line - unlocked)" state watch_both

e2e_finish
