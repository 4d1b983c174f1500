#!/usr/bin/env bash
# Start-up time of the program to a shown menu beside a bare Qt program, measured from
# outside in the same run.
#
#   bench/startup.sh [build-dir] [runs] [bank]
#
# Each run starts, in turn (the order swapped every other run, so both see the same load):
#   the program:  <build-dir>/bin/tesvora --quit-after-show --bank <copy of the bank>
#   the baseline: <build-dir>/bench/bare_start <the same copy>, which opens the bank with its
#                 key and shows one maximised window with a Chinese label
# under a private X server (1024 x 768, like the target screens; the current $DISPLAY when
# one is set), and times each from starting the process until its first frame is on the
# screen (the line it logs once that frame is painted), and until it has ended. The bank
# is the demo bank unless one is named. The medians and their ratio (target: at most
# 1.5 x the baseline) come last; with TESVORA_BENCH_TABLE set they are added to that file
# as bench/run.sh's table expects.
set -euo pipefail

build=${1:-build}
runs=${2:-11}
bank=${3:-$build/bin/data/ZT468913.db}
exe="$build/bin/tesvora"
bare="$build/bench/bare_start"
[[ -x "$exe" ]] || { echo "no program at $exe (build it first)" >&2; exit 1; }
[[ -x "$bare" ]] || { echo "no baseline at $bare (build the bare_start target)" >&2; exit 1; }
[[ -f "$bank" ]] || { echo "no bank at $bank" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

if [[ -z "${DISPLAY:-}" ]]; then
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
fi
export XDG_RUNTIME_DIR="$work"
export QT_LOGGING_RULES="tesvora.start.info=true"
unset QT_QPA_PLATFORM

# Both open the same copy: the program writes to its bank (journal, today's log).
copy="$work/bank.db"
cp "$bank" "$copy"

ms() { echo $(( ($2 - $1) / 1000000 )); }

# time_to_frame WHAT COMMAND...: "<ms to the first frame> <ms to the end>" of one start.
time_to_frame() {
    local marker=$1 start shown= end line
    shift
    start=$(date +%s%N)
    while IFS= read -r line; do
        [[ -z "$shown" && "$line" == *"$marker"* ]] && shown=$(date +%s%N)
        printf '%s\n' "$line" >>"$work/output"
    done < <("$@" 2>&1; echo "exit $?")
    end=$(date +%s%N)
    if [[ -z "$shown" ]]; then
        echo "$* never showed its first frame; it said:" >&2
        tail -n 20 "$work/output" >&2
        return 1
    fi
    : >"$work/output"
    echo "$(ms "$start" "$shown") $(ms "$start" "$end")"
}

program() { time_to_frame "menu on screen" "$exe" --quit-after-show --instance "tesvora-bench-$$" --bank "$copy"; }
baseline() { time_to_frame "bare window on screen" "$bare" "$copy"; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One start of each first, untimed: the fonts and libraries come from the disk once.
program >/dev/null
baseline >/dev/null

shown_program=() shown_bare=()
printf '%-5s %14s %14s %14s %14s\n' run "program/ms" "ended/ms" "bare/ms" "ended/ms"
for i in $(seq "$runs"); do
    if (( i % 2 )); then
        rp=$(program)
        rb=$(baseline)
    else
        rb=$(baseline)
        rp=$(program)
    fi
    read -r p pe <<<"$rp"
    read -r b be <<<"$rb"
    shown_program+=("$p")
    shown_bare+=("$b")
    printf '%-5s %14s %14s %14s %14s\n' "$i" "$p" "$pe" "$b" "$be"
done

mp=$(printf '%s\n' "${shown_program[@]}" | median)
mb=$(printf '%s\n' "${shown_bare[@]}" | median)
ratio=$(awk -v p="$mp" -v b="$mb" 'BEGIN { printf "%.2f", (b > 0 ? p / b : 0) }')
met=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) ? "met" : "MISSED" }')
echo "first frame, median of $runs: program $mp ms, bare $mb ms, ratio $ratio (target <= 1.5x) $met"
echo "  program: best $(printf '%s\n' "${shown_program[@]}" | sort -n | head -1) ms, worst $(printf '%s\n' "${shown_program[@]}" | sort -n | tail -1) ms;" \
     "bare: best $(printf '%s\n' "${shown_bare[@]}" | sort -n | head -1) ms, worst $(printf '%s\n' "${shown_bare[@]}" | sort -n | tail -1) ms"
if [[ -n "${TESVORA_BENCH_TABLE:-}" ]]; then
    printf 'start-up: menu first frame\t%s\t%s\t<= 1.5x raw\t%s\n' "$mp" "$mb" "$met" >>"$TESVORA_BENCH_TABLE"
fi
[[ "$met" == met ]]
