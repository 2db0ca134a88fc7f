// SPDX-License-Identifier: Zlib
// browser_test.mjs - the game's page (build-web/dist) in headless Chromium, driven by puppeteer-core
// through a static server of its own on a free local port:
//   title screen pixels, a key starts a run, the arrows move the figure, a ball ends a run standing
//   still and the banner shows, a key returns to the title, the audio callback runs, the console
//   holds the start-up lines, Ctrl+Q ends the game with a line on the page, no JavaScript error;
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
const server = http.createServer((req, res) => {
  const url = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  const file = path.join(dist, url === '/' ? 'index.html' : url);
  if (!file.startsWith(dist)) { res.writeHead(403); return res.end(); }
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
  const warn = console.warn;
  console.warn = function(...a) {
    if (String(a[0]).startsWith('first frame at') && window.glitzFirstFrame === undefined)
      window.glitzFirstFrame = performance.now();
    return warn.apply(this, a);
  };
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

async function openPage(query) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 900 });
  const log = { lines: [], errors: [] };
  page.on('console', (m) => {
    log.lines.push(m.text());
    if (m.type() === 'error') log.errors.push('console.error: ' + m.text());
  });
  page.on('pageerror', (e) => log.errors.push('exception: ' + (e && e.message ? e.message : e)));
  await page.evaluateOnNewDocument(pageHooks);
  const t0 = Date.now();
  await page.goto(base + 'index.html' + (query || ''), { waitUntil: 'load' });
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
const lit = (page, name, r) => page.evaluate((n, r) => window.glitzLit(n, ...r), name, r);
const diff = (page, a, b, r) => page.evaluate((a, b, r) => window.glitzDiff(a, b, ...(r || [])), a, b, r);
const colour = (page, name, rgb, r) => page.evaluate((n, c, r) => window.glitzColour(n, c, ...r), name, rgb, r);
const status = (page) => page.$eval('#status', (e) => e.textContent);
const audioCallbacks = (page) => page.evaluate(() => Module._glitz_audio_callbacks ? Module._glitz_audio_callbacks() : -2);

// ---- a whole game ----------------------------------------------------------------------------

const FAIL_RGB = [0xff, 0x55, 0xff];                  // the banner's colour
const BANNER = [112, 284, 912, 484];                  // where the centred banner lies
const CREDIT_RGB = [0xff, 0xff, 0x55];                // the title's first credit line ...
const CREDIT_LINE = [200, 240, 824, 300];             // ... and where it lies
const FIGURE_ROWS = [0, 640, VIEW_W, VIEW_H];         // the figure's lower part, all across
// Holds `key` for `ms`, then takes shot `name` and sums up the figure's rows in it.
async function holdAndLook(page, key, ms, name) {
  await page.keyboard.down(key);
  await sleep(ms);
  await page.keyboard.up(key);
  await shoot(page, name);
  return lit(page, name, FIGURE_ROWS);
}
const times = {};

{
  const { page, log } = await openPage('?report');
  const started = await waitFor(page, () => window.glitzFirstFrame !== undefined, 30000);
  check(started, 'the first frame is presented');
  times.firstFrame = started ? await page.evaluate(() => window.glitzFirstFrame) : -1;
  await sleep(1000);

  // The title screen.
  await shoot(page, 'title');
  const title = await lit(page, 'title', [0, 0, VIEW_W, VIEW_H]);
  check(title.width === VIEW_W && title.height === VIEW_H, 'the canvas is 1024 x 768', `${title.width} x ${title.height}`);
  check(title.share > 0.03, 'the title screen is drawn', `lit share ${title.share.toFixed(3)}`);
  const credits = await colour(page, 'title', CREDIT_RGB, CREDIT_LINE);
  check(credits > 1000, 'the title screen shows its credits', `${credits} yellow pixels`);

  // The sound engine is fed by the browser (autoplay allowed on the command line).
  const a0 = await audioCallbacks(page);
  await sleep(500);
  const a1 = await audioCallbacks(page);
  check(a1 > a0 && a0 >= 0, 'the audio callback runs', `${a0} then ${a1}`);

  // Any key starts a run: the title's text goes, the figure stands at the bottom centre.
  await page.keyboard.press('KeyX');
  await sleep(400);
  await shoot(page, 'play');
  const change = await diff(page, 'title', 'play');
  const standing = await lit(page, 'play', FIGURE_ROWS);
  const creditsGone = await colour(page, 'play', CREDIT_RGB, CREDIT_LINE);
  check(change > 0.02 && creditsGone < credits / 10, 'a key starts a run',
        `changed share ${change.toFixed(3)}, ${creditsGone} yellow pixels`);
  check(Math.abs(standing.meanX - VIEW_W / 2) < 60, 'the figure stands in the middle', `mean x ${standing.meanX.toFixed(1)}`);

  // The right arrow held for half a second moves it right (8 units a tick).
  const moved = await holdAndLook(page, 'ArrowRight', 500, 'moved');
  check(moved.meanX - standing.meanX > 100, 'the right arrow moves the figure right',
        `mean x ${standing.meanX.toFixed(1)} -> ${moved.meanX.toFixed(1)}`);
  const back = await holdAndLook(page, 'ArrowLeft', 300, 'back');
  check(moved.meanX - back.meanX > 60, 'the left arrow moves it back',
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
  check(banner > 1500, 'standing still, a ball ends the run and the banner shows', `${banner} banner pixels`);
  await shoot(page, 'fail');

  // Any key returns to the title.
  await page.keyboard.press('KeyX');
  await sleep(400);
  await shoot(page, 'title2');
  // (The ball's glints sparkle at random: the credits' yellow line is compared, not every pixel.)
  const creditsAgain = await colour(page, 'title2', CREDIT_RGB, CREDIT_LINE);
  check(Math.abs(creditsAgain - credits) < credits / 10, 'a key returns to the title',
        `${credits} yellow pixels at first, ${creditsAgain} now`);

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
  check(log.errors.length === 0, 'no JavaScript error', log.errors.join(' | '));
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
  check(log.errors.length === 0, 'a damaged data.json throws no exception', log.errors.join(' | '));
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
  const { page } = await openPage('');
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
      page_in_archive = execFileSync('tar', ['-xzOf', path.join(sourceDir, archive), `${top}/packaging/web/index.html`]).toString();
    } catch (e) { page_in_archive = String(e); }
    check(page_in_archive === fs.readFileSync(path.join(dist, 'index.html'), 'utf8') && missing === 0,
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
