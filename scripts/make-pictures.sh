#!/usr/bin/env bash
# Makes the README's pictures from the real game: builds the native game
# (build/perf-pictures), runs it on a private Xvfb, and writes
# docs/voxra.png (a screenshot) and docs/voxra-turn.gif (a quarter turn,
# every presented frame); builds the page (cmake --preset web) and writes
# docs/voxra-phone.png (the page on a phone, in headless Chromium). Needs
# Xvfb, python3-xlib, ImageMagick, Emscripten and Chromium.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh
cmake --preset linux -B build/perf-pictures -DVOXRA_TESTS=OFF >/dev/null
cmake --build build/perf-pictures -j2 --target voxra
python=/usr/bin/python3
[ -x "$python" ] || python=python3
export PYTHONPATH="$PWD/tools${PYTHONPATH:+:$PYTHONPATH}"  # the drivers of tools/drive
"$python" scripts/make_pictures.py --exe build/perf-pictures/voxra \
  --workdir build/perf-pictures --out docs
cmake --preset web >/dev/null
cmake --build --preset web
"$python" scripts/make_web_picture.py build/web/site docs/voxra-phone.png
