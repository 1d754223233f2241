#!/usr/bin/env bash
# The Windows installer under Wine: a silent per-user install, the installed program started, a
# second install and an uninstall while it runs (both must fail, touching nothing), an upgrade
# once it has ended, then the uninstall. The record and the settings in %APPDATA%\Orvane keep
# their bytes throughout.
#   installer_test.sh SETUP_EXE PREFIX_TEMPLATE
# The profile is $USER's: one named Jürgen puts the program and the record under a path that the
# ANSI code page may not hold.
set -euo pipefail
setup=$(realpath "$1")
template=$2
source "$(dirname "$0")/../e2e/lib.sh"

e2e_require wine wineserver wineboot
e2e_init
export WINEPREFIX="$E2E_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cp -a "$template" "$WINEPREFIX"
stop_wine() {
    local status=$?
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    return "$status"
}
trap 'stop_wine; e2e_cleanup' EXIT
e2e_start_x

# Wine names the profile after $USER.
user=${USER:-$(id -un)}
profile="$WINEPREFIX/drive_c/users/$user"
[ -d "$profile" ] || e2e_fail "no user profile $profile in the prefix"
inst="$profile/AppData/Local/Programs/Orvane"
inst_win="C:\\users\\$user\\AppData\\Local\\Programs\\Orvane"
record_dir="$profile/AppData/Roaming/Orvane"
start_menu="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Orvane.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane'

# Wine's own exit status is the program's, low 8 bits.
install() {
    local start=$SECONDS status=0
    timeout 120 wine "$setup" /S </dev/null || status=$?
    e2e_log "install: status $status after $((SECONDS - start)) s"
    return "$status"
}
tree_sum() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 md5sum); }
# reg.exe writes in the console's code page, 437 in the C locale.
uninstall_entry() {
    timeout 60 wine reg query "$key" /v "$1" 2>/dev/null | iconv -f CP437 -t UTF-8 | tr -d '\r' |
        awk -v v="$1" '$1 == v { $1 = $2 = ""; sub(/^ +/, ""); print }'
}

install || e2e_fail "the first install failed"
for f in orvane.exe orvane-report.exe Qt6Core.dll platforms/qwindows.dll; do
    [ -f "$inst/$f" ] || e2e_fail "no $f in $inst"
done
[ -f "$start_menu" ] || e2e_fail "no Start-menu shortcut"
[ "$(uninstall_entry InstallLocation)" = "$inst_win" ] || e2e_fail "no uninstall entry for $inst_win"
[ "$(uninstall_entry QuietUninstallString)" = "\"$inst_win\\uninstall.exe\" /S" ] ||
    e2e_fail "the uninstall entry's silent command is wrong"

rm -f "$record_dir/orvane.cdat.lock" # from a run in the prefix's template, if any
e2e_spawn orvane wine "$inst/orvane.exe"
orvane_pid=$E2E_PID
# Its record's lock is taken after the mark that the installer looks for.
e2e_wait_for 60 test -e "$record_dir/orvane.cdat.lock" || e2e_fail "orvane.exe does not start"
sleep 7 # a sample
e2e_alive "$orvane_pid" || e2e_fail "orvane.exe ended"

# While it runs: both fail and change nothing.
installed=$(tree_sum "$inst")
if install; then e2e_fail "an install over the running program reported success"; fi
# The uninstaller hands over to a copy of itself that nobody waits for, unless it is told where
# the program is (_?=): then it runs in place and its status is the real one.
status=0
timeout 120 wine "$inst/uninstall.exe" /S "_?=$inst_win" </dev/null || status=$?
e2e_log "uninstall while the program runs: status $status"
[ "$status" -ne 0 ] || e2e_fail "an uninstall under the running program reported success"
[ "$(tree_sum "$inst")" = "$installed" ] || e2e_fail "the installed files changed while it ran"
[ -f "$start_menu" ] || e2e_fail "the Start-menu shortcut went while the program ran"

# The session ends: the program saves its record and exits.
timeout 60 wineboot --end-session >/dev/null 2>&1 || true
e2e_wait_for 30 eval '! e2e_alive '"$orvane_pid" || e2e_fail "orvane.exe still runs after the session end"
timeout 60 wineserver -w || true
[ -f "$record_dir/orvane.cdat" ] || e2e_fail "no record in $record_dir"
ls -l "$record_dir" >&2
# Read back by the installed orvane-report.exe.
timeout 60 wine "$inst/orvane-report.exe" dump "$(winepath -w "$record_dir/orvane.cdat")" \
    >"$E2E_DIR/dump.txt" </dev/null || e2e_fail "the installed orvane-report.exe cannot read the record"
cat "$E2E_DIR/dump.txt" >&2
[ -s "$E2E_DIR/dump.txt" ] || e2e_fail "nothing recorded"
record=$(tree_sum "$record_dir")

install || e2e_fail "the upgrade failed"
[ "$(tree_sum "$record_dir")" = "$record" ] || e2e_fail "the upgrade changed the record or settings"
[ "$(tree_sum "$inst")" = "$installed" ] || e2e_fail "the upgraded install differs from the first"

start=$SECONDS
status=0
timeout 120 wine "$inst/uninstall.exe" /S </dev/null || status=$?
timeout 120 wineserver -w || true # the copy that does the work
e2e_log "uninstall: status $status after $((SECONDS - start)) s"
[ "$status" -eq 0 ] || e2e_fail "the uninstall failed"
[ ! -e "$inst" ] || { find "$inst" >&2; e2e_fail "files left in $inst"; }
[ ! -e "$start_menu" ] || e2e_fail "the Start-menu shortcut is left"
[ -z "$(uninstall_entry DisplayName)" ] || e2e_fail "the uninstall entry is left"
[ "$(tree_sum "$record_dir")" = "$record" ] || e2e_fail "the uninstall changed the record or settings"
e2e_log "PASS"
