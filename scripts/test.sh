#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite offscreen.
#
#   scripts/test.sh [ctest args]             build/ and its suite
#   scripts/test.sh --sanitize [ctest args]  build-sanitize/ with AddressSanitizer and
#                                            UndefinedBehaviorSanitizer, then its suite
#
# The sanitizer build is slow and large, so it runs niced and one compile at a time
# (SANITIZE_JOBS overrides). With clang it also builds the libFuzzer targets, which
# need the same instrumentation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export QT_QPA_PLATFORM=offscreen

if [[ "${1:-}" != "--sanitize" ]]; then
  "$root/scripts/build.sh"
  cd "$root/build"
  ctest --output-on-failure -j2 "$@"
  exit
fi
shift

"$root/scripts/install-deps.sh"
out="$root/build-sanitize"
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize=vptr"
extra=()
if command -v clang++ >/dev/null; then
  extra=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESVORA_FUZZ=ON)
fi
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESVORA_BENCH=OFF \
  "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" \
  "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" "${extra[@]}" >/dev/null
# Build steps run the bank and art tools: their leaks are reported by the suite's run.
ASAN_OPTIONS=detect_leaks=0 nice -n 19 cmake --build "$out" -j "${SANITIZE_JOBS:-1}"

# Every finding fails its test; leaks of the platform's font caches are not ours.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$out"
nice -n 19 ctest --output-on-failure -j1 --timeout 1800 "$@"
