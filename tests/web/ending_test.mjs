// How a page's program ends when it is not its own doing, with tests/ending's program as a
// page: a trap (a division by zero at its third event) ends it with the library's line in
// the status line and the messages; a program that never waits again is said so in the
// status line, and the page still takes Ctrl+Q, which ends it with status 1; and Ctrl+Q
// typed in a prompt opened at every tick ends the program as a quit.
//   node ending_test.mjs <folder of kx508_misbehave.html>
import path from 'node:path';

import {check, run, until} from './harness.mjs';

const [folder] = process.argv.splice(2, 1).map((p) => path.resolve(p));

async function open(browser, url, misbehave) {
  const context = await browser.newContext({viewport: {width: 1024, height: 768}});
  const page = await context.newPage();
  await page.addInitScript((how) => { window.KX508_ENV = {MISBEHAVE: how}; }, misbehave);
  await page.goto(url + 'kx508_misbehave.html');
  return page;
}

function status(page) {
  return page.textContent('#kx508-status');
}

async function statusSays(page, text) {
  await until(async () => (await status(page)) === text,
    `the status says "${text}" (it says "${await status(page)}")`);
}

await run({
  'a trap ends the program with where it was': async ({browser, url}) => {
    const page = await open(browser, url, 'fpe');
    const line = 'KX508: the program crashed (a WebAssembly trap: divide by zero) at event 3';
    await statusSays(page, line);
    const messages = await page.textContent('#kx508-messages');
    check(messages.includes(line), `the messages hold the line: ${messages}`);
    check(await page.evaluate(() => document.getElementById('kx508-desktop').classList
      .contains('kx508-ended')), 'the page shows the program as ended');
    await page.context().close();
  },

  'a program that does not wait is said so and Ctrl+Q still ends it': async ({browser, url}) => {
    const page = await open(browser, url, 'loop');
    await statusSays(page, 'KX508: the program has not waited for 2 s: a loop that never calls ' +
                           'KX508_wait_event, or a handler that never returns?');
    await page.focus('#kx508-graphics');
    await page.keyboard.press('Control+q');
    await statusSays(page, 'The program ended with status 1');
    await page.context().close();
  },

  'Ctrl+Q in a prompt opened at every tick ends the program': async ({browser, url}) => {
    const page = await open(browser, url, 'prompt');
    const edit = page.locator('dialog.kx508-dialog textarea');
    await edit.waitFor();
    await edit.press('Control+q');
    await statusSays(page, 'The program ended with status 0');
    await page.context().close();
  },
}, {folder});
