// SPDX-License-Identifier: Zlib
// browser_test.mjs - the game's page (build-web/dist) in headless Chromium, driven by puppeteer-core
// through a static server of its own on a free local port:
//   one loading bar over the three files' bytes, full before the first frame; the files' URLs carry
//   the version of their contents; the tab's title and the canvas's name; an overlay asks for a
//   click or key, which the game never sees; title screen pixels, a key starts a run, the arrows
//   move the figure, a ball ends a run standing still and the banner shows, a key returns to the
//   title, the same on a phone-sized touch screen with touches alone; a hidden tab stops the game
//   and silences it until a key; the audio callback runs, the console holds the start-up lines and
//   no warning or error, Ctrl+Q ends the game with a line on the page, no JavaScript error;
//   failures that stay on the page: no WebGL, the page opened as a file, a download that failed;
//   a damaged data.json gives the desktop's messages (DESKTOP_GAME, run under DISPLAY) and no
//   exception; the corner link, clear of the canvas, leads to licences/index.html, which lists
//   exactly the licence files and the files in source/ there are, each licence file carrying the
//   full text of every /usr/share/common-licenses/NAME it names, each .dsc the files it lists, the
//   game's source archive (or a note why it is missing) this very page. Prints "ok: <check>" or
//   "FAIL: <check>" per check and the measured times; exits 1 on any failure.
//
//   node tests/web/browser_test.mjs build-web/dist [--desktop build/glitzfall] [--shots DIR]
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import crypto from 'node:crypto';
import { spawn, execFileSync } from 'node:child_process';
import puppeteer from 'puppeteer-core';

const args = process.argv.slice(2);
const dist = path.resolve(args[0] || 'build-web/dist');
const option = (name) => { const i = args.indexOf(name); return i >= 0 ? args[i + 1] : null; };
const desktopGame = option('--desktop');
const shotsDir = option('--shots');
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
const VIEW_W = 1024, VIEW_H = 768;

let failures = 0;
function check(ok, what, detail) {
  console.log(`${ok ? 'ok' : 'FAIL'}: ${what}${!ok && detail !== undefined ? ` (${detail})` : ''}`);
  if (!ok) failures++;
  return ok;
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// ---- the static server: dist/ as it is, or with one file's bytes replaced ---------------------

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream', '.txt': 'text/plain' };
let replaced = {};   // URL path -> Buffer served instead of the file
let gone = new Set();   // URL paths answered 404
const server = http.createServer((req, res) => {
  const url = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  const file = path.join(dist, url === '/' ? 'index.html' : url);
  if (!file.startsWith(dist)) { res.writeHead(403); return res.end(); }
  if (gone.has(url)) { res.writeHead(404); return res.end(); }
  const body = replaced[url] || (fs.existsSync(file) && fs.statSync(file).isFile() ? fs.readFileSync(file) : null);
  if (!body) { res.writeHead(404); return res.end(); }
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                       'Cache-Control': 'no-store' });
  res.end(body);
});
await new Promise((r) => server.listen(0, '127.0.0.1', r));
const base = `http://127.0.0.1:${server.address().port}/`;

// ---- the browser ------------------------------------------------------------------------------

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
         '--autoplay-policy=no-user-gesture-required', '--window-size=1100,900'],
});

