// hello.html's canvas against the native headless replay of examples/hello, pixel for
// pixel by library coordinates (the origin at the client area's centre, y up), over all
// of the picture that both show.
//   node pixels_test.mjs <native hello> <hello.scr>
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import {check, run, until} from './harness.mjs';

const [program, script] = process.argv.splice(2, 2);

// An 8-bit RGB or RGBA PNG as {width, height, rgb(x, y)}.
function readPng(file) {
  const data = fs.readFileSync(file);
  let width = 0, height = 0, channels = 0;
  const idat = [];
  for (let at = 8; at < data.length;) {
    const length = data.readUInt32BE(at), type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      check(body[8] === 8 && (body[9] === 2 || body[9] === 6) && body[12] === 0,
        `${file}: not an 8-bit RGB PNG`);
      channels = body[9] === 2 ? 3 : 4;
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? pixels[y * stride + i - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + i] : 0;
      const c = i >= channels && y > 0 ? pixels[(y - 1) * stride + i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      pixels[y * stride + i] = (line[i] + predicted) & 0xFF;
    }
  }
  return {width, height,
          rgb: (x, y) => Array.from(pixels.subarray(y * stride + x * channels, y * stride + x * channels + 3))};
}

// The last frame of the native headless replay, and its client area's size: the headless
// frame around a 601 x 540 window (4 px border, 20 px caption, 20 px menu bar).
function nativeFrame() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kx508-pixels-'));
  execFileSync(program, [], {cwd: folder, stdio: ['ignore', 'ignore', 'pipe'], env: {
    ...process.env, ASAN_OPTIONS: 'detect_leaks=0', KX508_PLATFORM: 'headless',
    KX508_PLAY: path.resolve(script),
    KX508_FRAMES: 'frames'}});
  const frames = fs.readdirSync(path.join(folder, 'frames')).sort();
  check(frames.length > 0, 'the native replay wrote no frame');
  const frame = readPng(path.join(folder, 'frames', frames[frames.length - 1]));
  fs.rmSync(folder, {recursive: true});
  return {frame, client: {width: 601 - 8, height: 540 - 8 - 20 - 20}};
}

await run({
  async helloIsTheSamePixelForPixel({browser, url}) {
    const native = nativeFrame();
    const page = await browser.newPage({viewport: {width: 1024, height: 768}});
    await page.goto(url + 'hello.html');
    await until(() => page.evaluate(() => performance.getEntriesByName(
      'kx508-first-frame:kx508-graphics').length > 0), 'hello.html shows its first frame');
    const web = await page.evaluate(() => {
      const c = document.getElementById('kx508-graphics');
      return {width: c.width, height: c.height,
              data: Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data)};
    });
    // Library (x, y) is (ox + x, oy - y) on either, with o the client area's centre.
    const wo = {x: Math.floor(web.width / 2), y: Math.floor(web.height / 2)};
    const no = {x: Math.floor(native.client.width / 2), y: Math.floor(native.client.height / 2)};
    const left = -Math.min(wo.x, no.x);
    const right = Math.min(web.width - wo.x, native.frame.width - no.x) - 1;
    const top = Math.min(wo.y, no.y);
    const bottom = -(Math.min(web.height - wo.y, native.frame.height - no.y) - 1);
    let compared = 0, blue = 0;
    const differing = [];
    for (let y = top; y >= bottom; --y) {
      for (let x = left; x <= right; ++x) {
        const i = ((wo.y - y) * web.width + wo.x + x) * 4;
        const w = web.data.slice(i, i + 3);
        const n = native.frame.rgb(no.x + x, no.y - y);
        ++compared;
        if (w.join() === '0,0,255') ++blue;
        if (w.join() !== n.join()) differing.push(`(${x}, ${y}): web ${w} native ${n}`);
      }
    }
    check(compared >= 590 * 490, `only ${compared} pixels are shown by both`);
    check(blue > 5000, `the triangle has ${blue} blue pixels`);
    check(differing.length === 0,
      `${differing.length} of ${compared} pixels differ, first ${differing.slice(0, 5).join('; ')}`);
  },
});
