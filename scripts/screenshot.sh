#!/usr/bin/env bash
# Runs the main window under Xvfb with a window manager on a sample project and writes
# docs/main-window.png, docs/message-box.png, docs/report-preview.png and docs/file-dialog.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
[ -f "$build/build.ninja" ] || cmake -S "$top" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target vorn_screenshot_helper
helper="$build/app/vorn_screenshot_helper"
command -v openbox >/dev/null || { echo "openbox is needed: apt-get install openbox" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run" "$work/program"
mkdir -p "$top/docs"

export XDG_RUNTIME_DIR="$work/run" FIREBIRD_LOCK="$work/run/firebird" LC_ALL=C.UTF-8
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  openbox & manager=$!
  sleep 1
  "$1" tour "$2" "$3"; status=$?
  kill "$manager"; wait "$manager" 2>/dev/null || true
  exit $status
' _ "$helper" "$work/program" "$top/docs"
echo "Wrote $top/docs/{main-window,message-box,report-preview,file-dialog}.png"
