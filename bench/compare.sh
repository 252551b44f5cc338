#!/usr/bin/env bash
# Side by side: orvane-convert and a peer on the same list, alternately, RUNS
# times each (default 5); prints the median times, their ratio and the peak
# memory of each. The peer is `LC_ALL=C sort -f -u` for the window's
# conversion, and `iprange` (Debian's package of that name) for --merge.
#
#   bench/compare.sh LIST [orvane-convert options...]
#
# The converter is build/release/cli/orvane-convert (ORVANE_CONVERT to use
# another); its options default to "-f prefix". Make a list with
#   build/release/bench/make_list 1000000 /tmp/list.txt
set -euo pipefail
[ $# -ge 1 ] || { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
list=$1
shift
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(-f prefix)
convert=${ORVANE_CONVERT:-$(dirname "$0")/../build/release/cli/orvane-convert}
runs=${RUNS:-5}
[ -x "$convert" ] || { echo "no converter at $convert (build the Release tree first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs GNU time: apt-get install time" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# One run: appends "seconds kilobytes" to the file named first.
measure() {
  local record=$1
  shift
  /usr/bin/time -f '%e %M' -o "$scratch/time" "$@" >/dev/null
  cat "$scratch/time" >>"$record"
}
peer=(env LC_ALL=C sort -f -u "$list" -o "$scratch/peer.out")
peer_name="LC_ALL=C sort -f -u"
if printf '%s\n' "${options[@]}" | grep -qx -- '--merge'; then
  command -v iprange >/dev/null || { echo "the peer for --merge is iprange: apt-get install iprange" >&2; exit 1; }
  peer=(sh -c 'iprange "$1" >"$2" 2>/dev/null' sh "$list" "$scratch/peer.out")
  peer_name="iprange"
fi
for _ in $(seq "$runs"); do
  measure "$scratch/convert" "$convert" "${options[@]}" "$list" -o "$scratch/convert.out"
  measure "$scratch/peer" "${peer[@]}"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
peak() { sort -n | tail -n 1 | awk '{ printf "%.0f", $1 / 1024 }'; }
convert_s=$(cut -d' ' -f1 "$scratch/convert" | median)
peer_s=$(cut -d' ' -f1 "$scratch/peer" | median)
printf 'list: %s (%s lines), %s runs each\n' "$list" "$(wc -l <"$list")" "$runs"
printf '%-44s median %6.3f s   peak %5s MiB\n' "orvane-convert ${options[*]}" "$convert_s" "$(cut -d' ' -f2 "$scratch/convert" | peak)"
printf '%-44s median %6.3f s   peak %5s MiB\n' "$peer_name" "$peer_s" "$(cut -d' ' -f2 "$scratch/peer" | peak)"
awk -v a="$convert_s" -v b="$peer_s" -v n="$peer_name" 'BEGIN { printf "ratio (orvane-convert / %s): %.2f\n", n, (b > 0 ? a / b : 0) }'
