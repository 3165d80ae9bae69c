#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
# ./scripts/start.sh          the program, talking to the instrument over USB
# ./scripts/start.sh --demo   the same program with a simulated instrument plugged in
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" --programs
program=vorn
if [ "${1:-}" = "--demo" ]; then program=vorn-demo; fi
exec "$top/build/app/$program"
