#!/usr/bin/env bash
# Sets up, builds and starts Orvane.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build build/run -j "$(nproc)"
echo "The command-line converter is build/run/cli/orvane-convert (orvane-convert --help)."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
There is no display to show the window on.
  On a machine without a desktop, start it inside a virtual one:
    sudo apt-get install xvfb && xvfb-run scripts/run.sh
  or convert a list on the command line:
    build/run/cli/orvane-convert -f prefix examples/networks.txt
MSG
  exit 1
fi
exec build/run/app/orvane
