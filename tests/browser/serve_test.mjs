// kznhost serve's page in headless Chromium, used by clicks and keys as a person would: the sample
// text-to-object session (examples/t2o-session.txt) is done in the page, saved, and its session
// script replayed by kznhost run to the same map; a destination typed into text to text is a
// session line. Usage: node serve_test.mjs [KZNHOST [SOURCE_FOLDER]] (or $KZNHOST, $KZN_SOURCE_DIR).
import { spawn, spawnSync } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const source = path.resolve(process.argv[3] || process.env.KZN_SOURCE_DIR || path.join(here, '../..'));
const kznhost = path.resolve(process.argv[2] || process.env.KZNHOST || path.join(source, 'build/kznhost'));
const examples = path.join(source, 'examples');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kzn-browser-'));
const started = Date.now();

function check(ok, what) {
  if (!ok) throw new Error(what);
}

// Starts kznhost serve; resolves with the page's address once it has printed it.
async function serve(out) {
  const child = spawn(kznhost, ['serve', path.join(examples, 'snail-map.svg'), '--out', out]);
  let stdout = '';
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', (text) => process.stderr.write('kznhost: ' + text));
  child.exited = once(child, 'exit');
  child.stdout.setEncoding('utf8');
  const url = await new Promise((resolve, reject) => {
    child.stdout.on('data', (text) => {
      stdout += text;
      const line = /^(http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+)\n/.exec(stdout);
      if (line) resolve(line[1]);
    });
    child.on('error', reject);
    child.exited.then(([code]) => reject(new Error(`kznhost serve exited ${code}: ${stdout}`)));
  });
  return { child, url };
}

// The colour of the pixel at (x, y) of a PNG, decoded by the browser in a page of its own.
async function pixels(browser, png, points) {
  const page = await browser.newPage();
  const result = await page.evaluate(async (data, points) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + data;
    await image.decode();
    const canvas = new OffscreenCanvas(image.width, image.height);
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    return points.map(([x, y]) => Array.from(context.getImageData(x, y, 1, 1).data.slice(0, 3)));
  }, Buffer.from(png).toString('base64'), points);
  await page.close();
  return result;
}

