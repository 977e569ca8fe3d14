// The page in headless Chromium: one load plays solved start, every chord, a spin past a cube turn, F1, S and Escape,
// each still picture checked against a sticker model; two loads spoil Data files. Usage: node voxra_web_e2e.js SITE_DIR
'use strict';
const fs = require('fs'), path = require('path'), { spawn } = require('child_process'), puppeteer = require('puppeteer-core');
const check = (ok, message) => { if (!ok) throw new Error(message); };
const range = (from, to, step) => Array.from({ length: Math.round((to - from) / step) + 1 }, (_, k) => from + k * step);

// The model. Turn n: axis (X, Y, Z), slab (-, 0, +), sense (+90 or -90 degrees), keypad chord.
const TURNS = 'X+-69 X++63 Y-+23 Y--21 X--47 X-+41 Y++89 Y+-87 X0-58 X0+52 Y0+56 Y0-54 Z-+07 Z--09 Z0+04 Z0-06 Z++01 Z+-03'
  .split(' ').map((t) => ['XYZ'.indexOf(t[0]), '-0+'.indexOf(t[1]) - 1, t[2] === '+' ? 90 : -90, t.slice(3)]);
// Each side's outward normal when solved and its colour as tools/make_data.py draws it.
const SIDES = [[0, 0, 1], [0, 1, 0], [-1, 0, 0], [0, -1, 0], [0, 0, -1], [1, 0, 0]];
const drawn = fs.readFileSync(path.join(__dirname, '../../tools/make_data.py'), 'utf8');
const PALETTE = ['GREEN', 'WHITE', 'ORANGE', 'YELLOW', 'BLUE', 'RED']
  .map((name) => new RegExp(`^${name} = \\((\\d+), (\\d+), (\\d+)\\)`, 'm').exec(drawn).slice(1).map(Number));
// A quarter turn of an integer vector about an axis, right-hand rule.
const quarter = (v, axis, sense, [i, j] = [(axis + 1) % 3, (axis + 2) % 3]) => v.map((c, k) =>
  (k === i ? -sense / 90 * v[j] : k === j ? sense / 90 * v[i] : c));
// The stickers after `ops` (turn numbers; 'cube': a cube turn to the right): "position|normal" -> side.
function stickers(ops) {
  const all = SIDES.flatMap((n, side) => range(0, 8, 1)
    .map((k) => ({ n, side, p: n.map((c, a) => c || (a === n.indexOf(0) ? k % 3 : Math.floor(k / 3)) - 1) })));
  const turn = (axis, slab, sense) => all.filter((s) => s.p[axis] === slab)
    .forEach((s) => { [s.p, s.n] = [quarter(s.p, axis, sense), quarter(s.n, axis, sense)]; });
  for (const op of ops) op === 'cube' ? [-1, 0, 1].forEach((slab) => turn(1, slab, 90)) : turn(...TURNS[op]);
  return new Map(all.map((s) => [`${s.p}|${s.n}`, s.side]));
}
// The side seen at pixel (x, y): the eye at the origin looks down -Z (45-degree field) at the puzzle (-1.5..1.5)
// turned by `spin` about Y and moved to (1.5, 1.5, -15). null: none; 'edge': near a border, or grazing.
const rot = ([x, y, z], deg, c = Math.cos(deg * Math.PI / 180), s = Math.sin(deg * Math.PI / 180)) => [c * x + s * z, y, c * z - s * x];
function seen(map, x, y, w, h, spin) {
  const focal = 1 / Math.tan(Math.PI / 8), o = rot([-1.5, -1.5, 15], -spin);
  const d = rot([(2 * x / w - 1) * w / h / focal, (1 - 2 * y / h) / focal, -1], -spin);
  // Where the ray enters and leaves the slab of each axis; it meets the puzzle on the axis entered last.
  const t = [0, 1, 2].map((i) => [(-1.5 - o[i]) / d[i], (1.5 - o[i]) / d[i]].sort((a, b) => a - b));
  const hit = t.reduce((last, ti, i) => (ti[0] > t[last][0] ? i : last), 0), near = t[hit][0];
  if (near > Math.min(...t.map((ti) => ti[1])) || near < 0) return null;
  const at = o.map((c, i) => c + near * d[i]), n = [0, 1, 2].map((i) => (i === hit ? -Math.sign(d[i]) : 0));
  const p = at.map((c, i) => (i === hit ? n[i] : Math.min(1, Math.max(-1, Math.round(c)))));
  const grazing = Math.abs(d[hit]) / Math.hypot(...d) < 0.35;
  return grazing || at.some((c, i) => i !== hit && Math.abs(c - p[i]) > 0.3) ? 'edge' : map.get(`${p}|${n}`);
}
// The spin of `spins` that fits the picture best, with the share of its sure samples that differ.
const fit = (pic, ops, spins) => spins.map((spin) => {
  const map = stickers(ops), sure = pic.grid.map(([x, y, side]) => [seen(map, x, y, pic.w, pic.h, spin), side])
    .filter(([want]) => want !== null && want !== 'edge');
  return { spin, wrong: sure.length > 50 ? sure.filter(([want, side]) => want !== side).length / sure.length : 1 };
}).reduce((a, b) => (b.wrong < a.wrong ? b : a));

