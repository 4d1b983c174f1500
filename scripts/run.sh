#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the bundled demo bank.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
echo "Program folder: $root/build/bin"
exec "$root/build/bin/tesvora" "$@"