// Before the page's own scripts: WebGL keeps its drawing buffer (so the canvas can be read
// between frames), and the time of the first presented frame is taken when the game says so.
function pageHooks() {
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function(kind, attrs) {
    if (/webgl/.test(kind)) attrs = Object.assign({}, attrs, { preserveDrawingBuffer: true });
    return getContext.call(this, kind, attrs);
  };
  // The loading bar (its ARIA values, in bytes) at every change and at the first frame.
  window.glitzBar = { history: [], atFirstFrame: null };
  const barNow = () => {
    const bar = document.querySelector('[role=progressbar]');
    return bar ? [+bar.getAttribute('aria-valuenow'), +bar.getAttribute('aria-valuemax')] : null;
  };
  document.addEventListener('DOMContentLoaded', () => {
    const bar = document.querySelector('[role=progressbar]');
    if (bar) new MutationObserver(() => window.glitzBar.history.push(barNow())).observe(bar, { attributes: true });
  });
  for (const kind of ['log', 'info', 'warn', 'error']) {
    const original = console[kind];
    console[kind] = function(...a) {
      if (String(a[0]).startsWith('first frame at') && window.glitzFirstFrame === undefined) {
        window.glitzFirstFrame = performance.now();
        window.glitzBar.atFirstFrame = barNow();
      }
      return original.apply(this, a);
    };
  }
  // The canvas as RGBA bytes, and summaries of it computed in the page.
  window.glitzPixels = function() {
    const c = document.getElementById('canvas');
    const t = document.createElement('canvas');
    t.width = c.width; t.height = c.height;
    const g = t.getContext('2d');
    g.drawImage(c, 0, 0);
    return g.getImageData(0, 0, c.width, c.height);
  };
  window.glitzShots = {};
  window.glitzShoot = function(name) { window.glitzShots[name] = window.glitzPixels(); };
  // Share of pixels in the rectangle that are not black; and their mean x.
  window.glitzLit = function(name, x0, y0, x1, y1) {
    const im = window.glitzShots[name];
    let lit = 0, sx = 0, all = 0;
    for (let y = y0; y < y1; y++)
      for (let x = x0; x < x1; x++) {
        const i = (y * im.width + x) * 4;
        all++;
        if (im.data[i] + im.data[i + 1] + im.data[i + 2] > 48) { lit++; sx += x; }
      }
    return { share: lit / all, meanX: lit ? sx / lit : -1, width: im.width, height: im.height };
  };
  // Pixels in the rectangle within 60 of the colour in every channel.
  window.glitzColour = function(name, rgb, x0, y0, x1, y1) {
    const im = window.glitzShots[name];
    let n = 0;
    for (let y = y0; y < y1; y++)
      for (let x = x0; x < x1; x++) {
        const i = (y * im.width + x) * 4;
        if (Math.abs(im.data[i] - rgb[0]) < 60 && Math.abs(im.data[i + 1] - rgb[1]) < 60 &&
            Math.abs(im.data[i + 2] - rgb[2]) < 60) n++;
      }
    return n;
  };
  // Share of pixels that differ by more than 24 in some channel between two shots.
  window.glitzDiff = function(a, b, x0 = 0, y0 = 0, x1 = 1 << 30, y1 = 1 << 30) {
    const p = window.glitzShots[a], q = window.glitzShots[b];
    x1 = Math.min(x1, p.width); y1 = Math.min(y1, p.height);
    let n = 0, all = 0;
    for (let y = y0; y < y1; y++)
      for (let x = x0; x < x1; x++) {
        const i = (y * p.width + x) * 4;
        all++;
        if (Math.abs(p.data[i] - q.data[i]) > 24 || Math.abs(p.data[i + 1] - q.data[i + 1]) > 24 ||
            Math.abs(p.data[i + 2] - q.data[i + 2]) > 24) n++;
      }
    return n / all;
  };
}

// A desktop window, or with { phone: true } a phone's touch screen; `url` replaces the served page's
// (a file:// one); `before` runs in the page before its own scripts.
const PHONE = { width: 390, height: 844, hasTouch: true, isMobile: true, deviceScaleFactor: 1 };
async function openPage(query, { phone = false, url = null, before = null, throttle = null } = {}) {
  const page = await browser.newPage();
  await page.setViewport(phone ? PHONE : { width: 1100, height: 900 });
  // errors: exceptions and console errors; warnings: console warnings; requests: URLs asked for.
  const log = { lines: [], errors: [], exceptions: [], warnings: [], requests: [] };
  page.on('console', (m) => {
    log.lines.push(m.text());
    if (m.type() === 'error') log.errors.push('console.error: ' + m.text());
    if (m.type() === 'warn' || m.type() === 'warning') log.warnings.push(m.text());
  });
  page.on('pageerror', (e) => {
    const text = 'exception: ' + (e && e.message ? e.message : e);
    log.errors.push(text);
    log.exceptions.push(text);
  });
  page.on('request', (r) => log.requests.push(r.url()));
  await page.evaluateOnNewDocument(pageHooks);
  if (before) await page.evaluateOnNewDocument(before);
  if (throttle) {
    const cdp = await page.createCDPSession();
    await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 40, ...throttle });
  }
  const t0 = Date.now();
  await page.goto(url || base + 'index.html' + (query || ''), { waitUntil: throttle ? 'domcontentloaded' : 'load' });
  return { page, log, t0 };
}

