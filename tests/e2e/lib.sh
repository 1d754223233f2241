# End-to-end test helpers: a private X server with a window manager, test windows, and a
# clean-up that ends every process started here, by its id, whatever way the script ends.
# shellcheck shell=bash
#
#   source tests/e2e/lib.sh
#   e2e_init                        # private HOME, XDG_* and XDG_RUNTIME_DIR; EXIT trap
#   e2e_start_x [NUMBER]            # Xvfb on a free display (or :NUMBER); exports DISPLAY
#   e2e_start_wm                    # icewm, returns once it manages windows
#   e2e_window NAME PROGRAM ARGS... # starts a test window; its id in E2E_WID, pid in E2E_PID
#   e2e_activate WID                # through the window manager, waits until it is active
#   e2e_stop PID                    # ends one process started here
#   e2e_x_session                   # e2e_init, e2e_start_x and e2e_start_wm in one
#   e2e_two_windows WIN_A WIN_B     # "Alpha window" and "Beta window" of two programs, the
#                                   # first in front; their ids in WA and WB
#   e2e_recorder_started ORVANE     # the recorder started, returns once it has written its
#                                   # record; its pid in ORVANE_PID, its data folder in folder
#
# Every process is started in a session of its own, so that ending it also ends what it started.
# A script exits 77 (skip) when the programs it needs are missing.

E2E_PIDS=()
E2E_FAILED=0

e2e_log() { printf 'e2e: %s\n' "$*" >&2; }

e2e_fail() {
    e2e_log "FAIL: $*"
    exit 1
}

e2e_require() {
    local p
    for p in "$@"; do
        if ! command -v "$p" >/dev/null 2>&1; then
            e2e_log "SKIP: $p is not installed"
            exit 77
        fi
    done
}

e2e_init() {
    E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/orvane-e2e-XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    export HOME="$E2E_DIR/home"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
    export XDG_CACHE_HOME="$HOME/.cache" XDG_STATE_HOME="$HOME/.local/state"
    export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" \
        "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
    unset WAYLAND_SOCKET SWAYSOCK HYPRLAND_INSTANCE_SIGNATURE NIRI_SOCKET ORVANE_PROBE
    export LC_ALL=C.UTF-8
}

# The state letter of a process, empty when it no longer exists (a zombie counts as ended).
e2e_alive() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

e2e_stop() {
    local pid=$1 i
    kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 60; i++)); do
        e2e_alive "$pid" || break
        sleep 0.05
    done
    if e2e_alive "$pid"; then
        kill -KILL -- "-$pid" 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
    local rest=() p
    for p in "${E2E_PIDS[@]}"; do [ "$p" = "$pid" ] || rest+=("$p"); done
    E2E_PIDS=("${rest[@]}")
}

