#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from a built tree, runs lintian on it and renders its manual pages.
# Fails on any error or warning tag, and on an information tag that no override explains.
# Exit 77 (skipped) where lintian is not installed.
set -eu
build=$1
command -v lintian >/dev/null 2>&1 || { echo "lintian is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/vorn_*.deb)
ls "$work"/vorn-dbgsym_*.ddeb >/dev/null 2>&1 || { echo "no debug symbol package"; exit 1; }
lintian -EvIL +pedantic --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -E '^[EWI]: ' "$work/lintian.log"; then
  echo "lintian: error, warning or unexplained information tags above"
  exit 1
fi
dpkg-deb -x "$deb" "$work/root"
for page in vorn vorn-demo vornctl; do
  file="$work/root/usr/share/man/man1/$page.1.gz"
  [ -f "$file" ] || { echo "missing manual page $page(1)"; exit 1; }
  rendered=$(MANWIDTH=80 man -l "$file" 2>&1)
  echo "$rendered" | grep -q "^NAME" || { echo "$page(1) does not render:"; echo "$rendered"; exit 1; }
done
echo "package $(basename "$deb"): lintian clean, manual pages render"
