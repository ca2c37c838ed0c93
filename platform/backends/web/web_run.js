// The run bar: a run (a script the library plays, KX508_PLAY) shown under the drawing
// window as a line of events to seek along, step through and play at a speed, shared as a
// link (#run=DATA&at=k: the file deflated, in base64url). Run before the program
// (--pre-js), after web_page.js and web_script.js.
//
// How seeking is fast: the program plays the run under KX508_PLAY, paused from its first
// wait on (KX508_PLAY_TO=0), and the page moves it on with the menu's own Play One
// command, queued as many times as there are events to play. While it first plays the run
// to its end, the page keeps a copy of the program's memory every EVERY events (fewer on a
// long run: MOST_COPIES at most), taken while it sleeps in its wait (Asyncify has unwound
// it, so its whole state is in that memory, the stack pointer, Asyncify's record of the
// wait and the files it has open, with the page's menus and canvases). A seek puts back the
// nearest copy at or before the event and plays on from there, never further than to the
// next copy. Copies share each 4 KB that did not change since the one before.
//
// A run the program is not playing (a file picked, a recording, a program that ended) is
// shown too; seeking it starts the program again on it, as its link would.
var KX508Run = (function () {
  'use strict';

  var MOST_BYTES = 16 * 1024 * 1024;  // a link's run, decompressed
  var EVERY = 125;                    // events between copies of the program's memory,
  var MOST_COPIES = 64;               // or more, so that a long run has no more copies than this
  var CHUNK = 4096;                   // bytes of memory compared and shared at a time
  var RUN_FILE = 'run.scr';           // where a link's run goes, beside KX508.SCR
  var BATCH_MS = 20;                  // events played at once: what takes this long at the
  var MOST_BATCH = 4096;              // last batch's pace, and never more than this many
  var FAST_LOOK_MS = 4;               // how often playing as fast as possible looks
  var RUN_FIRST_LINE = 'KX508_RUN(1);';
  var REPLY_START = 'KX508_GETS("';
  var AREA_START = 'KX508_AREA(';
  var CLIENT_START = 'KX508_CLIENT(';
  var INT_MAX = 2147483647;

  // ---- Reading a run as the library's player reads it: its lines, the events each
  // stands for, and where playback would stop (a line it cannot read).

  function digitsFrom(line, from, signed) {
    var i = from;
    while (i < line.length && !(line[i] >= '0' && line[i] <= '9')) ++i;
    if (i >= line.length) return null;
    var negative = signed && i > from && line[i - 1] === '-';
    var v = 0;
    for (; i < line.length && line[i] >= '0' && line[i] <= '9'; ++i)
      v = Math.min(v * 10 + (line.charCodeAt(i) - 48), INT_MAX + 1);
    return {value: negative ? -v : Math.min(v, INT_MAX), clamped: v > INT_MAX, end: i};
  }

  function signedRunFrom(line, from) {
    var inRun = function (c) { return c === '-' || (c >= '0' && c <= '9'); };
    var i = from;
    while (i < line.length && !inRun(line[i])) ++i;
    if (i >= line.length) return null;
    var end = i;
    while (end < line.length && inRun(line[end])) ++end;
    return {end: end};
  }

  // How many events a line plays, 0 when the player cannot read it, Infinity for a count
  // over INT_MAX (the player stops at it: a recorder counts in an int, so no run holds it).
  function eventsOf(line) {
    if (line.length < 7) return 0;
    switch (line[6]) {
      case 'K': return digitsFrom(line, 6, true) ? 1 : 0;
      case 'M': {
        var x = signedRunFrom(line, 6);
        return x && signedRunFrom(line, x.end) ? 1 : 0;
      }
      case 'P': {
        var n = digitsFrom(line, 6, false);
        return !n ? 0 : n.clamped ? Infinity : Math.max(n.value, 1);
      }
      default: return 0;
    }
  }

  // {lines: [{number, text, first, count}], events, kinds, stop: {number, text, why} | null}
  // from the file's bytes; first is the 1-based number of the line's first event.
  function parse(bytes) {
    var text = '';
    for (var i = 0; i < bytes.length; i += 8192)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    var raw = text.split('\n');
    if (raw.length && raw[raw.length - 1] === '') raw.pop();
    var lines = [], events = 0, stop = null, run = false;
    for (var n = 0; n < raw.length; ++n) {
      var line = raw[n];
      var length = line.length;
      if (line.endsWith('\r')) line = line.slice(0, -1);
      if (n === 0 && line === RUN_FIRST_LINE) {
        run = true;
        continue;
      }
      var reply = run && line.startsWith(REPLY_START);
      if (length > (reply ? 4 * 255 + 16 : 511)) {
        stop = {number: n + 1, text: line.slice(0, 80)};
        break;
      }
      // Replies, visible areas and client areas are answers and notes, not events.
      if (line === '' || reply || (run && (line.startsWith(AREA_START) ||
                                            line.startsWith(CLIENT_START)))) continue;
      var count = eventsOf(line);
      // Counted in doubles, the bar is exact up to 2^53 events: only a file of over 75 MB
      // of counts near INT_MAX, which no link holds, could pass that.
      var why = count > INT_MAX ? 'its count is over ' + INT_MAX
        : events + count > Number.MAX_SAFE_INTEGER
          ? 'the run passes ' + Number.MAX_SAFE_INTEGER + ' events there' : '';
      if (!count || why) {
        stop = {number: n + 1, text: line.slice(0, 80), why: why};
        break;
      }
      lines.push({number: n + 1, text: line, first: events + 1, count: count,
                  periodic: line[6] === 'P'});
      events += count;
    }
    return {lines: lines, events: events, stop: stop};
  }

  // The line that plays event k (1-based).
  function lineOf(parsed, k) {
    var lo = 0, hi = parsed.lines.length - 1;
    while (lo < hi) {
      var mid = (lo + hi + 1) >> 1;
      if (parsed.lines[mid].first <= k) lo = mid;
      else hi = mid - 1;
    }
    return parsed.lines[lo];
  }

  // ---- Links: the run's bytes as raw DEFLATE in base64url, without padding

  function toBase64url(bytes) {
    var s = '';
    for (var i = 0; i < bytes.length; i += 8192)
      s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    return btoa(s).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }

  function fromBase64url(text) {
    if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1)
      throw new Error('it is not base64url');
    var s = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
    var bytes = new Uint8Array(s.length);
    for (var i = 0; i < s.length; ++i) bytes[i] = s.charCodeAt(i);
    return bytes;
  }

  function readAll(stream, most) {
    var reader = stream.getReader(), parts = [], total = 0;
    function next() {
      return reader.read().then(function (r) {
        if (r.done) {
          var out = new Uint8Array(total), at = 0;
          parts.forEach(function (p) { out.set(p, at); at += p.length; });
          return out;
        }
        if (total + r.value.length > most) {
          // Stopped here: nothing past the limit is inflated or kept.
          parts = null;
          reader.cancel().catch(function () {});
          throw new RangeError('it holds more than ' + most / (1024 * 1024) + ' MB');
        }
        parts.push(r.value);
        total += r.value.length;
        return next();
      });
    }
    return next();
  }

  function deflate(bytes) {
    return readAll(new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw')),
                   Infinity);
  }

  function inflate(bytes) {
    return readAll(new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw')),
                   MOST_BYTES).catch(function (e) {
      if (e instanceof RangeError) throw e;
      throw new Error('it is not deflated data');
    });
  }

  function linkFor(bytes, at) {
    return deflate(bytes).then(function (packed) {
      return location.origin + location.pathname + '#run=' + toBase64url(packed) +
             (at === null ? '' : '&at=' + at);
    });
  }

  // ---- State

  var P = null;          // the page's view of the program (KX508Web.program)
  var heapTop = 0;       // where the allocator keeps the end of the memory in use
  var run = null;        // {bytes, name, parsed}
  // 'here': the program plays this run; 'apart': seeking starts the program on it.
  var mode = null;
  var phase = 'starting';  // here: starting, preparing, ready; and ended
  var at = 0;            // the events the program has played of the run
  var inflight = 0;      // Play One commands queued and not yet seen played
  var left = false;      // the program was given input of its own since
  var target = null;     // a seek waiting for the program
  var openAt = null;     // the event a link opens at
  var playing = false, playTimer = null, speed = '1';
  var msPerEvent = 0.1;
  var kept = [];         // copies of the program's memory, by event / EVERY; the end's last
  var keptBytes = 0;
  var waiters = [];      // seeks' promises, resolved when the program is at their event
  var preparedAt = 0;    // performance.now() when the copies were all taken
  var startedAt = 0;     // and when the program first slept, at the run's start
  var copyingMs = 0;     // spent taking them
  var batchStarted = 0;
  var every = EVERY;

  function el(id) { return document.getElementById(id); }

  // ---- Copies of the program's memory

  function memoryTop() {
    var top = HEAPU32[heapTop >> 2];
    return Math.ceil(top / CHUNK) * CHUNK;
  }

  function sameWords(words, base, chunk) {
    for (var i = 0; i < chunk.length; ++i) if (words[base + i] !== chunk[i]) return false;
    return true;
  }

  var zeros = null;  // the chunk of zeros every copy shares

  function keep() {
    var began = performance.now();
    var words = new Int32Array(HEAPU8.buffer);
    var top = memoryTop(), before = kept.length ? kept[kept.length - 1] : null;
    var chunks = [], per = CHUNK >> 2;
    if (!zeros) zeros = new Int32Array(per);
    for (var i = 0; i * CHUNK < top; ++i) {
      var old = before && before.chunks[i];
      if (old && sameWords(words, i * per, old)) {
        chunks.push(old);
      } else if (sameWords(words, i * per, zeros)) {
        // Half of a program's memory is zeros it has not used: one chunk stands for all
        // of them, and copying them cost the most of a copy (fresh memory touched).
        chunks.push(zeros);
      } else {
        chunks.push(words.slice(i * per, (i + 1) * per));
        keptBytes += CHUNK;
      }
    }
    var streams = [];
    FS.streams.forEach(function (s, fd) { if (s && fd > 2) streams.push([fd, s, s.position]); });
    var copy = {event: at, top: top, chunks: chunks, sp: stackSave(), data: Asyncify.currData,
                streams: streams, page: P.save()};
    if (kept.length && kept[kept.length - 1].event === at) kept[kept.length - 1] = copy;
    else kept.push(copy);
    copyingMs += performance.now() - began;
  }

  function putBack(copy) {
    var words = new Int32Array(HEAPU8.buffer), per = CHUNK >> 2;
    var now = memoryTop();
    copy.chunks.forEach(function (c, i) { words.set(c, i * per); });
    if (now > copy.top) words.fill(0, copy.top >> 2, now >> 2);
    stackRestore(copy.sp);
    Asyncify.currData = copy.data;
    // The files as the program had them open then, read as far as they were.
    var wanted = new Set(copy.streams.map(function (s) { return s[0]; }));
    FS.streams.forEach(function (s, fd) { if (s && fd > 2 && !wanted.has(fd)) FS.closeStream(fd); });
    copy.streams.forEach(function (s) {
      FS.streams[s[0]] = s[1];
      s[1].fd = s[0];
      s[1].position = s[2];
    });
    P.restore(copy.page);
    at = copy.event;
    left = false;
  }

  function nearestCopy(k) {
    var best = null;
    for (var i = 0; i < kept.length && kept[i].event <= k; ++i) best = kept[i];
    return best;
  }

  // ---- Moving the program on

  // Plays n events, or the first batch of them: a count of millions is queued a batch at a
  // time, as many Play One commands as take BATCH_MS at the last batch's pace, not as
  // millions of commands the program would take in at once. The caller plays on from
  // where the batch ends, when the program sleeps again.
  function play(n) {
    var one = P.command('o'), halt = P.command('h');
    if (!one || n <= 0) return false;
    n = Math.min(n, MOST_BATCH, Math.max(1, Math.round(BATCH_MS / msPerEvent)));
    var events = [];
    for (var i = 0; i < n; ++i) events.push(one);
    // Whatever the program started on its own in those events is halted again: it plays
    // the run, not live ticks.
    if (halt) events.push(halt);
    inflight = n;
    batchStarted = performance.now();
    P.enqueue(events);
    return true;
  }

  // Called once the program sleeps in its wait.
  function idle() {
    if (mode !== 'here' || !P.idle()) return;
    if (inflight) {
      var n = inflight;
      inflight = 0;
      at += n;
      if (n >= 20) msPerEvent = (performance.now() - batchStarted) / n;
    }
    var back = null;
    if (phase === 'starting') {
      back = focusBack && el(focusBack);
      focusBack = null;
      phase = 'preparing';
      startedAt = performance.now();
      at = 0;
      keep();
      advance();
    } else if (phase === 'preparing' && (at % every === 0 || at === run.parsed.events)) {
      // A copy takes a while of its own: after a turn of the browser's, not on top of the
      // program's last slice.
      KX508Web.yieldTurn(function () {
        if (!P.idle()) return;
        keep();
        advance();
      });
    } else {
      advance();
    }
    // Its windows are up and took the keyboard as they came, and the bar is under them
    // (moving it took the keyboard from its controls).
    if (back) back.focus({preventScroll: true});
  }

  function advance() {
    if (mode !== 'here' || inflight || !P.idle()) return;
    var total = run.parsed.events;
    if (phase === 'preparing') {
      if (at < total) {
        play(Math.min(every - at % every, total - at));
        show();
        return;
      }
      phase = 'ready';
      preparedAt = performance.now();
      if (openAt !== null && openAt < total) target = openAt;
    }
    if (phase !== 'ready') return;
    if (target !== null) {
      seekNow(target);
      if (inflight) return;
    }
    if (target === null && waiters.length) {
      var w = waiters;
      waiters = [];
      w.forEach(function (resolve) { resolve(at); });
    }
    show();
  }

  function seekNow(k) {
    var copy = nearestCopy(k);
    if (left || at > k || k - at > k - copy.event) putBack(copy);
    target = null;
    if (k > at) {
      target = k;
      play(k - at);
    }
  }

  // Moves the bar (and the program) to event k; resolves once the picture is there.
  function seek(k) {
    if (!run) return Promise.resolve(0);
    k = Math.max(0, Math.min(run.parsed.events, Math.round(k)));
    if (mode === 'apart' || phase === 'ended') {
      restartAt(k);
      return new Promise(function () {});
    }
    return new Promise(function (resolve) {
      waiters.push(resolve);
      target = k;
      if (phase === 'ready' && !inflight && P.idle()) advance();
      show();
    });
  }

  // ---- Playing at a speed

  function stopPlaying() {
    playing = false;
    clearInterval(playTimer);
    playTimer = null;
    show();
  }

  // The events up to and including the next periodic one: a tick's worth, as recorded.
  function tickFrom(k) {
    var total = run.parsed.events, n = 0;
    while (k + n < total) {
      var line = lineOf(run.parsed, k + n + 1);
      if (line.periodic) return n + 1;
      n += line.first + line.count - 1 - (k + n);
    }
    return n;
  }

  function playStep() {
    if (!playing || mode !== 'here' || phase !== 'ready' || inflight || target !== null ||
        !P.idle())
      return;
    var total = run.parsed.events;
    if (at >= total || left) {
      stopPlaying();
      return;
    }
    play(speed === 'fast' ? total - at : tickFrom(at));
  }

  function startPlaying() {
    if (!run) return;
    if (mode === 'apart' || phase === 'ended') {
      restartAt(at);
      return;
    }
    if (left) {
      // Back into the run where the bar stands first, then on from there.
      seek(at).then(startPlaying);
      return;
    }
    if (at >= run.parsed.events) return;
    playing = true;
    clearInterval(playTimer);
    // A tick's worth of the run each tick of the program's own timer, or four of them.
    var tick = P.tick();
    var period = speed === '1' ? tick : speed === '4' ? tick / 4 : FAST_LOOK_MS;
    playTimer = setInterval(playStep, period);
    playStep();
    show();
  }

  // ---- A run the program does not play: started on it, by its link

  function restartAt(k) {
    if (!run) return;
    linkFor(run.bytes, k < run.parsed.events ? k : null).then(function (link) {
      leaving = true;
      // The page started again gives the keyboard back to the bar's control that had it,
      // not to the program, so that the next key (End) is the bar's too.
      var focused = document.activeElement;
      try {
        if (focused && focused.id && el('kx508-run').contains(focused))
          sessionStorage.setItem(FOCUS_KEY, focused.id);
      } catch (e) { /* no storage: the program has the keyboard */ }
      // Only the address's fragment changes: the browser would not load the page again.
      var reload = !location.search;
      location.href = link;
      if (reload) location.reload();
    });
  }
  var leaving = false;
  var FOCUS_KEY = 'kx508-run-focus';
  var focusBack = null;  // the bar's control to give the keyboard once the program waits

  function takeFocusBack() {
    try {
      focusBack = sessionStorage.getItem(FOCUS_KEY);
      sessionStorage.removeItem(FOCUS_KEY);
    } catch (e) { /* no storage */ }
  }

  // Record from the start: the page again, with KX508_RECORD.
  function recordFromStart() {
    var reload = !location.search;
    location.href = location.origin + location.pathname + '#record';
    if (reload) location.reload();
  }
  var recording = false;
  var replaysAlone = false;  // ?play, replayed as KX508_PLAY does (the page's options)

  // ---- Save GIF: the run replayed with KX508_GIF by the same page in a frame out of sight
  // (#gif=DATA), which hands the file back when its program ends.

  var gifFrame = null;
  var GIF_FILE = 'replay.gif';

  function saveGif() {
    if (!run || gifFrame) return;
    var said = el('kx508-gif-said');
    said.hidden = false;
    said.textContent = 'Making the GIF\u2026';
    el('kx508-gif').disabled = true;
    deflate(run.bytes).then(function (packed) {
      gifFrame = document.createElement('iframe');
      gifFrame.className = 'kx508-gif-maker';
      gifFrame.setAttribute('aria-hidden', 'true');
      gifFrame.tabIndex = -1;
      gifFrame.src = location.pathname + '#gif=' + toBase64url(packed);
      document.body.appendChild(gifFrame);
    });
  }

  function gifMade(e) {
    if (!gifFrame || e.origin !== location.origin || e.source !== gifFrame.contentWindow) return;
    gifFrame.remove();
    gifFrame = null;
    el('kx508-gif').disabled = false;
    var said = el('kx508-gif-said');
    if (e.data && e.data.gif) {
      var name = KX508Script.PAGE + '.gif';
      KX508Script.saveAs(e.data.gif, name, 'image/gif');
      said.textContent = 'Saved ' + name + ' (' + e.data.gif.length + ' bytes).';
    } else {
      said.textContent = '';
      KX508Web.say('The GIF could not be made: ' + ((e.data && e.data.why) || 'the replay failed'), 'error');
    }
  }

  // In the frame: the replay's GIF, or why there is none, to the page that asked.
  var makingGif = false;
  function handGif(status, why) {
    var bytes = null;
    try {
      bytes = FS.readFile(KX508Script.FOLDER + '/' + GIF_FILE);
    } catch (e) { /* none was made: why says */ }
    parent.postMessage(bytes && status === 0 ? {gif: bytes} : {why: why || 'status ' + status},
                       location.origin);
  }

  // ---- The bar

  function show() {
    var bar = el('kx508-run');
    if (!bar || !run) return;
    bar.hidden = false;
    // Under the drawing window, once the program has made it.
    var drawing = document.querySelector('.kx508-fixed');
    if (drawing && bar.previousElementSibling !== drawing) drawing.after(bar);
    var total = run.parsed.events;
    var slider = el('kx508-timeline');
    slider.max = total;
    var shown = target !== null && phase === 'ready' ? target : at;
    if (!slider.dragging) slider.value = shown;
    slider.setAttribute('aria-valuetext', 'event ' + shown + ' of ' + total);
    el('kx508-event').textContent = 'Event ' + shown + ' of ' + total;
    var line = shown > 0 ? lineOf(run.parsed, shown) : null;
    el('kx508-line').textContent = line
      ? 'Line ' + line.number + ': ' + line.text +
        (line.count > 1 ? ' (event ' + (shown - line.first + 1) + ' of its ' + line.count + ')' : '')
      : 'The start, before the first event';
    var state;
    if (mode === 'apart' || phase === 'ended')
      state = (phase === 'ended' ? 'The program ended. ' : '') + 'Seeking or playing starts ' +
              'the program again on ' + run.name + '.';
    // In tenths: the line is a live region, read out as it changes.
    else if (phase !== 'ready') state = 'Playing the run through once: ' +
      Math.floor((at / total) * 10) * 10 + ' %\u2026';
    else if (left) state = 'The program has left the run after event ' + at + ': seeking takes it back.';
    else if (playing) state = 'Playing.';
    else state = 'Paused at event ' + at + '.';
    if (el('kx508-run-state').textContent !== state) el('kx508-run-state').textContent = state;
    var play = el('kx508-play');
    play.textContent = playing ? 'Pause' : 'Play';
    play.setAttribute('aria-pressed', playing ? 'true' : 'false');
    el('kx508-back').disabled = shown <= 0;
    el('kx508-forward').disabled = shown >= total && !left;
    bar.dataset.phase = mode === 'here' ? phase : 'apart';
  }

  function copyLink() {
    if (!run) return;
    var k = mode === 'here' && phase === 'ready' ? at : null;
    linkFor(run.bytes, k !== null && k < run.parsed.events ? k : null).then(function (link) {
      var field = el('kx508-link');
      field.value = link;
      field.hidden = false;
      field.select();
      var said = el('kx508-link-said');
      said.hidden = false;
      if (!navigator.clipboard) {
        said.textContent = 'Copy the link above: this browser gives the page no clipboard.';
        return;
      }
      navigator.clipboard.writeText(link).then(function () {
        said.textContent = 'The link is on the clipboard.';
      }, function () {
        said.textContent = 'Copy the link above: the browser did not let the page use the clipboard.';
      });
    });
  }

  function wire() {
    var slider = el('kx508-timeline');
    if (!slider) return;
    // While it is dragged the bar does not move it back; the pointer may be let go anywhere.
    slider.addEventListener('pointerdown', function () { slider.dragging = true; });
    ['pointerup', 'pointercancel'].forEach(function (type) {
      window.addEventListener(type, function () {
        if (!slider.dragging) return;
        slider.dragging = false;
        show();
      });
    });
    slider.addEventListener('input', function () {
      var k = Number(slider.value);
      stopPlaying();
      seek(k);
    });
    el('kx508-back').addEventListener('click', function () { stepBy(-1); });
    el('kx508-forward').addEventListener('click', function () { stepBy(1); });
    el('kx508-play').addEventListener('click', function () {
      if (playing) stopPlaying();
      else startPlaying();
    });
    el('kx508-speed').addEventListener('change', function () {
      speed = el('kx508-speed').value;
      if (playing) startPlaying();
    });
    el('kx508-copy-link').addEventListener('click', copyLink);
    el('kx508-gif').addEventListener('click', saveGif);
    window.addEventListener('message', gifMade);
    el('kx508-record-run').addEventListener('click', recordFromStart);
    window.addEventListener('hashchange', function () {
      if (!leaving && /^#run=/.test(location.hash)) location.reload();
    });
  }

  function stepBy(d) {
    stopPlaying();
    var from = target !== null ? target : at;
    seek(from + d);
  }

  // ---- The page's hooks

  function hooksOn() {
    P = KX508Web.program;
    P.hooks.started = function (top) { heapTop = top; };
    P.hooks.idle = idle;
    P.hooks.plays = function () { return mode === 'here'; };
    // A click, a character typed or a command chosen: the program goes its own way. Not
    // while it plays the run through the first time: the copies are of the run alone.
    P.hooks.input = function (e) {
      var own = e.kind === 3 || e.kind === 4 ||
        (e.kind === 1 && (e.key.length === 1 || /^(Enter|Backspace|Escape|Tab)$/.test(e.key)));
      if (!own || mode !== 'here') return false;
      if (phase === 'starting' || phase === 'preparing') return true;
      if (phase === 'ready' && !left) {
        left = true;
        stopPlaying();
        show();
      }
      return false;
    };
    // While the program plays the run, Ctrl+O and Ctrl+P step and play the bar, as Play
    // One and Playback do a script; a run apart from it leaves them the program's.
    P.hooks.shortcut = function (letter) {
      if (mode !== 'here' || phase === 'ended' || (letter !== 'o' && letter !== 'p')) return false;
      if (letter === 'o') stepBy(1);
      else if (playing) stopPlaying();
      else startPlaying();
      return true;
    };
    // A recording Ctrl+R made, when it stops.
    P.hooks.recorded = function () {
      try {
        given(FS.readFile(KX508Script.FOLDER + '/KX508.SCR'), 'KX508.SCR', false);
      } catch (e) { /* nothing was recorded */ }
    };
    P.hooks.ended = function (status, why) {
      if (makingGif) {
        handGif(status, why);
        return;
      }
      if (recording) {
        KX508Script.storeNow();
        try {
          given(FS.readFile(KX508Script.FOLDER + '/' + KX508Script.RUN_NAME),
                'the run recorded from the start', false, true);
        } catch (e) { /* the program ended before its first wait */ }
      }
      // A replay by the page's own options plays the run to its end, unless the program
      // ends before: the bar stands at the end.
      if (replaysAlone && run) at = run.parsed.events;
      if (mode === 'here') {
        at += inflight;
        inflight = 0;
        at = Math.min(at, run ? run.parsed.events : 0);
      }
      phase = 'ended';
      stopPlaying();
      kept = [];
      show();
    };
  }

  // A run for the bar. here: the program plays it from its start (KX508_PLAY); atEnd: the
  // program's picture is the run's last (it was recorded so).
  function given(bytes, name, here, atEnd) {
    var parsed = parse(bytes);
    if (!parsed.events) return false;
    run = {bytes: bytes, name: name, parsed: parsed};
    if (parsed.stop)
      KX508Web.say(name + ': ' + cannotPlay(parsed.stop) + '; the run bar ends before it.',
                   'warning');
    if (here) {
      mode = 'here';
      phase = 'starting';
      every = Math.max(EVERY, Math.ceil(parsed.events / MOST_COPIES));
    } else {
      if (mode === 'here' && phase !== 'ended') stopPlaying();
      mode = 'apart';
      at = atEnd ? parsed.events : 0;
    }
    if (document.readyState !== 'loading') show();
    else document.addEventListener('DOMContentLoaded', show);
    return true;
  }

  // Before the program starts: a link's run (#run=DATA&at=k) is decoded and played from the
  // start, paused; a script from ?play is played so too, unless the page's own options ask
  // for a replay of their own (then it plays as KX508_PLAY does, to its end). A link that
  // cannot be had is said in one line, and the program starts without it.
  function prepare(play, playFromAddress) {
    var gif = /^#gif=([A-Za-z0-9_-]*)$/.exec(location.hash);
    if (gif && parent !== window) {
      makingGif = true;
      addRunDependency('kx508-gif');
      inflate(fromBase64url(gif[1])).then(function (file) {
        FS.writeFile(RUN_FILE, file);
        ENV.KX508_PLAY = RUN_FILE;
        ENV.KX508_GIF = GIF_FILE;
      }).catch(function (e) {
        handGif(2, e.message);
      }).finally(function () {
        removeRunDependency('kx508-gif');
      });
      return;
    }
    var hash = /^#run=([^&]*)(?:&at=(\d+))?$/.exec(location.hash);
    var ownReplay = ['KX508_PLAY', 'KX508_PLAY_TO', 'KX508_PLAY_PACE', 'KX508_FRAMES']
      .some(function (k) { return ENV[k] !== undefined; });
    if (hash) {
      addRunDependency('kx508-run');
      var bytes;
      try {
        bytes = fromBase64url(hash[1]);
      } catch (e) {
        cannotOpen(e.message);
        removeRunDependency('kx508-run');
        return;
      }
      inflate(bytes).then(function (file) {
        var parsed = parse(file);
        if (!parsed.events)
          throw new Error(parsed.stop ? cannotPlay(parsed.stop) : 'it holds no run (no event line)');
        FS.writeFile(RUN_FILE, file);
        ENV.KX508_PLAY = RUN_FILE;
        ENV.KX508_PLAY_TO = '0';
        delete ENV.KX508_PLAY_PACE;
        openAt = hash[2] !== undefined ? Number(hash[2]) : null;
        given(file, 'the link\u2019s run', true);
      }).catch(function (e) {
        cannotOpen(e.message);
      }).finally(function () {
        removeRunDependency('kx508-run');
      });
      return;
    }
    if (location.hash && /^#run=/.test(location.hash)) cannotOpen('it is not #run=DATA or #run=DATA&at=EVENT');
    if (location.hash === '#record') {
      // Recorded once: a reload later starts the program as usual.
      history.replaceState(null, '', location.pathname + location.search);
      recording = true;
      ENV.KX508_RECORD = KX508Script.RUN_NAME;
      KX508Web.say('Recording a run from the program\u2019s start: end the program (Quit, or ' +
                   'its close box) to see it in the run bar.', 'info');
      return;
    }
    if (!play) {
      var last = KX508Script.recordedRun();
      if (last) given(last, 'the last run recorded from the start', false);
      return;
    }
    if (!ownReplay) ENV.KX508_PLAY_TO = '0';
    replaysAlone = ownReplay;
    playFromAddress(play, function (file, name) { given(file, name, !ownReplay); });
  }

  function cannotPlay(stop) {
    return 'line ' + stop.number + ' (' + stop.text + ') cannot be played' +
           (stop.why ? ' (' + stop.why + ')' : '');
  }

  function cannotOpen(why) {
    KX508Web.say('The link\u2019s run cannot be opened: ' + why + '.', 'error');
  }

  if (typeof document !== 'undefined') {
    takeFocusBack();
    hooksOn();
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', wire);
    else wire();
  }

  return {
    prepare: prepare, given: given, seek: seek, parse: parse,
    // For tests and the benchmark: where the bar stands, and what the copies cost.
    state: function () {
      return {mode: mode, phase: phase, at: at, events: run ? run.parsed.events : 0,
              left: left, playing: playing, copies: kept.length, copiedBytes: keptBytes,
              playedThroughMs: preparedAt - startedAt, copyingMs: copyingMs,
              memoryTop: heapTop ? HEAPU32[heapTop >> 2] : 0};
    }
  };
})();