// Waits for PROMISE, at most SECONDS.
function within(seconds, what, promise) {
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what} took over ${seconds} s`)), seconds * 1000);
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

const head = (text) => text.split('\n').slice(0, 6).join('\n');
const near = (colour, want, by = 24) => colour.every((c, i) => Math.abs(c - want[i]) <= by);

async function main() {
  const result = path.join(work, 'result.svg');
  const { child, url } = await serve(result);
  process.on('SIGTERM', () => process.exit(1)).on('exit', () => child.kill());
  const token = new URL(url).searchParams.get('token');
  let browser = null, page = null;
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      args: ['--no-sandbox', '--headless=new'],
      defaultViewport: { width: 1200, height: 900, deviceScaleFactor: 1 },
    });
    page = await browser.newPage();
    page.setDefaultTimeout(15000);
    // The page's scripts fail nowhere, and the server refuses or warns of none of what it sends.
    const faults = [];
    page.on('pageerror', (error) => faults.push(error.message));
    page.on('response', async (r) => {
      if (!r.url().includes('/api/')) return;
      if (r.status() >= 400) faults.push(`${r.status()} for ${r.request().postData() || r.url()}`);
      else if (r.url().includes('/api/action')) faults.push(...(await r.json()).warnings);
    });
    const settle = () => page.waitForNetworkIdle({ idleTime: 150 });
    const click = async (selector) => {
      await (await page.waitForSelector(selector, { visible: true })).click();
      await settle();
    };
    await page.goto(url);

    // Text to object, as examples/t2o-session.txt does it.
    await click('[data-command="t2o"]');
    const layer = await page.waitForSelector('[data-item="1004"] select, select[data-item="1004"]');
    if (await layer.evaluate((s) => s.selectedOptions[0]?.textContent) !== '調査地点') {
      await layer.select('調査地点');
      await settle();
    }
    await click('[data-item="1101"]');
    const chooser = await page.waitForSelector('input[data-file]');
    await chooser.uploadFile(path.join(examples, 'snail-symbols.csv'));
    await settle();
    // Row 6 of the labels is ナメクジ, row 6 of the patterns 菱形.
    await click('[data-item="1011"] [data-row="6"]');
    await page.waitForSelector('[data-item="1011"] [data-row="6"][aria-selected="true"]');
    await click('[data-item="1018"] [data-row="6"]');
    await click('[data-item="1020"]');
    await page.waitForSelector('[data-item="1017"] [data-row="0"]');
    for (const id of [1132, 1041, 1039]) {
      await click(`[data-item="${id}"] input:not([disabled])`);
      check(await page.$eval(`[data-item="${id}"] input`, (i) => i.checked), `a click on ${id} left it off`);
    }

    // What the dialog shows: ナメクジ highlighted with the diamond beside it, the patterns' previews.
    const box = async (selector) => page.$eval(selector, (e) => {
      const r = e.getBoundingClientRect();
      return { x: Math.round(r.x), y: Math.round(r.y) };
    });
    const chosen = await box('[data-item="1011"] [data-row="6"]');
    const other = await box('[data-item="1011"] [data-row="5"]');
    const pattern = await box('[data-item="1018"] [data-row="1"]');
    const shot = await page.screenshot({ path: path.join(work, 't2o.png') });
    const preview = [];
    for (let x = 2; x < 16; x += 2) for (let y = 2; y < 15; y += 2) preview.push([pattern.x + x, pattern.y + y]);
    const [highlight, plain, ...previewPixels] = await pixels(browser, shot,
      [[chosen.x + 100, chosen.y + 8], [other.x + 100, other.y + 8], ...preview]);
    check(near(highlight, [51, 153, 255]) /* the host's highlight */, `the chosen row is ${highlight}, not highlighted`);
    check(near(plain, [255, 255, 255]), `a row not chosen is ${plain}, not white`);
    const dark = previewPixels.filter((c) => c.every((v) => v < 128)).length;
    check(dark >= 5, `the 黒丸 pattern's preview has ${dark} dark pixels`);

    await click('[data-item="1"]');
    await page.waitForSelector('[data-item="1011"]', { hidden: true });
    while (await page.$('[data-message]')) await click('[data-message] [data-item="1"]');

    await click('[data-action="save"]');
    check(fs.existsSync(result), 'Save wrote no map');

    // Session: a download into the replay's folder.
    const replay = path.join(work, 'replay');
    fs.mkdirSync(replay);
    const cdp = await browser.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior',
      { behavior: 'allow', downloadPath: replay, eventsEnabled: true });
    const downloaded = new Promise((resolve, reject) => cdp.on('Browser.downloadProgress', (e) => {
      if (e.state === 'completed') resolve();
      if (e.state === 'canceled') reject(new Error('the session download was cancelled'));
    }));
    await click('[data-action="session"]');
    await within(10, 'the session download', downloaded);
    const session = path.join(replay, 'session.txt');
    check(fs.existsSync(session), 'no session.txt downloaded');

    // Text to text: a destination typed with the keyboard, then Cancel pressed as a person
    // presses it (the text is sent as the edit loses the focus, on the button's press).
    await click('[data-command="t2t"]');
    await click('[data-item="1010"]');
    await page.keyboard.type('マイマイ "殻"');
    await (await page.$('[data-item="2"]')).click({ delay: 100 });
    await settle();
    const lines = await (await fetch(new URL('/api/session', url), {
      headers: { 'X-Kzn-Token': token },
    })).text();
    check(lines.includes('type 1010 "マイマイ \\"殻\\""'), `the session has no type line:\n${lines}`);
    check(!(await page.$('[data-item="1010"]')), 'Cancel, pressed after typing, left the dialog open');

    await click('[data-action="quit"]');
    await page.waitForSelector('[data-ended]');
    const [code] = await within(10, 'kznhost ending after Quit', child.exited);
    check(code === 0, `kznhost serve exited ${code}`);
    check(faults.length === 0, `the page went wrong: ${faults.join('; ')}`);
  } catch (error) {
    await page?.screenshot({ path: path.join(work, 'failure.png') });
    throw error;
  } finally {
    await browser?.close();
    if (child.exitCode === null) child.kill();
  }

  // The session script, beside its table, makes the map the page saved; and that is the sample
  // session's map.
  const replay = path.join(work, 'replay');
  fs.copyFileSync(path.join(examples, 'snail-symbols.csv'), path.join(replay, 'snail-symbols.csv'));
  const run = (...args) => spawnSync(kznhost, args, { encoding: 'utf8' });
  const replayed = path.join(work, 'replayed.svg');
  let r = run('run', '--doc', path.join(examples, 'snail-map.svg'),
              '--script', path.join(replay, 'session.txt'), '--out', replayed);
  check(r.status === 0, `replaying the session exited ${r.status}: ${r.stderr}`);
  r = run('diff', result, replayed);
  check(r.status === 0, `the replayed map differs from the saved one:\n${head(r.stdout)}`);
  const sample = path.join(work, 'sample.svg');
  r = run('run', '--doc', path.join(examples, 'snail-map.svg'),
          '--script', path.join(examples, 't2o-session.txt'), '--out', sample);
  check(r.status === 0, `the sample session exited ${r.status}: ${r.stderr}`);
  r = run('diff', sample, result);
  check(r.status === 0, `the map saved in the page is not the sample session's:\n${head(r.stdout)}`);
}

