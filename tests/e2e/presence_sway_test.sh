#!/usr/bin/env bash
# The idle source of a headless sway 1.7 session (org_kde_kwin_idle, armed with a short
# threshold): idle once the threshold has passed without input, 0 again after wtype input.
#
#   presence_sway_test.sh ORVANE_REPORT
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report=$(realpath "$1")

e2e_require wtype
e2e_init
e2e_start_sway
report=$(e2e_user_program "$report")

which=$("${E2E_AS_USER[@]}" "$report" probe --which)
e2e_expect "sway 1.7 offers the KDE idle protocol" "idle: kde-idle" \
    "$(printf '%s\n' "$which" | grep '^idle:')"
e2e_expect "ext-idle-notify was asked first" "yes" \
    "$(printf '%s\n' "$which" | grep -q 'passed over ext-idle-notify: the compositor does not offer' && echo yes)"

# A window to type into: the input counts wherever it goes.
e2e_sway_window typing typing "Typing"

e2e_spawn presence "${E2E_AS_USER[@]}" "$report" presence --watch --threshold 2
idle() { tail -n1 "$E2E_DIR/presence.out" | cut -f1; }
at_least() { local v; v=$(idle); [ -n "$v" ] && [ "$v" != - ] && [ "$v" -ge "$1" ]; }
is_zero() { [ "$(idle)" = 0 ]; }

"${E2E_AS_USER[@]}" wtype x
e2e_wait_for 5 is_zero || e2e_fail "not 0 right after input: $(idle)"
started=$(date +%s%N)
e2e_wait_for 10 at_least 2000 || e2e_fail "not idle after the threshold: $(idle)"
waited=$((($(date +%s%N) - started) / 1000000))
e2e_log "idle after ${waited} ms: $(idle)"
# Loose: the wait starts only once the 0 after the input has been seen.
e2e_expect "idle no sooner than the threshold" yes "$([ "$waited" -ge 1000 ] && echo yes)"
e2e_wait_for 10 at_least 3000 || e2e_fail "the idle time does not grow: $(idle)"
e2e_expect "the idle time grows on" yes "$(at_least 3000 && echo yes)"

"${E2E_AS_USER[@]}" wtype y
e2e_wait_for 5 is_zero
e2e_expect "0 again after input" 0 "$(idle)"
e2e_wait_for 10 at_least 2000
e2e_expect "idle again once the threshold passed once more" yes "$(at_least 2000 && echo yes)"

e2e_finish
