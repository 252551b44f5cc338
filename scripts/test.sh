#!/usr/bin/env bash
# Sets up, builds and runs every test: the plain build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a
# bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

jobs=$(nproc)
fuzz_seconds=${ORVANE_FUZZ_SECONDS:-60}

# Names the tests that skipped themselves, with the reason each gave (the
# fault tests need root and a mount namespace of their own), so a green run
# without them shows as such.
report_skipped() {
  local log=$1/Testing/Temporary/LastTest.log skipped
  skipped=$(grep -E '^\[  SKIPPED \] [A-Za-z]|^SKIP   :|^SKIP: ' "$log" 2>/dev/null | sort -u || true)
  if [ -n "$skipped" ]; then
    echo "!! These tests were SKIPPED in $1, for the reasons given:"
    printf '%s\n' "$skipped" | sed 's/^/   /'
  fi
}

echo "== Build and test"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_WERROR=ON -DORVANE_BENCH=ON >/dev/null
cmake --build build/test -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build/test --output-on-failure --timeout 300 -j "$jobs"
report_skipped build/test

echo "== Sanitizers"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_WERROR=ON -DORVANE_SANITIZE=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
  ctest --test-dir build/sanitize --output-on-failure --timeout 600 -j "$jobs"
report_skipped build/sanitize

echo "== Debian packages"
scripts/check-package.sh

echo "== Fuzzing (${fuzz_seconds}s a target)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVANE_FUZZ=ON -DORVANE_GUI=OFF -DORVANE_TESTS=OFF >/dev/null
cmake --build build/fuzz -j "$jobs"
. scripts/fuzz-lib.sh

# The run must be able to fail: a target that fails on purpose, once on a seed
# and once on what the fuzzer finds by itself, has to make the function fail.
self_check=build/fuzz/fuzz/fuzz_self_check
rm -rf build/fuzz/self-check
for seeds in fuzz/self_check/seeds ""; do
  if run_fuzz_target "$self_check" 30 build/fuzz/self-check "$seeds" >build/fuzz/self-check.log 2>&1; then
    echo "FAILED: a fuzz target that crashes did not fail the fuzz run${seeds:+ (seeds: $seeds)}"
    cat build/fuzz/self-check.log
    exit 1
  fi
  grep -q 'reproducer: build/fuzz/self-check/' build/fuzz/self-check.log ||
    grep -q "reproducer: $seeds/" build/fuzz/self-check.log || {
      echo "FAILED: the fuzz run did not name the reproducer"; cat build/fuzz/self-check.log; exit 1; }
done
echo "fuzz_self_check: a crashing target fails the run and names its reproducer"

failed=0
for target in build/fuzz/fuzz/*_fuzz; do
  run_fuzz_target "$target" "$fuzz_seconds" build/fuzz "fuzz/seeds/$(basename "$target")" || failed=1
done
[ "$failed" -eq 0 ] || { echo "Fuzzing found a fault (reproducers under build/fuzz/artifacts/)."; exit 1; }
echo "All tests, sanitizer runs and fuzz runs passed."