// The page as a desktop program: Japanese words, the whole text-to-object session by the keyboard
// alone, rows and labels that point at each other, a table with a Japanese name, undo and redo,
// Quit that asks, and a dialog that a small screen scrolls to.
async function desktop() {
  const result = path.join(work, 'desktop.svg');
  const { child, url } = await serve(result);
  let browser = null, page = null;
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      args: ['--no-sandbox', '--headless=new', '--lang=ja'],
      defaultViewport: { width: 1280, height: 800, deviceScaleFactor: 2 },
    });
    page = await browser.newPage();
    page.setDefaultTimeout(15000);
    // A browser that prefers Japanese (headless Chromium's own preference is English).
    await page.evaluateOnNewDocument(() => {
      Object.defineProperty(navigator, 'languages', { get: () => ['ja-JP', 'ja', 'en'] });
    });
    const faults = [];
    page.on('pageerror', (error) => faults.push(error.message));
    const idle = async () => {
      await page.waitForNetworkIdle({ idleTime: 100 });
      await page.waitForFunction(() => !document.body.classList.contains('busy'));
    };
    const press = async (key, times = 1) => {
      for (let i = 0; i < times; i++) await page.keyboard.press(key);
      await idle();
    };
    const focused = () => page.evaluate(() => {
      const e = document.activeElement;
      return e?.closest('[data-item]')?.dataset.item || e?.dataset.command || e?.tagName || '';
    });
    // Tab until the item ID has the focus, as a person would.
    const tabTo = async (id) => {
      for (let i = 0; i < 60 && (await focused()) !== String(id); i++) await page.keyboard.press('Tab');
      check((await focused()) === String(id), `Tab never reached item ${id}`);
    };
    const selected = (id) => page.$$eval(`[data-item="${id}"] [aria-selected="true"]`,
                                         (rows) => rows.map((r) => Number(r.dataset.row)));
    await page.goto(url);
    await idle();
    check(await page.$eval('html', (h) => h.lang) === 'ja', 'the page is not in Japanese');
    check(await page.$eval('[data-action="undo"]', (b) => b.textContent) === '元に戻す',
          'the page\'s own words are not Japanese');

    // Text to object by the keyboard alone: the command, the table, two rows, a button, three
    // checks and Enter for OK.
    await page.focus('[data-command="t2o"]');
    await press('Enter');
    await page.waitForSelector('[data-item="1011"]');
    // Every item's text fits the box the template gives it, in the page's proportional font.
    const cut = await page.$$eval('.body > *', (items) => items
      .filter((e) => e.scrollWidth > e.clientWidth + 1 || e.scrollHeight > e.clientHeight + 1)
      .filter((e) => !e.classList.contains('list'))
      .map((e) => `${e.dataset.item} "${e.textContent}" ${e.scrollWidth}>${e.clientWidth}`));
    check(cut.length === 0, `items whose text is cut: ${cut.join('; ')}`);
    check((await focused()) === '1', 'the dialog did not give its default button the focus');
    await tabTo(1101);
    const [chooser] = await Promise.all([page.waitForFileChooser(), (async () => {
      await press('Enter');
      await page.waitForSelector('[data-choose]');
      check(await page.$eval('input[data-file]', (i) => i.accept) === '.txt,.csv',
            'the file chooser is not filtered as the module asks');
      await press('Enter');
    })()]);
    // A table whose name is Japanese: the module shows it as it is.
    const named = path.join(work, '丸の入替.csv');
    fs.copyFileSync(path.join(examples, 'snail-symbols.csv'), named);
    await chooser.accept([named]);
    await idle();
    const texts = await page.$$eval('.body .static', (all) => all.map((e) => e.textContent).join('|'));
    check(texts.includes('丸の入替.csv'), `the table's name is not shown as it is: ${texts}`);
    await tabTo(1011);
    await press('Home');
    await press('ArrowDown', 6);
    check((await selected(1011)).join() === '6', `the arrow keys picked ${await selected(1011)}`);
    // The row ナメクジ outlines its two labels on the map.
    await page.waitForFunction(() => document.querySelectorAll('#marks rect').length === 2);
    await tabTo(1018);
    await press('Home');
    await press('ArrowDown', 6);
    await tabTo(1020);
    await press('Enter');
    for (const id of [1132, 1041, 1039]) {
      await tabTo(id);
      await press('Space');
      check(await page.$eval(`[data-item="${id}"] input`, (i) => i.checked), `Space left ${id} off`);
    }
    // A label of the map picks its row: the first デンデンムシ.
    const spot = await page.evaluate(async () => {
      const token = new URLSearchParams(location.search).get('token');
      const labels = await (await fetch('/api/labels', { headers: { 'X-Kzn-Token': token } })).json();
      const label = labels.find((l) => l.text === 'デンデンムシ');
      const m = document.getElementById('marks').getScreenCTM();
      const p = new DOMPoint(label.x + label.width / 2, label.y + label.height / 2).matrixTransform(m);
      return { x: p.x, y: p.y };
    });
    await page.evaluate(() => { document.querySelector('.modal .window').style.visibility = 'hidden'; });
    await page.mouse.click(spot.x, spot.y);
    await page.evaluate(() => { document.querySelector('.modal .window').style.visibility = ''; });
    await idle();
    const row = (await selected(1011))[0];
    const rowText = await page.$eval(`[data-item="1011"] [data-row="${row}"]`, (r) => r.title);
    check(rowText === 'デンデンムシ', `a click on a デンデンムシ label picked ${rowText}`);
    await tabTo(1011);
    await press('Home');
    await press('ArrowDown', 6);
    await page.keyboard.press('Enter');
    await page.waitForSelector('[data-item="1011"]', { hidden: true });
    await idle();
    while (await page.$('[data-message]')) await press('Enter');

    // Undo and redo: the map before and after, and the words for each.
    check(await page.$eval('[data-action="undo"]', (b) => !b.disabled), 'nothing to undo');
    await page.click('[data-action="undo"]');
    await idle();
    check(await page.$eval('[data-action="redo"]', (b) => !b.disabled), 'nothing to redo');
    await page.click('[data-action="redo"]');
    await idle();
    // Quit asks while the map is not saved; No keeps the session.
    await page.click('[data-action="quit"]');
    await page.waitForSelector('[data-ask]');
    await press('Escape');
    check(!(await page.$('[data-ended]')), 'Quit ended the session though the person said no');
    await page.click('[data-action="save"]');
    await idle();

    // A small screen: the dialog scrolls until OK shows and takes a click.
    await page.setViewport({ width: 683, height: 400, deviceScaleFactor: 1 });
    check(await page.$eval('header', (h) => h.scrollWidth <= h.clientWidth), 'the header does not fit');
    await page.click('#filter-button');  // a narrow window has the commands in a menu
    await page.click('[data-command="t2o"]');
    await page.waitForSelector('[data-item="1011"]');
    await idle();
    const reachable = await page.$eval('[data-item="1"]', (ok) => {
      ok.scrollIntoView({ block: 'nearest' });
      const r = ok.getBoundingClientRect();
      return document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) === ok &&
             r.bottom <= window.innerHeight && r.top >= 0;
    });
    check(reachable, 'at 683x400 the dialog\'s OK cannot be reached');
    await press('Escape');
    await page.waitForSelector('[data-item="1011"]', { hidden: true });

    await page.click('[data-action="quit"]');
    await page.waitForSelector('[data-ended]');
    const [code] = await within(10, 'kznhost ending after Quit', child.exited);
    check(code === 0, `kznhost serve exited ${code}`);
    check(faults.length === 0, `the page went wrong: ${faults.join('; ')}`);
  } catch (error) {
    await page?.screenshot({ path: path.join(work, 'desktop-failure.png') });
    throw error;
  } finally {
    await browser?.close();
    if (child.exitCode === null) child.kill();
  }
  // The keyboard's session made the sample session's map.
  const sample = path.join(work, 'sample.svg');
  const r = spawnSync(kznhost, ['diff', sample, result], { encoding: 'utf8' });
  check(r.status === 0, `the map made by the keyboard is not the sample session's:\n${head(r.stdout)}`);
}

try {
  await main();
  await desktop();
  fs.rmSync(work, { recursive: true, force: true });
  console.log(`text to object by clicks, saved and replayed; typing in text to text; the same by the keyboard in Japanese (${Date.now() - started} ms)`);
} catch (error) {
  console.error(`FAIL: ${error.message}\n(what the test wrote is kept in ${work})`);
  process.exit(1);
}
