#!/usr/bin/env bash
# Installs the Debian 12 packages a build needs, when they are missing.
# Usage: scripts/setup.sh run|test|package
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libjpeg-dev libqscintilla2-qt6-dev)
case "${1:-run}" in
  run) packages+=(fonts-wine) ;;
  test) packages+=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev help2man dpkg-dev lintian appstream bash-completion desktop-file-utils) ;;
  package) packages+=(help2man dpkg-dev) ;;
  *) echo "usage: $0 run|test|package" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "These Debian packages are missing. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
