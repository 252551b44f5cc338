# Sourced by the benchmark scripts: each of the names, in turn, RUNS times
# (the caller's function run NAME does the work, with the caller's
# variables named in VARS), then each one's median time and peak memory and
# its ratio to the first name's.
#   time_alternately NAME...
#   print_medians LABEL NAME...
time_alternately() {
  local name
  for _ in $(seq "$runs"); do
    for name in "$@"; do
      # shellcheck disable=SC2086  # VARS is a list of names
      /usr/bin/time -f '%e %M' -o "$scratch/time" bash -c "$(declare -f run); $(declare -p $VARS); run $name"
      cat "$scratch/time" >>"$scratch/$name"
    done
  done
}

median() { sort -n -k"$2" "$1" | awk -v k="$2" '{ v[NR] = $k } END { print v[int((NR + 1) / 2)] }'; }

print_medians() {
  local label=$1 base name seconds kib
  shift
  base=$(median "$scratch/$1" 1)
  for name in "$@"; do
    seconds=$(median "$scratch/$name" 1) kib=$(median "$scratch/$name" 2)
    printf '%-12s %6.2f s %8.1f MiB  %5.2f × %s\n' "$name" "$seconds" "$(echo "$kib / 1024" | bc -l)" \
      "$(echo "$seconds / $base" | bc -l)" "$label"
  done
}