async function waitFor(page, fn, ms, arg) {
  try { await page.waitForFunction(fn, { timeout: ms, polling: 50 }, arg); return true; } catch (e) { return false; }
}
async function shoot(page, name) {
  await page.evaluate((n) => window.glitzShoot(n), name);
  if (shotsDir) {
    fs.mkdirSync(shotsDir, { recursive: true });
    const el = await page.$('#canvas');
    await el.screenshot({ path: path.join(shotsDir, name + '.png') });
  }
}
// The whole page as the player sees it, with --shots.
async function pageShot(page, name) {
  if (!shotsDir) return;
  fs.mkdirSync(shotsDir, { recursive: true });
  await page.screenshot({ path: path.join(shotsDir, 'page-' + name + '.png') });
}
const visible = (page, id) => page.evaluate((id) => { const e = document.getElementById(id); return !!e && !e.hidden; }, id);
const textOf = (page, id) => page.evaluate((id) => { const e = document.getElementById(id); return e ? e.textContent : ''; }, id);
// The tab hidden and shown as the browser does it: visibilityState, hidden and the event.
const setHidden = (page, hidden) => page.evaluate((hidden) => {
  if (hidden) {
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => 'hidden' });
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => true });
  } else {
    delete document.visibilityState;
    delete document.hidden;
  }
  document.dispatchEvent(new Event('visibilitychange'));
}, hidden);
const audioState = (page) => page.evaluate(() => (typeof SDL !== 'undefined' && SDL.audioContext ? SDL.audioContext.state : 'none'));
const lit = (page, name, r) => page.evaluate((n, r) => window.glitzLit(n, ...r), name, r);
const diff = (page, a, b, r) => page.evaluate((a, b, r) => window.glitzDiff(a, b, ...(r || [])), a, b, r);
const colour = (page, name, rgb, r) => page.evaluate((n, c, r) => window.glitzColour(n, c, ...r), name, rgb, r);
const status = (page) => page.$eval('#status', (e) => e.textContent);
const audioCallbacks = (page) => page.evaluate(() => Module._glitz_audio_callbacks ? Module._glitz_audio_callbacks() : -2);

// ---- a whole game, with a keyboard and on a phone's touch screen ---------------------------------

const FAIL_RGB = [0xff, 0x55, 0xff];                  // the banner's colour
const BANNER = [112, 284, 912, 484];                  // where the centred banner lies
const CREDIT_RGB = [0xff, 0xff, 0x55];                // the title's first credit line ...
const CREDIT_LINE = [200, 240, 824, 300];             // ... and where it lies
const FIGURE_ROWS = [0, 640, VIEW_W, VIEW_H];         // the figure's lower part, all across
const PAGE_FILES = ['glitzfall.js', 'glitzfall.wasm', 'glitzfall.data'];
const times = {};

// A point on the canvas, in the page: its left quarter (side < 0), right quarter or middle.
async function canvasPoint(page, side) {
  const box = await page.$eval('#canvas', (c) => { const r = c.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; });
  return [box[0] + box[2] * (side < 0 ? 0.25 : side > 0 ? 0.75 : 0.5), box[1] + box[3] / 2];
}
// How a player plays: keys on a desktop; on a phone touches alone, taps for "any key".
const players = [
  { name: 'keyboard', phone: false, overlay: /^Click or press a key to play$/, hint: /arrows steer/,
    answer: (page) => page.keyboard.press('KeyX'),
    anyKey: (page) => page.keyboard.press('KeyX'),
    hold: async (page, side, ms) => {
      const key = side < 0 ? 'ArrowLeft' : 'ArrowRight';
      await page.keyboard.down(key);
      await sleep(ms);
      await page.keyboard.up(key);
    } },
  { name: 'touch', phone: true, overlay: /^Tap to play$/, hint: /left or right half of the picture to steer/,
    answer: async (page) => page.touchscreen.tap(...await canvasPoint(page, 0)),
    anyKey: async (page) => page.touchscreen.tap(...await canvasPoint(page, -1)),
    hold: async (page, side, ms) => {
      await page.touchscreen.touchStart(...await canvasPoint(page, side));
      await sleep(ms);
      await page.touchscreen.touchEnd();
    } },
];
// Holds left (side < 0) or right for `ms`, then takes shot `name` and sums up the figure's rows in it.
async function holdAndLook(page, player, side, ms, name) {
  await player.hold(page, side, ms);
  await shoot(page, name);
  return lit(page, name, FIGURE_ROWS);
}