// A page whose dialogs are accepted and kept, its canvas readable; `spoil` (Data file -> bytes; null: removed;
// 'dir': a folder) is applied before the game starts; `refuse` makes the browser refuse fullscreen.
async function open(browser, url, spoil = {}, refuse = false) {
  const page = Object.assign(await browser.newPage(), { dialogs: [] });
  page.on('dialog', (d) => { page.dialogs.push(d.message()); d.accept(); });
  await page.evaluateOnNewDocument((files, refuse) => {
    if (refuse) Element.prototype.requestFullscreen = () => Promise.reject(new TypeError('refused'));
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, a) { return getContext.call(this, type, { ...a, preserveDrawingBuffer: true }); };
    (function count() { window.testFrames = (window.testFrames || 0) + 1; requestAnimationFrame(count); })();
    window.Module = { onRuntimeInitialized: () => Object.entries(files).forEach(([name, bytes]) => {
      FS.unlink('/Data/' + name);
      if (bytes === 'dir') FS.mkdir('/Data/' + name); else if (bytes) FS.writeFile('/Data/' + name, new Uint8Array(bytes)); }) };
  }, spoil, refuse);
  return page.goto(url).then(() => page);
}
async function poll(what, test, timeout = 20000) {
  for (const start = Date.now(); !(await test()); await new Promise((r) => setTimeout(r, 20))) check(Date.now() - start < timeout, what);
}
// The canvas's display and size, the page's frame count and title, the exit code once the game has ended.
const state = (page) => page.$eval('canvas', (c) => [c.style.display, c.width, c.height, window.testFrames,
  document.title, document.body.dataset.exitCode]);
const shown = (page) => poll('the game window titled v1.2', async () => /^block,400,400,\d+,Voxra - By Orvane v1.2,$/.test(await state(page)));
const ended = (page) => poll('the ended page', async () => (await state(page))[5] !== undefined).then(() =>
  page.$eval('body', (b) => `${b.dataset.exitCode} ${b.innerText.trim()} ${b.querySelector('canvas').style.display}`));
// The canvas's picture once unchanged for `quiet` ms, with the page's frame count when it last changed: the
// colour at (x, y), and at every fifth pixel the side whose colour is within 70 (-1: none).
async function still(page, quiet = 250) {
  const grab = () => page.$eval('canvas', (c) => { const ctx = new OffscreenCanvas(c.width, c.height).getContext('2d');
    ctx.drawImage(c, 0, 0);
    return { w: c.width, h: c.height, frame: window.testFrames, rgba: ctx.getImageData(0, 0, c.width, c.height).data.join() }; });
  let pic = await grab(), since = Date.now();
  await poll('a still picture', async () => {
    const now = await grab();
    if (now.rgba !== pic.rgba) [pic, since] = [now, Date.now()];
    return Date.now() - since >= quiet;
  }, 60000);
  const rgba = pic.rgba.split(',').map(Number), colour = (x, y) => rgba.slice(4 * (y * pic.w + x), 4 * (y * pic.w + x) + 3);
  const side = (c) => PALETTE.findIndex((p) => Math.hypot(...p.map((v, k) => v - c[k])) <= 70);
  return Object.assign(pic, { colour, grid: range(2, pic.h - 1, 5).flatMap((y) => range(2, pic.w - 1, 5).map((x) => [x, y, side(colour(x, y))])) });
}
async function expectPicture(page, ops, what, spins = [0]) {
  const best = fit(await still(page), ops, spins);
  check(best.wrong <= 0.02, `${what}: ${(100 * best.wrong).toFixed(1)}% of the picture differs from the model`);
  return best.spin;
}
const frames = (page, n) => page.evaluate((n) => new Promise((done) => (function next() { n-- > 0 ? requestAnimationFrame(next) : done(); })()), n);
// Keys pressed in order, held for a number of the page's frames (the game reads them once a frame), released.
async function hold(page, keys, n) {
  for (const k of keys) await page.keyboard.down(k);
  await frames(page, n);
  for (const k of keys) await page.keyboard.up(k);
}
// A chord held for two frames, then the 16 frames of its turn.
const chord = (page, n) => hold(page, [...TURNS[n][3]].map((d) => 'Numpad' + d), 2).then(() => frames(page, 18));
const FALLBACK = 'Tamo GL\n\nThe Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?';
// F1: a 640 x 480 window titled v1.1, fullscreen (true) or, when the browser refuses, after the question (Yes).
async function f1(page) {
  const asked = page.dialogs.length;
  await hold(page, ['F1'], 2);
  await poll('a 640 x 480 window titled v1.1', async () => /^block,640,480,\d+,Voxra - By Orvane v1.1,$/.test(await state(page)));
  check([undefined, FALLBACK].includes(page.dialogs[asked]), `F1 asked ${page.dialogs[asked]}`);
  return page.evaluate(() => document.fullscreenElement !== null);
}

