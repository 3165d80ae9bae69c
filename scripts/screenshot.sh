#!/usr/bin/env bash
# Starts the program under Xvfb with a sample project open and writes docs/main-window.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
[ -f "$build/build.ninja" ] || cmake -S "$top" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target vorn vorn_screenshot_helper
helper="$build/app/vorn_screenshot_helper"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
cp "$build/app/vorn" "$work/vorn"
QT_QPA_PLATFORM=offscreen "$helper" project "$work"
mkdir -p "$top/docs"

export XDG_RUNTIME_DIR="$work/run" FIREBIRD_LOCK="$work/run/firebird"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" & program=$!
  sleep 4
  "$2" grab "$3"
  kill -KILL "$program"; wait "$program" 2>/dev/null || true
' _ "$work/vorn" "$helper" "$top/docs/main-window.png"
echo "Wrote $top/docs/main-window.png"
