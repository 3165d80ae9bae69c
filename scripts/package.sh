#!/usr/bin/env bash
# Installs what is missing, builds the programs and makes the Debian package
# build/vorn_<version>_<arch>.deb (and its debug symbols, vorn-dbgsym_<version>_<arch>.ddeb).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" --programs
cd "$top/build" && cpack -G DEB
