// The browser's figures for the web build: CPU of all of Chromium's processes while the
// traffic animates and while it is halted, beside a blank page that runs only a 100 ms
// timer, measured on the same run in turns; where that CPU goes (by process, and in the
// page: the program's own time, wasm and the page's JS it calls, style and layout, and
// the rest of the renderer's main-thread tasks); the first frame after the page starts
// loading; how late a 10 ms timer of the page runs while a 200,000-event script plays;
// and the gzipped size of the wasm and JS. Prints "figure<TAB>value" lines for
// script/bench.
//   node bench/web_cpu.mjs <site folder>
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const here = path.dirname(new URL(import.meta.url).pathname);
const {serve, launch, timerGaps, until} = await import(path.join(here, '../tests/web/harness.mjs'));
const site = path.resolve(process.argv[2] || path.join(here, '../build/web/site'));
const seconds = Number(process.env.WEB_SECONDS || 10);
const rounds = Number(process.env.WEB_ROUNDS || 3);

const BLANK = '<!doctype html><title>blank</title><script>setInterval(function () {}, 100);</script>';
// The least a page that shows ten changes a second costs: one canvas of the drawing
// window's size, made as the web backend makes its canvases, whose 20 x 20 corner changes
// colour at each tick of a 100 ms timer.
const CORNER = `<!doctype html><title>corner</title><canvas id=c width=593 height=492></canvas><script>
  const context = document.getElementById('c').getContext('2d', {alpha: false, desynchronized: true});
  let tick = 0;
  setInterval(() => { context.fillStyle = tick++ % 2 ? '#f00' : '#00f'; context.fillRect(0, 0, 20, 20); }, 100);
</script>`;
// A new browser does work of its own for its first seconds (its databases, the omnibox,
// the code caches): each measurement begins after this long on a blank tab, so that this
// work falls on none of the pages.
const BROWSER_SETTLES_MS = 6000;

// Nanoseconds on a CPU of every thread of the process tree under pid, by process type.
function treeCpu(root) {
  const parent = new Map(), type = new Map();
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
      parent.set(Number(entry), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
      const cmdline = fs.readFileSync(`/proc/${entry}/cmdline`, 'utf8');
      const t = /--type=([a-z-]+)/.exec(cmdline);
      const utility = /--utility-sub-type=([a-zA-Z.]+)/.exec(cmdline);
      type.set(Number(entry), t ? (utility ? `utility ${utility[1].split('.').pop()}` : t[1]) : 'browser');
    } catch (e) { /* gone meanwhile */ }
  }
  const inTree = (pid) => { for (let p = pid; p > 1; p = parent.get(p)) if (p === root) return true; return false; };
  const byType = {};
  for (const pid of parent.keys()) {
    if (!inTree(pid)) continue;
    let ns = 0;
    try {
      for (const task of fs.readdirSync(`/proc/${pid}/task`))
        ns += Number(fs.readFileSync(`/proc/${pid}/task/${task}/schedstat`, 'utf8').split(' ')[0]);
    } catch (e) { continue; }
    byType[type.get(pid)] = (byType[type.get(pid)] || 0) + ns;
  }
  return byType;
}

let launches = 0;

// The process whose command line has the switch and whose parent's does not.
function browserPid(mark) {
  const has = (pid) => {
    try {
      return fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').split('\0').includes(mark);
    } catch (e) {
      return false;
    }
  };
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry) || !has(entry)) continue;
    const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
    const ppid = stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1];
    if (!has(ppid)) return Number(entry);
  }
  throw new Error('the browser process is not found');
}

function difference(after, before) {
  const out = {};
  for (const k of Object.keys(after)) out[k] = after[k] - (before[k] || 0);
  return out;
}

const total = (byType) => Object.values(byType).reduce((a, b) => a + b, 0);

// The page's own time, from Chromium's performance metrics, in seconds.
async function pageMetrics(session) {
  const {metrics} = await session.send('Performance.getMetrics');
  const m = Object.fromEntries(metrics.map((x) => [x.name, x.value]));
  return {script: m.ScriptDuration, style: m.RecalcStyleDuration, layout: m.LayoutDuration,
          tasks: m.TaskDuration};
}