for (const player of players) {
  const tag = ` (${player.name})`;
  const keyboard = player.name === 'keyboard';
  const { page, log } = await openPage('?report', { phone: player.phone });
  const started = await waitFor(page, () => window.glitzFirstFrame !== undefined, 30000);
  check(started, 'the first frame is presented' + tag);
  if (keyboard) times.firstFrame = started ? await page.evaluate(() => window.glitzFirstFrame) : -1;
  await sleep(1000);

  if (keyboard) {
    // The page as it loaded: one bar over the bytes of all three files, full before the first
    // frame; the files asked for under the version of their contents; the console quiet.
    const sizes = PAGE_FILES.map((f) => fs.statSync(path.join(dist, f)).size);
    const total = sizes.reduce((a, b) => a + b, 0);
    const bar = await page.evaluate(() => window.glitzBar);
    const rising = bar.history.every((v, i) => i === 0 || v[0] >= bar.history[i - 1][0]);
    const oneTotal = bar.history.every((v) => v[1] === 0 || v[1] === total);
    check(bar.atFirstFrame && bar.atFirstFrame[0] === total && bar.atFirstFrame[1] === total && rising && oneTotal &&
          bar.history.length > 2, 'one loading bar counts the bytes of the three files and is full before the first frame',
          JSON.stringify({ total, atFirstFrame: bar.atFirstFrame, changes: bar.history.length, rising, oneTotal }));
    const sums = PAGE_FILES.map((f) => crypto.createHash('sha256').update(fs.readFileSync(path.join(dist, f))).digest('hex'));
    const stamp = crypto.createHash('sha256').update(sums.join('')).digest('hex').slice(0, 12);
    const asked = PAGE_FILES.map((f) => log.requests.find((u) => new URL(u).pathname === '/' + f) || `${f}: never`);
    check(asked.every((u) => /^http/.test(u) && (new URL(u).searchParams.get('v') || '').endsWith('-' + stamp)),
          'the page asks for its three files under the version of their contents', `-${stamp}: ${asked.join(' ')}`);
    check(log.warnings.length === 0 && log.errors.length === 0, 'a normal start writes no warning or error to the console',
          [...log.warnings, ...log.errors].slice(0, 8).join(' | '));
    const names = await page.evaluate(() => { const c = document.getElementById('canvas'); return [document.title, c.getAttribute('aria-label'), c.getAttribute('role')]; });
    check(names[0] === 'Glitz Fall' && names[1] === 'Glitz Fall game' && names[2] === 'application',
          'the tab is "Glitz Fall" and the canvas is named', names.join(' | '));
  }

  // The overlay over the title screen asks for the gesture that starts the sound.
  const overlayText = await page.$eval('#overlay-title', (e) => e.textContent).catch(() => '');
  const hint = await textOf(page, 'overlay-keys');
  check(await visible(page, 'overlay') && player.overlay.test(overlayText) && player.hint.test(hint),
        'an overlay asks to play and names the controls' + tag, `${overlayText} / ${hint}`);
  await pageShot(page, 'overlay-' + player.name);

  await shoot(page, 'title');
  const title = await lit(page, 'title', [0, 0, VIEW_W, VIEW_H]);
  check(title.width === VIEW_W && title.height === VIEW_H, 'the canvas is 1024 x 768' + tag, `${title.width} x ${title.height}`);
  check(title.share > 0.03, 'the title screen is drawn' + tag, `lit share ${title.share.toFixed(3)}`);
  const credits = await colour(page, 'title', CREDIT_RGB, CREDIT_LINE);
  check(credits > 1000, 'the title screen shows its credits' + tag, `${credits} yellow pixels`);
  let creditsNow = 0;   // for the failure's detail
  const onTitle = async (name) => {
    creditsNow = await colour(page, name, CREDIT_RGB, CREDIT_LINE);
    return Math.abs(creditsNow - credits) < credits / 10;
  };
  const creditsSeen = () => `${credits} yellow pixels at first, ${creditsNow} now`;

  // The sound engine is fed by the browser (autoplay allowed on the command line).
  const a0 = await audioCallbacks(page);
  await sleep(500);
  const a1 = await audioCallbacks(page);
  check(a1 > a0 && a0 >= 0, 'the audio callback runs' + tag, `${a0} then ${a1}`);

  // The answer to the overlay takes it away and never reaches the game: the title stays.
  await player.answer(page);
  await sleep(400);
  await shoot(page, 'answered');
  check(!await visible(page, 'overlay') && await onTitle('answered') && await audioState(page) === 'running',
        'the answer to the overlay starts the sound and stays on the title' + tag, creditsSeen());

  if (keyboard) {
    // A hidden tab: nothing is drawn (no tick runs), the sound is suspended; back in view the
    // overlay says it is paused until a key, which goes on where it was (still the title).
    await setHidden(page, true);
    await sleep(300);
    await shoot(page, 'hidden1');
    await sleep(1000);
    await shoot(page, 'hidden2');
    const still = await diff(page, 'hidden1', 'hidden2');
    const hiddenAudio = await audioState(page);
    check(still === 0 && hiddenAudio === 'suspended', 'a hidden tab stops the game and its sound',
          `changed share ${still}, sound ${hiddenAudio}`);
    await setHidden(page, false);
    await sleep(500);
    await shoot(page, 'shown');
    const pausedText = await textOf(page, 'overlay-title');
    check(await visible(page, 'overlay') && /^Paused - click or press a key to continue$/.test(pausedText) &&
          await diff(page, 'hidden2', 'shown') === 0, 'back in view the game stays paused and says so', pausedText);
    await pageShot(page, 'paused');
    await page.keyboard.press('KeyX');
    // Until the title moves again: a busy machine may leave the page's first frames late.
    let moving = 0;
    for (const until = Date.now() + 5000; moving === 0 && Date.now() < until;) {
      await sleep(250);
      await shoot(page, 'resumed');
      moving = await diff(page, 'shown', 'resumed');
    }
    check(moving > 0 && !await visible(page, 'overlay') && await audioState(page) === 'running' && await onTitle('resumed'),
          'a key continues the paused game, which does not see it', `changed share ${moving}, ${creditsSeen()}`);
  }

  // Any key (a tap) starts a run: the title's text goes, the figure stands at the bottom centre.
  await player.anyKey(page);
  await sleep(400);
  await shoot(page, 'play');
  const change = await diff(page, 'title', 'play');
  const standing = await lit(page, 'play', FIGURE_ROWS);
  const creditsGone = await colour(page, 'play', CREDIT_RGB, CREDIT_LINE);
  check(change > 0.02 && creditsGone < credits / 10, 'a key starts a run' + tag,
        `changed share ${change.toFixed(3)}, ${creditsGone} yellow pixels`);
  // (A tap is the left arrow for as long as it lasts: a slow one steers the new figure a little.)
  const startDrift = keyboard ? 60 : 200;
  check(Math.abs(standing.meanX - VIEW_W / 2) < startDrift, 'the figure stands in the middle' + tag, `mean x ${standing.meanX.toFixed(1)}`);

  // Right held for half a second moves it right (8 units a tick), left brings it back.
  const moved = await holdAndLook(page, player, 1, 500, 'moved');
  check(moved.meanX - standing.meanX > 100, 'holding right moves the figure right' + tag,
        `mean x ${standing.meanX.toFixed(1)} -> ${moved.meanX.toFixed(1)}`);
  if (!keyboard) await pageShot(page, 'touch-play');
  const back = await holdAndLook(page, player, -1, 300, 'back');
  check(moved.meanX - back.meanX > 60, 'holding left moves it back' + tag,
        `mean x ${moved.meanX.toFixed(1)} -> ${back.meanX.toFixed(1)}`);

  // Standing still, a ball hits sooner or later: the banner shows.
  let banner = 0;
  const until = Date.now() + 120000;
  while (Date.now() < until) {
    await shoot(page, 'now');
    banner = await colour(page, 'now', FAIL_RGB, BANNER);
    if (banner > 1500) break;
    await sleep(250);
  }
  check(banner > 1500, 'standing still, a ball ends the run and the banner shows' + tag, `${banner} banner pixels`);
  await shoot(page, 'fail');

  // Any key returns to the title.
  await player.anyKey(page);
  await sleep(400);
  await shoot(page, 'title2');
  // (The ball's glints sparkle at random: the credits' yellow line is compared, not every pixel.)
  check(await onTitle('title2'), 'a key returns to the title' + tag, creditsSeen());

  if (keyboard) {
    // Ctrl+Q ends the game; the page says so.
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyQ');
    await page.keyboard.up('Control');
    const ended = await waitFor(page, () => /the game has ended/.test(document.getElementById('status').textContent), 10000);
    check(ended, 'Ctrl+Q ends the game and the page says so', await status(page));

    // The console holds the start-up lines and the frame report.
    const text = log.lines.join('\n');
    for (const line of ['SDL Compile Version: 1.2.15', 'SDL_BYTEORDER == SDL_LIL_ENDIAN', 'data folder: ./data',
                        'init_video: 1024 768 640 480 480 320 0', 'res: 1024 x 768'])
      check(text.includes(line), `the console shows "${line}"`);
    const report = /frames (\d+) ticks (\d+) ms (\d+)/.exec(text);
    if (check(!!report, 'the frame report is printed at the end')) {
      times.frames = +report[1]; times.ticks = +report[2]; times.ms = +report[3];
    }
  }
  check(log.errors.length === 0, 'no JavaScript error' + tag, log.errors.join(' | '));
  await page.close();
}

