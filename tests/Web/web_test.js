// The browser checks: the page in headless chromium (puppeteer-core on the
// system's chromium, WebGL2 through SwiftShader).
//   node web_test.js URL LINUX_FRAME OUT_DIR LINK_FILE LINUX_LINK_FRAME
// URL: the served dist/ folder; LINUX_FRAME: tessavin-capture's frame 59 of
// the same options; OUT_DIR: where the browser's frame and stats go;
// LINK_FILE: a shared link's fragment (make_link.js), LINUX_LINK_FRAME: the
// capture tool's frame 59 with it (--link).
'use strict';
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { PNG } = require('pngjs');

const [base, linuxFrame, outDir, linkFile, linuxLinkFrame] = process.argv.slice(2);
const kCapture = 'index.html?frames=60&size=800x600&fixed-dt=0.016&press=2:49&shots=59';
let failures = 0;

function check(ok, text) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${text}`);
  if (!ok) failures++;
}

// Mean channel difference and the share of channels off by more than 24
// (red, green and blue; alpha is the same everywhere).
function compare(a, b) {
  if (a.width !== b.width || a.height !== b.height) return { mean: Infinity, off: 1 };
  let sum = 0, off = 0, n = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    for (let c = 0; c < 3; c++) {
      const d = Math.abs(a.data[i + c] - b.data[i + c]);
      sum += d;
      if (d > 24) off++;
      n++;
    }
  }
  return { mean: sum / n, off: off / n };
}

function meanColour(png) {
  const m = [0, 0, 0];
  for (let i = 0; i < png.data.length; i += 4) for (let c = 0; c < 3; c++) m[c] += png.data[i + c];
  return m.map(v => (v / (png.data.length / 4)).toFixed(1)).join(',');
}

const sleep = ms => new Promise(r => setTimeout(r, ms));

async function canvasShot(page) {
  const canvas = await page.$('#canvas');
  return PNG.sync.read(Buffer.from(await canvas.screenshot()));
}

// The capture options through the address, compared with the Linux frame;
// with a fragment, the shared link it carries too.
async function checkCapture(browser, fragment = '', linuxPng = linuxFrame, saved = 'frame-0059.png') {
  const page = await browser.newPage();
  page.on('console', m => { if (m.type() === 'error') console.log(`  page: ${m.text()}`); });
  const start = Date.now();
  await page.goto(base + kCapture + fragment);
  await page.waitForFunction(() => document.title === 'done', { timeout: 300000, polling: 200 });
  const seconds = (Date.now() - start) / 1000;
  const result = await page.evaluate(() => ({ shots: window.tessavinShots, stats: window.tessavinStats,
                                                status: window.tessavinStatus }));
  await page.close();
  check(result.status === 0, `capture page finished (status ${result.status}) in ${seconds.toFixed(1)} s`);
  check(result.stats && result.stats.frames === 60, `stats: ${result.stats && result.stats.frames} frames, ` +
        `passes ${JSON.stringify(result.stats && result.stats.passes)}`);
  fs.writeFileSync(path.join(outDir, 'stats.json'), JSON.stringify(result.stats, null, 1));
  const url = result.shots && result.shots[59];
  check(!!url, 'frame 59 came back as a PNG data URL');
  if (!url) return;
  const bytes = Buffer.from(url.slice(url.indexOf(',') + 1), 'base64');
  fs.writeFileSync(path.join(outDir, saved), bytes);
  const browserPng = PNG.sync.read(bytes);
  const d = compare(browserPng, PNG.sync.read(fs.readFileSync(linuxPng)));
  if (fragment) {
    const plain = compare(browserPng, PNG.sync.read(fs.readFileSync(linuxFrame))).mean;
    check(plain > 10, `the link's shader drew: mean difference from the plain frame ${plain.toFixed(2)}`);
  }
  check(d.mean < 3.0 && d.off < 0.05, `${fragment ? 'with the link, ' : ''}frame 59 against Linux: ` +
        `mean channel difference ${d.mean.toFixed(3)}, ` +
        `channels off by more than 24: ${(100 * d.off).toFixed(2)}%`);
}

