// node scripts/serve-pictures.cjs ADDRESS OUT_FOLDER: pictures of kznhost serve's page in headless
// Chromium (puppeteer-core from tests/browser/node_modules): the map as the page opens
// (serve-map.png), and the text-to-object dialog open over it with the sample table loaded
// (serve-dialog.png). Used by scripts/demo.
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
    await page.setViewport({ width: 1200, height: 800 });
    await page.goto(address);
    await page.waitForSelector('[data-command="t2o"]');
    await page.waitForFunction(() => document.getElementById('map').naturalWidth > 0);
    await page.screenshot({ path: path.join(out, 'serve-map.png') });
    await page.click('[data-command="t2o"]');
    await page.waitForSelector('[data-item="1101"] img');
    await page.click('[data-item="1101"]');
    const chooser = await page.waitForSelector('input[data-file]');
    await chooser.uploadFile(path.join(__dirname, '../examples/snail-symbols.csv'));
    await page.waitForFunction(() => !document.querySelector('input[data-file]'));
    await page.waitForSelector('[data-item="1011"] [data-row="0"]');
    await page.click('[data-item="1011"] [data-row="1"]');
    await page.waitForSelector('[data-item="1011"] [data-row="1"][aria-selected]');
    await new Promise((done) => setTimeout(done, 500));  // the rows' picture drawn
    await page.screenshot({ path: path.join(out, 'serve-dialog.png') });
    await page.click('[data-item="2"]');
    await page.waitForFunction(() => !document.querySelector('[data-item="1011"]'));
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
