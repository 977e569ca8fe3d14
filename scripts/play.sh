#!/usr/bin/env bash
# Installs what is missing, builds the native game and starts it from its
# build folder (where Data/ lies beside it).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target voxra
cd build/linux
exec ./voxra
