#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs ./test of a clean clone inside a brand-new minimal Debian 12 root, so that a package the setup
# forgets to install fails here instead of on a user's first start.
#
#   scripts/test-in-fresh-debian.sh [--worktree] [--put FILE]... [--collect DIR] [-- COMMAND...]
#
# Without --worktree the clone holds what is committed (HEAD); with it, the files of the working tree
# as they are (tracked and untracked, ignored ones left out). --put copies a file into the clone's top
# folder. COMMAND runs in the clone instead of ./test. With --collect, the files COMMAND leaves in the
# clone's folder collect/ are copied to DIR when it succeeds.
# Needs root, mmdebstrap (installed when missing), network access to Debian's mirrors and about 1 GB of
# free disk under ${TMPDIR:-/var/tmp}. Everything it makes is unmounted and removed when it ends,
# also after a failure or Ctrl+C; its exit status is that of the command.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
worktree=0
put=()
collect=""
command=(./test)
usage() { echo "usage: $0 [--worktree] [--put FILE]... [--collect DIR] [-- COMMAND...]" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --worktree) worktree=1; shift ;;
    --put) [ $# -ge 2 ] && [ -f "$2" ] || usage; put+=("$2"); shift 2 ;;
    --collect) [ $# -ge 2 ] && [ -d "$2" ] || usage; collect="$2"; shift 2 ;;
    --) shift; [ $# -gt 0 ] && command=("$@"); break ;;
    *) usage ;;
  esac
done

if [ "$(id -u)" -ne 0 ]; then
  echo "$0: needs root (it builds a Debian root with mmdebstrap and chroots into it)" >&2
  exit 2
fi
if ! command -v mmdebstrap >/dev/null; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends mmdebstrap
fi

work="$(mktemp -d "${TMPDIR:-/var/tmp}/talvern-fresh.XXXXXX")"
root="$work/root"
child=""

cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  # unshare holds back SIGINT and SIGTERM while its child runs; SIGKILL ends it, and with it every
  # process of the run's PID namespace.
  if [ -n "$child" ] && kill -0 "$child" 2>/dev/null; then
    kill -KILL "$child" 2>/dev/null || true
    wait "$child" 2>/dev/null || true
  fi
  # The mounts live in the child's own mount namespace and vanish with it; should one be visible here
  # all the same, take it down before anything is removed, and never remove through a mount.
  if findmnt -rn -o TARGET | grep -q "^$root/"; then
    findmnt -rn -o TARGET | grep "^$root/" | sort -r | xargs -r -n1 umount -l || true
  fi
  if findmnt -rn -o TARGET | grep -q "^$root/"; then
    echo "$0: $root still has mounts; left in place" >&2
  else
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

echo "== Building a minimal Debian 12 root in $root"
mmdebstrap --quiet --variant=minbase --include=ca-certificates bookworm "$root"

echo "== Copying the $([ $worktree -eq 1 ] && echo "working tree" || echo "committed tree") of $repo"
mkdir -p "$root/src"
if [ $worktree -eq 1 ]; then
  (cd "$repo" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -xf - -C "$root/src"
else
  git clone --quiet --no-hardlinks "$repo" "$root/src"
  rm -rf "$root/src/.git"
fi
[ ${#put[@]} -eq 0 ] || cp "${put[@]}" "$root/src/"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

echo "== Running ${command[*]} inside it"
# A mount and PID namespace of its own: whatever the run leaves behind dies with it, mounts included.
# shellcheck disable=SC2016
unshare --mount --pid --fork --kill-child --propagation private bash -euc '
  root=$1; shift
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev" # with /dev/pts, for the pseudo-terminals of the transfer tests
  mount -t tmpfs tmpfs "$root/tmp"
  exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /src && exec \"\$@\"" run "$@"
' fresh "$root" "${command[@]}" &
child=$!
set +e
wait "$child"
status=$?
set -e
child=""
if [ "$status" -eq 0 ] && [ -n "$collect" ] && [ -d "$root/src/collect" ]; then
  cp -v "$root/src/collect"/* "$collect/"
fi
echo "== Fresh Debian 12 run ended with status $status"
exit "$status"
