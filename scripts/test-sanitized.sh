#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the transfer, window, file-list, journal and serial and network port tests with
# AddressSanitizer and UndefinedBehaviorSanitizer (Clang) into build-sanitize/ and runs them there.
# Any report ends its test with a failure, and so the run. Needs the packages of scripts/setup.sh
# (./test installs them).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/sanitized-build.sh
tests=(tst_frmMain tst_FileListView tst_FolderWatch tst_FolderNavigation tst_QtSerialPort tst_NetworkSerialPort tst_TransferWindow
  tst_Journal tst_frmJournal)
for source in tests/transfer/tst_*.cpp; do
  tests+=("$(basename "$source" .cpp)")
done

configure_sanitized
cmake --build "$build" --parallel "$(nproc)" --target "${tests[@]}"

# LeakSanitizer stays on without suppressions: what Qt and fontconfig hold at exit is still reachable,
# so a leak it reports is the program's own.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
pattern="^($(IFS='|'; echo "${tests[*]}"))\$"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" -R "$pattern"