e2e_cleanup() {
    local status=$? i pids=("${E2E_PIDS[@]}")
    trap - EXIT INT TERM
    # Newest first: windows before the window manager before the server.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do e2e_stop "${pids[i]}"; done
    # In a sanitized build a report from a program started here fails the test, even when the
    # program's exit status is not looked at.
    local report='runtime error:|ERROR: [A-Za-z]+Sanitizer|Assertion .* failed'
    if [ -n "${E2E_DIR:-}" ] && grep -qE "$report" "$E2E_DIR"/*.err 2>/dev/null; then
        e2e_log "FAIL: a sanitizer report"
        grep -hE -A 30 "$report" "$E2E_DIR"/*.err >&2 || true
        [ "$status" -ne 0 ] || status=1
    fi
    if [ "$status" -ne 0 ] && [ -n "${E2E_DIR:-}" ]; then
        for f in "$E2E_DIR"/*.err; do
            [ -s "$f" ] && { e2e_log "--- $(basename "$f")"; tail -n 20 "$f" >&2; }
        done
    fi
    [ -n "${E2E_DIR:-}" ] && rm -rf "$E2E_DIR"
    exit "$status"
}

# e2e_spawn NAME COMMAND...: starts COMMAND in a session of its own, output to
# $E2E_DIR/NAME.out and NAME.err; its pid in E2E_PID.
e2e_spawn() {
    local name=$1
    shift
    # A name used again must not show the last run's output to a waiter before the new one writes.
    rm -f "$E2E_DIR/$name.out" "$E2E_DIR/$name.err"
    setsid "$@" >"$E2E_DIR/$name.out" 2>"$E2E_DIR/$name.err" </dev/null &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
}

# Waits up to $1 seconds for the command after it to succeed.
e2e_wait_for() {
    local seconds=$1 i end
    shift
    # A command that blocks (a call to a service that hangs) still ends the wait in bounded time.
    end=$((SECONDS + 2 * seconds + 5))
    for ((i = 0; i < seconds * 20; i++)); do
        "$@" && return 0
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.05
    done
    return 1
}

# e2e_start_x [NUMBER]: a free display, or the display NUMBER (to bring a server back).
e2e_start_x() {
    e2e_require Xvfb xdotool xprop
    local xargs=(-screen 0 1280x800x24 -nolisten tcp -noreset)
    if [ $# -gt 0 ]; then
        e2e_spawn xvfb Xvfb ":$1" "${xargs[@]}"
        E2E_XVFB_PID=$E2E_PID
        export DISPLAY=":$1"
        e2e_wait_for 15 xprop -root _NET_SUPPORTED >/dev/null 2>&1 ||
            e2e_fail "Xvfb did not start on $DISPLAY"
    else
        local fdfile="$E2E_DIR/display" fd
        : >"$fdfile"
        exec {fd}>"$fdfile"
        # -displayfd: the server picks a free display and writes its number once it accepts
        # clients.
        e2e_spawn xvfb Xvfb -displayfd "$fd" "${xargs[@]}"
        exec {fd}>&-
        E2E_XVFB_PID=$E2E_PID
        e2e_wait_for 15 grep -q '^[0-9]' "$fdfile" || e2e_fail "Xvfb did not start"
        export DISPLAY=":$(head -n1 "$fdfile")"
    fi
    e2e_log "X server on $DISPLAY"
}

# The window named by the root's _NET_SUPPORTING_WM_CHECK, when that window names itself too.
e2e_wm_check_window() {
    local check self
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
    [ -n "$check" ] || return 1
    self=$(xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
    [ "$self" = "$check" ] && printf '%s\n' "$check"
}

e2e_start_wm() {
    e2e_require icewm
    mkdir -p "$HOME/.icewm"
    # Nothing that comes and goes by itself: no clock, no mail or load monitors.
    cat >"$HOME/.icewm/preferences" <<'EOF'
TaskBarShowClock=0
TaskBarShowMailboxStatus=0
TaskBarShowCPUStatus=0
TaskBarShowNetStatus=0
TaskBarShowMEMStatus=0
ShowPopupsWhileFullscreen=0
EOF
    e2e_spawn icewm icewm
    E2E_WM_PID=$E2E_PID
    e2e_wait_for 15 e2e_wm_check_window >/dev/null || e2e_fail "the window manager did not start"
    # The tray and the focus handling are ready shortly after the check window appears.
    sleep 0.3
}

e2e_window() {
    local name=$1
    shift
    e2e_spawn "$name" "$@"
    local file="$E2E_DIR/$name.out"
    e2e_wait_for 10 grep -q '^0x' "$file" || e2e_fail "window $name did not appear"
    E2E_WID=$(head -n1 "$file")
}

e2e_x_session() {
    e2e_init
    e2e_start_x
    e2e_start_wm
}

e2e_two_windows() {
    e2e_window alpha "$1" "Alpha window"
    WA=$E2E_WID
    e2e_window beta "$2" "Beta window"
    WB=$E2E_WID
    e2e_activate "$WA"
}

e2e_recorder_started() {
    folder="$XDG_DATA_HOME/Orvane"
    e2e_spawn orvane "$1"
    ORVANE_PID=$E2E_PID
    e2e_wait_for 20 test -s "$folder/orvane.cdat" || e2e_fail "nothing recorded after the start"
}

e2e_activate() {
    timeout 10 xdotool windowactivate --sync "$1" || e2e_fail "could not activate $1"
}

# Without a window manager: give the input focus straight to the window.
e2e_focus() {
    timeout 10 xdotool windowfocus --sync "$1" || e2e_fail "could not focus $1"
}

# e2e_expect WHAT EXPECTED ACTUAL: notes a mismatch and goes on.
e2e_expect() {
    if [ "$2" != "$3" ]; then
        e2e_log "FAIL: $1"
        e2e_log "  expected: $(printf '%q' "$2")"
        e2e_log "  actual:   $(printf '%q' "$3")"
        E2E_FAILED=1
        E2E_FAILS=$((E2E_FAILS + 1))
    else
        e2e_log "ok: $1"
        E2E_PASSES=$((E2E_PASSES + 1))
    fi
}
E2E_PASSES=0
E2E_FAILS=0

# e2e_expect_within SECONDS WHAT EXPECTED COMMAND...: e2e_expect once COMMAND prints EXPECTED,
# or with what it printed last when the time is up.
e2e_expect_within() {
    local seconds=$1 what=$2 expected=$3 actual="" i
    shift 3
    for ((i = 0; i < seconds * 10; i++)); do
        actual=$("$@" 2>/dev/null) || true
        [ "$actual" = "$expected" ] && break
        sleep 0.1
    done
    e2e_expect "$what" "$expected" "$actual"
}

e2e_finish() {
    e2e_log "$E2E_PASSES passed, $E2E_FAILS failed"
    [ "$E2E_FAILED" -eq 0 ] || exit 1
    exit 0
}

# --- A headless sway session -------------------------------------------------------------------
#   e2e_start_sway                  # sway on a private runtime folder; exports WAYLAND_DISPLAY,
#                                   # SWAYSOCK and XDG_SESSION_TYPE; E2E_AS_USER runs a command
#                                   # as the session's user; changes into $E2E_DIR
#   e2e_user_program PATH           # a copy of PATH the session's user can run
#   e2e_sway_window NAME APPID TITLE [COMMAND...]   # a foot window; its pid in E2E_PID
#   e2e_sway_focus PID              # gives the focus to the window of that process
#
# sway refuses to run as root: it and every program of its session run as an unprivileged user,
# which owns the test folder from then on.
E2E_SWAY_UID=65534

e2e_sway_ready() {
    local sock display
    sock=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'sway-ipc.*.sock' -newer "$E2E_DIR/sway.conf" |
        head -n1)
    display=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'wayland-*' ! -name '*.lock' |
        head -n1)
    [ -n "$sock" ] && [ -n "$display" ] || return 1
    SWAYSOCK=$sock swaymsg -t get_version >/dev/null 2>&1 || return 1
    export SWAYSOCK=$sock WAYLAND_DISPLAY=${display##*/}
}

