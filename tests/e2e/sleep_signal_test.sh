#!/usr/bin/env bash
# logind's sleep notice on a private system bus under the distribution's stock system policy, which
# lets any user broadcast signals: another user sends PrepareForSleep(true) (and a locked
# session's PropertiesChanged) over and over while the recorder records a window, and the window's
# time is recorded in full; the same notice from the owner of org.freedesktop.login1 ends the
# running entry at once, and recording goes on after the wake-up notice.
#
#   sleep_signal_test.sh ORVANE ORVANE_REPORT WINDOW
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3
source "$(dirname "$0")/lib.sh"
logind_py="$(cd "$(dirname "$0")" && pwd)/fakelogind.py"

e2e_require dbus-daemon dbus-send dbus-monitor setpriv
[ "$(id -u)" -eq 0 ] || { e2e_log "SKIP: needs root, to be another user"; exit 77; }
[ -r /usr/share/dbus-1/system.conf ] || { e2e_log "SKIP: no stock system bus policy"; exit 77; }
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { e2e_log "SKIP: python3-dbus or python3-gi missing"; exit 77; }
e2e_init

# --- Another user, who may use the system bus as anyone may -------------------------------------
other=orvane-e2e-other
if ! id -u "$other" >/dev/null 2>&1; then
    e2e_require useradd
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$other" ||
        id -u "$other" >/dev/null 2>&1 || e2e_fail "cannot create the user $other"
fi
as_other=(setpriv "--reuid=$(id -u "$other")" "--regid=$(id -g "$other")" --clear-groups
    env -C /)

# --- A private system bus: the stock policy with its own socket, pid file and no user switch ------
# The other user reaches the bus socket, and nothing else of the test's folder.
chmod 711 "$E2E_DIR"
mkdir -m 755 "$E2E_DIR/bus"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_DIR/bus/system_bus_socket"
sed -e "s|<listen>.*</listen>|<listen>$DBUS_SYSTEM_BUS_ADDRESS</listen>|" \
    -e "s|<pidfile>.*</pidfile>|<pidfile>$E2E_DIR/bus.pid</pidfile>|" \
    -e "s|<user>.*</user>||" -e "s|<syslog/>||" \
    /usr/share/dbus-1/system.conf >"$E2E_DIR/system.conf"
grep -q "<listen>$DBUS_SYSTEM_BUS_ADDRESS</listen>" "$E2E_DIR/system.conf" ||
    e2e_fail "the stock policy has no <listen> to change"
# The stock policy reads the services' holes from system.d beside it: here only logind's own, that
# root owns its name and may be asked.
mkdir "$E2E_DIR/system.d"
cat >"$E2E_DIR/system.d/login1.conf" <<'EOF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <policy user="root">
    <allow own="org.freedesktop.login1"/>
    <allow send_destination="org.freedesktop.login1"/>
  </policy>
</busconfig>
EOF
e2e_spawn system_bus dbus-daemon --config-file="$E2E_DIR/system.conf" --nofork
e2e_wait_for 10 test -S "$E2E_DIR/bus/system_bus_socket" || e2e_fail "the system bus did not start"
e2e_spawn logind /usr/bin/python3 "$logind_py" "$E2E_DIR/logind.ready"
e2e_wait_for 10 test -s "$E2E_DIR/logind.ready" || e2e_fail "the stand-in logind did not start"
announce() {
    dbus-send --system --print-reply --dest=org.freedesktop.login1 /org/freedesktop/login1 \
        org.orvane.Test.AnnounceSleep "boolean:$1" >/dev/null
}
# Every PrepareForSleep on the bus, with its sender.
e2e_spawn monitor dbus-monitor --system "type='signal',member='PrepareForSleep'"
sleep 0.5

