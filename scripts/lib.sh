# Shared by scripts/run and scripts/test: installs what is missing, configures and builds.
# shellcheck shell=bash

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the program and the tests use.
ORVANE_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libxcb1-dev libxcb-res0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb icewm xdotool x11-utils xterm dbus imagemagick strace python3
  libwayland-dev libwayland-bin wayland-protocols qt6-wayland
  sway foot wtype fonts-dejavu-core
  libxcb-screensaver0-dev plasma-wayland-protocols python3-dbus python3-gi kwin-wayland gnome-shell
  gjs xwayland qt6-declarative-dev syncthing
)

# What scripts/package and its checks (scripts/test-package) use besides.
ORVANE_PACKAGE_TOOLS=(
  dpkg-dev file lintian desktop-file-utils appstream man-db
)

# What the Windows build and its Wine tests use besides (scripts/test-windows).
ORVANE_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix wine wine64 qt6-base-dev-tools xz-utils zip nsis
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

# orvane_build_windows_program [TARGET...]: the named targets (by default the three programs) of
# the program for Windows in build-winqt, against Qt for mingw in /opt/qt6-mingw: the installed
# one, else the prebuilt copy beside the clone when its key matches (seconds), else one built from
# Debian's source (scripts/build-qt-windows, about 35 minutes on two cores). The tests are
# configured too but built only when named (scripts/test-windows).
orvane_build_windows_program() {
  local targets=("$@")
  [ ${#targets[@]} -eq 0 ] && targets=(orvane orvane-report orvane-langbuild)
  local qt_mingw=/opt/qt6-mingw
  local qt_prebuilt="$ORVANE_ROOT/../shared/qt-windows/qt6-mingw-6.4.2-x86_64.tar.xz"
  local qt_prebuilt_sha256=ab12cf2ead39daadb85c0be88069d4266cce599299c0bedbff9a9bc5f059fe9b
  orvane_need_packages g++-mingw-w64-x86-64-posix qt6-base-dev-tools xz-utils cmake ninja-build \
    libgtest-dev
  if [ ! -x "$qt_mingw/bin/qt-cmake" ]; then
    local host_qt sudo=()
    host_qt=$(dpkg-query -W -f '${Version}' qt6-base-dev-tools)
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    # The host tools (moc, rcc, uic) must be of the prebuilt Qt's version.
    if [ -f "$qt_prebuilt" ] && [ "${host_qt%%+*}" = 6.4.2 ] &&
      [ "$(sha256sum <"$qt_prebuilt" | cut -d' ' -f1)" = "$qt_prebuilt_sha256" ]; then
      echo "== unpacking the prebuilt Qt for mingw into $qt_mingw"
      "${sudo[@]}" tar -C /opt -xJf "$qt_prebuilt" || return
    else
      echo "== no prebuilt Qt for mingw matches (host Qt $host_qt): building it"
      bash "$ORVANE_ROOT/scripts/build-qt-windows" || return
    fi
  fi
  # Linked with the shared mingw runtime, as Qt's DLLs are: one C++ runtime in the process.
  "$qt_mingw/bin/qt-cmake" -S "$ORVANE_ROOT" -B "$ORVANE_ROOT/build-winqt" -G Ninja \
    --no-warn-unused-cli -DQT_CHAINLOAD_TOOLCHAIN_FILE="$ORVANE_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DORVANE_MINGW_SHARED_RUNTIME=ON -DORVANE_TESTS=ON -DORVANE_BENCH=OFF -DORVANE_WERROR=ON \
    >/dev/null || return
  cmake --build "$ORVANE_ROOT/build-winqt" -j"$(nproc)" --target "${targets[@]}"
}

# orvane_build BUILD_DIR [cmake options...]
# ccache, where it is installed, serves rebuilds in other folders and clones (not installed here).
orvane_build() {
  local dir=$1 launcher=()
  shift
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$ORVANE_ROOT" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null || return
  cmake --build "$dir" -j"$(nproc)"
}

# orvane_sanitized_build BUILD_DIR: the tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
orvane_sanitized_build() {
  orvane_build "$1" -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF -DORVANE_WERROR=ON -DORVANE_TESTS=ON
}

# orvane_sanitized_tests BUILD_DIR: builds the sanitized tests (when not built yet) and runs all of
# them. The reports go to files, so that one from a program whose exit status no test looks at (the
# recorder of the e2e tests) fails the run too.
orvane_sanitized_tests() {
  local dir=$1 logs status=0
  orvane_sanitized_build "$dir" || return 1
  logs=$(mktemp -d /tmp/orvane-sanitizer-XXXXXX)
  (
    cd "$dir" || exit 1
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$logs/asan:log_exe_name=1"
    export LSAN_OPTIONS="suppressions=$ORVANE_ROOT/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan:log_exe_name=1"
    ctest --output-on-failure --timeout 600 --no-tests=error -j2 -LE unsanitized
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
