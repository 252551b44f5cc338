#!/usr/bin/env bash
# Runs the README's two commands on a fresh minimal Debian of the release
# named, as a new user's machine would be: a debootstrap chroot (minbase)
# with only what the project's own scripts install. Then builds the two
# packages there, installs them into a second fresh chroot of the same
# release and converts a line with them.
#
#   scripts/chroot-test.sh bookworm|trixie
#
# STEPS="run test package" (the default) names the steps to take; a run
# that stopped late can take the last ones alone.
#
# As root. The mirror is the one this machine's apt reads (sources.list or
# deb822 .sources), or MIRROR=URL. The chroots live under a scratch folder
# in /var/tmp, which is removed afterwards, and only once nothing is mounted
# inside it any more; removal never crosses into another file system.
set -euo pipefail
release=${1:-}
case "$release" in
  bookworm | trixie) ;;
  *) echo "usage: $0 bookworm|trixie" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "$0 needs root: debootstrap, chroot and mounts" >&2; exit 1; }
cd "$(dirname "$0")/.."
tree=$PWD

# The first Debian archive this machine's apt reads from: "deb URI ..." lines
# of sources.list files, "URIs:" fields of .sources files.
mirror_from_apt() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -r "$file" ] || continue
    sed -n -E 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+).*/\2/p' "$file"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -r "$file" ] || continue
    sed -n -E 's/^URIs:[[:space:]]*//p' "$file" | tr ' ' '\n'
  done
}
mirror=${MIRROR:-$(mirror_from_apt | grep -E '/debian/?$' | head -n 1)}
[ -n "$mirror" ] || { echo "no Debian mirror in this machine's apt sources; give one as MIRROR=URL" >&2; exit 1; }
shown_mirror=$(sed -E 's|//[^/@]*@|//|' <<<"$mirror")  # never print credentials

if ! command -v debootstrap >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

scratch=$(mktemp -d /var/tmp/orvane-chroot-XXXXXX)
mounted=()
mount_into() {  # ROOT: what a chroot needs of the running system
  local root=$1
  mount -t proc proc "$root/proc" && mounted+=("$root/proc")
  mount -t sysfs sysfs "$root/sys" && mounted+=("$root/sys")
  mount --bind /dev "$root/dev" && mounted+=("$root/dev")
  mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")
}
cleanup() {
  local status=$? i still=""
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
  done
  # Anything still mounted below the scratch folder keeps it: deleting
  # through a bind mount would delete the system's own files.
  still=$(findmnt -rn -o TARGET | grep -F "$scratch/" || true)
  if [ -n "$still" ]; then
    echo "still mounted, $scratch left in place:"$'\n'"$still" >&2
  else
    rm -rf --one-file-system "$scratch"
  fi
  exit "$status"
}
trap cleanup EXIT

make_root() {  # ROOT
  echo "== debootstrap --variant=minbase $release $1 ($shown_mirror)"
  debootstrap --variant=minbase "$release" "$1" "$mirror" >"$scratch/debootstrap.log" 2>&1 ||
    { tail -n 20 "$scratch/debootstrap.log"; return 1; }
  cp /etc/resolv.conf "$1/etc/resolv.conf"
  mount_into "$1"
}
in_root() {  # ROOT COMMAND
  chroot "$1" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 bash -c "$2"
}

build=$scratch/build
make_root "$build"
# The tree as committed or changed, without what it built here.
mkdir -p "$build/src"
git -C "$tree" ls-files -z --cached --others --exclude-standard | (cd "$tree" && tar --null -T - -cf -) | tar -xf - -C "$build/src"

steps=" ${STEPS:-run test package} "
if [[ $steps == *" run "* ]]; then
echo "== scripts/run.sh (no display: it builds, then says how to run the window)"
set +e
in_root "$build" 'cd /src && scripts/run.sh' >"$scratch/run.log" 2>&1
run_status=$?
set -e
tail -n 8 "$scratch/run.log"
grep -q 'There is no display' "$scratch/run.log" || { echo "FAILED: scripts/run.sh (exit $run_status)"; exit 1; }
fi

if [[ $steps == *" test "* ]]; then
echo "== scripts/test.sh"
in_root "$build" 'cd /src && scripts/test.sh' >"$scratch/test.log" 2>&1 ||
  { tail -n 60 "$scratch/test.log"; echo "FAILED: scripts/test.sh"; exit 1; }
# The counts of each stage, what was skipped and why, and the last word.
grep -E '^!!|SKIP|tests passed|passed, [0-9]+ failed|reproducible|checked|properties held' "$scratch/test.log" | tail -n 40 || true
tail -n 1 "$scratch/test.log"
echo "warnings in the log: $(grep -c -E 'warning:' "$scratch/test.log" || true)"
fi

[[ $steps == *" package "* ]] || { echo "$release: the steps asked for passed"; exit 0; }
echo "== scripts/package.sh, installed into a fresh $release"
in_root "$build" 'cd /src && scripts/package.sh' >"$scratch/package.log" 2>&1 ||
  { tail -n 30 "$scratch/package.log"; echo "FAILED: scripts/package.sh"; exit 1; }
install=$scratch/install
make_root "$install"
cp "$build"/src/build/package/orvane*.deb "$install/tmp/"
in_root "$install" 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/orvane-convert_*.deb /tmp/orvane_*.deb' \
  >"$scratch/install.log" 2>&1 || { tail -n 30 "$scratch/install.log"; echo "FAILED: installing the packages"; exit 1; }
in_root "$install" 'dpkg-query -W orvane orvane-convert'
converted=$(in_root "$install" 'printf "192.168.0.1-192.168.0.254\n" | orvane-convert -f prefix --lf')
[ "$converted" = "192.168.0.0 / 24" ] || { echo "FAILED: the installed orvane-convert wrote \"$converted\""; exit 1; }
echo "$release: the two commands passed, the packages installed and converted a line"