# --- The recorder on one window -------------------------------------------------------------------
e2e_start_x
e2e_start_wm
folder="$XDG_DATA_HOME/Orvane"
e2e_spawn orvane "$ORVANE"
orvane_pid=$E2E_PID
e2e_wait_for 20 test -s "$folder/orvane.cdat" || e2e_fail "the recorder did not start"
sleep 1
e2e_window alpha "$WIN_A" "Alpha window"
e2e_activate "$E2E_WID"

# seconds CAPTION: the seconds of that window's entries on disk, together.
seconds() {
    "$REPORT" dump "$folder/orvane.cdat" 2>/dev/null | python3 -c '
import json, sys
print(round(sum(e["duration"] for e in map(json.loads, sys.stdin) if e["caption"] == sys.argv[1]) * 86400, 1))
' "$1"
}
has_entry() { "$REPORT" dump "$folder/orvane.cdat" 2>/dev/null | grep -q "\"caption\":\"$1\""; }
e2e_wait_for 20 has_entry "Alpha window" || e2e_fail "the recorder did not record the window"
# So that a forged LockedHint would be listened to.
e2e_expect "logind's session is a lock source" "lock: logind" \
    "$("$REPORT" probe --which | grep '^lock:')"
opened=$(date +%s.%N)

# --- Forged notices from the other user, every 2 s for 26 s ---------------------------------------
forge_lock='
import dbus
m = dbus.lowlevel.SignalMessage("/org/freedesktop/login1/session/e2e",
                                "org.freedesktop.DBus.Properties", "PropertiesChanged")
m.append("org.freedesktop.login1.Session", {"LockedHint": dbus.Boolean(True)},
         dbus.Array([], signature="s"), signature="sa{sv}as")
bus = dbus.SystemBus()
bus.send_message(m)
bus.flush()
'
# shellcheck disable=SC2016 # expanded by the inner shell
e2e_spawn forger "${as_other[@]}" bash -c '
while :; do
    dbus-send --system --type=signal /org/freedesktop/login1 \
        org.freedesktop.login1.Manager.PrepareForSleep boolean:true
    /usr/bin/python3 -c "$1"
    sleep 2
done' forger "$forge_lock"
forger_pid=$E2E_PID
e2e_wait_for 10 grep -q PrepareForSleep "$E2E_DIR/monitor.out" ||
    e2e_fail "the other user's signal did not go out on the bus"
e2e_log "ok: the other user broadcasts PrepareForSleep"
sleep 25
e2e_stop "$forger_pid"
forged=$(grep -c 'member=PrepareForSleep' "$E2E_DIR/monitor.out")
e2e_log "$forged forged notices sent"

# --- The real notice from logind closes the entry at once, with all of its time ------------------
announced=$(date +%s.%N)
announce true
long_enough() {
    python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) >= float(sys.argv[2]) else 1)' \
        "$(seconds "Alpha window")" "$(python3 -c "print($announced - $opened - 1.5)")"
}
e2e_wait_for 5 long_enough || true
alpha=$(seconds "Alpha window")
e2e_log "Alpha window: $alpha s on disk, $(python3 -c "print(round($announced - $opened, 1))") s from its first save to logind's notice"
python3 -c 'import sys; a, s = map(float, sys.argv[1:]); sys.exit(0 if s - 1.5 <= a <= s + 8 else 1)' \
    "$alpha" "$(python3 -c "print($announced - $opened)")" ||
    e2e_fail "the window's time was cut by the forged notices, or logind's notice did not close it"
e2e_log "ok: the window's time is whole, closed by logind's notice"

# Awake again: recording goes on.
announce false
e2e_window beta "$WIN_A" "Beta window"
e2e_activate "$E2E_WID"
sleep 7
e2e_stop "$orvane_pid"
beta=$(seconds "Beta window")
python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) >= 2 else 1)' "$beta" ||
    e2e_fail "nothing recorded after the wake-up notice (Beta window: $beta s)"
e2e_log "ok: recorded after the wake-up notice (Beta window: $beta s)"
e2e_finish
