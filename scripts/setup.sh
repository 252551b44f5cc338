#!/usr/bin/env bash
# Installs the Debian packages a build needs (Debian 12 or 13), when they are missing.
# Usage: scripts/setup.sh run|test|package
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libjpeg-dev libqscintilla2-qt6-dev)
case "${1:-run}" in
  run) packages+=(fonts-wine) ;;
  test) packages+=(libgtest-dev libbenchmark-dev clang help2man dpkg-dev file lintian appstream bash-completion desktop-file-utils nftables ipset iptables iproute2 bird2) ;;
  package) packages+=(help2man dpkg-dev file) ;;  # file: CPack computes the dependencies with it
  *) echo "usage: $0 run|test|package" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# The fuzz targets link clang's runtime, whose package carries the version
# of the clang the release has (14 in Debian 12, 19 in Debian 13): the one
# that matches the clang installed, or the one the release's clang depends on.
clang_runtime() {
  local version
  version=$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
  if [ -z "$version" ]; then
    version=$(apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9]*\)$/\1/p' | head -n 1)
  fi
  [ -n "$version" ] && echo "libclang-rt-$version-dev"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ "${1:-run}" = test ]; then
  runtime=$(clang_runtime || true)
  if [ -z "$runtime" ] && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq >/dev/null 2>&1 || true
    runtime=$(clang_runtime || true)
  fi
  if [ -n "$runtime" ]; then installed "$runtime" || missing+=("$runtime"); fi
fi
[ ${#missing[@]} -eq 0 ] && exit 0

# Another package manager (an unattended upgrade, a desktop updater) may hold
# dpkg's or apt's lock for a while: wait for it, a bounded time, instead of
# failing at once.
lock_wait=${ORVANE_APT_LOCK_WAIT:-600}
apt_waiting() {
  local waited=0 out
  until out=$("$@" 2>&1); do
    if grep -q -e 'Could not get lock' -e 'Unable to acquire the dpkg frontend lock' -e 'Unable to lock' <<<"$out" &&
       [ "$waited" -lt "$lock_wait" ]; then
      [ "$waited" -eq 0 ] && echo "Another package manager holds the lock; waiting for it (at most ${lock_wait} s)..."
      sleep 5
      waited=$((waited + 5))
      continue
    fi
    printf '%s\n' "$out" >&2
    if [ "$waited" -ge "$lock_wait" ]; then
      echo "Another package manager still holds the lock after ${lock_wait} s. Let it finish (or stop it), then run this again." >&2
    fi
    return 1
  done
}

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt_waiting apt-get update -qq
  apt_waiting apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "These Debian packages are missing. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
