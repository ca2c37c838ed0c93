// Pictures for the web tests: native replay frames (PNG files) read back, and a page's
// drawing canvas compared with one by library coordinates.
import fs from 'node:fs';
import zlib from 'node:zlib';
import {check} from './harness.mjs';

// A PNG of 8-bit RGB or RGBA, or of palette indices (1, 2, 4 or 8 bits), without
// interlacing, as {width, height, rgb(x, y)}: what the library's frames are written as.
export function readPng(file) {
  const data = fs.readFileSync(file);
  let width = 0, height = 0, depth = 0, kind = 0, palette = null;
  const idat = [];
  for (let at = 8; at < data.length;) {
    const length = data.readUInt32BE(at), type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      depth = body[8];
      kind = body[9];
      check(body[12] === 0 && ((depth === 8 && (kind === 2 || kind === 6)) ||
                               (kind === 3 && [1, 2, 4, 8].includes(depth))),
        `${file}: neither 8-bit RGB nor palette, or interlaced`);
    } else if (type === 'PLTE') {
      palette = body;
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  check(kind !== 3 || palette, `${file}: a palette PNG without its palette`);
  const bits = kind === 3 ? depth : kind === 2 ? 24 : 32;
  const step = Math.max(1, bits >> 3);  // the filters' byte distance
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = Math.ceil((width * bits) / 8);
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= step ? pixels[y * stride + i - step] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + i] : 0;
      const c = i >= step && y > 0 ? pixels[(y - 1) * stride + i - step] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      pixels[y * stride + i] = (line[i] + predicted) & 0xFF;
    }
  }
  return {width, height,
          rgb: (x, y) => {
            if (kind !== 3) {
              const i = y * stride + x * step;
              return [pixels[i], pixels[i + 1], pixels[i + 2]];
            }
            const bit = x * depth;
            const index = (pixels[y * stride + (bit >> 3)] >> (8 - depth - (bit & 7))) & ((1 << depth) - 1);
            return [palette[index * 3], palette[index * 3 + 1], palette[index * 3 + 2]];
          }};
}

// The drawing canvas of a page as {width, height, data}.
export async function canvasImage(page) {
  // Carried out of the page as base64: a list of numbers this long is slow to carry.
  const image = await page.evaluate(() => {
    const c = document.getElementById('kx508-graphics');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let s = '';
    for (let i = 0; i < d.length; i += 8192) s += String.fromCharCode.apply(null, d.subarray(i, i + 8192));
    return {width: c.width, height: c.height, data: btoa(s)};
  });
  return {...image, data: Buffer.from(image.data, 'base64')};
}

// The client area of a headless frame: the 601 x 540 window less its 4 px border, 20 px
// caption and 20 px menu bar.
export const NATIVE_CLIENT = {width: 601 - 8, height: 540 - 8 - 20 - 20};

// Compares a page's canvas with a native frame pixel for pixel by library coordinates (the
// origin at the client area's centre, y up), over all that both show: {compared,
// differing: ['(x, y): web r,g,b native r,g,b', ...], web(x, y)}.
export function libraryDifferences(web, frame, client = NATIVE_CLIENT) {
  const wo = {x: Math.floor(web.width / 2), y: Math.floor(web.height / 2)};
  const no = {x: Math.floor(client.width / 2), y: Math.floor(client.height / 2)};
  const left = -Math.min(wo.x, no.x);
  const right = Math.min(web.width - wo.x, frame.width - no.x) - 1;
  const top = Math.min(wo.y, no.y);
  const bottom = -(Math.min(web.height - wo.y, frame.height - no.y) - 1);
  const at = (x, y) => {
    const i = ((wo.y - y) * web.width + wo.x + x) * 4;
    return Array.from(web.data.subarray(i, i + 3));
  };
  let compared = 0;
  const differing = [];
  for (let y = top; y >= bottom; --y) {
    for (let x = left; x <= right; ++x) {
      const i = ((wo.y - y) * web.width + wo.x + x) * 4;
      const n = frame.rgb(no.x + x, no.y - y);
      ++compared;
      if (web.data[i] !== n[0] || web.data[i + 1] !== n[1] || web.data[i + 2] !== n[2])
        differing.push(`(${x}, ${y}): web ${at(x, y)} native ${n}`);
    }
  }
  return {compared, differing, web: at};
}
