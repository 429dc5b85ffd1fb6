#!/usr/bin/env bash
# Installs what Talvern needs from Debian's packages (only what is missing) and builds it into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqt6svg6 qt6-image-formats-plugins qt6-translations-l10n
  libwmf-dev libexpat1-dev libjpeg-dev libemf2svg-dev fonts-urw-base35
  fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth socat poppler-utils
  dpkg-dev file desktop-file-utils appstream
  clang libclang-rt-14-dev
  cups cups-client printer-driver-cups-pdf fonts-dejavu-core
  bindfs # test set: a FUSE mount that plays a file server's share for the folder watch tests
)

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
cmake --build build --parallel "$(nproc)"