// ---- failures, which stay on the page -----------------------------------------------------------

const failureCases = [
  { name: 'no-webgl', what: 'without WebGL', text: /needs WebGL/,
    options: { before: () => { HTMLCanvasElement.prototype.getContext = function() { return null; }; } } },
  { name: 'file', what: 'opened as a file', text: /web server.*python3 -m http\.server/s,
    options: { url: 'file://' + path.join(dist, 'index.html') } },
  { name: 'no-wasm', what: 'when glitzfall.wasm is missing', gone: '/glitzfall.wasm',
    text: /Could not download glitzfall\.wasm: the server answered 404/ },
  { name: 'no-data', what: 'when glitzfall.data is missing', gone: '/glitzfall.data',
    text: /Could not download glitzfall\.data: the server answered 404/ },
];
for (const c of failureCases) {
  gone = new Set(c.gone ? [c.gone] : []);
  const { page } = await openPage('', c.options || {});
  await sleep(3000);   // what later steps would say must not replace it
  const shown = await visible(page, 'failure');
  const text = await textOf(page, 'failure');
  const covered = await visible(page, 'loading') || await visible(page, 'overlay');
  check(shown && c.text.test(text) && !covered, `a clear failure stays on the page ${c.what}`, text || 'no failure shown');
  await pageShot(page, 'failure-' + c.name);
  await page.close();
}
gone = new Set();

