#!/usr/bin/env bash
# Builds the two Debian packages twice and checks them: identical bytes both
# times, each package's files exactly what its install component installs,
# the converter's package free of Qt, lintian without errors or warnings,
# the desktop entry and metainfo valid, the packaged converter working.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() { echo "FAILED: $*"; exit 1; }

# Both from scratch: a staging folder left by an earlier build is not the package's business.
rm -rf build/package
scripts/package.sh >/dev/null
first=$(cd build/package && sha256sum orvane*.deb)
rm -rf build/package
scripts/package.sh >/dev/null
second=$(cd build/package && sha256sum orvane*.deb)
[ "$first" = "$second" ] || fail "two builds of the packages differ:"$'\n'"$first"$'\n'"$second"
echo "packages reproducible: $(printf '%s\n' "$second" | awk '{ print $2 }' | tr '\n' ' ')"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for component in convert window; do
  package=orvane-convert
  [ "$component" = window ] && package=orvane
  deb=$(ls build/package/${package}_*.deb)
  DESTDIR="$scratch/$component" cmake --install build/package --component "$component" --prefix /usr >/dev/null
  expected=$(cd "$scratch/$component" && find . ! -type d | sort)
  files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
  [ "$files" = "$expected" ] ||
    fail "$package holds other files than its component installs:"$'\n'"$(diff <(echo "$expected") <(echo "$files"))"
  for doc in copyright changelog.Debian.gz README.md.gz; do
    grep -qx "./usr/share/doc/$package/$doc" <<<"$files" || fail "$package lacks /usr/share/doc/$package/$doc"
  done
  if dpkg-deb --fsys-tarfile "$deb" | tar -xO | grep -aq "$PWD/build"; then fail "$package holds paths of the build folder"; fi
  dpkg-deb -x "$deb" "$scratch/unpacked"
done

depends=$(dpkg-deb -f build/package/orvane-convert_*.deb Depends)
if grep -Eiq 'qt|qscintilla|jpeg' <<<"$depends"; then fail "orvane-convert depends on graphical libraries: $depends"; fi
dpkg-deb -f build/package/orvane_*.deb Recommends | grep -q 'orvane-convert' || fail "orvane does not recommend orvane-convert"
for binary in orvane orvane-convert; do
  if readelf -S "$scratch/unpacked/usr/bin/$binary" | grep -q '\.comment'; then fail "$binary keeps its .comment section"; fi
done

lintian_report=$(lintian --tag-display-limit 0 build/package/orvane*.deb 2>&1 | grep -v 'running with root privileges' || true)
[ -z "$lintian_report" ] || fail "lintian:"$'\n'"$lintian_report"
appstreamcli validate --no-net packaging/example.orvane.Orvane.metainfo.xml >/dev/null
desktop-file-validate resources/orvane.desktop

"$scratch/unpacked/usr/bin/orvane-convert" --version | head -n 1
[ "$(printf '192.168.0.1-192.168.0.254\n' | "$scratch/unpacked/usr/bin/orvane-convert" -f prefix --lf)" = "192.168.0.0 / 24" ] ||
  fail "the packaged orvane-convert did not convert"
echo "orvane-convert and orvane: files, dependencies, lintian, desktop entry, metainfo and the converter checked"