// One measurement: a fresh browser, settled, then the page, settling, then `seconds` of
// CPU.
async function measure(server, page_path, prepare) {
  // A switch Chromium ignores marks this run's browser process, the root of its tree.
  const mark = `--kx508-bench-run=${process.pid}-${++launches}`;
  const browser = await launch({args: [mark]});
  const pid = browserPid(mark);
  const context = await browser.newContext({viewport: {width: 1024, height: 768}});
  const page = await context.newPage();
  await page.waitForTimeout(BROWSER_SETTLES_MS);
  const session = await context.newCDPSession(page);
  await session.send('Performance.enable');
  await page.goto(server.url + page_path);
  if (prepare) await prepare(page);
  // The program's own time: from each wake of its wait to its next wait, the wasm and the
  // page's JS it calls, presenting included. The wake's value goes through as it came:
  // the program tells from it whether the browser has had a turn, and without it yields
  // at every wake as if it never had.
  await page.evaluate(() => {
    window.kx508Busy = 0;
    if (typeof KX508Web === 'undefined') return;
    const sleep = KX508Web.sleep;
    let woke = 0;
    KX508Web.sleep = function (wakeUp, ticksToo) {
      if (woke) window.kx508Busy += performance.now() - woke;
      sleep(function (hadTurn) {
        woke = performance.now();
        wakeUp(hadTurn);
      }, ticksToo);
    };
  });
  await page.waitForTimeout(2000);
  const cpu0 = treeCpu(pid), m0 = await pageMetrics(session);
  const busy0 = await page.evaluate(() => window.kx508Busy);
  await page.waitForTimeout(seconds * 1000);
  const cpu1 = treeCpu(pid), m1 = await pageMetrics(session);
  const busy1 = await page.evaluate(() => window.kx508Busy);
  await browser.close();
  const byType = difference(cpu1, cpu0);
  const pageTime = Object.fromEntries(Object.keys(m1).map((k) => [k, m1[k] - m0[k]]));
  pageTime.program = (busy1 - busy0) / 1000;
  return {share: total(byType) / 1e9 / seconds, byType, pageTime};
}

const networkShown = (page) => until(() => page.evaluate(() => {
  const c = document.getElementById('kx508-graphics');
  if (!c || !c.width) return false;
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let black = 0;
  for (let i = 0; i < d.length; i += 4) if (!d[i] && !d[i + 1] && !d[i + 2]) ++black;
  return black > 5000;
}), 'the traffic is drawn', 20000);

const halt = async (page) => {
  await networkShown(page);
  await page.focus('#kx508-graphics');
  await page.keyboard.press('Control+h');
};

// When the canvas first shows the traffic after navigation starts: each put on the drawing
// canvas is timed, and the first that leaves the road network on it counts.
// The languages example's first frame: eleven scripts, Han among them, on a page that has
// only Latin-1 built in, so that the glyph pages they need (11) are fetched first, one at
// a time, from a cold cache.
async function firstScriptsFrame(server) {
  const browser = await launch();
  const page = await browser.newPage({viewport: {width: 1024, height: 768}});
  await page.goto(server.url + 'languages.html');
  await until(() => page.evaluate(() => performance.getEntriesByName(
    'kx508-first-frame:kx508-graphics').length > 0), 'the languages page shows its first frame');
  const times = await page.evaluate(() => ({
    frame: performance.getEntriesByName('kx508-first-frame:kx508-graphics')[0].startTime,
    pages: performance.getEntriesByType('resource').filter((r) => r.name.includes('/glyphs/')).length,
  }));
  await browser.close();
  return times;
}

async function firstFrame(server) {
  const browser = await launch();
  const page = await browser.newPage({viewport: {width: 1024, height: 768}});
  await page.addInitScript(() => {
    const put = CanvasRenderingContext2D.prototype.putImageData;
    window.kx508Puts = [];
    CanvasRenderingContext2D.prototype.putImageData = function (...args) {
      put.apply(this, args);
      if (this.canvas.id !== 'kx508-graphics' || window.kx508Puts.length >= 20) return;
      const d = this.getImageData(0, 0, this.canvas.width, this.canvas.height).data;
      let black = 0;
      for (let i = 0; i < d.length; i += 4) if (!d[i] && !d[i + 1] && !d[i + 2]) ++black;
      window.kx508Puts.push({at: performance.now(), black});
    };
  });
  await page.goto(server.url + 'traffic.html');
  await networkShown(page);
  const times = await page.evaluate(() => {
    const loaded = (ending) => performance.getEntriesByType('resource')
      .find((r) => r.name.endsWith(ending)).responseEnd;
    return {first: window.kx508Puts[0].at,
            traffic: window.kx508Puts.find((p) => p.black > 5000).at,
            js: loaded('.js'), wasm: loaded('.wasm')};
  });
  await browser.close();
  return times;
}

// The longest gap between runs of a 10 ms timer of the page, over three seconds of a
// 200,000-event script played with Ctrl+P: how long the page waits for its thread.
async function timerLatency(server) {
  const browser = await launch();
  const page = await browser.newPage({viewport: {width: 1024, height: 768}});
  await page.goto(server.url + 'traffic.html');
  await networkShown(page);
  await page.setInputFiles('#kx508-load', {name: 'long.scr', mimeType: 'text/plain',
    buffer: Buffer.from('KX508_PERIODIC(200000);\n')});
  await until(() => page.evaluate(() =>
    document.getElementById('kx508-messages').textContent.includes('long.scr')), 'the script loads');
  await page.focus('#kx508-graphics');
  await page.keyboard.press('Control+p');
  const gaps = await timerGaps(page, 3000);
  await browser.close();
  return gaps;
}