// The program reads a key hit once a frame, and SwiftShader draws a frame in
// 100 to 300 ms: a key held for less can go down and up between two frames
// and never be seen, so every press lasts several frames.
async function press(page, key, ms) {
  await page.keyboard.down(key);
  await sleep(ms);
  await page.keyboard.up(key);
  await sleep(700);
}

// The program itself: first frame, filters by key, W moves, Escape ends.
async function checkProgram(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 1000 });
  const start = Date.now();
  await page.goto(base + 'index.html');
  let first = null;
  while (Date.now() - start < 60000) {
    const shot = await canvasShot(page);
    if (shot.data.some((v, i) => i % 4 !== 3 && v > 16)) { first = shot; break; }
    await sleep(100);
  }
  const seconds = (Date.now() - start) / 1000;
  check(first && seconds < 10, `first frame ${first ? 'after ' + seconds.toFixed(1) + ' s' : 'never came'}`);
  if (!first) return;
  await page.click('#canvas');
  await sleep(1000);
  await page.screenshot({ path: path.join(outDir, 'page.png') });
  // How much the picture changes by itself (the scene moves) between shots.
  const a = await canvasShot(page);
  await sleep(700);
  let previous = await canvasShot(page);
  const noise = compare(a, previous).mean;
  for (const [key, name] of [['1', 'tint'], ['2', 'high contrast'], ['3', 'under water'], ['0', 'none']]) {
    await press(page, key, 600);
    const now = await canvasShot(page);
    const d = compare(previous, now).mean;
    check(d > Math.max(3 * noise, 2), `key ${key} (${name}) changed the picture: mean difference ${d.toFixed(2)} ` +
          `(scene motion alone ${noise.toFixed(2)}), mean colour ${meanColour(now)}`);
    previous = now;
  }
  await press(page, 'Tab', 600);
  const shown = await canvasShot(page);
  const dp = compare(previous, shown).mean;
  check(dp > Math.max(3 * noise, 2), `Tab showed the inspector: mean difference ${dp.toFixed(2)}`);
  await press(page, 'Tab', 600);
  previous = await canvasShot(page);
  check(compare(shown, previous).mean > Math.max(3 * noise, 2), 'Tab hid it again');
  check(await page.evaluate(() => document.activeElement && document.activeElement.id === 'canvas'),
        'the canvas kept the focus through the Tab presses');
  await press(page, 'w', 1500);
  const moved = await canvasShot(page);
  const dw = compare(previous, moved).mean;
  check(dw > Math.max(3 * noise, 2), `W moved the camera: mean difference ${dw.toFixed(2)}`);
  await press(page, 'Escape', 600);
  const ended = await page.waitForFunction(
    () => /has ended/.test(document.getElementById('status').textContent), { timeout: 10000 }).then(() => true, () => false);
  check(ended, 'Escape ended the program and the page says so');
  await page.close();
}

// A tuned value from the address (?set=) is chosen as in the panel, so the
// page keeps it in local storage.
async function checkAddressSet(browser) {
  const page = await browser.newPage();
  await page.goto(base + 'index.html?set=PP_Tint.psh:Gain=3.5');
  const key = 'tessavin/tunables/PP_Tint.psh.txt';
  const kept = await page.waitForFunction(k => (localStorage.getItem(k) || '').includes('Gain = 3.5'),
    { timeout: 30000, polling: 250 }, key).then(() => true, () => false);
  check(kept, `?set= ran the program with the value chosen and kept in local storage (${key})`);
  await page.evaluate(k => localStorage.removeItem(k), key);
  await page.close();
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: 'new',
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--window-size=1000,1000'],
  });
  try {
    await checkCapture(browser);
    await checkCapture(browser, '#' + fs.readFileSync(linkFile, 'utf8').trim(), linuxLinkFrame, 'link-0059.png');
    await checkProgram(browser);
    await checkAddressSet(browser);
  } catch (e) {
    check(false, `browser checks stopped: ${e.message}`);
  } finally {
    await browser.close();
  }
  console.log(failures ? `${failures} browser check(s) failed` : 'all browser checks passed');
  process.exit(failures ? 1 : 0);
})();
