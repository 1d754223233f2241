# A headless GNOME Shell 43 for the end-to-end tests and the benchmark, on private buses.
# shellcheck shell=bash
#
#   source tests/e2e/lib.sh; source tests/e2e/gnome_lib.sh
#   e2e_gnome_require        # exits 77 (skip) when GNOME Shell or the D-Bus tools are missing
#   e2e_init; e2e_gnome_buses   # private system bus with a stand-in logind, private session bus
#   ...install and enable extensions (gsettings works from here)...
#   e2e_start_gnome          # the Shell; returns once the program's extension answers
#   activate TITLE           # focus to the window titled TITLE (the test helper extension)
#   has_window TITLE         # a window of that title has been shown (and so will not take the
#                            # focus from another any more)

E2E_GNOME_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_PYTHON=/usr/bin/python3 # Debian's, which has the D-Bus module

e2e_gnome_require() {
    e2e_require gnome-shell dbus-daemon gsettings gdbus
    if ! "$E2E_PYTHON" -c 'import dbus, gi' 2>/dev/null; then
        e2e_log "SKIP: python3-dbus is not installed"
        exit 77
    fi
}

shell_call() { gdbus call --session -d org.gnome.Shell "$@"; }
# A title as a GVariant text string, so that gdbus takes quotes and backslashes as they are.
gvariant_string() {
    local s=${1//\\/\\\\}
    printf "'%s'" "${s//\'/\\\'}"
}
focused_is() {
    [ "$(shell_call -o /org/orvane/Test -m org.orvane.Test1.Focused)" = "($(gvariant_string "$1"),)" ]
}
# The focus does not always move at the first request (the overview may still be closing): ask
# again until it has.
activate() {
    local out _
    for _ in 1 2 3 4 5; do
        out=$(shell_call -o /org/orvane/Test -m org.orvane.Test1.Activate \
            "$(gvariant_string "$1")") || return 1
        [ "$out" = "(true,)" ] || return 1
        sleep 0.2
        e2e_wait_for 1 focused_is "$1" && return 0
    done
    return 1
}
has_window() { shell_call -o /org/orvane/Test -m org.orvane.Test1.Titles | grep -qF "'$1'"; }
extension_answers() {
    shell_call -o /org/orvane/Focus -m org.orvane.Focus1.GetFocused >/dev/null 2>&1
}

# After e2e_init: the private HOME and XDG folders come first, then the buses, because services
# the session bus starts (dconf) take their environment from it and would write into the real
# home otherwise.
e2e_gnome_buses() {
    unset XDG_CURRENT_DESKTOP DBUS_SYSTEM_BUS_ADDRESS

    # The Shell aborts without a system bus; a private one with a stand-in logind serves.
    cat >"$E2E_DIR/system.conf" <<CONF
<busconfig>
  <type>system</type>
  <listen>unix:path=$E2E_DIR/system_bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>
  </policy>
</busconfig>
CONF
    e2e_spawn system_bus dbus-daemon --nofork --config-file="$E2E_DIR/system.conf"
    e2e_spawn session_bus dbus-daemon --nofork --session \
        --address="unix:path=$E2E_DIR/session_bus"
    e2e_wait_for 10 test -S "$E2E_DIR/system_bus" || e2e_fail "no private system bus"
    e2e_wait_for 10 test -S "$E2E_DIR/session_bus" || e2e_fail "no private session bus"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_DIR/system_bus"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_DIR/session_bus"
    export XDG_SESSION_ID=e2e
    e2e_spawn logind "$E2E_PYTHON" "$E2E_GNOME_HERE/fakelogind.py" "$E2E_DIR/logind.ready"
    e2e_wait_for 10 test -e "$E2E_DIR/logind.ready" ||
        e2e_fail "the stand-in logind did not start"
}

e2e_start_gnome() {
    # Whole stacks in a sanitized run: Qt's wayland platform leaks at exit, and only a stack that
    # reaches into it tells that leak from one of ours (tests/lsan.supp).
    if [ -n "${ASAN_OPTIONS:-}" ] && [[ $ASAN_OPTIONS != *fast_unwind_on_malloc* ]]; then
        export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
    fi
    e2e_spawn shell gnome-shell --wayland --headless --virtual-monitor 1280x800 --no-x11 \
        --wayland-display wl-test
    export E2E_SHELL_PID=$E2E_PID
    export WAYLAND_DISPLAY=wl-test XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    e2e_wait_for 40 extension_answers || e2e_fail "GNOME Shell or its extension did not come up"
}
