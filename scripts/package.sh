#!/usr/bin/env bash
# Builds the Debian package: build/package/orvane_<version>-<build>_<arch>.deb
# (Release, stripped, hardened with Debian's build flags, dependencies
# computed from the binaries).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package

# Debian's own hardening flags, as a package built by its tools gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DORVANE_TESTS=OFF -DORVANE_WERROR=ON >/dev/null
cmake --build build/package -j "$(nproc)"
rm -f build/package/orvane_*.deb
(cd build/package && cpack -G DEB >/dev/null)
ls build/package/orvane_*.deb
