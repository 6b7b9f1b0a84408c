// node scripts/page-bench.cjs KZNHOST OUT_FOLDER: how quick kznhost serve's page is, measured in
// headless Chromium (puppeteer-core from tests/browser/node_modules) as a person meets it: the
// page opening on a map (until its picture shows and nothing is pending), a click on a list row
// of text to object (until the dialog is repainted), and OK (until the dialog has closed and the
// new map shows). On the sample map and on a map of 10,000 labels made from it. Prints a table and
// writes it to OUT_FOLDER/page-bench.csv. Used by scripts/bench. With --map FILE, writes the
// 10,000-label map and stops.
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');
const { createRequire } = require('module');

const puppeteer = createRequire(path.join(__dirname, '../tests/browser/package.json'))(
  'puppeteer-core');
const examples = path.join(__dirname, '../examples');

// The sample map with its survey layer holding LABELS labels: the sample's label texts in a grid.
function bigMap(labels, file) {
  const sample = fs.readFileSync(path.join(examples, 'snail-map.svg'), 'utf8');
  const words = ['デンデンムシ', 'マイマイ', 'カタツムリ', 'ツブリ', 'ツブラメ', 'ツグラメ', 'ナメクジ'];
  const side = Math.ceil(Math.sqrt(labels));
  let texts = '';
  for (let i = 0; i < labels; i++) {
    const x = 10 + (i % side) * (575 / side), y = 10 + Math.floor(i / side) * (822 / side);
    texts += `    <text style="font-size:2px" x="${x.toFixed(1)}" y="${y.toFixed(1)}">${words[i % words.length]}</text>\n`;
  }
  const start = sample.indexOf('<g inkscape:groupmode="layer" id="layer-points"');
  const open = sample.indexOf('>', start) + 1;
  const end = sample.indexOf('</g>\n  <g inkscape:groupmode="layer" id="layer-title"');
  fs.writeFileSync(file, sample.slice(0, open) + '\n' + texts + '  ' + sample.slice(end));
}

async function serve(kznhost, map) {
  const child = spawn(kznhost, ['serve', map]);
  child.stdout.setEncoding('utf8');
  const url = await new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (text) => {
      out += text;
      const line = /^(http:\S+)\n/.exec(out);
      if (line) resolve(line[1]);
    });
    child.on('exit', (code) => reject(new Error(`kznhost serve exited ${code}`)));
  });
  return { child, url };
}

async function measure(browser, kznhost, map) {
  const { child, url } = await serve(kznhost, map);
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800 });
  const idle = () => page.waitForFunction(
    () => !document.body.classList.contains('busy') && document.getElementById('map').naturalWidth > 0,
    { polling: 'raf', timeout: 120000 });
  const time = async (work) => {
    const start = Date.now();
    await work();
    return Date.now() - start;
  };
  const figures = {};
  figures.open = await time(async () => {
    await page.goto(url);
    await page.waitForSelector('[data-command="t2o"]');
    await idle();
  });
  await page.click('[data-command="t2o"]');
  await page.waitForSelector('[data-item="1011"]');
  await idle();
  const [chooser] = await Promise.all([page.waitForFileChooser(), (async () => {
    await page.click('[data-item="1101"]');
    await page.waitForSelector('[data-choose]');
    await page.click('[data-choose]');
  })()]);
  await chooser.accept([path.join(examples, 'snail-symbols.csv')]);
  await page.waitForFunction(() => !document.querySelector('[data-choose]'));
  await idle();
  // A click's time as the page measures it: from the click to the repainted dialog.
  const clicks = [];
  for (const row of [1, 2, 3, 4, 5, 6, 7]) {
    await page.evaluate(() => performance.clearMeasures());
    await page.click(`[data-item="1011"] [data-row="${row}"]`);
    await page.waitForSelector(`[data-item="1011"] [data-row="${row}"][aria-selected]`);
    await idle();
    clicks.push(await page.evaluate(() => performance.getEntriesByName('kzn row').pop()?.duration ?? NaN));
  }
  clicks.sort((a, b) => a - b);
  figures.click = Math.round(clicks[Math.floor(clicks.length / 2)]);
  figures.ok = await time(async () => {
    await page.click('[data-item="1"]');
    await page.waitForSelector('[data-item="1011"]', { hidden: true, timeout: 120000 });
    await idle();
  });
  while (await page.$('[data-message]')) await page.click('[data-message] [data-item="1"]');
  await page.close();
  child.kill();
  return figures;
}

async function main(kznhost, out) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kzn-page-bench-'));
  const big = path.join(work, 'labels-10000.svg');
  bigMap(10000, big);
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless=new'],
  });
  const rows = [['map', 'open (ms)', 'row click (ms, median)', 'OK (ms)']];
  try {
    for (const [name, map] of [['sample (45 labels)', path.join(examples, 'snail-map.svg')],
                               ['10,000 labels', big]]) {
      const f = await measure(browser, kznhost, map);
      rows.push([name, f.open, f.click, f.ok]);
    }
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  fs.writeFileSync(path.join(out, 'page-bench.csv'), rows.map((r) => r.join(',')).join('\n') + '\n');
  for (const r of rows) console.log(r.map((c, i) => String(c).padEnd(i === 0 ? 20 : 14)).join(''));
}

// node scripts/page-bench.cjs --map FILE: writes the 10,000-label map only.
if (process.argv[2] === '--map') {
  bigMap(10000, process.argv[3]);
  process.exit(0);
}

main(path.resolve(process.argv[2]), process.argv[3] || 'out').catch((error) => {
  console.error(error);
  process.exit(1);
});
