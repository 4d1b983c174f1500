#!/usr/bin/env bash
# Builds the store benchmarks, makes the large bank once (kept in <build>/bench-data),
# and runs every case; the medians and their ratios to the bare engine are printed
# at the end. Extra arguments go to bench_store (e.g. --benchmark_filter=Record).
#   BUILD_DIR=<dir>    build directory (default: build/)
#   QUESTIONS=<n>      size of the bank (default: 100000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
questions=${QUESTIONS:-100000}

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target gen_bank bench_store -j2

data="$build/bench-data"
bank="$data/bank-$questions.db"
mkdir -p "$data"
if [ ! -f "$bank" ]; then
  echo "making the benchmark bank ($questions questions) once: $bank"
  rm -f "$bank.part" "$bank.part-wal" "$bank.part-shm"
  "$build/bench/gen_bank" "$bank.part" --questions "$questions"
  rm -f "$bank.part-wal" "$bank.part-shm"
  mv "$bank.part" "$bank"
fi
exec "$build/bench/bench_store" --bank="$bank" "$@"
