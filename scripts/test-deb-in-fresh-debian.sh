#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs a Talvern .deb into a brand-new minimal Debian 12 root that has none of the build's
# packages, so that a dependency the package forgets to name shows; checks that the files are where a
# desktop looks for them, that man shows its manual page, and starts the program there as an ordinary
# user on a virtual X display.
#
#   scripts/test-deb-in-fresh-debian.sh [--worktree] DEB
#
# Needs what scripts/test-in-fresh-debian.sh needs (root, network access to Debian's mirrors); its
# exit status is that of the check.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
  options=()
  [ "${1:-}" = --worktree ] && { options+=(--worktree); shift; }
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 [--worktree] DEB" >&2
    exit 2
  fi
  exec "$(dirname "$0")/test-in-fresh-debian.sh" "${options[@]}" --put "$1" -- \
    scripts/test-deb-in-fresh-debian.sh --inside "$(basename "$1")"
fi

# From here on inside the fresh root, in the clone's folder, where the package was put.
deb="./$2"
export DEBIAN_FRONTEND=noninteractive

echo "== Installing $deb"
apt-get update -q
apt-get install -y -q --no-install-recommends "$deb"
echo "Depends: $(dpkg-query -W -f='${Depends}' talvern)"

echo "== Libraries: none missing for the program, its helper and Qt's X11 plug-in"
xcb="$(dpkg -L libqt6gui6 | grep '/platforms/libqxcb\.so$')"
missing="$(for f in /usr/bin/talvern /usr/libexec/talvern/talvern-metafile "$xcb"; do ldd "$f"; done |
  grep 'not found' || true)"
if [ -n "$missing" ]; then
  echo "missing: $missing" >&2
  exit 1
fi

echo "== Installed files"
dpkg -L talvern | while read -r f; do [ -d "$f" ] || echo "$f"; done
for f in /usr/bin/talvern /usr/libexec/talvern/talvern-metafile; do
  [ -x "$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
for f in /usr/share/applications/org.talvern.Talvern.desktop \
  /usr/share/metainfo/org.talvern.Talvern.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/talvern.svg \
  /usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/talvern.png \
  /usr/share/talvern/OSP-E100.MCH; do
  [ -s "$f" ] || { echo "not installed: $f" >&2; exit 1; }
done

echo "== The metafile helper draws a WMF picture"
echo "183GmgAAAAAAAEALoAWgBQAAAABRXAEACQAAAzoAAAACAAcAAAAAAAUAAAALAgAAAAAFAAAADAKgBUALBwAAAPwCAAD///8AAAAEAAAALQEAAAcAAAAbBKAFQAsAAAAABwAAAPwCAAD/AAAAAAAEAAAALQEBAAcAAAAbBOgD0AfIACwBAwAAAAAA" | base64 -d | /usr/libexec/talvern/talvern-metafile wmf | grep -q '<svg'

apt-get install -y -q --no-install-recommends man-db xvfb xauth
echo "== man talvern shows the manual page, in English and in Japanese"
man talvern | grep -E 'list +CNC +part +programs' >/dev/null
man -L ja talvern | grep 'NCプログラムの一覧' >/dev/null
for f in /usr/share/doc/talvern/copyright /usr/share/doc/talvern/changelog.gz; do
  [ -s "$f" ] || { echo "not installed: $f" >&2; exit 1; }
done

echo "== talvern --self-test as an ordinary user on a virtual X display"
useradd --create-home machinist
runuser -u machinist -- env HOME=/home/machinist xvfb-run -a talvern --self-test
# Its settings files are the user's: the installed default was copied to the user's folder.
cmp /usr/share/talvern/OSP-E100.MCH /home/machinist/.local/share/Talvern/OSP-E100.MCH
echo "== The installed Talvern started and closed again"
