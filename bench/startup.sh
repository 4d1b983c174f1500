#!/usr/bin/env bash
# Start-up time of the program to a shown menu, measured from outside.
#
#   bench/startup.sh [build-dir] [runs]
#
# Runs <build-dir>/bin/tesvora --quit-after-show on its demo bank (bin/data/ZT468913.db)
# several times under a private X server (1024 x 768, like the target screens) and prints,
# per run, the time from starting the process until the menu's first frame is on the
# screen, and until the process has ended.
set -euo pipefail

build=${1:-build}
runs=${2:-5}
exe="$build/bin/tesvora"
[[ -x "$exe" ]] || { echo "no program at $exe (build it first)" >&2; exit 1; }
[[ -f "$build/bin/data/ZT468913.db" ]] || { echo "no demo bank in $build/bin/data" >&2; exit 1; }

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

ms() { echo $(( ($2 - $1) / 1000000 )); }

shown_all=()
printf '%-5s %10s %10s\n' run "shown/ms" "ended/ms"
for i in $(seq "$runs"); do
    start=$(date +%s%N)
    shown=
    while IFS= read -r line; do
        [[ -z "$shown" && "$line" == *"menu on screen"* ]] && shown=$(date +%s%N)
    done < <("$exe" --quit-after-show --instance "tesvora-bench-$$" 2>&1)
    end=$(date +%s%N)
    [[ -n "$shown" ]] || { echo "run $i: the menu never showed" >&2; exit 1; }
    shown_all+=("$(ms "$start" "$shown")")
    printf '%-5s %10s %10s\n' "$i" "$(ms "$start" "$shown")" "$(ms "$start" "$end")"
done

sorted=($(printf '%s\n' "${shown_all[@]}" | sort -n))
echo "to a shown menu: median $(( sorted[${#sorted[@]} / 2] )) ms, best ${sorted[0]} ms, worst ${sorted[-1]} ms"