e2e_start_sway() {
    e2e_require sway swaymsg foot setpriv
    # The sanitized run writes its reports into a folder of root's: in the session they go to
    # standard error, into the .err files that e2e_cleanup reads.
    local asan ubsan lsan supp
    asan=$(printf '%s' "${ASAN_OPTIONS:-}" | sed -E 's/log_path=[^:]*/log_path=stderr/')
    ubsan=$(printf '%s' "${UBSAN_OPTIONS:-}" | sed -E 's/log_path=[^:]*/log_path=stderr/')
    # Whole stacks: Qt's wayland platform leaks at exit, and only a stack that reaches into it
    # tells that leak from one of ours (tests/lsan.supp).
    [ -z "$asan" ] || asan="$asan:fast_unwind_on_malloc=0"
    # The leak suppressions may sit in a checkout the user cannot read (under /root).
    lsan=${LSAN_OPTIONS:-}
    supp=$(printf '%s' "$lsan" | sed -nE 's/.*suppressions=([^:]*).*/\1/p')
    if [ -n "$supp" ] && [ -r "$supp" ]; then
        cp "$supp" "$E2E_DIR/lsan.supp"
        lsan=${lsan/"$supp"/"$E2E_DIR/lsan.supp"}
    fi
    E2E_AS_USER=(env "ASAN_OPTIONS=$asan" "UBSAN_OPTIONS=$ubsan" "LSAN_OPTIONS=$lsan"
        setpriv "--reuid=$E2E_SWAY_UID" "--regid=$E2E_SWAY_UID" --clear-groups)
    printf 'xwayland disable\n' >"$E2E_DIR/sway.conf"
    chown -R "$E2E_SWAY_UID:$E2E_SWAY_UID" "$E2E_DIR"
    # The programs of the session start in a folder their user may enter.
    cd "$E2E_DIR"
    unset SWAYSOCK HYPRLAND_INSTANCE_SIGNATURE NIRI_SOCKET WAYLAND_SOCKET
    export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
    e2e_spawn sway "${E2E_AS_USER[@]}" sway -c "$E2E_DIR/sway.conf"
    E2E_SWAY_PID=$E2E_PID
    e2e_wait_for 15 e2e_sway_ready || e2e_fail "sway did not start"
    export XDG_SESSION_TYPE=wayland
    e2e_log "sway on $WAYLAND_DISPLAY, $SWAYSOCK"
}

# e2e_user_program PATH: a copy of the program that the unprivileged user of a test (nobody) can
# run, for a build tree in a folder only root may enter (a checkout under /root, a 0700 folder).
e2e_user_program() {
    mkdir -p "$E2E_DIR/bin"
    cp "$1" "$E2E_DIR/bin/"
    chown -R "$E2E_SWAY_UID:$E2E_SWAY_UID" "$E2E_DIR/bin"
    printf '%s\n' "$E2E_DIR/bin/${1##*/}"
}