// The loading screen on a slow line, for the record.
if (shotsDir) {
  const { page } = await openPage('', { throttle: { downloadThroughput: 2e6 / 8, uploadThroughput: 1e6 / 8 } });
  await waitFor(page, () => { const b = document.getElementById('bar'); return b && +b.getAttribute('aria-valuenow') > 0.3 * +b.getAttribute('aria-valuemax'); }, 60000);
  await pageShot(page, 'loading');
  await page.close();
}

// ---- a damaged data.json ----------------------------------------------------------------------

// The catalogue is one file inside glitzfall.data; where, the loader in glitzfall.js says. Two bytes
// in its middle become "@@", the same damage as given to the desktop game.
function damage(text) {
  const at = Math.floor(text.length / 2);
  return Buffer.concat([text.subarray(0, at), Buffer.from('@@'), text.subarray(at + 2)]);
}
const loader = fs.readFileSync(path.join(dist, 'glitzfall.js'), 'utf8');
const place = /"filename":\s*"\/data\/data\.json",\s*"start":\s*(\d+),\s*"end":\s*(\d+)/.exec(loader);
if (check(!!place, 'the package lists data/data.json')) {
  const pack = Buffer.from(fs.readFileSync(path.join(dist, 'glitzfall.data')));
  const start = +place[1], end = +place[2];
  const bad = damage(pack.subarray(start, end));
  bad.copy(pack, start);
  replaced = { '/glitzfall.data': pack };

  // The desktop game with the same damage: its diagnostics are what the page must show.
  let expected = null;
  if (desktopGame && process.env.DISPLAY) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'glitz-web-'));
    const data = path.join(path.dirname(path.resolve(desktopGame)), 'data');
    fs.mkdirSync(path.join(dir, 'data'));
    fs.mkdirSync(path.join(dir, 'home'));
    for (const f of fs.readdirSync(data)) fs.symlinkSync(path.join(data, f), path.join(dir, 'data', f));
    fs.rmSync(path.join(dir, 'data', 'data.json'));
    fs.writeFileSync(path.join(dir, 'data', 'data.json'), bad);
    const child = spawn(path.resolve(desktopGame), [], {
      cwd: dir, env: { ...process.env, HOME: path.join(dir, 'home'), GLITZ_TICK_REPORT: '1', SDL_AUDIODRIVER: 'dummy' },
    });
    let err = '';
    child.stderr.on('data', (d) => { err += d; });
    child.stdout.on('data', () => {});
    const until = Date.now() + 30000;
    while (!err.includes('first frame at') && Date.now() < until && child.exitCode === null) await sleep(100);
    await sleep(1000);
    child.kill('SIGTERM');
    await new Promise((r) => (child.exitCode !== null ? r() : child.on('exit', r)));
    fs.rmSync(dir, { recursive: true, force: true });
    expected = err.split('\n').filter((l) => /json|unable|error|fail/i.test(l) && !/first frame|frames \d/.test(l));
    check(expected.length > 0, 'the desktop game reports the damaged catalogue', err.slice(0, 400));
  }

  const { page, log } = await openPage('');
  const started = await waitFor(page, () => window.glitzFirstFrame !== undefined || /ended|stopped|error/.test(document.getElementById('status').textContent), 20000);
  await sleep(1500);
  const text = log.lines;
  if (expected) {
    const missing = expected.filter((l) => !text.includes(l.trimEnd()));
    check(missing.length === 0, 'a damaged data.json gives the desktop\'s messages', 'missing: ' + missing.join(' | '));
  } else {
    check(text.some((l) => /json/i.test(l)), 'a damaged data.json is reported in the console', text.slice(-10).join(' | '));
  }
  check(log.exceptions.length === 0, 'a damaged data.json throws no exception', log.exceptions.join(' | '));
  check(!/stopped|error/.test(await status(page)), 'the page does not stop on a damaged data.json', await status(page));
  void started;
  await page.close();
}