(async () => {
  const server = spawn('python3', ['-u', '-m', 'http.server', '-b', '127.0.0.1', '0'], { cwd: process.argv[2], stdio: ['ignore', 'pipe', 'ignore'] });
  const url = await new Promise((ok) => server.stdout.on('data', (d) => /port (\d+)/.test(d) && ok(`http://127.0.0.1:${/port (\d+)/.exec(d)[1]}/`)));
  const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox',
    '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-timer-throttling'] });
  try {
    const page = await open(browser, url), ops = [];
    await shown(page);
    await expectPicture(page, ops, 'solved start');
    for (const n of [0, 2, 8, 16, 5, 10, 13, 7, 1, 3, 9, 17, 4, 11, 14, 6, 12, 15]) {
      ops.push(n);
      await chord(page, n).then(() => expectPicture(page, ops, `after turn ${n}`));
    }
    // Right held after a chord spins the view (by multiples of 0.75 degrees) past 46.5, as a rule while the slab turns (the
    // cube turn waits for the commit); it is released under Alt. Then the keys' front slab is the one facing the viewer.
    await hold(page, ['Numpad0', 'Numpad1'], 2);
    await page.keyboard.down('ArrowRight');
    await frames(page, 10);
    for (const [key, down] of [['Alt', 1], ['ArrowRight', 0], ['Alt', 0]]) await page.keyboard[down ? 'down' : 'up'](key);
    const spun = await expectPicture(page, ops.concat(16), 'spun during a turn', range(0, 720, 0.75));
    const cubeTurns = Math.floor((spun + 43.5) / 90);
    check(cubeTurns >= 1, `the view spun ${spun} degrees, not past a cube turn`);
    ops.push(16, ...Array(cubeTurns).fill('cube'));
    await chord(page, 16);
    const spin = await expectPicture(page, ops.concat(16), `front slab after ${spun} degrees`, [spun - 90 * cubeTurns]);
    // F1 reopens solved (fullscreen, or windowed after the question); F1 again windowed.
    console.log(`F1: ${(await f1(page)) ? 'fullscreen granted' : 'refused, question answered Yes'}`);
    await expectPicture(page, [], 'solved after F1', range(spin - 1.5, spin + 1.5, 0.75));
    check(!(await f1(page)), 'the second F1 left the page fullscreen');
    // S: 22 turns of 16 frames, then the picture stands still on a mixed puzzle.
    const start = (await state(page))[3];
    await hold(page, ['KeyS'], 2);
    const mixed = await still(page, 500), took = mixed.frame - start;
    check(took >= 352 && took <= 400 && fit(mixed, [], [spin]).wrong > 0.1, `the scramble took ${took} frames`);
    await hold(page, ['Escape'], 2);
    check(/^0 The game has ended\..* none$/.test(await ended(page)), `after Escape: ${await ended(page)}`);
    // A spoiled Data1: its message, a plain white front (sticker centres, a border); F1 refused: the question, the message.
    const notBitmap = [...Buffer.from('BM'), ...new Array(60).fill(7)], unknown = 'Error\n\nUnknown DIB file format.';
    const spoiled = await open(browser, url, { 'Data1.dll': notBitmap }, true);
    const bare = await shown(spoiled).then(() => still(spoiled));
    check([[218, 182], [254, 146], [289, 111], [236, 146]].every(([x, y]) => bare.colour(x, y).every((c) => c >= 250)),
      'the bare front is not white');
    check(!(await f1(spoiled)) && `${spoiled.dialogs}` === `${unknown},${FALLBACK},${unknown}`, `dialogs: ${spoiled.dialogs}`);
    // Data8 missing ends the game with exit code 1 after Data3's message; a folder is skipped silently.
    const fatal = await open(browser, url, { 'Data3.dll': notBitmap, 'Data5.dll': 'dir', 'Data8.dll': null });
    check(/^1 The game has ended/.test(await ended(fatal)), `missing Data8: ${await ended(fatal)}`);
    check(`${fatal.dialogs}` === `${unknown},ERROR\n\nInitialization Failed.`, `dialogs: ${fatal.dialogs}`);
  } finally { await browser.close(); server.kill(); }
})().catch((e) => { console.error('web e2e: FAILED:', e.message); process.exit(1); });
