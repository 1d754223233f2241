# Shared by scripts/run and scripts/test: installs what is missing, configures and builds.
# shellcheck shell=bash

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the program and the tests use.
ORVANE_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libxcb1-dev libxcb-res0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb icewm xdotool x11-utils xterm dbus imagemagick
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
  cmake -S "$ORVANE_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
