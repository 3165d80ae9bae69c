#!/usr/bin/env bash
# Installs what is missing, builds and runs every test with CTest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
ctest --test-dir "$top/build" --output-on-failure -j 2
