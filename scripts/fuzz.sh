#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each for a bounded time on a
# scratch copy of its seed corpus (the repo's corpus never grows here). libFuzzer's output goes
# to a log per target; a table of executions follows. Fails when any target finds a crash,
# a leak, undefined behaviour, a broken property or a hang.
#   FUZZ_SECONDS=600 bash scripts/fuzz.sh    # a longer run (default: 30 s per target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
targets=(fuzz_nvt_decoder fuzz_hex_text fuzz_ini_file fuzz_address_check)

echo "building the fuzz targets (clang, libFuzzer, ASan + UBSan) in build-fuzz/"
mkdir -p build-fuzz
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz >build-fuzz/configure.log 2>&1 ||
  { cat build-fuzz/configure.log; exit 1; }
cmake --build build-fuzz -j2 >build-fuzz/build.log 2>&1 || { tail -50 build-fuzz/build.log; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/qm47-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
logs=build-fuzz/logs
artifacts=build-fuzz/artifacts
mkdir -p "$logs" "$artifacts"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

rows=()
failed=0
for target in "${targets[@]}"; do
  corpus="$scratch/$target"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  log="$logs/$target.log"
  printf 'running %-20s for %s s\n' "$target" "$seconds"
  status=ok
  if ! build-fuzz/bin/"$target" -max_total_time="$seconds" -timeout=20 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$corpus" \
      </dev/null >"$log" 2>&1; then
    status=FAILED
    failed=1
    echo "---- $target failed; the end of $log:"
    tail -40 "$log"
    echo "---- the input that failed is kept in $artifacts/"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  units=$(find "$corpus" -type f | wc -l)
  rows+=("$(printf '%-20s %12s %14s %8s  %s' "$target" "${rate:--}" "${runs:--}" "$units" "$status")")
done

echo
printf '%-20s %12s %14s %8s  %s\n' target "exec/s" "executions" corpus result
printf '%s\n' "${rows[@]}"
exit "$failed"
