#!/usr/bin/env bash
# What the guards and --why cost: --merge of LIST alone, with the line guards
# (--protect, --max-size, --max-size6), with --previous LIST --max-change, and
# --why in place of the result; alternately, RUNS times each (default 9).
# Prints each one's median time and peak memory, and its ratio to --merge.
#
#   bench/guards.sh LIST
#
# The converter is build/release/cli/orvane-convert (ORVANE_CONVERT to use
# another). Make a list with
#   build/release/bench/make_list 1000000 /tmp/list.txt addresses
set -euo pipefail
[ $# -eq 1 ] || { sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
list=$1
convert=${ORVANE_CONVERT:-$(dirname "$0")/../build/release/cli/orvane-convert}
runs=${RUNS:-9}
[ -x "$convert" ] || { echo "no converter at $convert (build the Release tree first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs GNU time: apt-get install time" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Protected addresses the list does not hold, so that the guards hold and
# the whole result is written: the first few that --why finds outside it.
echo '# own' >"$scratch/own.txt"
for address in 198.18.0.{1..40} 2001:db8:53::{1..9}; do
  "$convert" --merge --why "$address" --quiet "$list" && continue
  echo "$address" >>"$scratch/own.txt"
  [ "$(wc -l <"$scratch/own.txt")" -gt 4 ] && break
done

names=(merge line-guards previous why)
run() {
  case $1 in
    merge) "$convert" --merge "$list" -o "$scratch/out" ;;
    line-guards) "$convert" --merge --protect "$scratch/own.txt" --max-size 1 --max-size6 1 "$list" -o "$scratch/out" ;;
    previous) "$convert" --merge --previous "$list" --max-change 1 "$list" -o "$scratch/out" 2>/dev/null ;;
    why) "$convert" --merge --why 198.18.0.1 --why 2001:db8:53::1 "$list" >/dev/null || [ $? = 1 ] ;;
  esac
}
VARS="convert list scratch"
. "$(dirname "$0")/alternate.sh"
time_alternately "${names[@]}"
print_medians --merge "${names[@]}"
