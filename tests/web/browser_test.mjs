// The web backend in Chromium, as a user meets it: the traffic draws and animates, keys
// and the HTML menu halt and animate it and move check marks, a recording survives a
// reload and is downloaded, a picked file plays, the prompt takes a typed reply with
// Enter, a click ends the program, and ?play replays a script at start.
import {check, run, until} from './harness.mjs';

const VIEWPORT = {width: 1024, height: 768};

async function open(browser, url, page_path) {
  const context = await browser.newContext({viewport: VIEWPORT, acceptDownloads: true});
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.errors = errors;
  await page.goto(url + page_path);
  await until(() => page.evaluate(() => performance.getEntriesByName(
    'kx508-first-frame:kx508-graphics').length > 0), `${page_path} shows its first frame`);
  return page;
}

// A digest of what a canvas shows, and how many of its pixels are of a colour.
function canvasDigest(page, id) {
  return page.evaluate((id) => {
    const c = document.getElementById(id);
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let h = 0;
    let black = 0;
    for (let i = 0; i < d.length; i += 4) {
      h = (Math.imul(h, 31) + (d[i] << 16 | d[i + 1] << 8 | d[i + 2])) | 0;
      if (d[i] === 0 && d[i + 1] === 0 && d[i + 2] === 0) ++black;
    }
    return {hash: h, black: black};
  }, id);
}

// A pixel of the drawing canvas at library coordinates (the origin at its centre, y up).
function libraryPixel(page, x, y) {
  return page.evaluate(([x, y]) => {
    const c = document.getElementById('kx508-graphics');
    const ox = Math.floor(c.width / 2), oy = Math.floor(c.height / 2);
    return Array.from(c.getContext('2d').getImageData(ox + x, oy - y, 1, 1).data.slice(0, 3));
  }, [x, y]);
}

async function animates(page) {
  const first = (await canvasDigest(page, 'kx508-graphics')).hash;
  await until(async () => (await canvasDigest(page, 'kx508-graphics')).hash !== first,
    'the traffic moves', 5000);
}

// Still for a second: ten ticks of the animation's timer.
async function standsStill(page) {
  await page.waitForTimeout(300);
  const first = (await canvasDigest(page, 'kx508-graphics')).hash;
  await page.waitForTimeout(1000);
  check((await canvasDigest(page, 'kx508-graphics')).hash === first, 'the traffic still moves');
}

function entry(page, label) {
  return page.locator('.kx508-entry', {hasText: label});
}

async function checked(page, label) {
  return (await entry(page, label).getAttribute('aria-checked')) === 'true';
}

async function status(page) {
  return page.textContent('#kx508-status');
}

async function ended(page, code) {
  await until(async () => (await status(page)) === `The program ended with status ${code}`,
    `the status says the program ended with status ${code} (it says "${await status(page)}")`);
}

async function focusDrawing(page) {
  await page.focus('#kx508-graphics');
}

