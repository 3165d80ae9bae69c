#!/usr/bin/env bash
# Configures and builds into ./build (Release with debug info).
# ./scripts/build.sh             everything: programs, tests and benchmarks
# ./scripts/build.sh --programs  only what the package and the start need
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "${1:-}" = "--programs" ]; then
  cmake --build "$top/build" -j "$(nproc)" --target vorn vorn-demo vornctl vorn_docs
else
  cmake --build "$top/build" -j "$(nproc)"
fi
