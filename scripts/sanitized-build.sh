# SPDX-License-Identifier: GPL-2.0-or-later
# Sourced by scripts/test-sanitized.sh and scripts/fuzz.sh: configures build-sanitize/, the one
# sanitized build both use. Clang, with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's
# coverage, so that the tests and the fuzz targets link against the same instrumented libraries.
build=build-sanitize

configure_sanitized() {
  # A build directory left by another compiler is started afresh: CMake cannot switch one.
  if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang++' "$build/CMakeCache.txt"; then
    rm -rf "$build"
  fi
  local options=()
  [ -f "$build/CMakeCache.txt" ] || options+=(-G Ninja)
  command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Debug keeps Qt's own assertions (an index out of range in a QList) on; line tables alone give
  # the reports their file and line at a third less build time.
  CC=clang CXX=clang++ cmake -S . -B "$build" "${options[@]}" -DCMAKE_CXX_COMPILER=clang++ \
    -DTALVERN_SANITIZE=ON -DTALVERN_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" >/dev/null
}
