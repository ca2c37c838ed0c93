// Seeking in the run bar: a 10-minute run of the traffic (6,000 periodic events and 200 keys
// spread through it; any click ends the traffic, so its inputs are keys) opened from its
// link, then sought to events spread over all of it, in an order that goes back and
// forth. Each seek is timed in the page from the call to the picture being at its event.
// Prints "figure<TAB>value" lines for script/bench.
//   node bench/web_seek.mjs <site folder>
import path from 'node:path';
import zlib from 'node:zlib';

const here = path.dirname(new URL(import.meta.url).pathname);
const {serve, launch, until} = await import(path.join(here, '../tests/web/harness.mjs'));
const site = path.resolve(process.argv[2] || path.join(here, '../build/web/site'));
const seeks = Number(process.env.WEB_SEEKS || 60);

// 6,000 periodic events in 201 runs, a key between each two.
function tenMinutes() {
  const lines = [];
  let periodic = 6000;
  for (let i = 0; i < 200; ++i) {
    const n = Math.round(periodic / (201 - i));
    lines.push(`KX508_PERIODIC(${n});`, `KX508_KBD(${97 + (i % 26)});`);
    periodic -= n;
  }
  lines.push(`KX508_PERIODIC(${periodic});`);
  return lines.join('\n') + '\n';
}

const link = (file) => 'traffic.html#run=' + zlib.deflateRawSync(Buffer.from(file)).toString('base64url');

const server = await serve(site);
const browser = await launch();
const page = await browser.newPage({viewport: {width: 1024, height: 768}});
await page.goto(server.url + link(tenMinutes()));
await until(() => page.evaluate(() => KX508Run.state().phase === 'ready'),
            'the run is played through once', 120000);
const state = await page.evaluate(() => KX508Run.state());
// Events spread over the run, visited in a shuffled order (a fixed one, the same each
// time), so that seeks go forward and back by any distance.
const targets = [];
for (let i = 0; i < seeks; ++i) targets.push(Math.round((i * 6200) / (seeks - 1)));
for (let i = targets.length - 1, r = 12345; i > 0; --i) {
  r = (r * 1103515245 + 12345) & 0x7fffffff;
  const j = r % (i + 1);
  [targets[i], targets[j]] = [targets[j], targets[i]];
}
const times = await page.evaluate(async (targets) => {
  const out = [];
  for (const k of targets) {
    const t0 = performance.now();
    await KX508Run.seek(k);
    out.push(performance.now() - t0);
    // The browser paints between seeks, as between a person's.
    await new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0)));
  }
  return out;
}, targets);
const memory = await page.evaluate(() => HEAPU8.length);
await browser.close();
await server.close();

const sorted = times.slice().sort((a, b) => a - b);
const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
const out = [
  ['Run bar: a 6,200-event traffic run played through once from its link',
   `${state.playedThroughMs.toFixed(0)} ms (${(state.playedThroughMs * 1000 / 6200).toFixed(0)} us an event), ` +
   `${state.copyingMs.toFixed(0)} ms of it taking ${state.copies} copies of the program's memory`],
  ['Run bar: seek anywhere in it, longest',
   `${sorted[sorted.length - 1].toFixed(1)} ms (median ${at(0.5).toFixed(1)} ms, 90th percentile ${at(0.9).toFixed(1)} ms, ${times.length} seeks)`],
  ['Run bar: memory kept for seeking',
   `${(state.copiedBytes / 1048576).toFixed(1)} MB of copies of ${(state.memoryTop / 1048576).toFixed(1)} MB in use each (the wasm memory is ${(memory / 1048576).toFixed(0)} MB)`],
];
for (const [k, v] of out) console.log(`${k}\t${v}`);
