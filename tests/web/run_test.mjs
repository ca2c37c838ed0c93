// The run bar and runs shared as links: the picture at each event the bar seeks, steps or
// plays to is the native headless replay's after that many events (KX508_PLAY_TO=k, its
// last frame); a copied link is the run deflated in base64url, and opens it in another
// browser to the same picture, halted and not ended; a run recorded from the start
// replays natively to the page's picture; Save GIF downloads the native replay's GIF; a
// count of ten million events leaves the page answering; a link that cannot be opened
// (a count over INT_MAX among them) is one line, and the stored script stays as it was.
//   node run_test.mjs <native traffic> <native languages>
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import {check, run, until} from './harness.mjs';
import {canvasImage, libraryDifferences, readPng} from './png.mjs';

const [traffic, languages] = process.argv.splice(2, 2).map((p) => path.resolve(p));
const VIEWPORT = {width: 1024, height: 768};
// Past several copies of the program's memory the page keeps (one every 125 events), with a key
// after every four periodic events: longer than the C library reads of a file at a time,
// so that a seek back must put back where the program's file stood.
const RUN = 'KX508_PERIODIC(4);\nKX508_KBD(97);\n'.repeat(120);
const EVENTS = 600;

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kx508-run-'));
process.on('exit', () => fs.rmSync(work, {recursive: true, force: true}));
const natives = new Map();

// The native picture after k events of a run played by the program.
function native(k, file = RUN, program = traffic) {
  const key = `${k} ${program} ${file}`;
  if (!natives.has(key)) {
    fs.writeFileSync(path.join(work, 'run.scr'), file);
    const frames = fs.mkdtempSync(path.join(work, 'frames-'));
    try {
      execFileSync(program, [], {cwd: work, stdio: 'ignore', env: {
        ...process.env, ASAN_OPTIONS: 'detect_leaks=0', KX508_PLATFORM: 'headless',
        KX508_PLAY: 'run.scr', KX508_PLAY_TO: String(k), KX508_FRAMES: frames,
        KX508_FRAMES_EVERY: '1000000000'}});
    } catch (e) {
      // Paused at k, the headless program waits until its idle limit ends it (status 1).
      check(e.status === 1, `the native replay to event ${k} ended with status ${e.status} (signal ${e.signal})`);
    }
    const names = fs.readdirSync(frames).filter((f) => f.endsWith('.png')).sort();
    natives.set(key, readPng(path.join(frames, names[names.length - 1])));
  }
  return natives.get(key);
}

const link = (file) => '#run=' + zlib.deflateRawSync(Buffer.from(file)).toString('base64url');
const state = (page) => page.evaluate(() => KX508Run.state());

async function samePicture(page, k, file = RUN) {
  const {compared, differing} = libraryDifferences(await canvasImage(page), native(k, file));
  check(compared >= 590 * 490, `only ${compared} pixels are shown by both`);
  check(differing.length === 0, `at event ${k}, ${differing.length} of ${compared} pixels ` +
    `differ from the native replay's, first ${differing.slice(0, 3).join('; ')}`);
}

// The bar stands still at event k, with the picture there.
async function standsAt(page, k) {
  await until(async () => {
    const s = await state(page);
    return s.phase === 'ready' && s.at === k && !s.playing &&
           (await page.inputValue('#kx508-timeline')) === String(k);
  }, `the bar reaches event ${k} (it is at ${JSON.stringify(await state(page))})`, 30000);
  check((await page.textContent('#kx508-event')) === `Event ${k} of ${EVENTS}`,
    `the bar says ${await page.textContent('#kx508-event')}`);
  await samePicture(page, k);
}

async function openLink(browser, hash, options = {}) {
  const context = await browser.newContext({viewport: VIEWPORT, ...options});
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(e.message));
  return {context, page, go: (url) => page.goto(url + 'traffic.html' + hash)};
}

