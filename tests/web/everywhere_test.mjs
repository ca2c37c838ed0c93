// The same pictures everywhere: docs/traffic.scr replayed by the traffic program,
// examples/shapes.scr by the shapes example (lines, ellipses, text and the visible area's
// corners), and examples/languages.scr by the languages example (a line in each of eleven
// scripts, then names replied to the prompt in four, the page fetching the glyphs it
// lacks), natively, by the Windows build under Wine and by the web build in Chromium
// give the same frames, compared with kx508-diff; and a run with the prompt's reply in it,
// played by the prompt example, gives the same frames and the same GIF bytes in all three.
// The native and Windows replays run headless; the page runs on the web backend, whose
// frame has the headless metrics, so the canvas's origin and the visible area are the same.
//   node everywhere_test.mjs <native traffic> <kx508-diff> <traffic.exe> <wine-run> <script>
//                            <native prompt> <prompt.exe>
//                            <native shapes> <shapes.exe> <shapes script>
//                            <native languages> <languages.exe> <languages script>
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {check, run, until} from './harness.mjs';

const [traffic, diff, windowsTraffic, wineRun, script, prompt, windowsPrompt, shapes,
       windowsShapes, shapesScript, languages, windowsLanguages, languagesScript] =
  process.argv.splice(2, 13).map((p) => path.resolve(p));
const EVERY = '40';
// A run as KX508_RECORD writes one: the prompt answered, then a moment, then the click
// that ends the example.
const PROMPT_RUN = 'KX508_RUN(1);\nKX508_GETS("Ada \\"Lovelace\\"");\nKX508_PERIODIC(2);\n' +
  'KX508_MOUSE(0, 0);\n';

function replayOptions(frames, name, every) {
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

// Runs a replay in a folder of its own, with the script or run (its text) that
// options.KX508_PLAY names there.
function replay(command, args, folder, env, options, played) {
  fs.mkdirSync(folder, {recursive: true});
  fs.writeFileSync(path.join(folder, options.KX508_PLAY), played);
  try {
    execFileSync(command, args, {cwd: folder, stdio: ['ignore', 'ignore', 'pipe'], timeout: 240000,
                                 env: {...env, ...options}});
  } catch (e) {
    throw new Error(`${command} ${args.join(' ')} failed (status ${e.status}, signal ` +
                    `${e.signal}): ${e.stderr || e.message}`);
  }
  return path.join(folder, 'frames');
}

// The programs keep what they made until they end: a sanitizer build is not to call
// that a leak.
function nativeEnvironment() {
  return {...process.env, ASAN_OPTIONS: 'detect_leaks=0'};
}

// The frames a page wrote into its folder /frames, copied into folder/frames.
async function pageFrames(page, folder) {
  const frames = path.join(folder, 'frames');
  fs.mkdirSync(frames, {recursive: true});
  for (const [name, bytes] of Object.entries(await page.evaluate(() => KX508Web.files('/frames'))))
    fs.writeFileSync(path.join(frames, name), Buffer.from(bytes, 'latin1'));
  return frames;
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

// A program's script (the file scriptFile) replayed natively, by its Windows build under
// Wine and in its page, every frame or every `every`th, gives the same frames everywhere,
// at least `least` of them.
async function sameFramesEverywhere({browser, url}, name, program, windowsProgram, scriptFile,
                                    every, least, timeout) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), `kx508-everywhere-${name}-`));
  const played = fs.readFileSync(scriptFile);
  const options = replayOptions('frames', `${name}.scr`, every);
  const native = replay(program, [], path.join(work, 'native'), nativeEnvironment(), options,
                        played);

  check(fs.existsSync(windowsProgram),
        `no Windows build at ${windowsProgram} (script/build-windows)`);
  const wine = replay(wineRun, [windowsProgram], path.join(work, 'wine'), wineEnvironment(),
                      options, played);

  const page = await browser.newPage({viewport: {width: 1024, height: 768}});
  await page.route(url + `${name}.scr`, (route) => route.fulfill({body: played}));
  await page.addInitScript((o) => { window.KX508_ENV = o; },
                           {...options, KX508_FRAMES: '/frames', KX508_PLATFORM: 'web'});
  await page.goto(url + `${name}.html?play=${name}.scr`);
  await until(async () => (await page.textContent('#kx508-status')) ===
    'The program ended with status 0', `the page replays ${name}.scr to its end`, timeout);
  const web = await pageFrames(page, path.join(work, 'web'));

  const count = fs.readdirSync(native).filter((f) => f.endsWith('.png')).length;
  check(count >= least, `the native replay of ${name} wrote ${count} frames`);
  console.log(`${name}, native and Wine: ${same(native, wine, 'the Windows build under Wine differs')}`);
  console.log(`${name}, native and web: ${same(native, web, 'the web build differs')}`);
  fs.rmSync(work, {recursive: true});
}

await run({
  async trafficReplaysToTheSameFramesEverywhere(context) {
    await sameFramesEverywhere(context, 'traffic', traffic, windowsTraffic, script, EVERY, 20,
                               120000);
  },

  // Every frame: the first, then one a click, each with the text moved.
  async shapesReplaysToTheSameFramesEverywhere(context) {
    await sameFramesEverywhere(context, 'shapes', shapes, windowsShapes, shapesScript, '1', 4,
                               60000);
  },

  // Every frame: the eleven scripts and the first reply, then one a reply.
  async languagesReplayToTheSameFramesEverywhere(context) {
    await sameFramesEverywhere(context, 'languages', languages, windowsLanguages,
                               languagesScript, '1', 4, 60000);
  },

  async aRunWithTheReplyReplaysToTheSameFramesAndGifEverywhere({browser, url}) {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kx508-everywhere-run-'));
    const options = {...replayOptions('frames', 'prompt.run', '1'), KX508_GIF: 'prompt.gif',
                     KX508_LOG: 'prompt.log'};
    const native = replay(prompt, [], path.join(work, 'native'), nativeEnvironment(), options,
                          PROMPT_RUN);
    const wine = replay(wineRun, [windowsPrompt], path.join(work, 'wine'), wineEnvironment(),
                        options, PROMPT_RUN);

    const page = await browser.newPage({viewport: {width: 1024, height: 768}});
    await page.route(url + 'prompt.run', (route) => route.fulfill({body: PROMPT_RUN}));
    await page.addInitScript((o) => { window.KX508_ENV = o; },
                             {...options, KX508_FRAMES: '/frames', KX508_PLATFORM: 'web'});
    await page.goto(url + 'prompt.html?play=prompt.run');
    await until(async () => (await page.textContent('#kx508-status')) ===
      'The program ended with status 0', 'the page replays prompt.run to its end', 60000);
    const web = await pageFrames(page, path.join(work, 'web'));
    const made = await page.evaluate(() => KX508Web.files('.'));
    check(made['prompt.gif'] !== undefined, 'the page made no GIF');

    console.log(`prompt, native and Wine: ${same(native, wine, 'the run under Wine differs')}`);
    console.log(`prompt, native and web: ${same(native, web, 'the run in the page differs')}`);
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
