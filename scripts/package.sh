#!/usr/bin/env bash
# Installs what is missing, builds and makes the Debian package build/vorn_<version>_<arch>.deb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cd "$top/build" && cpack -G DEB
