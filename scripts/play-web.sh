#!/usr/bin/env bash
# Installs what is missing, builds the page (cmake preset web) and serves its
# static folder on 127.0.0.1; open the printed address in a browser.
# Usage: scripts/play-web.sh [port]   (default 8080)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
port="${1:-8080}"

# Debian's Emscripten and the build tools; node only where none is installed
# (a nodesource node works too). Chromium runs the page's tests.
packages=(cmake ninja-build python3 emscripten chromium)
command -v node >/dev/null || packages+=(nodejs)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake --preset web >/dev/null
cmake --build --preset web
echo "Voxra: http://127.0.0.1:${port}/  (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/site
