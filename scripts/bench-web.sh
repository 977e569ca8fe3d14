#!/usr/bin/env bash
# Measures the page in headless Chromium (SwiftShader) and prints:
#  - frames/s of the game beside a page that only clears a 400 x 400 WebGL
#    canvas once per animation frame (the display rate), measured in turns in
#    the same browser, and their ratio (goal >= 0.99);
#  - time from navigation to the first presented frame (goal <= 1 s);
#  - the page's files gzip-compressed (goal <= 400 KB).
# A frame is a glClear (the game clears once per drawn frame), counted from
# outside the game by wrapping the WebGL context's clear.
# Usage: scripts/bench-web.sh [seconds per measurement, default 5]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-5}"
build=build/web

nice -n 10 cmake --preset web >/dev/null
nice -n 10 cmake --build --preset web >/dev/null
npm_dir="$build/web-e2e"
if [ ! -d "$npm_dir/node_modules/puppeteer-core" ]; then
  (cd "$npm_dir" && npm ci --no-audit --no-fund --loglevel=error)
fi

bench="$build/bench-web"
rm -rf "$bench" && mkdir -p "$bench" && cp -r "$build/site" "$bench/site"
cat > "$bench/clear.html" <<'HTML'
<!doctype html><canvas id="c" width="400" height="400"></canvas><script>
  const gl = document.getElementById('c').getContext('webgl', { antialias: false, alpha: false });
  const frame = () => { gl.clearColor(0, 0, 0, 1); gl.clear(gl.COLOR_BUFFER_BIT); requestAnimationFrame(frame); };
  requestAnimationFrame(frame);
</script>
HTML

echo "page files, gzip -9:"
total=0
for f in index.html voxra.js voxra.wasm voxra.data; do
  raw=$(stat -c %s "$build/site/$f"); gz=$(gzip -9c "$build/site/$f" | wc -c); total=$((total + gz))
  printf '  %-11s %8d bytes, %7d gzip\n' "$f" "$raw" "$gz"
done
printf '  total       %d bytes gzip (%.1f KB; goal <= 400 KB)\n' "$total" "$(echo "$total / 1024" | bc -l)"

python3 -m http.server 0 --bind 127.0.0.1 --directory "$bench" > "$bench/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
port=""
for _ in $(seq 50); do
  port=$(grep -o 'port [0-9]*' "$bench/server.log" | head -1 | cut -d' ' -f2 || true)
  [ -n "$port" ] && break
  sleep 0.1
done

NODE_PATH="$npm_dir/node_modules" node - "http://127.0.0.1:$port" "$seconds" "$bench/web.png" <<'JS'
const puppeteer = require('puppeteer-core');
const [base, seconds, shotPath] = process.argv.slice(2);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
(async () => {
  const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true, args: [
    '--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-default-apps',
    '--disable-extensions', '--disable-sync', '--no-first-run', '--mute-audio'] });
  // Every clear's time; the first frame is the animation frame after the first clear.
  const open = async (url) => {
    const page = await browser.newPage();
    await page.setCacheEnabled(false);
    await page.evaluateOnNewDocument(() => {
      window.clears = [];
      for (const proto of [WebGLRenderingContext.prototype, WebGL2RenderingContext.prototype]) {
        const clear = proto.clear;
        proto.clear = function (mask) {
          if (clears.length === 0) requestAnimationFrame(() => { window.firstFrame = performance.now(); });
          clears.push(performance.now());
          return clear.call(this, mask);
        };
      }
    });
    await page.goto(url);
    await page.waitForFunction(() => window.firstFrame !== undefined, { timeout: 30000 });
    return page;
  };
  const rate = async (page) => {
    await sleep(1000);
    const [a, b] = await page.evaluate(async (ms) => {
      const start = clears.length; await new Promise((r) => setTimeout(r, ms)); return [start, clears.length];
    }, seconds * 1000);
    return (b - a) / seconds;
  };
  const game = [], clear = [], first = [];
  for (let round = 0; round < 3; round++) {
    let page = await open(base + '/clear.html'); clear.push(await rate(page)); await page.close();
    page = await open(base + '/site/index.html'); first.push(await page.evaluate(() => firstFrame));
    game.push(await rate(page));
    if (round === 0) await page.screenshot({ path: shotPath, clip: { x: 0, y: 0, width: 400, height: 400 } });
    await page.close();
  }
  const mean = (v) => v.reduce((s, x) => s + x, 0) / v.length;
  const fmt = (v) => v.map((x) => x.toFixed(1)).join(', ');
  console.log(`frames/s, clear-only page: ${fmt(clear)}  (mean ${mean(clear).toFixed(1)})`);
  console.log(`frames/s, game:            ${fmt(game)}  (mean ${mean(game).toFixed(1)})`);
  console.log(`ratio game / clear-only:   ${(mean(game) / mean(clear)).toFixed(3)}  (goal >= 0.99)`);
  console.log(`navigation to first frame: ${first.map((x) => x.toFixed(0)).join(', ')} ms  (goal <= 1000 ms)`);
  await browser.close();
})().catch((e) => { console.error(e); process.exit(1); });
JS

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
