#!/usr/bin/env bash
# Sets up, builds and runs Orvane.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build build/run -j "$(nproc)"
echo "Converting examples/networks.txt to address with prefix length:"
exec build/run/cli/orvane-convert -f prefix examples/networks.txt