await run({
  async theBarSeeksStepsAndPlaysToTheNativePictures({browser, url}) {
    const {page, go} = await openLink(browser, link(RUN));
    await go(url);
    await standsAt(page, EVENTS);
    check(await page.isVisible('#kx508-run'), 'the run bar is not shown');
    // What a screen reader hears of the picture goes back with it: the words given at the
    // end are not heard at the start, before any vehicle.
    const described = () => page.evaluate(() => document.getElementById(
      document.getElementById('kx508-graphics').getAttribute('aria-describedby')).textContent);
    const atTheEnd = await described();
    // The keyboard on the slider, the buttons, the program's own keys and a drag.
    await page.focus('#kx508-timeline');
    await page.keyboard.press('Home');
    await standsAt(page, 0);
    check((await described()) !== atTheEnd, `at event 0 the canvas is described as at the end: ${atTheEnd}`);
    check((await page.textContent('#kx508-line')).includes('before the first event'),
      `the bar shows line ${await page.textContent('#kx508-line')} at the start`);
    await page.click('#kx508-forward');
    await standsAt(page, 1);
    check((await page.textContent('#kx508-line')) === 'Line 1: KX508_PERIODIC(4); (event 1 of its 4)',
      `the bar shows ${await page.textContent('#kx508-line')}`);
    const drag = (k) => page.$eval('#kx508-timeline', (slider, k) => {
      slider.value = k;
      slider.dispatchEvent(new Event('input', {bubbles: true}));
    }, k);
    await drag(437);
    await standsAt(page, 437);
    await page.click('#kx508-back');
    await standsAt(page, 436);
    await page.focus('#kx508-graphics');
    await page.keyboard.press('Control+o');
    await standsAt(page, 437);
    // Run on live, the program leaves the run; a step back takes it back into it.
    await page.keyboard.press('Control+a');
    await until(async () => (await state(page)).left, 'Ctrl+A does not leave the run');
    await page.waitForTimeout(300);
    await page.click('#kx508-back');
    await standsAt(page, 436);
    check(!(await state(page)).left, 'the step back left the program out of the run');
    await drag(301);
    await standsAt(page, 301);
    await page.focus('#kx508-timeline');
    await page.keyboard.press('ArrowLeft');
    await standsAt(page, 300);
    check((await page.textContent('#kx508-line')) === 'Line 120: KX508_KBD(97);',
      `the bar shows ${await page.textContent('#kx508-line')} at the key`);

    // Played as recorded, a periodic event a tick; as fast as possible, to the end, where
    // it stops without ending the program.
    await page.selectOption('#kx508-speed', '1');
    const started = Date.now();
    await page.click('#kx508-play');
    await page.waitForTimeout(1000);
    await page.click('#kx508-play');
    // The time the bar may have played: from before the first click to after the second,
    // however long a loaded machine took over the clicks. A periodic event a tick (100 ms)
    // and a key after every fourth: at most five events in 400 ms, where played as fast
    // as it can, it would have reached the end.
    const most = Math.ceil((Date.now() - started) / 400) * 5 + 1;
    const paced = (await state(page)).at;
    check(paced > 300 && paced - 300 <= most,
      `as recorded, a second played ${paced - 300} events (at most ${most} as recorded)`);
    await standsAt(page, paced);
    await page.selectOption('#kx508-speed', 'fast');
    await page.click('#kx508-play');
    await standsAt(page, EVENTS);
    check((await page.textContent('#kx508-status')) === 'The program is running',
      `at the run's end the status says ${await page.textContent('#kx508-status')}`);
    check(page.errors.length === 0, `page errors: ${page.errors}`);
  },

  // A picked file's run, shared: the link holds the file deflated, and another browser
  // opens it to the same picture, at its end or at the event it names.
  async aCopiedLinkOpensTheRunElsewhere({browser, url}) {
    const short = 'KX508_PERIODIC(40);\nKX508_KBD(98);\nKX508_PERIODIC(19);\n';
    const {page, context} = await openLink(browser, '');
    await context.grantPermissions(['clipboard-read', 'clipboard-write'], {origin: url});
    await page.goto(url + 'traffic.html');
    await page.setInputFiles('#kx508-load', {name: 'short.scr', mimeType: 'text/plain',
                                             buffer: Buffer.from(short)});
    await until(() => page.isVisible('#kx508-run'), 'a picked file shows the run bar');
    await page.click('#kx508-copy-link');
    await until(async () => (await page.textContent('#kx508-link-said')).includes('clipboard'),
      'the page says where the link went');
    const copied = await page.evaluate(() => navigator.clipboard.readText());
    check(copied === await page.inputValue('#kx508-link'), 'the link shown is not the one copied');
    const data = copied.startsWith(url + 'traffic.html#run=') && copied.slice((url + 'traffic.html#run=').length);
    check(data && /^[A-Za-z0-9_-]+$/.test(data), `the link is ${copied}`);
    check(zlib.inflateRawSync(Buffer.from(data, 'base64url')).toString('latin1') === short,
      'the link does not hold the file as raw DEFLATE in base64url');

    const elsewhere = await openLink(browser, '');
    await elsewhere.page.goto(copied);
    await until(async () => (await state(elsewhere.page)).phase === 'ready', 'the link opens');
    const s = await state(elsewhere.page);
    check(s.at === 60 && s.events === 60 && !s.left, `the link opens at ${JSON.stringify(s)}`);
    await samePicture(elsewhere.page, 60, short);
    check(await elsewhere.page.isVisible('#kx508-run'), 'the opened link shows no run bar');
    check((await elsewhere.page.textContent('#kx508-status')) === 'The program is running',
      'the opened link ended the program');
    await elsewhere.page.goto('about:blank');
    await elsewhere.page.goto(copied + '&at=41');
    await until(async () => (await state(elsewhere.page)).at === 41 &&
                            (await state(elsewhere.page)).phase === 'ready', '&at=41 opens at event 41');
  },

  // Names typed into the prompt in three scripts and an emoji, recorded from the start: the
  // run holds them as typed (UTF-8), and it replays natively to the page's last picture.
  async repliesInAnyScriptAreRecordedAsTyped({browser, url}) {
    const names = ['\u00C9lodie', '\u674E\u96F7', '\u0645\u062D\u0645\u062F', '\u{1F600}'];
    const page = await (await browser.newContext({viewport: VIEWPORT})).newPage();
    await page.goto(url + 'languages.html#record');
    const prompting = () => page.evaluate(() => document.querySelector('dialog[open]') !== null);
    for (const name of [...names, '']) {
      await until(prompting, `the prompt opens for ${JSON.stringify(name)}`, 20000);
      if (name) await page.keyboard.insertText(name);
      await page.keyboard.press('Enter');
      await until(async () => !(await prompting()), 'Enter answers the prompt');
      if (name) await page.click('#kx508-graphics');
    }
    await until(async () => (await page.textContent('#kx508-status')) === 'The program ended with status 0',
      'the empty reply ends the program');
    const stored = await page.evaluate(() => localStorage.getItem('kx508:languages:KX508.RUN'));
    const recorded = Buffer.from(stored || '', 'latin1');
    const replies = [...recorded.toString('utf8').matchAll(/^KX508_GETS\("(.*)"\);$/gm)].map((m) => m[1]);
    check(JSON.stringify(replies) === JSON.stringify([...names, '']),
      `the run's replies are ${JSON.stringify(replies)}`);
    const {compared, differing} = libraryDifferences(await canvasImage(page),
                                                     native(1e9, recorded, languages));
    check(compared >= 590 * 490 && differing.length === 0, `${differing.length} of ${compared} ` +
      `pixels differ from the native replay's, first ${differing.slice(0, 3).join('; ')}`);
  },

  // Record from the start: the page records the program from its start (KX508_RECORD),
  // keeps the run in its storage and gives it to the bar when the program ends. The run
  // replays natively to the page's last picture, and a step back starts the program on it.
  async recordFromTheStartGivesTheRunToTheBar({browser, url}) {
    const {page} = await openLink(browser, '');
    await page.goto(url + 'traffic.html');
    // The button loads the page again: it is read once the new page is there, not while
    // the old one goes.
    const reloaded = page.waitForEvent('load');
    await page.click('#kx508-record-run');
    await reloaded;
    await until(async () => (await page.textContent('#kx508-messages')).includes('Recording a run'),
      'the page does not say that it records a run');
    await until(() => page.evaluate(() => performance.getEntriesByName(
      'kx508-first-frame:kx508-graphics').length > 0), 'the program starts again');
    await page.waitForTimeout(400);
    await page.focus('#kx508-graphics');
    await page.keyboard.press('a');
    await page.waitForTimeout(400);
    await page.keyboard.press('Control+q');
    await until(async () => (await page.textContent('#kx508-status')) === 'The program ended with status 0',
      'Ctrl+Q ends the program');
    await until(() => page.isVisible('#kx508-run'), 'the ended program\'s run is not in the bar');
    const recorded = await page.evaluate(() => localStorage.getItem('kx508:traffic:KX508.RUN'));
    check(/^KX508_RUN\(1\);\nKX508_CLIENT\(\d+,\d+\);\nKX508_PERIODIC\(\d+\);\nKX508_KBD\(97\);\nKX508_PERIODIC\(\d+\);\n$/.test(recorded),
      `the stored run is ${JSON.stringify(recorded)}`);
    const {events, at} = await state(page);
    check(events > 4 && at === events, `the bar has the run at ${at} of ${events}`);
    await samePicture(page, events, recorded);
    await page.click('#kx508-back');
    // The step back starts the page again on the run's link: a look while it navigates
    // finds no page to ask, and looks again.
    await until(async () => {
      const s = await page.evaluate(() => typeof KX508Run !== 'undefined' && KX508Run.state())
        .catch((e) => { if (/context was destroyed|navigat/i.test(e.message)) return null; throw e; });
      return s && s.phase === 'ready' && s.at === events - 1;
    }, 'a step back does not start the program on the run', 30000);
    await samePicture(page, events - 1, recorded);
  },

  // Save GIF: the page replays the run with KX508_GIF and downloads the very bytes a
  // native replay of it writes.
  async saveGifDownloadsTheNativeReplaysGif({browser, url}) {
    const short = 'KX508_PERIODIC(30);\nKX508_KBD(99);\nKX508_PERIODIC(9);\n';
    const {page, go} = await openLink(browser, link(short), {acceptDownloads: true});
    await go(url);
    await until(async () => (await state(page)).phase === 'ready', 'the link opens');
    const download = page.waitForEvent('download', {timeout: 60000});
    await page.click('#kx508-gif');
    const got = await download;
    check(got.suggestedFilename() === 'traffic.gif', `the GIF is named ${got.suggestedFilename()}`);
    const chunks = [];
    for await (const chunk of await got.createReadStream()) chunks.push(chunk);
    fs.writeFileSync(path.join(work, 'gif.scr'), short);
    execFileSync(traffic, [], {cwd: work, stdio: 'ignore', env: {
      ...process.env, ASAN_OPTIONS: 'detect_leaks=0', KX508_PLATFORM: 'headless',
      KX508_PLAY: 'gif.scr', KX508_GIF: 'native.gif'}});
    const native = fs.readFileSync(path.join(work, 'native.gif'));
    const web = Buffer.concat(chunks);
    check(web.subarray(0, 6).toString('latin1') === 'GIF89a' && web.equals(native),
      `the page's GIF (${web.length} bytes) is not the native replay's (${native.length} bytes)`);
    check((await page.textContent('#kx508-gif-said')).startsWith('Saved traffic.gif'),
      `the page says ${await page.textContent('#kx508-gif-said')}`);
    check((await state(page)).phase === 'ready', 'making the GIF changed the run bar');
  },

  // Ten million periodic events on one line are played a batch at a time, so the page
  // answers within 50 ms throughout: no task of its main thread runs 50 ms while the bar
  // plays 20,000 of them (from its first copy of the program's memory on). Measured in the
  // browser's trace as each task's thread time, which a loaded machine does not stretch
  // (its wall time, and so the gaps between frames, it does). The count used to be queued
  // as one batch, which the program took in as one task of a second or more.
  async aCountOfMillionsLeavesThePageAnswering({browser, url}) {
    const {page, go} = await openLink(browser, link('KX508_PERIODIC(10000000);\n'));
    await go(url);
    await until(async () => (await state(page)).copies > 0, 'the bar starts playing the run', 30000);
    await browser.startTracing(page, {categories: ['toplevel', 'blink.user_timing']});
    await page.evaluate(() => performance.mark('kx508-traced'));
    await until(async () => (await state(page)).at >= 20000, 'the bar plays the run on', 60000);
    const events = JSON.parse(await browser.stopTracing()).traceEvents;
    const main = events.find((e) => e.name === 'kx508-traced');
    const tasks = events.filter((e) => e.name === 'ThreadControllerImpl::RunTask' && e.ph === 'X' &&
                                       e.pid === main.pid && e.tid === main.tid);
    const longest = Math.max(...tasks.map((e) => e.tdur / 1000));
    console.log(`the longest task while the bar plays a count of millions: ${longest.toFixed(0)} ms of thread time`);
    check(tasks.length > 100 && longest < 50,
      `the page ran a task of ${longest.toFixed(0)} ms (of ${tasks.length} traced)`);
  },

  // Each link that cannot be opened says so in one line; the page's stored script is the
  // same after it, and the program runs as it would without the link.
  async aLinkThatCannotBeOpenedSaysSoAndKeepsTheScript({browser, url}) {
    const bomb = zlib.deflateRawSync(Buffer.alloc(17 * 1024 * 1024, 0x41), {level: 9});
    const links = {
      'not base64url': '#run=not*base64',
      'not deflate': '#run=' + Buffer.from([0xff, 0xff, 0xff, 0xff]).toString('base64url'),
      'over 16 MB': '#run=' + bomb.toString('base64url'),
      'no run': link('hello, world\nKX508_RUN(1);\n'),
      'a count no run holds': link('KX508_PERIODIC(100000000000000000000);\n'),
    };
    const stored = 'KX508_KBD(120);\n';
    for (const [what, hash] of Object.entries(links)) {
      const {page} = await openLink(browser, '');
      await page.addInitScript((stored) => {
        if (!localStorage.getItem('kx508:traffic:KX508.SCR'))
          localStorage.setItem('kx508:traffic:KX508.SCR', stored);
      }, stored);
      await page.goto(url + 'traffic.html' + hash);
      await until(() => page.evaluate(() => performance.getEntriesByName(
        'kx508-first-frame:kx508-graphics').length > 0), `a link ${what}: the program starts`);
      const errors = await page.locator('#kx508-messages .kx508-error').allTextContents();
      check(errors.length === 1 && errors[0].startsWith('The link\u2019s run cannot be opened: '),
        `a link ${what}: the page says ${JSON.stringify(errors)}`);
      check(!(await page.isVisible('#kx508-run')), `a link ${what}: the run bar is shown`);
      check((await page.evaluate(() => localStorage.getItem('kx508:traffic:KX508.SCR'))) === stored,
        `a link ${what}: the stored script changed`);
      check(page.errors.length === 0, `a link ${what}: page errors ${page.errors}`);
      await page.context().close();
    }
  },
});
