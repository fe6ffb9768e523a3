#!/usr/bin/env bash
# Builds the benchmarks in Release (in build-bench/) and prints one table: every performance
# figure beside its baseline measured in the same run, the goal and whether it was met.
#
#   bash scripts/bench.sh          full run (about four minutes once built)
#   bash scripts/bench.sh --fast   smaller runs, under a minute once built (noisier figures)
#
# The window's thread in the latency, timer and chatty-controller benches runs at real-time
# priority when the user may set it (root), so other load on the machine does not decide
# sub-millisecond figures; QM47_BENCH_NO_RT=1 turns that off. Every connection goes to 127.0.0.1.
# What each program printed besides its rows is kept in build-bench/bench.log.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=full
case "${1:-}" in
  --fast) mode=fast ;;
  "") ;;
  *)
    echo "usage: $0 [--fast]" >&2
    exit 2
    ;;
esac

bash scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQM47_WITH_BENCH=ON >/dev/null
programs=(qm47_bench qm47_log_bench qm47_chatty_bench qm47_latency_bench qm47_timers_bench
  qm47_startup_bench qm47_long_session_bench)
cmake --build build-bench -j2 --target "${programs[@]}" qm47-sim qm47_startup_probe \
  qm47_startup_minimal >/dev/null

if [ "$mode" = fast ]; then
  export QM47_BENCH_FAST=1
fi
export QT_QPA_PLATFORM=offscreen
bin=build-bench/bin
log=build-bench/bench.log
rows=build-bench/bench.rows
: >"$log"
: >"$rows"

# Runs one program, keeping its ROW lines and logging the rest; a failure becomes a row of its own.
run() {
  local item=$1
  shift
  local out
  echo "== $*" >>"$log"
  if out=$("$@" 2>>"$log"); then
    printf '%s\n' "$out" | grep '^ROW' >>"$rows" || true
    printf '%s\n' "$out" | grep -v '^ROW' >>"$log" || true
  else
    printf '%s\n' "$out" >>"$log"
    printf 'ROW\t%s\t%s failed (see %s)\t-\t-\t-\tno\n' "$item" "$(basename "$1")" "$log" >>"$rows"
  fi
}

# 1: the decoder benchmark (Google Benchmark); its seconds per byte become one row.
decoder_row() {
  local csv
  csv=$("$bin/qm47_bench" --benchmark_format=csv 2>>"$log") || {
    printf 'ROW\t1\tqm47_bench failed (see %s)\t-\t-\t-\tno\n' "$log" >>"$rows"
    return
  }
  printf '%s\n' "$csv" >>"$log"
  printf '%s\n' "$csv" | awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); col[$i] = i }; next }
    { gsub(/"/, "", $1); perByte[$1] = $col["time_per_byte"] * 1e9 }
    END {
      hex = perByte["BM_HexLineOnly"]; both = perByte["BM_DecodeWithHex"]
      text = perByte["BM_DecodeTextOnly"]; ratio = both / hex
      printf "ROW\t1\tdecoder, mixed stream in 255-byte chunks: with the hex line (text only %.2f ns/byte)\t%.2f ns/byte\t%.2f ns/byte (hex line only)\t<= 1.3x baseline (%.2fx)\t%s\n",
        text, both, hex, ratio, (ratio <= 1.3 ? "yes" : "no")
    }' >>"$rows"
}

started=$(date +%s)
decoder_row
run 2 "$bin/qm47_log_bench"
run 3 "$bin/qm47_chatty_bench"
run 4 "$bin/qm47_latency_bench"
run 5 "$bin/qm47_timers_bench"
run 6 "$bin/qm47_startup_bench"
run 7 "$bin/qm47_long_session_bench"
took=$(($(date +%s) - started))

echo
echo "Performance, $mode run of $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, ${took} s"
echo "(baselines measured in the same run; see bench/ for what each figure measures)"
echo
echo "| # | Figure | Program | Baseline | Goal | Met |"
echo "|---|---|---|---|---|---|"
sort -s -t $'\t' -k2,2n "$rows" | awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7 }'
