// The run bar counts a file's events as the library's player does: for each file below,
// the bar's count (web_run.js, read in Node) and the line it stops before are the events
// a native replay of the file plays and the line it stops at. mouse_draw ends only on
// quit, so it plays every event the player gives it.
//   node run_lines_test.mjs <native mouse_draw>
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import vm from 'node:vm';

const [program] = process.argv.slice(2).map((p) => path.resolve(p));
const here = path.dirname(new URL(import.meta.url).pathname);
const source = fs.readFileSync(path.join(here, '../../platform/backends/web/web_run.js'), 'utf8');
const context = {};
vm.runInNewContext(source + '\nthis.KX508Run = KX508Run;', context);
const {parse} = context.KX508Run;

const FILES = {
  'a run: CR LF, empty lines, replies, areas, client areas, counts 0 and 1, atoi-like clicks, a last line without its end':
    'KX508_RUN(1);\r\nKX508_PERIODIC(0);\r\n\r\nKX508_GETS("a\\"b");\nKX508_PERIODIC(1);\n' +
    'KX508_AREA(-296,-245,296,246);\nKX508_CLIENT(601,540);\nKX508_CLIENT(x);\n' +
    'KX508_MOUSE(--5, 7-3);\nKX508_KBD(-200);\nKX508_PERIODIC(3)',
  'a line the player cannot read': 'KX508_KBD(97);\nxx\nKX508_KBD(98);\n',
  'a reply in a classic script': 'KX508_GETS("x");\nKX508_KBD(97);\n',
  'an area in a classic script': 'KX508_KBD(97);\nKX508_AREA(1,2,3,4);\nKX508_KBD(98);\n',
  'a client area in a classic script': 'KX508_KBD(97);\nKX508_CLIENT(1,2);\nKX508_KBD(98);\n',
  'a line over 511 characters': 'KX508_KBD(97);\nKX508_KBD(1);' + ' '.repeat(600) + '\n',
  'a click without its y': 'KX508_PERIODIC(2);\nKX508_MOUSE(5);\n',
  'a count without digits': 'KX508_KBD(97);\nKX508_PERIODIC(x);\n',
  'an unknown kind': 'KX508_KBD(97);\nKX508_QQQ(1);\n',
  'a count over INT_MAX': 'KX508_KBD(97);\nKX508_PERIODIC(2147483648);\nKX508_KBD(98);\n',
};

let failed = 0;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kx508-run-lines-'));
for (const [what, text] of Object.entries(FILES)) {
  fs.writeFileSync(path.join(work, 'f.scr'), text, 'latin1');
  // The summary line on standard error says how many events played and where it stopped.
  const summary = spawnSync(program, [], {cwd: work, encoding: 'latin1', env: {...process.env,
    ASAN_OPTIONS: 'detect_leaks=0', KX508_PLATFORM: 'headless', KX508_PLAY: 'f.scr'}}).stderr || '';
  const native =
    /KX508: (?:all )?(\d+) events? played from f\.scr(?:;| \((played to its end|stopped at unrecognised line (\d+))\))/
      .exec(summary);
  const bar = parse(new Uint8Array(Buffer.from(text, 'latin1')));
  const nativeStop = native && native[3] ? Number(native[3]) : null;
  const barStop = bar.stop ? bar.stop.number : null;
  if (!native || Number(native[1]) !== bar.events || nativeStop !== barStop) {
    ++failed;
    console.log(`FAILED ${what}: the bar counts ${bar.events} events, stopping before line ` +
                `${barStop}; the native replay says ${JSON.stringify(summary.trim())}`);
  } else {
    console.log(`ok ${what}: ${bar.events} events${barStop ? `, line ${barStop} stops it` : ''}`);
  }
}
fs.rmSync(work, {recursive: true});
console.log(`${Object.keys(FILES).length - failed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
