#!/usr/bin/env bash
# Runs every benchmark on the large generated bank and ends with one table of every
# case: its median, the bare counterpart's median (raw SQL; for start-up, a bare Qt
# program), their ratio, the target and whether it was met.
#
#   bash bench/run.sh [--quick] [--only NAME[,NAME...]]
#
#   --quick          a small bank (2,000 questions) and few start-ups: shows that every
#                    benchmark runs and the table prints; misses of the targets, which
#                    are set for the large bank, do not fail it
#   --only NAMES     some of: store practice exam outline export richtext search review forecast import startup
#   BUILD_DIR=<dir>  build directory (default: build/)
#   QUESTIONS=<n>    size of the bank (default: 100000); it is made once and kept in
#                    <build>/bench-data
#   STARTUPS=<n>     start-ups of each of the program and the baseline (default: 21)
#
# Ends with 0 when every target is met, 3 when one is missed, 1 when a benchmark failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
quick=0
only=store,practice,exam,outline,export,richtext,search,review,forecast,import,startup
while (($#)); do
    case $1 in
        --quick) quick=1 ;;
        --only) only=${2:?--only needs names}; shift ;;
        *) echo "usage: bench/run.sh [--quick] [--only store,practice,exam,outline,export,richtext,search,review,forecast,import,startup]" >&2; exit 2 ;;
    esac
    shift
done
if ((quick)); then
    questions=${QUESTIONS:-2000}
    startups=${STARTUPS:-3}
    quickflags=(--benchmark_min_time=0.05)
else
    questions=${QUESTIONS:-100000}
    startups=${STARTUPS:-21}
    quickflags=()
fi
wanted() { [[ ",$only," == *",$1,"* ]]; }
targets=(gen_bank bench_store bench_practice bench_exam bench_outline bench_export bench_richtext bench_review bench_forecast bench_import bare_start tesvora)
# The search benchmark comes with the search index.
[[ -f "$root/bench/bench_search.cpp" ]] && targets+=(bench_search) || only=${only//search/}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# One build at a time on a shared machine.
lock=()
command -v flock >/dev/null && lock=(flock /tmp/tesvora-build.lock)
"${lock[@]}" cmake --build "$build" -j2 --target "${targets[@]}"

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
export TESVORA_BENCH_BANK="$bank"
table=$(mktemp)
trap 'rm -f "$table"' EXIT
export TESVORA_BENCH_TABLE="$table"

failed=()
missed=0
# run NAME COMMAND...: 0 met, 3 a target missed, anything else a failure.
run() {
    local name=$1 rc=0
    shift
    wanted "$name" || return 0
    echo
    echo "==== $name: $*"
    "$@" || rc=$?
    case $rc in
        0) ;;
        3) missed=1 ;;
        *) failed+=("$name (exit $rc)") ;;
    esac
}

run store "$build/bench/bench_store" "${quickflags[@]}"
run practice "$build/bench/bench_practice" "${quickflags[@]}"
run exam "$build/bench/bench_exam" "${quickflags[@]}"
run outline "$build/bench/bench_outline" "${quickflags[@]}"
run export "$build/bench/bench_export" "${quickflags[@]}"
run richtext "$build/bench/bench_richtext" "${quickflags[@]}"
run search "$build/bench/bench_search" "${quickflags[@]}"
run review "$build/bench/bench_review" "${quickflags[@]}"
run forecast "$build/bench/bench_forecast" "${quickflags[@]}"
run import "$build/bench/bench_import" "${quickflags[@]}"
# startup.sh ends with 1 when the ratio is missed; anything it could not measure it says.
startup_rc=0
if wanted startup; then
    echo
    echo "==== startup: bench/startup.sh $build $startups $bank"
    bash "$root/bench/startup.sh" "$build" "$startups" "$bank" || startup_rc=$?
    if ((startup_rc)) && grep -q '^start-up:' "$table"; then
        missed=1
    elif ((startup_rc)); then
        failed+=("startup (exit $startup_rc)")
    fi
fi

echo
echo "==== every benchmark: median of each run, on a bank of $questions questions$( ((quick)) && echo ' (quick)')"
awk -F'\t' '
    BEGIN { printf "%-44s %10s %10s %7s  %-22s %s\n", "case", "median ms", "raw ms", "ratio", "target", "met" }
    {
        ratio = ($3 != "" && $3 > 0) ? sprintf("%.2f", $2 / $3) : ""
        printf "%-44s %10.3f %10s %7s  %-22s %s\n", $1, $2, ($3 == "" ? "" : sprintf("%.3f", $3)), ratio, $4, $5
    }' "$table"
for f in "${failed[@]}"; do
    echo "FAILED: $f"
done
((${#failed[@]} == 0)) || exit 1
((quick == 0 && missed)) && exit 3
exit 0
