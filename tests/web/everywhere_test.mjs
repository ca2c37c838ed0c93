// The same pictures everywhere: docs/traffic.scr replayed natively, by the Windows build
// under Wine and by the web build in Chromium gives the same frames, compared with
// kx508-diff. The native and Windows replays run headless; the page runs on the web
// backend, whose frame has the headless metrics, so the canvas's origin is the same.
//   node everywhere_test.mjs <native traffic> <kx508-diff> <traffic.exe> <wine-run> <script>
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {check, run, until} from './harness.mjs';

const [traffic, diff, windowsTraffic, wineRun, script] = process.argv.splice(2, 5).map((p) => path.resolve(p));
const EVERY = '40';

function replayOptions(frames) {
  return {KX508_PLATFORM: 'headless', KX508_PLAY: 'traffic.scr', KX508_FRAMES: frames,
          KX508_FRAMES_EVERY: EVERY};
}

function replay(command, args, folder, env) {
  fs.mkdirSync(folder, {recursive: true});
  fs.copyFileSync(script, path.join(folder, 'traffic.scr'));
  try {
    execFileSync(command, args, {cwd: folder, stdio: ['ignore', 'ignore', 'pipe'], timeout: 240000,
                                 env: {...env, ...replayOptions('frames')}});
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
    check(process.env.KX508_WINEPREFIX, 'KX508_WINEPREFIX is not set (script/wine-prefix makes one)');
    const wineEnv = {...process.env};
    delete wineEnv.DISPLAY;
    delete wineEnv.KX508_RUNNER_DIR;
    const wine = replay(wineRun, [windowsTraffic], path.join(work, 'wine'), wineEnv);

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
});
