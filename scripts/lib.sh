# Shared by scripts/run and scripts/test: installs what is missing, configures and builds.
# shellcheck shell=bash

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the program and the tests use.
ORVANE_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libxcb1-dev libxcb-res0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb icewm xdotool x11-utils xterm dbus imagemagick strace
)

orvane_need_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# orvane_build BUILD_DIR [cmake options...]
orvane_build() {
  local dir=$1
  shift
  cmake -S "$ORVANE_ROOT" -B "$dir" -G Ninja "$@" >/dev/null || return
  cmake --build "$dir" -j"$(nproc)"
}

# orvane_sanitized_tests BUILD_DIR: builds the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs all of them. The reports go to files, so that one from a
# program whose exit status no test looks at (the recorder of the e2e tests) fails the run too.
orvane_sanitized_tests() {
  local dir=$1 logs status=0
  orvane_build "$dir" -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF -DORVANE_WERROR=ON \
    -DORVANE_TESTS=ON || return 1
  logs=$(mktemp -d /tmp/orvane-sanitizer-XXXXXX)
  (
    cd "$dir" || exit 1
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$logs/asan:log_exe_name=1"
    export LSAN_OPTIONS="suppressions=$ORVANE_ROOT/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan:log_exe_name=1"
    ctest --output-on-failure --timeout 600 --no-tests=error
  ) || status=1
  local f
  for f in "$logs"/*; do
    [ -e "$f" ] || continue
    echo "--- sanitizer report $(basename "$f")" >&2
    cat "$f" >&2
    status=1
  done
  rm -rf "$logs"
  return "$status"
}