const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];
const percent = (share) => `${(share * 100).toFixed(2)} % of a core`;

const server = await serve(site, {'/blank.html': BLANK, '/corner.html': CORNER});
const runs = {blank: [], corner: [], animating: [], halted: []};
for (let round = 0; round < rounds; ++round) {
  runs.blank.push(await measure(server, 'blank.html'));
  runs.corner.push(await measure(server, 'corner.html'));
  runs.animating.push(await measure(server, 'traffic.html', networkShown));
  runs.halted.push(await measure(server, 'traffic.html', halt));
}
const frames = [];
for (let i = 0; i < rounds; ++i) frames.push(await firstFrame(server));
const scripts = [];
for (let i = 0; i < rounds; ++i) scripts.push(await firstScriptsFrame(server));
const latencies = [];
for (let i = 0; i < rounds; ++i) latencies.push(await timerLatency(server));
await server.close();

const gzipped = (name) => zlib.gzipSync(fs.readFileSync(path.join(site, name)), {level: 9}).length;
const wasm = gzipped('traffic.wasm'), js = gzipped('traffic.js');

// The run closest to the median, for where its CPU went.
const typical = (list) => list.slice().sort((a, b) => a.share - b.share)[Math.floor(list.length / 2)];
const breakdown = (m) => Object.entries(m.byType).sort((a, b) => b[1] - a[1])
  .map(([k, ns]) => `${k} ${(ns / 1e9 / seconds * 100).toFixed(2)} %`).join(', ');
const inPage = (m) => {
  const t = m.pageTime, s = (v) => `${(v / seconds * 100).toFixed(2)} %`;
  return `the program (wasm and its JS calls) ${s(t.program)}, style and layout ` +
         `${s(t.style + t.layout)}, the renderer's other main-thread tasks ` +
         `${s(Math.max(0, t.tasks - t.program - t.style - t.layout))}`;
};

const blank = median(runs.blank.map((r) => r.share));
const animating = median(runs.animating.map((r) => r.share));
const halted = median(runs.halted.map((r) => r.share));
const corner = median(runs.corner.map((r) => r.share));
const longest = latencies.map((gaps) => Math.max(...gaps));
const out = [
  ['Browser CPU, blank page with a 100 ms timer', percent(blank)],
  ['Browser CPU, traffic animating', percent(animating)],
  ['Browser CPU, traffic halted', percent(halted)],
  ['  animating against the blank page', `${(animating / blank).toFixed(2)} x`],
  ['  halted against the blank page', `${(halted / blank).toFixed(2)} x`],
  ['Browser CPU, a canvas corner changing ten times a second', `${percent(corner)}, ${(corner / blank).toFixed(2)} x the blank page: the least any page animating at 10 Hz costs here`],
  // Each round's traffic against the corner measured just before it, on the same browser
  // build and machine load: the median of the rounds' ratios.
  ['  traffic animating against the corner, round by round',
   `${median(runs.animating.map((r, i) => r.share / runs.corner[i].share)).toFixed(2)} x (rounds: ${runs.animating.map((r, i) => (r.share / runs.corner[i].share).toFixed(2)).join(', ')})`],
  ['  animating, by process', breakdown(typical(runs.animating))],
  ['  corner, by process', breakdown(typical(runs.corner))],
  ['  animating, in the page', inPage(typical(runs.animating))],
  ['  halted, by process', breakdown(typical(runs.halted))],
  ['  halted, in the page', inPage(typical(runs.halted))],
  ['  blank, by process', breakdown(typical(runs.blank))],
  ['First frame after the page starts loading',
   `${median(frames.map((f) => f.first)).toFixed(0)} ms (JS loaded at ${median(frames.map((f) => f.js)).toFixed(0)} ms, wasm at ${median(frames.map((f) => f.wasm)).toFixed(0)} ms)`],
  ['  the first frame with the traffic drawn (a tick later)',
   `${median(frames.map((f) => f.traffic)).toFixed(0)} ms`],
  ['First frame with Han (and ten other scripts) on the canvas, languages.html',
   `${median(scripts.map((f) => f.frame)).toFixed(0)} ms (${scripts[0].pages} glyph pages fetched first)`],
  ['Page timer while a 200,000-event script plays, longest gap',
   `${median(longest).toFixed(0)} ms (median of ${rounds} runs of 3 s; their longest ${Math.max(...longest).toFixed(0)} ms, a 10 ms timer's median gap ${median(latencies.flat()).toFixed(0)} ms)`],
  ['traffic.wasm + traffic.js, gzipped', `${((wasm + js) / 1024).toFixed(1)} KB (${(wasm / 1024).toFixed(1)} + ${(js / 1024).toFixed(1)})`],
];
for (const [k, v] of out) console.log(`${k}\t${v}`);
