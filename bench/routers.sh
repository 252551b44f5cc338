#!/usr/bin/env bash
# What fitting a router's table costs: --merge of LIST alone, with --widen
# 24:2 --widen6 64:2, and with --max-entries N (default 10000, both
# families); alternately, RUNS times each (default 9). Prints each one's
# median time and peak memory, its ratio to --merge, and what the fit said.
#
#   bench/routers.sh LIST [N]
#
# The converter is build/release/cli/orvane-convert (ORVANE_CONVERT to use
# another). Make a list with
#   build/release/bench/make_list 1000000 /tmp/list.txt addresses
set -euo pipefail
[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
list=$1 entries=${2:-10000}
convert=${ORVANE_CONVERT:-$(dirname "$0")/../build/release/cli/orvane-convert}
runs=${RUNS:-9}
[ -x "$convert" ] || { echo "no converter at $convert (build the Release tree first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs GNU time: apt-get install time" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

names=(merge widen max-entries)
run() {
  case $1 in
    merge) "$convert" --merge "$list" -o "$scratch/out" ;;
    widen) "$convert" --merge --widen 24:2 --widen6 64:2 "$list" -o "$scratch/out" 2>/dev/null ;;
    max-entries) "$convert" --merge --max-entries "$entries" --max-entries6 "$entries" "$list" -o "$scratch/out" 2>"$scratch/said" ;;
  esac
}
VARS="convert list entries scratch"
. "$(dirname "$0")/alternate.sh"
time_alternately "${names[@]}"
print_medians --merge "${names[@]}"
cat "$scratch/said"
