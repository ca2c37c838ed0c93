// The web backend in Chromium, as a user meets it: the traffic draws and animates, keys
// and the HTML menu halt and animate it and move check marks while the browser keeps its
// own keys, a recording survives a reload and is downloaded, a picked file plays, the
// prompt takes a typed reply with Enter, the windows fit a phone's screen and a large
// one, a click ends the program, and ?play replays a script at start. axe-core finds
// nothing on the page in any of its states, every control is reached and shows its focus
// from the keyboard, and a finger can hit each on a phone.
import {createRequire} from 'node:module';
import path from 'node:path';
import zlib from 'node:zlib';
import {check, run, siteFolder, until} from './harness.mjs';

const AXE = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

const VIEWPORT = {width: 1024, height: 768};

async function open(browser, url, page_path, options = {}) {
  const context = await browser.newContext({viewport: VIEWPORT, acceptDownloads: true,
                                            ...options});
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  // Nothing the page asks for is missing (an icon, say).
  page.on('response', (r) => { if (r.status() >= 400) errors.push(`${r.status()} ${r.url()}`); });
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

// Fails with what axe-core finds on the page as it stands.
async function axeFindsNothing(page, state) {
  if (!(await page.evaluate(() => 'axe' in window))) await page.addScriptTag({path: AXE});
  const found = await page.evaluate(async () => (await axe.run()).violations.map((v) =>
    `${v.id} (${v.impact}): ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
  check(found.length === 0, `with ${state}, axe-core finds:\n  ${found.join('\n  ')}`);
}

// Fails on the controls a finger may miss: under 24 x 24 px, and a 24 px circle on one
// meets another control or another such circle. Those an open menu covers, or all but a
// modal dialog's, are not to be hit.
async function fingerSized(page, state) {
  const crowded = await page.evaluate(() => {
    const all = [...(document.querySelector('dialog:modal') || document).querySelectorAll(
      'button, input, select, textarea, a[href], canvas')].filter((e) => e.checkVisibility())
      .map((e) => ({e, r: e.getBoundingClientRect()})).filter(({e, r}) =>
        [[r.left + r.width / 2, r.top + r.height / 2], [r.left + 1, r.top + 1], [r.right - 1, r.bottom - 1]]
          .some(([x, y]) => e.contains(document.elementFromPoint(x, y))));
    const small = ({r}) => r.width < 24 || r.height < 24;
    const at = ({r}) => [r.left + r.width / 2, r.top + r.height / 2];
    return all.filter(small).flatMap((a) => all.filter((b) => b !== a && (
      Math.hypot(Math.max(b.r.left - at(a)[0], 0, at(a)[0] - b.r.right),
                 Math.max(b.r.top - at(a)[1], 0, at(a)[1] - b.r.bottom)) < 11.99 ||
      (small(b) && Math.hypot(at(b)[0] - at(a)[0], at(b)[1] - at(a)[1]) < 23.99)))
      .map((b) => `${a.e.className || a.e.id} ${a.r.width}x${a.r.height} by ${b.e.className || b.e.id}`));
  });
  check(crowded.length === 0, `with ${state}, too small and too close: ${crowded.join('; ')}`);
}

async function focusDrawing(page) {
  await page.focus('#kx508-graphics');
}

await run({
  // Opened from a file, as a double click in the zip's folder opens it, the page says how
  // to open it, not that the program is starting (its code is never fetched).
  async aPageOpenedFromAFileSaysToServeIt({browser}) {
    const page = await browser.newPage();
    await page.goto('file://' + path.join(siteFolder(), 'hello.html'));
    const says = async () => (await page.textContent('#kx508-status')) || '';
    await until(async () => (await says()).includes('python3 -m http.server'),
      `the status does not say how to open the page: ${JSON.stringify(await says())}`);
    check((await says()).includes('http://localhost:8000/hello.html'),
      `the status names another page: ${JSON.stringify(await says())}`);
  },

  async trafficDrawsAnimatesAndKeysHaltIt({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    await until(async () => (await canvasDigest(page, 'kx508-graphics')).black > 5000,
      'the road network is drawn');
    await animates(page);
    await axeFindsNothing(page, 'the program running');
    await focusDrawing(page);
    // The keys the program or its menu uses are theirs alone: the browser does nothing
    // with them (no reload for Ctrl+R here). Every other key is the browser's: zoom,
    // reload, history, and Tab, which moves the focus on.
    await page.evaluate(() => {
      window.prevented = {};
      window.addEventListener('keydown', (e) => {
        window.prevented[(e.ctrlKey ? 'Ctrl+' : '') + (e.altKey ? 'Alt+' : '') + e.code] =
          e.defaultPrevented;
      });
    });
    await page.keyboard.press('Control+h');
    await standsStill(page);
    await page.keyboard.press('Control+a');
    await animates(page);
    for (const key of ['Control+r', 'Control+r', 'x', 'Space', 'Control+Minus', 'Control+0',
                       'F5', 'Alt+ArrowLeft', 'AudioVolumeMute', 'Tab'])
      await page.keyboard.press(key);
    const prevented = await page.evaluate(() => window.prevented);
    const used = ['Ctrl+KeyH', 'Ctrl+KeyA', 'Ctrl+KeyR', 'KeyX', 'Space'];
    const browsers = ['Ctrl+Minus', 'Ctrl+Digit0', 'F5', 'Alt+ArrowLeft', 'AudioVolumeMute', 'Tab'];
    check(used.every((k) => prevented[k] === true) && browsers.every((k) => prevented[k] === false),
      `the keys the browser was kept from: ${JSON.stringify(prevented)}`);
    check(await page.evaluate(() => document.activeElement.id !== 'kx508-graphics'),
      'Tab did not move the focus out of the drawing window');
    // The window with the keyboard shows it in its title bar, and a press on the title
    // gives it the keyboard without clicking the picture, which the program would take.
    const titleColour = () => page.evaluate(() => getComputedStyle(document.getElementById(
      'kx508-graphics').closest('section').querySelector('.kx508-titlebar')).backgroundColor);
    const away = await titleColour();
    await page.click('.kx508-window .kx508-title >> text=KX508 Graphics');
    check(await page.evaluate(() => document.activeElement.id === 'kx508-graphics'),
      'a press on the title bar did not give the drawing window the keyboard');
    check((await titleColour()) !== away, 'the title bar does not show which window has the keyboard');
    check((await page.textContent('#kx508-keys')).includes('Ctrl+R Record Script'),
      `the keys line says: ${await page.textContent('#kx508-keys')}`);
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
    // Alt+R again closes the menu, choosing nothing.
    await page.keyboard.press('Alt+r');
    await page.keyboard.press('Alt+r');
    check(!(await entry(page, 'Animate').isVisible()), 'Alt+R again left the menu open');
    check(!(await checked(page, 'Record Script')), 'Alt+R again chose Record Script');
    await focusDrawing(page);
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

  // A screen reader hears the drawing canvas as a picture of the window, described by the
  // library's words for it, and the log window's new lines in a polite live region. The
  // description is read from the browser's accessibility tree, as a screen reader gets
  // it: the element holding the words is hidden, and only the reference makes it heard.
  async aScreenReaderHearsWhatIsDrawnAndLogged({browser, url}) {
    const page = await open(browser, url, 'hello.html');
    const session = await page.context().newCDPSession(page);
    const description = async () => {
      const {nodes} = await session.send('Accessibility.getFullAXTree');
      const pictures = nodes.filter((n) => n.role && n.role.value === 'image' &&
                                           n.name && n.name.value.startsWith('KX508 Graphics'));
      check(pictures.length === 1, 'the drawing canvas is not one picture named by its window');
      return pictures[0].description ? pictures[0].description.value : '';
    };
    await until(async () => (await description()).includes('blue filled triangle in the middle'),
      'the canvas is described as a blue triangle in the middle');
    const lines = page.locator('[role=log][aria-live=polite]', {has: page.locator('p')});
    const said = 'blue triangle at (-60,-40), (60,-40), (0,60)';
    await until(async () => (await lines.locator('p').allTextContents()).includes(said),
      `the live region says "${said}"`);
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
    check(await page.locator('#kx508-messages p', {hasText: 'click.scr'}).getAttribute('class') ===
      'kx508-info', 'the page says it loaded the script as if it were an error');
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
    check(await page.getByRole('textbox', {name: 'What is your name?'}).count() === 1,
      'the edit box is not named by the prompt');
    await axeFindsNothing(page, 'the prompt open');
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

  // On a phone's screen, by touch, everything is on the screen: the drawing window scaled
  // down smoothly (its pixels still its own), its menu, and the prompt. On a large screen
  // the picture is scaled up by a whole factor, each pixel a square.
  async theWindowsFitAnyScreen({browser, url}) {
    const page = await open(browser, url, 'prompt.html',
                            {viewport: {width: 390, height: 844}, hasTouch: true, isMobile: true});
    const inside = (selector) => page.evaluate((selector) => {
      const r = document.querySelector(selector).getBoundingClientRect();
      return r.width > 0 && r.left >= 0 && r.top >= 0 && r.right <= innerWidth && r.bottom <= innerHeight;
    }, selector);
    await until(() => page.evaluate(() => document.querySelector('dialog[open]') !== null),
      'the prompt opens');
    check(await inside('dialog[open]'), 'the prompt runs off the screen');
    await fingerSized(page, 'the prompt open');
    await page.tap('dialog[open] textarea');
    await page.keyboard.type('a');
    await page.tap('dialog[open] button.kx508-button');
    await until(() => page.evaluate(() => document.querySelector('dialog') === null),
      'a tap on Okay answers the prompt');
    check(await inside('#kx508-graphics'), 'the drawing window runs off the screen');
    check(await page.evaluate(() => {
      const c = document.getElementById('kx508-graphics');
      return c.width === 593 && c.height === 492 && c.closest('.kx508-smooth') !== null;
    }), 'the scaled-down picture is not its own 593 x 492 pixels, smoothed');
    await page.tap('.kx508-top-entry');
    check(await entry(page, 'Playback Script').isVisible(), 'a tap did not open the menu');
    check(await inside('.kx508-popup:not([hidden])'), 'the open menu runs off the screen');
    await fingerSized(page, 'the menu open');
    // Its lines wrap between words only: no word is on two lines.
    const broken = await page.$$eval('.kx508-popup:not([hidden]) .kx508-label', (labels) =>
      labels.flatMap((label) => [...label.childNodes].filter((n) => n.nodeType === 3)
        .flatMap((text) => [...text.data.matchAll(/\S+/g)].filter((word) => {
          const range = document.createRange();
          range.setStart(text, word.index);
          range.setEnd(text, word.index + word[0].length);
          return new Set([...range.getClientRects()].map((r) => r.top)).size > 1;
        }).map((word) => word[0]))));
    check(broken.length === 0, `menu lines break inside words: ${broken.join('; ')}`);

    await page.setViewportSize({width: 1920, height: 1080});
    await until(() => page.evaluate(() =>
      document.getElementById('kx508-graphics').getBoundingClientRect().width === 2 * 593),
    'on a large screen the picture is not twice its size');
    check(await page.evaluate(() => getComputedStyle(
      document.getElementById('kx508-graphics')).imageRendering === 'pixelated'),
    'a whole scale is smoothed');
    // Where the page leaves room for it only as it is, full screen doubles it.
    await page.setViewportSize({width: 1280, height: 1000});
    const width = () => page.evaluate(() =>
      document.getElementById('kx508-graphics').getBoundingClientRect().width);
    await until(async () => (await width()) === 593, 'the picture does not fit the page');
    await page.click('.kx508-fullscreen');
    await until(async () => (await width()) === 2 * 593, 'full screen does not make it larger');
    check(await page.evaluate(() => document.fullscreenElement.contains(
      document.activeElement) && document.activeElement.id === 'kx508-graphics'),
    'in full screen the picture does not have the keyboard');
  },

  // From the keyboard alone, at a phone's width where a finger can hit every control of
  // the page with the run bar too: Tab reaches every control, each showing a ring; the
  // menu opens from its entry, and Quit chosen ends the program. Home on the slider then
  // starts it again on the run, and the page started again gives the slider back the
  // keyboard, so that End is the bar's, not the program's. axe-core finds nothing on the way.
  async theKeyboardAloneReachesEveryControl({browser, url}) {
    const run = zlib.deflateRawSync(Buffer.from('KX508_PERIODIC(1);\n'.repeat(30)));
    const page = await open(browser, url, 'traffic.html#run=' + run.toString('base64url'),
                            {viewport: {width: 390, height: 1600}});  // all of it in view
    const barAt = (k, why) => until(() => page.evaluate((k) => KX508Run.state().phase ===
      'ready' && KX508Run.state().at === k && document.activeElement.id === 'kx508-timeline', k), why, 30000);
    await until(() => page.evaluate(() => KX508Run.state().phase === 'ready'), 'the run plays through', 30000);
    await axeFindsNothing(page, 'the run bar shown');
    await fingerSized(page, 'the run bar shown');
    // Round the page by Tab, marking each control reached, and whether a ring shows on it
    // (a canvas's is in its client area).
    for (let round = false; !round;) {
      await page.keyboard.press('Tab');
      round = await page.evaluate(() => {
        const e = document.activeElement, canvas = e.tagName === 'CANVAS';
        if (e.dataset.reached) return true;
        const ring = getComputedStyle(canvas ? e.parentElement : e, canvas ? '::after' : null);
        e.dataset.reached = e === document.body || ring.outlineStyle !== 'none' ? 'yes' : 'no ring';
        return false;
      });
    }
    const missed = await page.$$eval('button, input, select, textarea, a[href], canvas, [data-reached]',
      (all) => all.filter((e) => e.checkVisibility() && !e.disabled && e.dataset.reached !== 'yes')
        .map((e) => `${e.id || e.className}: ${e.dataset.reached || 'never reached'}`));
    check(missed.length === 0, `by Tab: ${missed.join(', ')}`);
    await page.focus('.kx508-top-entry');
    await page.keyboard.press('Enter');
    check(await page.evaluate(() => document.activeElement.textContent.includes('Animate')),
      'Enter on the menu bar did not open the menu at its first entry');
    await axeFindsNothing(page, 'the menu open');
    await page.keyboard.press('ArrowUp');  // round to its last: Quit
    await page.keyboard.press('Enter');
    await ended(page, 0);
    await axeFindsNothing(page, 'the program ended');
    await page.keyboard.press('Tab');  // from the picture to the slider under it
    const restarted = page.waitForEvent('load');
    await page.keyboard.press('Home');
    await restarted;
    await barAt(0, 'the page started again does not give the slider the keyboard');
    await page.keyboard.press('End');
    await barAt(30, 'End after the restart is not the slider\'s');
  },

  async aClickEndsTheProgramAndTheWindowsStay({browser, url}) {
    const page = await open(browser, url, 'traffic.html');
    // Its first frame may be the white canvas: the click comes once the network is drawn.
    await until(async () => (await canvasDigest(page, 'kx508-graphics')).black > 5000,
      'the road network is drawn');
    await page.click('#kx508-graphics', {position: {x: 400, y: 400}});
    await ended(page, 0);
    check(await page.isVisible('#kx508-restart'), 'nothing offers to start the program again');
    const last = await canvasDigest(page, 'kx508-graphics');
    check(last.black > 5000, 'the picture went with the program');
    await page.waitForTimeout(300);
    check((await canvasDigest(page, 'kx508-graphics')).hash === last.hash, 'the picture moves');
    // A normal end leaves no error behind.
    check(page.errors.length === 0, `page errors: ${page.errors}`);
    check(await page.locator('.kx508-title', {hasText: 'KX508 Text'}).isVisible(),
      'the text window went with the program');
  },

  async playReplaysAScriptAtStart({browser, url}) {
    const context = await browser.newContext({viewport: VIEWPORT});
    const page = await context.newPage();
    await page.goto(url + 'hello.html?play=hello.scr');
    await ended(page, 0);  // its last line is a click
    check((await libraryPixel(page, 0, 0)).join() === '0,0,255', 'no triangle drawn');
    // The script goes by the name it was given, and the ended program's menu no longer
    // opens (it would show Playback Script still checked).
    check((await page.textContent('#kx508-messages')).includes('played from hello.scr'),
      `the page names the script as ${await page.textContent('#kx508-messages')}`);
    check(await page.isDisabled('.kx508-top-entry'), 'the ended program\'s menu still opens');
    const cannotStart = async (why) => until(async () => (await status(page)).startsWith(
      `The program could not start: ${why}`), `the status says why the start failed (it says "${await status(page)}")`);
    await page.goto(url + 'hello.html?play=missing.scr');
    await cannotStart('KX508_PLAY: cannot read script file missing.scr');
    await page.goto(url + 'hello.html?play=http://localhost:1/x.scr');
    await cannotStart('KX508_PLAY');
    check((await page.textContent('#kx508-messages')).includes('only a script from this site'),
      'a script from elsewhere is not refused');
  },

  // Options a page gives that cannot be taken are said on the status line, and the
  // program does not start; nothing is left uncaught.
  async aStartThatFailsIsSaid({browser, url}) {
    const page = await (await browser.newContext({viewport: VIEWPORT})).newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    for (const [env, why] of [[5, 'window.KX508_ENV must be an object'],
                              [{KX508_LOG: {}}, 'window.KX508_ENV.KX508_LOG is object'],
                              [{KX508_FRAMES: 'frames'}, 'KX508_FRAMES needs a script'],
                              [{KX508_PLATFORM: 'headless'}, 'KX508_PLATFORM is "headless": ' +
                               'the program cannot be shown here: this page shows the web backend']]) {
      await page.addInitScript((env) => { window.KX508_ENV = env; }, env);
      await page.goto(url + 'hello.html');
      await until(async () => (await status(page)).startsWith(`The program could not start: ${why}`),
        `the status says "${why}" (it says "${await status(page)}")`);
      check(await page.evaluate(() => document.getElementById('kx508-graphics') === null),
        'the program started all the same');
      await page.context().clearCookies();
    }
    check(errors.length === 0, `page errors: ${errors}`);
  },
});
