#!/usr/bin/env bash
# Measures the page in each engine: headless Chromium (SwiftShader), then
# Firefox ESR and WebKitGTK's MiniBrowser in windows on a private Xvfb (Mesa's
# llvmpipe), and prints for each:
#  - frames/s of the game, its on-screen pad shown, beside a page that only
#    clears a WebGL canvas of the game canvas's size once per animation frame
#    (the display rate), measured in turns in the same browser, and their
#    ratio (goal >= 0.99);
#  - time from navigation to the first presented frame (goal: median <= 200 ms
#    in Chromium), with the steps of the start on the way there;
#  - in Chromium, the renderer's work per game frame (layouts, style
#    recalculations, script and task time), which machine load hardly changes;
#  - given another build's site folder (say main's build/web/site), its
#    frames/s measured in the same turns, and the game's ratio to it;
#  - once, the page's files gzip-compressed (goal <= 120 KB).
# A frame is a glClear (the game clears once per drawn frame), counted from
# outside the game by wrapping the WebGL context's clear.
# Usage: scripts/bench-web.sh [seconds per measurement, default 5] [other site folder]
# (VOXRA_WEB_ENGINES="chromium firefox webkit", the default, chooses the engines.)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-5}"
build=build/web

nice -n 10 cmake --preset web >/dev/null
nice -n 10 cmake --build --preset web >/dev/null
bench="$build/bench-web"
rm -rf "$bench" && mkdir -p "$bench" && cp -r "$build/site" "$bench/site"
if [ -n "${2:-}" ]; then cp -r "$2" "$bench/other"; fi
cat > "$bench/clear.html" <<'HTML'
<!doctype html><head><style>body { margin: 0; }</style></head><canvas id="c"></canvas><script>
  const size = new URLSearchParams(location.search), c = document.getElementById('c');
  [c.width, c.height] = [+size.get('w'), +size.get('h')];
  [c.style.width, c.style.height] = [c.width / devicePixelRatio + 'px', c.height / devicePixelRatio + 'px'];
  const gl = c.getContext('webgl', { antialias: false, alpha: false });
  const frame = () => { gl.clearColor(0, 0, 0, 1); gl.clear(gl.COLOR_BUFFER_BIT); requestAnimationFrame(frame); };
  requestAnimationFrame(frame);
</script>
HTML

echo "page files, gzip -9:"
total=0
for path in "$build"/site/*; do
  f=$(basename "$path")
  raw=$(stat -c %s "$path"); gz=$(gzip -9c "$path" | wc -c); total=$((total + gz))
  printf '  %-20s %8d bytes, %7d gzip\n' "$f" "$raw" "$gz"
done
printf '  total                %d bytes gzip (%.1f KB; goal <= 120 KB)\n' "$total" "$(echo "$total / 1024" | bc -l)"

PYTHONPATH=tools python3 bench/web/page_bench.py "$bench" "$seconds" ${VOXRA_WEB_ENGINES:-chromium firefox webkit}

# The same scene, the solved start, from the native build where there is one
# (cmake --preset linux), in Xvfb: pixels that differ and the largest channel
# difference between the two pictures.
native=build/linux/voxra
if [ -x "$native" ] && command -v xvfb-run >/dev/null && command -v compare >/dev/null; then
  (cd "$(dirname "$native")" && xvfb-run -a -s "-screen 0 800x600x24" sh -c \
    './voxra & game=$!; sleep 3; import -window root -crop 400x400+0+0 "$0"; kill $game' \
    "$OLDPWD/$bench/native.png")
  differ=$(compare -metric AE "$bench/native.png" "$bench/web.png" null: 2>&1 || true)
  within=$(compare -metric AE -fuzz 2% "$bench/native.png" "$bench/web.png" null: 2>&1 || true)
  peak=$(compare -metric PAE "$bench/native.png" "$bench/web.png" null: 2>&1 || true)
  echo "web vs native picture (400 x 400 = 160000 pixels): $differ differ, $within by more than 2%; largest difference $peak"
else
  echo "web vs native picture: no native build (cmake --preset linux) or no xvfb-run/imagemagick; skipped"
fi
