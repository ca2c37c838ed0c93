// Pages a learner made from the installed packages (clean_debian_web.sh), served from the
// folder KX508_PAGES names on 127.0.0.1: each named on the command line draws its orange
// square in Chromium, and a click ends it with status 0.
//   node web_page_test.mjs mine mine-cmake
import {check, launch, serve, until} from '../web/harness.mjs';

const ORANGE = [255, 102, 0];

function orangePixels(page) {
  return page.evaluate((orange) => {
    const c = document.getElementById('kx508-graphics');
    if (!c) return 0;  // not made yet
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let count = 0;
    for (let i = 0; i < d.length; i += 4) {
      if (d[i] === orange[0] && d[i + 1] === orange[1] && d[i + 2] === orange[2]) ++count;
    }
    return count;
  }, ORANGE);
}

const site = await serve(process.env.KX508_PAGES);
const browser = await launch();
let failed = 0;
try {
  for (const name of process.argv.slice(2)) {
    const page = await browser.newPage({viewport: {width: 1024, height: 768}});
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    try {
      await page.goto(`${site.url}${name}.html`);
      // The square's corners are library points -50 and 50: 101 x 101 pixels.
      const drawn = await until(async () => {
        const count = await orangePixels(page);
        return count >= 101 * 101 && count;
      }, `${name}.html draws its orange square`, 20000);
      check(drawn === 101 * 101, `${name}.html has ${drawn} orange pixels, not 101 x 101`);
      check(errors.length === 0, `page errors: ${errors}`);
      await page.click('#kx508-graphics', {position: {x: 20, y: 20}});
      await until(async () => (await page.textContent('#kx508-status')) ===
        'The program ended with status 0', `a click ends ${name}.html with status 0`);
      console.log(`ok ${name}.html draws, and a click ends it`);
    } catch (e) {
      ++failed;
      console.log(`FAILED ${name}.html: ${e.message}`);
    } finally {
      await page.close();
    }
  }
} finally {
  await browser.close();
  await site.close();
}
process.exit(failed ? 1 : 0);
