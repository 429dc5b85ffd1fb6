#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the fuzz targets of fuzz/ into build-sanitize/ (the Clang build of scripts/test-sanitized.sh,
# so the two share one sanitized build) and runs each from its seed corpus:
#   scripts/fuzz.sh --smoke   a few seconds each (the default; CI runs this)
#   scripts/fuzz.sh N         N runs each
# Prints the runs each target made; the status is non-zero on any crash, leak, timeout or broken
# promise. A failing input is kept as build-sanitize/fuzzing/<target>/crash-* (or leak-*, timeout-*);
# inputs found along the way gather in build-sanitize/fuzzing/<target>/corpus, for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=(-max_total_time="${TALVERN_FUZZ_SECONDS:-5}")
case "${1:---smoke}" in
  --smoke) ;;
  '' | *[!0-9]*) echo "usage: $0 [--smoke | runs]" >&2; exit 2 ;;
  *) runs=(-runs="$1") ;;
esac

source scripts/sanitized-build.sh
configure_sanitized
cmake --build "$build" --parallel "$(nproc)" --target fuzz_targets >/dev/null

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=0
for source in fuzz/fuzz_*.cpp; do
  target=$(basename "$source" .cpp)
  work="$PWD/$build/fuzzing/$target" # absolute: a target may change its working directory
  mkdir -p "$work/corpus"
  started=$SECONDS
  status=0
  "$build/bin/$target" "${runs[@]}" -timeout=10 -rss_limit_mb=2560 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "$PWD/fuzz/corpus/$target" >"$work/log" 2>&1 || status=$?
  made=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  if [ "$status" -eq 0 ]; then
    printf '%-20s %10s runs clean in %ds\n' "$target" "${made:-?}" $((SECONDS - started))
  else
    failed=1
    printf '%-20s FAILED after %s runs (status %d); see %s\n' "$target" "${made:-?}" "$status" "$work/log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|Broken:|.*runtime error)' "$work/log" | head -5 || true
  fi
done
exit "$failed"
