#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The licence line at the top of every source file, build file and script:
#   scripts/spdx.sh --check   lists the files without it; fails when there is one
#   scripts/spdx.sh --add     puts it where it is missing (a second run changes nothing)
# C++ files (.cpp, .h) start with "// SPDX-License-Identifier: ..."; CMake files (CMakeLists.txt,
# .cmake) and shell scripts (.sh, or any file starting with #!) with "# SPDX-License-Identifier: ...",
# after the #! line where there is one. Data, documentation and packaging metadata (seed corpora,
# icons, .mch, manual pages, the desktop entry, the metainfo, changelog, copyright) are not code and
# are covered by packaging/copyright instead.
set -euo pipefail
cd "$(dirname "$0")/.."

licence="SPDX-License-Identifier: GPL-2.0-or-later"
mode="${1:-}"
case "$mode" in
  --check | --add) ;;
  *) echo "usage: $0 --check | --add" >&2; exit 2 ;;
esac

# Prints the comment line a file needs and the line number it goes on, or nothing for a file that
# needs none.
expected() {
  local file=$1 first
  case "$file" in
    *.cpp | *.h) echo "1 // $licence"; return ;;
    */CMakeLists.txt | CMakeLists.txt | *.cmake) echo "1 # $licence"; return ;;
  esac
  IFS= read -r first <"$file" || true
  if [[ "$first" == '#!'* ]]; then
    echo "2 # $licence"
  elif [[ "$file" == *.sh ]]; then
    echo "1 # $licence"
  fi
}

missing=0
while IFS= read -r -d '' file; do
  want="$(expected "$file")"
  [ -n "$want" ] || continue
  line=${want%% *}
  text=${want#* }
  [ "$(sed -n "${line}p" "$file" | tr -d '\r')" = "$text" ] && continue
  if [ "$mode" = --check ]; then
    echo "no licence line: $file"
    missing=1
  elif [ "$line" = 1 ]; then
    sed -i "1i $text" "$file"
  else
    sed -i "1a $text" "$file"
  fi
done < <(find src tests tools bench fuzz scripts packaging -type f -print0 | sort -z
  printf '%s\0' CMakeLists.txt run test .ci/run)
exit "$missing"
