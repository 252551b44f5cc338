#!/usr/bin/env bash
# Sets up, builds and runs every test: the plain build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a
# bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

jobs=$(nproc)
fuzz_seconds=${ORVANE_FUZZ_SECONDS:-60}

echo "== Build and test"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_WERROR=ON -DORVANE_BENCH=ON >/dev/null
cmake --build build/test -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build/test --output-on-failure -j "$jobs"

echo "== Sanitizers"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_WERROR=ON -DORVANE_SANITIZE=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== Fuzzing (${fuzz_seconds}s a target)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVANE_FUZZ=ON -DORVANE_GUI=OFF -DORVANE_TESTS=OFF >/dev/null
cmake --build build/fuzz -j "$jobs"
for target in build/fuzz/fuzz/*_fuzz; do
  corpus="build/fuzz/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  "$target" -max_total_time="$fuzz_seconds" -max_len=4096 -print_final_stats=1 "$corpus" fuzz/seeds 2>&1 |
    grep -E '^(Done|stat::number_of_executed_units)' || true
  echo "$(basename "$target"): no crash, no undefined behaviour, properties held"
done
echo "All tests, sanitizer runs and fuzz runs passed."
