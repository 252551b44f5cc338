# Runs one libFuzzer target so that any finding fails the run. Sourced by
# scripts/test.sh and by the check of this function itself.
#
# run_fuzz_target TARGET SECONDS WORKDIR [SEEDS]
#   Replays every file under SEEDS (the regression corpus) once, then fuzzes
#   for SECONDS with WORKDIR/corpus/NAME as the growing corpus. Reproducers
#   (crash-*, leak-*, timeout-*, oom-*) go to WORKDIR/artifacts/NAME/. Returns
#   non-zero when the target crashed, reported undefined behaviour or a leak,
#   timed out or broke a property, after printing the target's name, the
#   reproducer's path and the end of its report.
run_fuzz_target() {
  local target=$1 seconds=$2 work=$3 seeds=${4:-}
  local name corpus artifacts log status=0
  name=$(basename "$target")
  corpus="$work/corpus/$name"
  artifacts="$work/artifacts/$name"
  log="$work/logs/$name.log"
  mkdir -p "$corpus" "$artifacts" "$work/logs"
  : >"$log"

  local seed_files=()
  if [ -n "$seeds" ] && [ -d "$seeds" ]; then
    mapfile -t seed_files < <(find "$seeds" -type f | sort)
  fi
  if [ ${#seed_files[@]} -gt 0 ]; then
    "$target" -artifact_prefix="$artifacts/" "${seed_files[@]}" >>"$log" 2>&1 || status=$?
  fi
  if [ "$status" -eq 0 ]; then
    "$target" -artifact_prefix="$artifacts/" -max_total_time="$seconds" -max_len=16384 \
      -print_final_stats=1 "$corpus" >>"$log" 2>&1 || status=$?
  fi

  if [ "$status" -ne 0 ]; then
    echo "FAILED: fuzz target $name (exit status $status)"
    local written last_seed
    written=$(grep -o 'Test unit written to .*' "$log" | sed 's/^Test unit written to //' | tail -n 1 || true)
    last_seed=$(grep -o '^Running: .*' "$log" | sed 's/^Running: //' | tail -n 1 || true)
    [ -n "$written" ] && echo "  reproducer: $written"
    [ -z "$written" ] && [ -n "$last_seed" ] && echo "  reproducer: $last_seed (a seed of the regression corpus)"
    echo "  rerun: $target ${written:-$last_seed}"
    echo "  full report: $log; its last lines:"
    tail -n 25 "$log" | sed 's/^/    /'
    return 1
  fi
  grep -E '^(Done|stat::number_of_executed_units)' "$log" || true
  echo "$name: ${#seed_files[@]} seeds replayed; no crash, no undefined behaviour, no leak, properties held"
}
