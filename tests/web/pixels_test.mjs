// hello.html's canvas against the native headless replay of examples/hello, pixel for
// pixel by library coordinates (the origin at the client area's centre, y up), over all
// of the picture that both show.
//   node pixels_test.mjs <native hello> <hello.scr>
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {check, run, until} from './harness.mjs';
import {canvasImage, libraryDifferences, readPng} from './png.mjs';

const [program, script] = process.argv.splice(2, 2);

// The last frame of the native headless replay.
function nativeFrame() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kx508-pixels-'));
  execFileSync(program, [], {cwd: folder, stdio: ['ignore', 'ignore', 'pipe'], env: {
    ...process.env, ASAN_OPTIONS: 'detect_leaks=0', KX508_PLATFORM: 'headless',
    KX508_PLAY: path.resolve(script),
    KX508_FRAMES: 'frames'}});
  const frames = fs.readdirSync(path.join(folder, 'frames')).filter((f) => f.endsWith('.png'))
    .sort();
  check(frames.length > 0, 'the native replay wrote no frame');
  const frame = readPng(path.join(folder, 'frames', frames[frames.length - 1]));
  fs.rmSync(folder, {recursive: true});
  return frame;
}

await run({
  async helloIsTheSamePixelForPixel({browser, url}) {
    const native = nativeFrame();
    const page = await browser.newPage({viewport: {width: 1024, height: 768}});
    await page.goto(url + 'hello.html');
    await until(() => page.evaluate(() => performance.getEntriesByName(
      'kx508-first-frame:kx508-graphics').length > 0), 'hello.html shows its first frame');
    const web = await canvasImage(page);
    const {compared, differing} = libraryDifferences(web, native);
    let blue = 0;
    for (let i = 0; i < web.data.length; i += 4)
      if (web.data[i] === 0 && web.data[i + 1] === 0 && web.data[i + 2] === 255) ++blue;
    check(compared >= 590 * 490, `only ${compared} pixels are shown by both`);
    check(blue > 5000, `the triangle has ${blue} blue pixels`);
    check(differing.length === 0,
      `${differing.length} of ${compared} pixels differ, first ${differing.slice(0, 5).join('; ')}`);
  },
});
