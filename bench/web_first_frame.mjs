// SPDX-License-Identifier: Zlib
// web_first_frame.mjs - how long the page takes to show its first frame: N fresh loads (a new
// browser context each, so nothing comes from a cache) of dist/index.html?report in headless
// Chromium, each timed from navigation start to the game's "first frame at" line; prints every
// load and the median. Run by hand (a benchmark, not a test):
//
//   NODE_PATH=/usr/share/nodejs:tests/web/node_modules node bench/web_first_frame.mjs build-web/dist [N] [--kbit K]
//
// --kbit K throttles the network to K kbit/s down (a slow link); the default is unthrottled.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(path.resolve('tests/web/package.json'));
const puppeteer = require('puppeteer-core');

const args = process.argv.slice(2);
const dist = path.resolve(args[0] || 'build-web/dist');
const loads = Number(args[1]) > 0 ? Number(args[1]) : 5;
const kbitAt = args.indexOf('--kbit');
const kbit = kbitAt >= 0 ? Number(args[kbitAt + 1]) : 0;

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = http.createServer((req, res) => {
  const url = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  const file = path.join(dist, url === '/' ? 'index.html' : url);
  if (!file.startsWith(dist) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    res.writeHead(404);
    return res.end();
  }
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                       'Cache-Control': 'no-store' });
  res.end(fs.readFileSync(file));
});
await new Promise((r) => server.listen(0, '127.0.0.1', r));
const base = `http://127.0.0.1:${server.address().port}/`;

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
         '--autoplay-policy=no-user-gesture-required', '--window-size=1100,900'],
});

// The game prints "first frame at" once, to whichever console method its page maps it to.
function hook() {
  for (const method of ['log', 'info', 'warn', 'debug']) {
    const original = console[method];
    console[method] = function(...a) {
      if (String(a[0]).startsWith('first frame at') && window.glitzFirstFrame === undefined)
        window.glitzFirstFrame = performance.now();
      return original.apply(this, a);
    };
  }
}

const times = [];
for (let i = 0; i < loads; i++) {
  const context = await (browser.createBrowserContext || browser.createIncognitoBrowserContext).call(browser);
  const page = await context.newPage();
  if (kbit > 0) {
    const cdp = await page.target().createCDPSession();
    await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 40,
      downloadThroughput: kbit * 1000 / 8, uploadThroughput: kbit * 1000 / 8 });
  }
  await page.evaluateOnNewDocument(hook);
  await page.goto(base + 'index.html?report');
  await page.waitForFunction(() => window.glitzFirstFrame !== undefined, { timeout: 120000, polling: 50 });
  const ms = await page.evaluate(() => window.glitzFirstFrame);
  times.push(ms);
  console.log(`load ${i + 1}: first frame ${Math.round(ms)} ms`);
  await context.close();
}
times.sort((a, b) => a - b);
console.log(`median of ${loads}: ${Math.round(times[Math.floor(loads / 2)])} ms` +
            (kbit > 0 ? ` at ${kbit} kbit/s` : ''));
await browser.close();
server.close();
