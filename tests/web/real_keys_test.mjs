// Real keys in headful Chromium, on an Xvfb of the test's own, typed through xdotool: a
// browser acts on its shortcuts (Ctrl+R reloads) unless the page stops it, and headless
// Chromium acts on none of them, so only this shows that Ctrl+R records and the page
// stays, and that Ctrl+R in the prompt neither reloads the page nor loses what was typed.
import {execFileSync, spawn} from 'node:child_process';
import {check, run, until} from './harness.mjs';

function startXvfb() {
  return new Promise((resolve, reject) => {
    const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x800x24', '-nolisten', 'tcp'],
                       {stdio: ['ignore', 'ignore', 'pipe', 'pipe']});
    let text = '';
    xvfb.on('error', (e) => reject(new Error(`cannot start Xvfb: ${e.message}`)));
    xvfb.stdio[3].on('data', (d) => {
      text += d;
      if (text.includes('\n')) resolve({display: `:${text.trim()}`, stop: () => xvfb.kill()});
    });
    setTimeout(() => reject(new Error('Xvfb did not start')), 10000);
  });
}

const x = await startXvfb();
process.on('exit', () => x.stop());
const xdotool = (...args) => execFileSync('xdotool', args, {encoding: 'utf8',
  env: {...process.env, DISPLAY: x.display}}).trim();

function focusBrowser() {
  const window = xdotool('search', '--sync', '--onlyvisible', '--class', 'chromium').split('\n').pop();
  xdotool('windowfocus', '--sync', window);
}

const notReloaded = (page) => page.evaluate(() => window.kept === true &&
  performance.getEntriesByType('navigation')[0].type === 'navigate');

await run({
  async ctrlRRecordsAndDoesNotReload({browser, url}) {
    const page = await browser.newPage();
    await page.goto(url + 'traffic.html');
    await until(() => page.evaluate(() => performance.getEntriesByName(
      'kx508-first-frame:kx508-graphics').length > 0), 'the page shows its first frame');
    await page.evaluate(() => { window.kept = true; });
    await page.focus('#kx508-graphics');
    focusBrowser();
    const recording = () => page.locator('.kx508-entry', {hasText: 'Record Script'})
      .getAttribute('aria-checked');
    xdotool('key', '--clearmodifiers', 'ctrl+r');
    await until(async () => (await recording()) === 'true', 'Ctrl+R checks Record Script');
    await page.waitForTimeout(500);
    check(await notReloaded(page), 'the page was reloaded');
    xdotool('key', '--clearmodifiers', 'ctrl+r');
    await until(async () => (await recording()) === 'false', 'Ctrl+R again stops recording');
  },

  // As on a desktop, the prompt has the keyboard: the menu's shortcuts do nothing there.
  async ctrlRInThePromptKeepsThePageAndTheReply({browser, url}) {
    const page = await browser.newPage();
    await page.goto(url + 'prompt.html');
    await until(() => page.evaluate(() => document.querySelector('dialog[open] textarea') !== null),
      'the prompt opens');
    await page.evaluate(() => { window.kept = true; });
    focusBrowser();
    xdotool('type', '--delay', '50', 'Ab');
    xdotool('key', '--clearmodifiers', 'ctrl+r');
    await page.waitForTimeout(500);
    check(await notReloaded(page), 'Ctrl+R in the prompt reloaded the page');
    const typed = await page.evaluate(() => document.querySelector('dialog[open] textarea').value);
    check(typed === 'Ab', `the prompt holds ${JSON.stringify(typed)}`);
    check((await page.locator('.kx508-entry', {hasText: 'Record Script'})
      .getAttribute('aria-checked')) === 'false', 'Ctrl+R in the prompt started a recording');
  },
}, {headless: false, env: {...process.env, DISPLAY: x.display},
    args: ['--window-position=0,0', '--window-size=1200,780']});
