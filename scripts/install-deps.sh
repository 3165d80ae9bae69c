#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt that are not installed yet.
# Idempotent and non-interactive; uses sudo when not run as root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v '^\s*#' "$here/packages.txt" | grep -v '^\s*$')
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
# firebird3.0-server enables a system server on port 3050; the tests start private ones on
# loopback, and nothing here needs the system one.
if [[ " ${missing[*]} " == *" firebird3.0-server "* ]] && command -v systemctl > /dev/null; then
  "${sudo[@]}" systemctl disable --now firebird3.0 > /dev/null 2>&1 || true
fi
