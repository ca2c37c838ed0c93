// The same pictures everywhere: docs/traffic.scr replayed natively, by the Windows build
// under Wine and by the web build in Chromium gives the same frames, compared with
// kx508-diff; and a run with the prompt's reply in it, played by the prompt example,
// gives the same frames and the same GIF bytes in all three. The native and Windows
// replays run headless; the page runs on the web backend, whose frame has the headless
// metrics, so the canvas's origin is the same.
//   node everywhere_test.mjs <native traffic> <kx508-diff> <traffic.exe> <wine-run> <script>
//                            <native prompt> <prompt.exe>
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {check, run, until} from './harness.mjs';

const [traffic, diff, windowsTraffic, wineRun, script, prompt, windowsPrompt] =
  process.argv.splice(2, 7).map((p) => path.resolve(p));
const EVERY = '40';
// A run as KX508_RECORD writes one: the prompt answered, then a moment, then the click
// that ends the example.
const PROMPT_RUN = 'KX508_RUN(1);\nKX508_GETS("Ada \\"Lovelace\\"");\nKX508_PERIODIC(2);\n' +
  'KX508_MOUSE(0, 0);\n';

function replayOptions(frames, name = 'traffic.scr', every = EVERY) {
  return {KX508_PLATFORM: 'headless', KX508_PLAY: name, KX508_FRAMES: frames,
          KX508_FRAMES_EVERY: every};
}

function wineEnvironment() {
  check(process.env.KX508_WINEPREFIX, 'KX508_WINEPREFIX is not set (script/wine-prefix makes one)');
  const env = {...process.env};
  delete env.DISPLAY;
  delete env.KX508_RUNNER_DIR;
  return env;
}

function replay(command, args, folder, env, options = replayOptions('frames')) {
  fs.mkdirSync(folder, {recursive: true});
  if (options.KX508_PLAY === 'traffic.scr') fs.copyFileSync(script, path.join(folder, 'traffic.scr'));
  else fs.writeFileSync(path.join(folder, options.KX508_PLAY), PROMPT_RUN);
  try {
    execFileSync(command, args, {cwd: folder, stdio: ['ignore', 'ignore', 'pipe'], timeout: 240000,
                                 env: {...env, ...options}});
  } catch (e) {
    throw new Error(`${command} ${args.join(' ')} failed (status ${e.status}, signal ` +
                    `${e.signal}): ${e.stderr || e.message}`);
  }
  return path.join(folder, 'frames');
}

function same(a, b, what) {
  try {
    const out = execFileSync(diff, [a, b, '-o', path.join(path.dirname(b), 'diff.png')],
                             {encoding: 'utf8'});
    return out.trim();
  } catch (e) {
    check(false, `${what}: ${(e.stdout || '').trim()} ${(e.stderr || '').trim()}`);
  }
}

await run({
  async trafficReplaysToTheSameFramesEverywhere({browser, url}) {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kx508-everywhere-'));
    // The program keeps its network until it ends: a sanitizer build is not to call that
    // a leak.
    const native = replay(traffic, [], path.join(work, 'native'),
                          {...process.env, ASAN_OPTIONS: 'detect_leaks=0'});

    check(fs.existsSync(windowsTraffic), `no Windows build at ${windowsTraffic} (script/build-windows)`);
    const wine = replay(wineRun, [windowsTraffic], path.join(work, 'wine'), wineEnvironment());

    const page = await browser.newPage({viewport: {width: 1024, height: 768}});
    await page.addInitScript((options) => { window.KX508_ENV = options; },
                             {...replayOptions('/frames'), KX508_PLATFORM: 'web'});
    await page.goto(url + 'traffic.html?play=traffic.scr');
    await until(async () => (await page.textContent('#kx508-status')) ===
      'The program ended with status 0', 'the page replays traffic.scr to its end', 120000);
    const files = await page.evaluate(() => KX508Web.files('/frames'));
    const web = path.join(work, 'web', 'frames');
    fs.mkdirSync(web, {recursive: true});
    for (const [name, bytes] of Object.entries(files))
      fs.writeFileSync(path.join(web, name), Buffer.from(bytes, 'latin1'));

    const count = fs.readdirSync(native).length;
    check(count >= 20, `the native replay wrote ${count} frames`);
    console.log(`native and Wine: ${same(native, wine, 'the Windows build under Wine differs')}`);
    console.log(`native and web: ${same(native, web, 'the web build differs')}`);
    fs.rmSync(work, {recursive: true});
  },

  async aRunWithTheReplyReplaysToTheSameFramesAndGifEverywhere({browser, url}) {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kx508-everywhere-run-'));
    const options = {...replayOptions('frames', 'prompt.run', '1'), KX508_GIF: 'prompt.gif',
                     KX508_LOG: 'prompt.log'};
    const native = replay(prompt, [], path.join(work, 'native'),
                          {...process.env, ASAN_OPTIONS: 'detect_leaks=0'}, options);
    const wine = replay(wineRun, [windowsPrompt], path.join(work, 'wine'), wineEnvironment(),
                        options);

    const page = await browser.newPage({viewport: {width: 1024, height: 768}});
    await page.route(url + 'prompt.run', (route) => route.fulfill({body: PROMPT_RUN}));
    await page.addInitScript((o) => { window.KX508_ENV = o; },
                             {...options, KX508_FRAMES: '/frames', KX508_PLATFORM: 'web'});
    await page.goto(url + 'prompt.html?play=prompt.run');
    await until(async () => (await page.textContent('#kx508-status')) ===
      'The program ended with status 0', 'the page replays prompt.run to its end', 60000);
    const web = path.join(work, 'web', 'frames');
    fs.mkdirSync(web, {recursive: true});
    for (const [name, bytes] of Object.entries(await page.evaluate(() => KX508Web.files('/frames'))))
      fs.writeFileSync(path.join(web, name), Buffer.from(bytes, 'latin1'));
    const made = await page.evaluate(() => KX508Web.files('.'));
    check(made['prompt.gif'] !== undefined, 'the page made no GIF');

    console.log(`native and Wine: ${same(native, wine, 'the run under Wine differs')}`);
    console.log(`native and web: ${same(native, web, 'the run in the page differs')}`);
    const gif = fs.readFileSync(path.join(work, 'native', 'prompt.gif'));
    check(gif.equals(fs.readFileSync(path.join(work, 'wine', 'prompt.gif'))),
          'the GIF made under Wine is not the native one');
    check(gif.equals(Buffer.from(made['prompt.gif'], 'latin1')),
          'the GIF made in the page is not the native one');
    // The reply came from the run everywhere, and the prompt never waited for a person.
    const log = fs.readFileSync(path.join(work, 'native', 'prompt.log'), 'latin1');
    check(log.includes('Hello, Ada "Lovelace"!'), `the native log says ${JSON.stringify(log)}`);
    check(fs.readFileSync(path.join(work, 'wine', 'prompt.log'), 'latin1') === log &&
          made['prompt.log'] === log, 'the logs differ');
    fs.rmSync(work, {recursive: true});
  },
});
