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
const LZString = require('lz-string');

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

// The page at address until the program's first frame: its shot, or null.
async function firstFrame(page, address) {
  const start = Date.now();
  await page.goto(address);
  while (Date.now() - start < 60000) {
    const shot = await canvasShot(page);
    if (shot.data.some((v, i) => i % 4 !== 3 && v > 16)) return shot;
    await sleep(100);
  }
  return null;
}

// The program itself: first frame, filters by key, W moves, Escape ends.
async function checkProgram(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 1000 });
  const start = Date.now();
  const first = await firstFrame(page, base + 'index.html');
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
  await page.close();
  // Taken out from a page of the same origin without the program, which
  // would save it again.
  const clean = await browser.newPage();
  await clean.goto(base + 'THIRD-PARTY-NOTICES.txt');
  await clean.evaluate(k => localStorage.removeItem(k), key);
  await clean.close();
}

// The share of pixels that are plain red (a filter returning solid red; the
// overlay's text is the rest).
function redShare(png) {
  let red = 0;
  for (let i = 0; i < png.data.length; i += 4) {
    if (png.data[i] > 200 && png.data[i + 1] < 60 && png.data[i + 2] < 60) red++;
  }
  return red / (png.data.length / 4);
}

// Solid red shows everywhere but in the heat haze's areas (they bend the
// unfiltered scene) and the overlay's text; the shipped tint is hardly ever
// that red.
const kRed = 0.6, kNotRed = 0.3;

// Polls the picture until it is (or is not) red, for up to ms: the seconds
// it took, or null.
async function untilRed(page, red, ms) {
  const start = Date.now();
  do {
    const share = redShare(await canvasShot(page));
    if (red ? share > kRed : share < kNotRed) return (Date.now() - start) / 1000;
    await sleep(100);
  } while (Date.now() - start < ms);
  return null;
}

// The mean colour of the picture's middle quarter across, from a fifth to
// nearly half way down: where a mesh placed in front of the camera shows.
function middleColour(png) {
  const m = [0, 0, 0];
  let n = 0;
  for (let y = Math.floor(png.height * 0.2); y < Math.floor(png.height * 0.45); y++) {
    for (let x = Math.floor(png.width * 0.375); x < Math.floor(png.width * 0.625); x++) {
      for (let c = 0; c < 3; c++) m[c] += png.data[(y * png.width + x) * 4 + c];
      n++;
    }
  }
  return m.map(v => v / n);
}

const after = seconds => seconds === null ? 'never' : `after ${seconds.toFixed(1)} s`;

// Replaces the open file's text as one edit in the editor.
async function editorText(page, text) {
  await page.evaluate(t => {
    const view = window.tessavinEditor.view;
    view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: t }, userEvent: 'input' });
  }, text);
}

