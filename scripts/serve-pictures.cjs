// node scripts/serve-pictures.cjs ADDRESS OUT_FOLDER: pictures of kznhost serve's page in headless
// Chromium (puppeteer-core from tests/browser/node_modules), as a browser that prefers Japanese
// shows it: the map as the page opens (serve-map.png, 1280x800), the text-to-object dialog open
// over it with the sample table loaded and a row picked, its labels outlined on the map
// (serve-dialog.png), and the same dialog on a small screen (serve-small.png, 683x400). Used by
// scripts/demo.
const path = require('path');
const { createRequire } = require('module');

const puppeteer = createRequire(path.join(__dirname, '../tests/browser/package.json'))(
  'puppeteer-core');

async function main(address, out) {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless=new'],
  });
  try {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(() => {
      Object.defineProperty(navigator, 'languages', { get: () => ['ja-JP', 'ja'] });
    });
    // Every action and picture done: the page is no longer busy.
    const idle = async () => {
      await page.waitForNetworkIdle({ idleTime: 150 });
      await page.waitForFunction(() => !document.body.classList.contains('busy'));
    };
    await page.setViewport({ width: 1280, height: 800 });
    await page.goto(address);
    await page.waitForSelector('[data-command="t2o"]');
    await page.waitForFunction(() => document.getElementById('map').naturalWidth > 0);
    await idle();
    await page.screenshot({ path: path.join(out, 'serve-map.png') });
    await page.click('[data-command="t2o"]');
    await page.waitForSelector('[data-item="1101"] img');
    await idle();
    await page.click('[data-item="1101"]');
    await page.waitForSelector('[data-choose]');
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('[data-choose]')]);
    await chooser.accept([path.join(__dirname, '../examples/snail-symbols.csv')]);
    await page.waitForFunction(() => !document.querySelector('[data-choose]'));
    await page.waitForSelector('[data-item="1011"] [data-row="6"]');
    await idle();
    await page.click('[data-item="1011"] [data-row="6"]');
    await page.waitForSelector('[data-item="1011"] [data-row="6"][aria-selected]');
    await page.waitForFunction(() => document.querySelectorAll('#marks rect').length > 0);
    await idle();
    await page.screenshot({ path: path.join(out, 'serve-dialog.png') });
    await page.setViewport({ width: 683, height: 400 });
    await idle();
    await page.screenshot({ path: path.join(out, 'serve-small.png') });
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => !document.querySelector('[data-item="1011"]'));
    await idle();
    await page.click('[data-action="quit"]');
    await page.waitForSelector('[data-ended]');
  } finally {
    await browser.close();
  }
}

main(process.argv[2], process.argv[3]).catch((error) => {
  console.error(error);
  process.exit(1);
});
