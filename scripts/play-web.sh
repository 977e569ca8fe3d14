#!/usr/bin/env bash
# Installs what is missing, builds the page (cmake preset web) and serves its
# static folder on 127.0.0.1; open the printed address in a browser.
# Usage: scripts/play-web.sh [port]   (default 8080)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
port="${1:-8080}"
./scripts/install-deps.sh web
cmake --preset web >/dev/null
cmake --build --preset web
echo "Voxra: http://127.0.0.1:${port}/  (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/site
