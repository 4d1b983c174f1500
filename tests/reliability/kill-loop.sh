#!/usr/bin/env bash
# Kills the answering (one time in four, the importing) program N times at random moments and checks the bank after
# every kill: bash tests/reliability/kill-loop.sh N [--seed S] [--max-delay MS] [--keep DIR]
# Works on a copy of the demo bank (BANK=... for another one); runs niced.
# The seed (--seed, else TESVORA_KILL_SEED, else a new one) is printed first; giving it
# again repeats the children's answers and every delay before a kill. Where in an answer
# a kill lands still depends on the machine's speed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
kills=${1:?usage: kill-loop.sh N [--seed S] [--max-delay MS] [--keep DIR]}
shift
lock=()
command -v flock >/dev/null && lock=(flock /tmp/tesvora-build.lock)
"${lock[@]}" cmake --build "$build" --target reliability_harness >/dev/null
exec nice -n 19 "$build/tests/reliability_harness" kill-loop "${BANK:-$build/demo/ZT468913.db}" "$kills" "$@"
