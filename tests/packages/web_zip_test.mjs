// The web zip as a user gets it, unpacked and served on 127.0.0.1 (KX508_WEB_SITE names
// the folder): traffic.html draws the road network in Chromium and animates it, a click
// ends it with status 0, and every page index.html links is there.
import {check, run, until} from '../web/harness.mjs';

async function blackPixels(page) {
  return page.evaluate(() => {
    const c = document.getElementById('kx508-graphics');
    if (!c) return {black: 0, hash: 0};  // not made yet, or never
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let black = 0, hash = 0;
    for (let i = 0; i < d.length; i += 4) {
      if (d[i] === 0 && d[i + 1] === 0 && d[i + 2] === 0) ++black;
      hash = (Math.imul(hash, 31) + (d[i] << 16 | d[i + 1] << 8 | d[i + 2])) | 0;
    }
    return {black, hash};
  });
}

await run({
  async trafficDrawsTheNetwork({browser, url}) {
    const page = await browser.newPage({viewport: {width: 1024, height: 768}});
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    await page.goto(url + 'traffic.html');
    // Six intersections of 41 x 41 and ten lanes: well over 5000 black pixels, however
    // many vehicles cover them.
    const first = await until(async () => {
      const seen = await blackPixels(page);
      return seen.black > 5000 && seen;
    }, 'traffic.html draws the road network', 20000);
    await until(async () => (await blackPixels(page)).hash !== first.hash, 'the traffic moves');
    // (Emscripten ends a program by throwing its status, which the page reports.)
    check(errors.length === 0, `page errors: ${errors}`);
    await page.click('#kx508-graphics', {position: {x: 100, y: 400}});
    await until(async () => (await page.textContent('#kx508-status')) ===
      'The program ended with status 0', 'a click ends the program with status 0');
  },

  async indexLinksEveryPage({browser, url}) {
    const page = await browser.newPage();
    await page.goto(url);
    const links = await page.$$eval('a', (as) => as.map((a) => a.getAttribute('href')));
    check(links.includes('traffic.html') && links.length >= 7, `index.html links ${links}`);
    // The pages, and the scripts their replay links play.
    const files = links.map((l) => new URL(l, url)).flatMap((u) =>
      [u.pathname, u.searchParams.get('play')].filter((f) => f));
    for (const file of files) {
      const response = await page.request.get(new URL(file, url).href);
      check(response.ok(), `${file} (linked from index.html): ${response.status()}`);
    }
  },
});
