#!/usr/bin/env bash
# One recorder per record: a second start on the same record shows the first one's window and
# ends at once with status 0, without opening the data file; while the first cannot answer, the
# second says so in a message box and ends. A start through a link to the data folder, or with a
# long runtime folder, or none, finds the running copy all the same.
set -euo pipefail
ORVANE=$1 REPORT=$2 WIN_A=$3
source "$(dirname "$0")/lib.sh"
e2e_require strace
e2e_x_session

folder="$XDG_DATA_HOME/Orvane"
data="$folder/orvane.cdat"
e2e_window alpha "$WIN_A" "Alpha window"
e2e_activate "$E2E_WID"

# Started by its autostart entry, the first copy lives in the tray: no window on screen.
mkdir -p "$XDG_CONFIG_HOME/autostart"
printf '[Desktop Entry]\nType=Application\nName=Orvane\nExec=%s\n' "$ORVANE" \
    >"$XDG_CONFIG_HOME/autostart/Orvane.desktop"
e2e_spawn orvane "$ORVANE"
first=$E2E_PID
e2e_wait_for 20 test -s "$data" || e2e_fail "the first copy recorded nothing"
main_window() { xdotool search --onlyvisible --name '^Orvane Activity Recorder$' 2>/dev/null; }
sleep 1
main_window >/dev/null && e2e_fail "the first copy shows its window at an autostart"

# The second start, traced for every file it opens, renames or removes (LeakSanitizer, in a
# sanitized build, cannot work under a tracer).
trace="$E2E_DIR/second.trace"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" setsid strace -f -qq -o "$trace" -e trace=open,openat,creat,truncate,rename,renameat,renameat2,unlink,unlinkat \
    "$ORVANE" >"$E2E_DIR/second.out" 2>"$E2E_DIR/second.err" </dev/null &
second=$!
E2E_PIDS+=("$second")
e2e_wait_for 15 bash -c "! kill -0 $second 2>/dev/null" || e2e_fail "the second copy did not end"
status=0
wait "$second" || status=$?
e2e_expect "the second copy ends with status 0" 0 "$status"
e2e_wait_for 5 main_window >/dev/null || e2e_fail "the first copy's window was not shown"
e2e_log "ok: the first copy's window is shown"
grep -q 'orvane\.cdat\.lock' "$trace" || e2e_fail "the trace shows no look at the lock"
if grep -E 'orvane\.cdat(\.[0-9]+\.tmp)?"' "$trace" >&2; then
    e2e_fail "the second copy touched the data file"
fi
e2e_log "ok: the second copy did not touch the data file"
kill -0 "$first" 2>/dev/null || e2e_fail "the first copy ended"

# A first copy that cannot answer (stopped): the second waits, then says so.
kill -STOP "$first"
e2e_spawn third "$ORVANE"
third=$E2E_PID
box() { xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null; }
e2e_wait_for 15 box >/dev/null || e2e_fail "no message box when the first copy does not answer"
e2e_log "ok: a message box: the recorder already runs"
timeout 10 xdotool windowactivate --sync "$(box | head -n1)" key --clearmodifiers Return ||
    e2e_fail "could not close the message box"
e2e_wait_for 10 bash -c "! kill -0 $third 2>/dev/null" || e2e_fail "the third copy did not end"
status=0
wait "$third" || status=$?
e2e_expect "a start that got no answer ends with status 1" 1 "$status"
kill -CONT "$first"

# later_start WHAT ENV...: a later start with that environment must hand over: status 0, at once.
later_start() {
    local what=$1 pid status=0
    shift
    e2e_spawn later env "$@" "$ORVANE"
    pid=$E2E_PID
    if ! e2e_wait_for 15 bash -c "! kill -0 $pid 2>/dev/null"; then
        e2e_stop "$pid"
        e2e_expect "$what: the later start ends" ended "still running"
        return
    fi
    wait "$pid" || status=$?
    e2e_expect "$what: the later start hands over" 0 "$status"
}

# The same record through a link to its data folder: the running copy is found.
ln -s "$XDG_DATA_HOME" "$E2E_DIR/data-link"
later_start "the data folder through a link" XDG_DATA_HOME="$E2E_DIR/data-link"

# The first copy records on and ends normally with the record whole.
e2e_stop "$first"
"$REPORT" dump "$data" | grep -q '"caption":"Alpha window"' || e2e_fail "the record lost the window"

# A runtime folder too long for a socket path, and none at all: both copies find each other.
long_runtime="$E2E_DIR/$(printf 'r%.0s' {1..110})"
mkdir -m 700 "$long_runtime"
for runtime in "XDG_RUNTIME_DIR=$long_runtime" -u; do
    if [ "$runtime" = -u ]; then
        what="no runtime folder"
        environment=(-u XDG_RUNTIME_DIR TMPDIR="$E2E_DIR")
    else
        what="a runtime folder of 110 characters"
        environment=("$runtime")
    fi
    e2e_spawn orvane env "${environment[@]}" "$ORVANE"
    first=$E2E_PID
    e2e_wait_for 20 bash -c "! flock -n '$data.lock' true" || e2e_fail "$what: no copy took the record"
    later_start "$what" "${environment[@]}"
    e2e_stop "$first"
done
e2e_expect "the socket folder in the temporary folder is private" 700 \
    "$(stat -c %a "$E2E_DIR/orvane-$(id -u)" 2>&1)"
e2e_finish
