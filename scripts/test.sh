#!/usr/bin/env bash
# Installs what is missing, builds and runs every test with CTest.
#   ./scripts/test.sh             the suite, in ./build
#   ./scripts/test.sh --sanitize  the suite built with clang under AddressSanitizer and
#                                 UndefinedBehaviorSanitizer in ./build-sanitize, then every
#                                 fuzz target for FUZZ_SECONDS (default 60) each
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
if [ "${1:-}" != "--sanitize" ]; then
  "$top/scripts/build.sh"
  ctest --test-dir "$top/build" --output-on-failure -j 2
  exit 0
fi
build=$top/build-sanitize
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DVORN_FUZZ=ON -DVORN_BUILD_BENCHMARKS=OFF -DVORN_NAMING_CHECK=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
. "$top/scripts/sanitizer-env.sh"
ctest --test-dir "$build" --output-on-failure -j 2
"$top/scripts/fuzz.sh" "$build"
