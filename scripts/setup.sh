#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is missing from Debian's packages and builds into build/:
#   scripts/setup.sh run    what building and running Talvern needs; builds the program and its helper
#   scripts/setup.sh test   that and what the test suite, the sanitizers and the packaging need; builds all
# Both configure build/ alike, so either can follow the other without a new configure.
set -euo pipefail
cd "$(dirname "$0")/.."

run_packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n
  libqt6sql6-sqlite libqt6sql6-psql # the journal's SQL drivers, which Qt loads at run time
  libwmf-dev libexpat1-dev libjpeg-dev libemf2svg-dev fonts-urw-base35
  fonts-ipafont-gothic fonts-ipafont-mincho
)
test_packages=(
  xvfb xauth socat poppler-utils qt6-image-formats-plugins
  dpkg-dev file desktop-file-utils appstream lintian man-db
  clang libclang-rt-14-dev llvm # llvm-symbolizer names the file and line of a sanitizer's report
  cups cups-client printer-driver-cups-pdf fonts-dejavu-core
  ser2net # the RFC 2217 device server the network port tests start on 127.0.0.1
  bindfs # a FUSE mount that plays a file server's share for the folder watch tests
  postgresql # a journal server of the journal tests' own on 127.0.0.1
)

case "${1:-}" in
  run)
    packages=("${run_packages[@]}")
    targets=(--target talvern talvern-metafile talvern-controller-sim)
    # Without a display ./run starts the program on a virtual one.
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      packages+=(xvfb xauth)
    fi
    ;;
  test)
    packages=("${run_packages[@]}" "${test_packages[@]}")
    targets=()
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --parallel "$(nproc)" "${targets[@]}"
