#!/usr/bin/env bash
# Builds the Debian packages build/package/orvane-convert_<version>-<build>_<arch>.deb
# (the converter, no Qt) and build/package/orvane_<version>-<build>_<arch>.deb
# (the window): Release, stripped, hardened with Debian's build flags,
# dependencies computed from the binaries, and reproducible: every time in
# them is SOURCE_DATE_EPOCH, by default the time of the last commit.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package

# Debian's own hardening flags, as a package built by its tools gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || stat -c %Y packaging/changelog)
fi
export SOURCE_DATE_EPOCH
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_STRIP="$PWD/scripts/debian-strip.sh" \
  -DORVANE_TESTS=OFF -DORVANE_WERROR=ON >/dev/null
cmake --build build/package -j "$(nproc)"
rm -f build/package/orvane*.deb
(cd build/package && cpack -G DEB >/dev/null)
ls build/package/orvane*.deb