// ---- the licences and the source --------------------------------------------------------------

const sameList = (a, b) => JSON.stringify([...a].sort()) === JSON.stringify([...b].sort());
// Links resolved against the page, each answered with the file's own bytes: [href, status, length].
const fetchAll = (page, hrefs) => page.evaluate((hs) => Promise.all(hs.map(async (h) => {
  const r = await fetch(h);
  return [h, r.status, (await r.arrayBuffer()).byteLength];
})), hrefs);
const sizeOf = (f) => fs.statSync(f).size;
{
  replaced = {};
  const { page } = await openPage('?report');
  await waitFor(page, () => window.glitzFirstFrame !== undefined, 30000);
  // Clear of the canvas at any window shape: the default, and the canvas as wide as the window.
  for (const [w, h] of [[1100, 900], [1024, 800], [1400, 700]]) {
    await page.setViewport({ width: w, height: h });
    await sleep(100);
    const boxes = await page.evaluate(() => {
      const r = (e) => e && e.getBoundingClientRect();
      const a = r(document.querySelector('#licences a[href="licences/index.html"]')), c = r(document.getElementById('canvas'));
      return a && { a: [a.left, a.top, a.right, a.bottom], c: [c.left, c.top, c.right, c.bottom] };
    });
    const clear = boxes && boxes.a[2] > boxes.a[0] &&
      (boxes.a[0] >= boxes.c[2] || boxes.a[2] <= boxes.c[0] || boxes.a[1] >= boxes.c[3] || boxes.a[3] <= boxes.c[1]);
    check(clear, `the Licences link shows beside the canvas in a ${w} x ${h} window`, JSON.stringify(boxes));
  }
  const corner = await page.$eval('#licences', (e) => e.textContent).catch(() => '');
  const readme = await page.$$eval('#licences a[href="source/README.txt"]', (as) => as.length);
  check(/Licences/.test(corner) && /source/.test(corner) && readme === 1,
        'the corner names the licences and where the source is', corner);

  await Promise.all([page.waitForNavigation({ waitUntil: 'load' }).catch(() => {}),
                     page.click('#licences a[href="licences/index.html"]').catch(() => {})]);
  check(page.url() === base + 'licences/index.html', 'the Licences link opens licences/index.html', page.url());

  // Every licence file, listed and served; each pointer to a Debian licence comes with its text.
  const licencesDir = path.join(dist, 'licences');
  const listed = await page.$$eval('#licences a', (as) => as.map((a) => a.getAttribute('href')));
  const present = fs.readdirSync(licencesDir).filter((f) => f !== 'index.html');
  check(present.length > 0 && sameList(listed, present), 'the licences page lists every licence file, and no other',
        `listed: ${listed.join(' ')}; there: ${present.join(' ')}`);
  const served = await fetchAll(page, listed);
  const badServed = served.filter(([h, st, n]) => st !== 200 || !present.includes(h) || n !== sizeOf(path.join(licencesDir, h)));
  check(badServed.length === 0, 'each listed licence file is served whole', JSON.stringify(badServed));
  const pointers = [];
  const lacking = [];
  for (const f of present) {
    const text = fs.readFileSync(path.join(licencesDir, f), 'utf8').replace(/\r\n/g, '\n');
    for (const m of new Set(text.match(/\/usr\/share\/common-licenses\/[\w.+-]*[\w+]/g) || [])) {
      pointers.push(m);
      if (!fs.existsSync(m) || !text.includes(fs.readFileSync(m, 'utf8').trim())) lacking.push(`${f}: ${m}`);
    }
  }
  check(pointers.length > 0 && lacking.length === 0, 'each licence file holds the full text of every licence it points to',
        lacking.join(' | ') || 'no pointers at all');

  // Every file of source/, listed and served; the README's list names only files that are there.
  const sourceDir = path.join(dist, 'source');
  const sources = fs.readdirSync(sourceDir);
  const sourceLinks = await page.$$eval('#source a', (as) => as.map((a) => a.getAttribute('href')));
  check(sameList(sourceLinks, sources.map((f) => '../source/' + f)), 'the licences page lists every file in source/',
        `listed: ${sourceLinks.join(' ')}; there: ${sources.join(' ')}`);
  const sourceServed = await fetchAll(page, sourceLinks);
  const badSource = sourceServed.filter(([h, st, n]) => st !== 200 || n !== sizeOf(path.join(sourceDir, h.replace('../source/', ''))));
  check(badSource.length === 0, 'each file in source/ is served whole', JSON.stringify(badSource));
  const readmeText = fs.existsSync(path.join(sourceDir, 'README.txt')) ? fs.readFileSync(path.join(sourceDir, 'README.txt'), 'utf8') : '';
  const named = [...readmeText.matchAll(/^\s+(\S+\.(?:dsc|tar\.\w+|diff\.gz))$/gm)].map((m) => m[1]);
  const unnamed = named.filter((f) => !sources.includes(f));
  check(named.length > 0 && unnamed.length === 0, 'source/README.txt names only files in source/', `named but not there: ${unnamed.join(' ')}`);
  // Each Debian source package whole: the files and sizes its .dsc lists.
  const dscs = sources.filter((f) => f.endsWith('.dsc'));
  const incomplete = [];
  for (const d of dscs) {
    const body = fs.readFileSync(path.join(sourceDir, d), 'utf8');
    for (const [, size, name] of body.matchAll(/^ [0-9a-f]{32} (\d+) (\S+)$/gm))   // its Files: field (MD5)
      if (!sources.includes(name) || sizeOf(path.join(sourceDir, name)) !== +size) incomplete.push(`${d}: ${name}`);
  }
  check(dscs.length > 0 && incomplete.length === 0, 'each source package in source/ is whole', incomplete.join(' ') || 'no .dsc');
  // The game's source archive is this page's source (its index.html is the one served), or the
  // page says why it is missing.
  const archive = sources.find((f) => /^glitzfall-.+-source\.tar\.gz$/.test(f));
  const missing = await page.$$eval('.missing', (es) => es.length);
  if (archive) {
    const top = archive.replace(/-source\.tar\.gz$/, '');
    let page_in_archive = '';
    try {
      page_in_archive = execFileSync('tar', ['-xzOf', path.join(sourceDir, archive), `${top}/packaging/web/index.html.in`]).toString();
    } catch (e) { page_in_archive = String(e); }
    // (The build writes the files' sizes and version into the page's "files" script.)
    const served = fs.readFileSync(path.join(dist, 'index.html'), 'utf8');
    const filled = (/<script type="application\/json" id="files">(.*?)<\/script>/.exec(served) || [])[1];
    check(page_in_archive.replace('@GLITZ_FILES@', filled) === served && missing === 0,
          'the game\'s source archive holds this page\'s source', `${archive}, ${missing} notes of a missing archive`);
  } else {
    check(missing === 1, 'without the game\'s source archive the licences page says why', `${missing} notes`);
  }
  await page.close();
}

await browser.close();
server.close();
if (times.firstFrame >= 0) console.log(`first frame: ${Math.round(times.firstFrame)} ms after the page started loading`);
if (times.frames) console.log(`frames: ${times.frames} in ${times.ms} ms (${(times.ms / times.frames).toFixed(2)} ms a frame), ticks ${times.ticks}`);
process.exit(failures ? 1 : 0);
