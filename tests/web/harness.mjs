// What the web tests and the browser benchmark share: a static server for the site on
// 127.0.0.1, the system's Chromium driven by playwright-core, and a small runner that
// runs named cases, each in a fresh browser context, and ends with one summary line.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import {chromium} from 'playwright-core';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.scr': 'text/plain', '.png': 'image/png',
};

// Serves the files of a folder, and extra pages given as {'/name': text}; resolves to
// {url, close}.
export function serve(served, extra = {}) {
  const folder = path.resolve(served);
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    if (extra[name] !== undefined) {
      res.writeHead(200, {'Content-Type': TYPES[path.extname(name)] || 'text/html'});
      res.end(extra[name]);
      return;
    }
    const file = path.join(folder, path.normalize(name === '/' ? '/index.html' : name));
    if (!file.startsWith(folder) || !fs.existsSync(file) ||
        !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end('not found');
      return;
    }
    res.writeHead(200, {'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                        'Cache-Control': 'no-store'});
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({url: `http://127.0.0.1:${server.address().port}/`,
               close: () => new Promise((done) => server.close(done))});
    });
  });
}

export const CHROMIUM_ARGS = [
  '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

export function launch(options = {}) {
  return chromium.launch({
    executablePath: process.env.KX508_CHROMIUM || '/usr/bin/chromium',
    headless: options.headless !== false,
    args: CHROMIUM_ARGS.concat(options.args || []),
    env: options.env || process.env,
  });
}

export class Failure extends Error {}

export function check(condition, message) {
  if (!condition) throw new Failure(message);
}

// Polls fn until it gives a true value; fails with the message after timeout ms.
export async function until(fn, message, timeout = 10000) {
  const end = Date.now() + timeout;
  for (;;) {
    const value = await fn();
    if (value) return value;
    if (Date.now() > end) throw new Failure(`${message} (after ${timeout} ms)`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

// The gaps, in ms, between the runs of a 10 ms timer of the page over the next ms
// milliseconds: how long the page waits for its thread.
export function timerGaps(page, ms) {
  return page.evaluate((ms) => new Promise((resolve) => {
    const gaps = [];
    let last = performance.now();
    const timer = setInterval(() => {
      const now = performance.now();
      gaps.push(now - last);
      last = now;
    }, 10);
    setTimeout(() => {
      clearInterval(timer);
      resolve(gaps);
    }, ms);
  }), ms);
}

// The site the tests run against: KX508_WEB_SITE, else the one script/build-web leaves.
export function siteFolder() {
  const site = process.env.KX508_WEB_SITE ||
    path.resolve(path.dirname(new URL(import.meta.url).pathname), '../../build/web/site');
  if (!fs.existsSync(path.join(site, 'traffic.html')))
    throw new Error(`no web site in ${site}: run script/build-web first`);
  return site;
}

// Runs the cases given as {name: async ({browser, url}) => ...}; the cases named on the
// command line only, when any are. Exits 1 when any failed. The site is served, or the
// folder setup.folder names.
export async function run(cases, setup = {}) {
  const wanted = process.argv.slice(2);
  const names = Object.keys(cases).filter((n) => !wanted.length || wanted.includes(n));
  const site = await serve(setup.folder || siteFolder());
  const browser = await launch(setup);
  let passed = 0, failed = 0;
  try {
    for (const name of names) {
      const started = Date.now();
      try {
        await cases[name]({browser, url: site.url});
        ++passed;
        console.log(`ok ${name} (${Date.now() - started} ms)`);
      } catch (e) {
        ++failed;
        console.log(`FAILED ${name}: ${e instanceof Failure ? e.message : e.stack}`);
      }
    }
  } finally {
    await browser.close();
    await site.close();
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}