await run({
  async trafficDrawsAnimatesAndKeysHaltIt({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    await until(async () => (await canvasDigest(page, 'kx508-graphics')).black > 5000,
      'the road network is drawn');
    await animates(page);
    await focusDrawing(page);
    // Every key that becomes a message is the program's alone: the browser does nothing
    // with it (no reload for Ctrl+R here), and a key the program does not get is left.
    await page.evaluate(() => {
      window.prevented = {};
      window.addEventListener('keydown', (e) => { window.prevented[e.code] = e.defaultPrevented; });
    });
    await page.keyboard.press('Control+h');
    await standsStill(page);
    await page.keyboard.press('Control+a');
    await animates(page);
    await page.keyboard.press('Control+r');
    await page.keyboard.press('Control+r');
    await page.keyboard.press('AudioVolumeMute');
    const prevented = await page.evaluate(() => window.prevented);
    check(prevented.KeyH && prevented.KeyA && prevented.KeyR && prevented.ControlLeft,
      `keys that became messages were left to the browser: ${JSON.stringify(prevented)}`);
    check(prevented.AudioVolumeMute === false, 'a key the program never gets was taken');
    check(page.errors.length === 0, `page errors: ${page.errors}`);
  },

  async menuByMouseAndKeyboard({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    const run = page.locator('.kx508-top-entry');
    check((await run.innerHTML()) === '<u>R</u>un', `the bar shows ${await run.innerHTML()}`);
    check((await entry(page, 'Halt animation').innerHTML()).includes('<u>H</u>alt'),
      'the & letter of an entry is not underlined');
    await run.click();
    check(await entry(page, 'WINDOWS:').isVisible(), 'the menu did not open');
    check((await entry(page, 'WINDOWS:').getAttribute('aria-disabled')) === 'true',
      'an information line is not grayed');
    await entry(page, 'WINDOWS:').click({force: true});
    check(await entry(page, 'Halt animation').isVisible(), 'a grayed entry closed the menu');
    await entry(page, 'Halt animation').click();
    check(!(await entry(page, 'Animate').isVisible()), 'choosing an entry left the menu open');
    await standsStill(page);
    // From the keyboard: Alt and the bar's letter open it, the arrows move, Enter chooses,
    // and the focus goes back to the canvas.
    await page.mouse.move(900, 700);  // away from where the menu opens
    await focusDrawing(page);
    await page.keyboard.press('Alt+r');
    check(await page.evaluate(() => document.activeElement.textContent.includes('Animate')),
      'Alt+R did not open the menu at its first entry');
    await page.keyboard.press('Escape');
    check(await page.evaluate(() => document.activeElement.id === 'kx508-graphics'),
      'Escape did not give the focus back to the canvas');
    await page.keyboard.press('Alt+r');
    await page.keyboard.press('Enter');
    check(await page.evaluate(() => document.activeElement.id === 'kx508-graphics'),
      'choosing from the keyboard did not give the focus back to the canvas');
    await animates(page);
    await page.keyboard.press('F10');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    await standsStill(page);
  },

  async loggingMovesItsCheckMark({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    check(!(await checked(page, 'Logging')), 'the traffic starts with logging on');
    await focusDrawing(page);
    await page.keyboard.press('Control+l');
    await until(() => checked(page, 'Logging'), 'Ctrl+L checks Logging');
    await page.keyboard.press('Control+l');
    await until(async () => !(await checked(page, 'Logging')), 'Ctrl+L again unchecks it');
  },

  async aRecordingSurvivesAReloadAndPlays({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    await focusDrawing(page);
    await page.keyboard.press('Control+r');
    await until(() => checked(page, 'Record Script'), 'Ctrl+R checks Record Script');
    await page.waitForTimeout(400);
    await page.keyboard.press('x');
    await page.keyboard.press('Control+r');
    await until(async () => !(await checked(page, 'Record Script')), 'Ctrl+R stops recording');
    await page.reload();
    await until(() => page.evaluate(() => performance.getEntriesByName(
      'kx508-first-frame:kx508-graphics').length > 0), 'the reloaded page shows a frame');
    const download = page.waitForEvent('download');
    await page.click('#kx508-download');
    const file = await download;
    check(file.suggestedFilename() === 'KX508.SCR', `downloaded as ${file.suggestedFilename()}`);
    const chunks = [];
    for await (const chunk of await file.createReadStream()) chunks.push(chunk);
    const text = Buffer.concat(chunks).toString('latin1');
    check(/^KX508_PERIODIC\(\d+\);\nKX508_KBD\(120\);\n/.test(text),
      `the recording kept across the reload is ${JSON.stringify(text)}`);
    // Played back, the log says it reached the end: the text window's first line.
    check((await canvasDigest(page, 'kx508-text')).black === 0, 'the log is not empty');
    await focusDrawing(page);
    await page.keyboard.press('Control+p');
    await until(async () => (await canvasDigest(page, 'kx508-text')).black > 0,
      'playback logs its end');
    check(!(await checked(page, 'Playback Script')), 'playback is still checked at the end');
    // A script the user picks replaces it: this one clicks, which ends the program.
    await page.setInputFiles('#kx508-load', {name: 'click.scr', mimeType: 'text/plain',
      buffer: Buffer.from('KX508_MOUSE(0, 0);\n')});
    await until(async () => (await page.textContent('#kx508-messages')).includes('click.scr'),
      'the page says the script was loaded');
    await focusDrawing(page);
    await page.keyboard.press('Control+p');
    await ended(page, 0);
  },

  async thePromptTakesATypedReplyWithEnter({browser, url}) {
    const page = await open(browser, url, 'prompt.html');
    await until(() => page.evaluate(() => document.querySelector('dialog[open]') !== null),
      'the prompt opens');
    check(await page.evaluate(() => document.activeElement.tagName === 'TEXTAREA'),
      'the edit box does not have the focus');
    // Escape answers with the cancel id, which the prompt does not take: it stays open.
    await page.keyboard.press('Escape');
    await page.waitForTimeout(200);
    check(await page.evaluate(() => document.querySelector('dialog[open]') !== null),
      'Escape closed the prompt');
    await page.keyboard.type('Ada');
    await page.keyboard.press('Enter');
    await until(() => page.evaluate(() => document.querySelector('dialog') === null),
      'Enter in the multi-line edit box answers the prompt');
    check(await page.evaluate(() => document.activeElement.id === 'kx508-graphics'),
      'the focus did not come back to the canvas');
    // One square for each of the three letters (no line end typed): red, green, blue.
    await until(async () => (await libraryPixel(page, -140, 0)).join() === '0,0,255',
      'the third square is drawn');
    check((await libraryPixel(page, -190, 0)).join() === '255,0,0', 'no first square');
    check((await libraryPixel(page, -115, 0)).join() === '255,255,255', 'a fourth square');
  },

  // The drawing window keeps its outer size on a narrow page; the text window follows the
  // page's width, and the program is told its new client size.
  async aNarrowPageKeepsTheFixedWindowAndNarrowsTheOther({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    const sizes = () => page.evaluate(() => {
      const outer = document.getElementById('kx508-graphics').closest('section').getBoundingClientRect();
      const g = document.getElementById('kx508-graphics'), t = document.getElementById('kx508-text');
      return {outer: [outer.width, outer.height], graphics: [g.width, g.height], text: t.width};
    });
    const wide = await sizes();
    check(wide.outer.join() === '601,540' && wide.graphics.join() === '593,492',
      `the drawing window is ${JSON.stringify(wide)}`);
    await page.setViewportSize({width: 500, height: 768});
    await until(async () => (await sizes()).text < 500, 'the text window follows the page');
    const narrow = await sizes();
    check(narrow.outer.join() === '601,540' && narrow.graphics.join() === '593,492',
      `on a narrow page the drawing window is ${JSON.stringify(narrow)}`);
  },

  async aClickEndsTheProgramAndTheWindowsStay({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    // Its first frame may be the white canvas: the click comes once the network is drawn.
    await until(async () => (await canvasDigest(page, 'kx508-graphics')).black > 5000,
      'the road network is drawn');
    await page.click('#kx508-graphics', {position: {x: 400, y: 400}});
    await ended(page, 0);
    const last = await canvasDigest(page, 'kx508-graphics');
    check(last.black > 5000, 'the picture went with the program');
    await page.waitForTimeout(300);
    check((await canvasDigest(page, 'kx508-graphics')).hash === last.hash, 'the picture moves');
    check(await page.locator('.kx508-title', {hasText: 'KX508 Text'}).isVisible(),
      'the text window went with the program');
  },

  async playReplaysAScriptAtStart({browser, url}) {
    const context = await browser.newContext({viewport: VIEWPORT});
    const page = await context.newPage();
    await page.goto(url + 'hello.html?play=hello.scr');
    await ended(page, 0);  // its last line is a click
    check((await libraryPixel(page, 0, 0)).join() === '0,0,255', 'no triangle drawn');
    await page.goto(url + 'hello.html?play=missing.scr');
    await ended(page, 2);
    check((await page.textContent('#kx508-messages')).includes('cannot read script file'),
      'a missing script is not reported');
    await page.goto(url + 'hello.html?play=http://localhost:1/x.scr');
    await ended(page, 2);
    check((await page.textContent('#kx508-messages')).includes('only a script from this site'),
      'a script from elsewhere is not refused');
  },
});