// The editor beside the picture: PP_Tint.psh edited to solid red turns the
// picture red; Share puts it in the address, which opens it in a new page; a
// syntax error is underlined at its line while the red keeps drawing; Reset
// brings the tint back.
async function checkEditor(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1500, height: 1000 });
  if (!await firstFrame(page, base + 'index.html')) {
    check(false, 'editor page: the first frame never came');
    return;
  }
  await page.waitForFunction(() => document.getElementById('shader-list').options.length > 0, { timeout: 20000 });
  await page.click('#canvas');
  await press(page, '1', 600);
  const before = redShare(await canvasShot(page));
  check(before < kNotRed, `editor page: the shipped tint is not red (${(100 * before).toFixed(0)}% red)`);
  await page.select('#shader-list', 'Source/Render/PP_Tint.psh');
  await editorText(page, 'float4 main() : COLOR0\n{\n    return float4(1.0, 0.0, 0.0, 1.0);\n}\n');
  const red = await untilRed(page, true, 4000);
  check(red !== null && red < 2, `PP_Tint.psh edited to solid red turned the picture red ${after(red)}`);

  // A value tuned in the inspector, as the page keeps it, goes along.
  await page.evaluate(() => localStorage.setItem('tessavin/tunables/PP_UnderWater.psh.txt', 'SwayPixels = 3\n'));
  await page.click('#share');
  await page.evaluate(() => localStorage.removeItem('tessavin/tunables/PP_UnderWater.psh.txt'));
  const hash = await page.evaluate(() => location.hash.slice(1));
  let shared = null;
  try {
    shared = JSON.parse(LZString.decompressFromEncodedURIComponent(hash));
  } catch (e) {
  }
  const files = shared && shared.v === 1 ? shared.files.map(f => f.path) : [];
  check(files.length === 1 && files[0] === 'Source/Render/PP_Tint.psh' &&
        shared.files[0].text.includes('1.0, 0.0, 0.0'),
        `Share put the edit in the address: ${JSON.stringify(files)}`);
  const values = shared && shared.values ? shared.values : [];
  check(values.length === 1 && values[0].file === 'PP_UnderWater.psh' && values[0].name === 'SwayPixels' &&
        values[0].values[0] === 3, `and the tuned value: ${JSON.stringify(values)}`);

  await editorText(page, 'float4 main() : COLOR0\n{\n    return float4(1.0, 0.0, 0.0, 1.0) +;\n}\n');
  const placed = await page.waitForFunction(() => {
    const range = document.querySelector('.cm-lintRange-error');
    if (!range) return null;
    const lines = Array.from(document.querySelectorAll('.cm-content .cm-line'));
    return lines.indexOf(range.closest('.cm-line')) + 1;
  }, { timeout: 5000, polling: 100 }).then(h => h.jsonValue(), () => null);
  const stillRed = redShare(await canvasShot(page)) > kRed;
  check(placed === 3 && stillRed,
        `a syntax error is underlined at line ${placed} (3) while the last good red draws (${stillRed})`);

  await page.click('#reset');
  const tinted = await untilRed(page, false, 4000);
  const cleared = await page.$('.cm-lintRange-error') === null;
  check(tinted !== null && cleared, `Reset brought the shipped tint back (${after(tinted)}) ` +
        `and its underline went (${cleared})`);

  // A filter dropped on the page is the first of the user's (key 4).
  await page.evaluate(() => {
    const files = new DataTransfer();
    files.items.add(new File(['float4 main() : COLOR0 { return float4(0.0, 1.0, 0.0, 1.0); }\n'], 'Green.psh'));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: files, bubbles: true, cancelable: true }));
  });
  await sleep(1500);
  await page.click('#canvas');
  await press(page, '4', 600);
  const shot = await canvasShot(page);
  let green = 0;
  for (let i = 0; i < shot.data.length; i += 4) if (shot.data[i + 1] > 200 && shot.data[i] < 60) green++;
  const listed = await page.evaluate(() => Array.from(document.getElementById('shader-list').options, o => o.value));
  const greenShare = green / (shot.data.length / 4);
  check(greenShare > kRed && listed.includes('Filters/Green.psh'),
        `a dropped Green.psh is filter 4 (${(100 * greenShare).toFixed(0)}% green) and in the editor's list`);

  // A mesh dropped alone appears in front of the camera, its texture from
  // Media/: the crate's brown wood fills the picture above its middle.
  await press(page, '0', 600);
  await sleep(1000);
  const plain = middleColour(await canvasShot(page));
  const crate = fs.readFileSync(path.join(__dirname, '../../Media/Crate.x')).toString('base64');
  await page.evaluate(bytes => {
    const files = new DataTransfer();
    files.items.add(new File([Uint8Array.from(atob(bytes), c => c.charCodeAt(0))], 'Crate.x'));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: files, bubbles: true, cancelable: true }));
  }, crate);
  await sleep(2000);
  const now = middleColour(await canvasShot(page));
  const brown = ([r, g, b]) => b < 0.7 * r && g < r;
  check(brown(now) && !brown(plain), `a dropped Crate.x shows in front of the camera: mean colour above the ` +
        `middle ${now.map(v => v.toFixed(0))}, before ${plain.map(v => v.toFixed(0))}`);

  // Keys typed in the editor stay there: W held in it does not fly the camera
  // (held in the picture it changes it by 50 or more).
  await page.select('#shader-list', 'Filters/Green.psh');
  const one = await canvasShot(page);
  await sleep(2200);
  const two = await canvasShot(page);
  const drift = compare(one, two).mean;
  await page.click('.cm-content');
  await press(page, 'w', 1500);
  const typed = await page.evaluate(() => window.tessavinEditor.view.state.doc.toString().includes('w'));
  const dw = compare(two, await canvasShot(page)).mean;
  check(typed && dw < Math.max(2 * drift, 15), `W held in the editor was typed there (${typed}) and left the ` +
        `camera: mean difference ${dw.toFixed(2)} (scene motion alone ${drift.toFixed(2)})`);
  await page.close();

  // The shared address in a new page draws the red tint.
  const opened = await browser.newPage();
  await opened.setViewport({ width: 1500, height: 1000 });
  const first = await firstFrame(opened, base + 'index.html#' + hash);
  let sharedRed = null;
  // A second press when the first came while the page was still busy starting.
  for (let attempt = 0; first && sharedRed === null && attempt < 2; attempt++) {
    await opened.click('#canvas');
    await press(opened, '1', 600);
    sharedRed = await untilRed(opened, true, 5000);
  }
  check(sharedRed !== null, `the shared address opens the red tint in a new page (${after(sharedRed)})`);
  await opened.close();
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
    await checkEditor(browser);
  } catch (e) {
    check(false, `browser checks stopped: ${e.message}`);
  } finally {
    await browser.close();
  }
  console.log(failures ? `${failures} browser check(s) failed` : 'all browser checks passed');
  process.exit(failures ? 1 : 0);
})();