e2e_sway_window() {
    local name=$1 appid=$2 title=$3
    shift 3
    [ $# -gt 0 ] || set -- sleep 600
    e2e_spawn "$name" "${E2E_AS_USER[@]}" foot -a "$appid" -T "$title" "$@"
    local pid=$E2E_PID
    e2e_wait_for 10 swaymsg "[pid=$pid] nop" >/dev/null 2>&1 ||
        e2e_fail "window $name did not appear"
    E2E_PID=$pid
}

e2e_sway_focus() {
    timeout 10 swaymsg "[pid=$1] focus" >/dev/null || e2e_fail "could not focus the window of $1"
}

# --- A headless KWin session -------------------------------------------------------------------
#   e2e_start_kwin                  # a private session bus and kwin_wayland with XWayland on it;
#                                   # exports DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY, DISPLAY
#                                   # and XDG_SESSION_TYPE; exits 77 where kwin cannot run
#   e2e_kwin_call METHOD ARGS...    # a call to KWin's scripting interface (dbus-send arguments)
#   e2e_kwin_focus TITLE            # gives the focus to the window of that caption
#
# The installed kwin_wayland carries a file capability that exec refuses in a container: a copy
# without it runs.
e2e_start_kwin() {
    e2e_require kwin_wayland dbus-daemon dbus-send Xwayland python3
    # Whole stacks in a sanitized run: Qt's wayland platform leaks at exit, and only a stack that
    # reaches into it tells that leak from one of ours (tests/lsan.supp).
    if [ -n "${ASAN_OPTIONS:-}" ] && [[ $ASAN_OPTIONS != *fast_unwind_on_malloc* ]]; then
        export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
    fi
    # Started again (a restart of KWin), it keeps the session bus.
    if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
        local fdfile="$E2E_DIR/bus" fd
        : >"$fdfile"
        exec {fd}>"$fdfile"
        e2e_spawn session_bus dbus-daemon --session --nofork --print-address="$fd"
        exec {fd}>&-
        e2e_wait_for 10 grep -q '^unix:' "$fdfile" || e2e_fail "the session bus did not start"
        export DBUS_SESSION_BUS_ADDRESS
        DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$fdfile")
    fi

    cp "$(command -v kwin_wayland)" "$E2E_DIR/kwin_wayland"
    # KWin starts this once XWayland is up, with $DISPLAY set.
    printf '#!/bin/sh\necho "$DISPLAY" >"%s/x11display"\nexec sleep 100000\n' "$E2E_DIR" \
        >"$E2E_DIR/x11display.sh"
    chmod +x "$E2E_DIR/x11display.sh"
    rm -f "$E2E_DIR/x11display"
    e2e_spawn kwin env KWIN_COMPOSE=Q "$E2E_DIR/kwin_wayland" --virtual --xwayland \
        --socket wl-test --width 1280 --height 800 --no-global-shortcuts --no-kactivities \
        "$E2E_DIR/x11display.sh"
    E2E_KWIN_PID=$E2E_PID
    if ! e2e_wait_for 20 test -s "$E2E_DIR/x11display"; then
        if ! e2e_alive "$E2E_KWIN_PID"; then
            e2e_log "SKIP: kwin_wayland cannot run here"
            tail -n 5 "$E2E_DIR/kwin.err" >&2
            exit 77
        fi
        e2e_fail "KWin did not start XWayland"
    fi
    e2e_wait_for 10 e2e_kwin_call isScriptLoaded string:none >/dev/null ||
        e2e_fail "KWin's scripting interface did not appear"
    export WAYLAND_DISPLAY=wl-test XDG_SESSION_TYPE=wayland
    export DISPLAY
    DISPLAY=$(head -n1 "$E2E_DIR/x11display")
    e2e_log "KWin on $WAYLAND_DISPLAY, XWayland on $DISPLAY"
}

e2e_kwin_call() {
    local method=$1
    shift
    dbus-send --session --print-reply=literal --reply-timeout=5000 --dest=org.kde.KWin \
        /Scripting "org.kde.kwin.Scripting.$method" "$@"
}

e2e_kwin_focus() {
    local script="$E2E_DIR/focus.js" title
    title=$(python3 -c 'import json, sys; print(json.dumps(sys.argv[1]))' "$1")
    cat >"$script" <<JS
var six = typeof workspace.windowList === "function";
var all = six ? workspace.windowList() : workspace.clientList();
for (var i = 0; i < all.length; ++i) {
    if (all[i].caption !== $title) continue;
    if (six) workspace.activeWindow = all[i]; else workspace.activeClient = all[i];
}
JS
    # KWin 5.27 hands out script ids by count: unload before loading. The script runs after
    # start() has returned (KWin reads it in the background), so the one before is unloaded only
    # now.
    e2e_kwin_call unloadScript string:orvane-test-focus >/dev/null
    e2e_kwin_call loadScript "string:$script" string:orvane-test-focus >/dev/null &&
        e2e_kwin_call start >/dev/null || e2e_fail "could not focus $1"
}
