// The page side of the web backend, run before the program (--pre-js): the windows as
// elements, their canvases scaled to fit the page, the HTML menu bar, the prompt as a
// modal HTML dialog, ?play and the page's options, the keys line, the messages and the
// status line (web_script.js keeps the script file, web_run.js is the run bar). Its
// handlers only queue events and wake the program's wait: nothing here calls into the
// program, which may be suspended in that wait.

var KX508Web = (function () {
  'use strict';

  // Event kinds, as web_internal.h numbers them (tests/web_constants_test.py checks these
  // three groups against the headers).
  var KEY_DOWN = 1, KEY_UP = 2, CLICK = 3, COMMAND = 4, CLOSE = 5, RESIZE = 6, TIMER = 7,
    FOCUS_LOST = 8;
  // Menu entry flags, as platform.h has them.
  var MF_GRAYED = 1, MF_CHECKED = 2, MF_SEPARATOR = 4, MF_POPUP = 8;
  // Dialog item kinds, as driver.h has them.
  var ITEM_BUTTON = 0, ITEM_EDIT = 1, ITEM_STATIC = 2;
  // Pixels per dialog unit, across and down: an average character is 4 by 8 units.
  var DU_X = 2, DU_Y = 2;

  // A played script named like the recording goes in a folder of its own, so that the page
  // never writes over the recording.
  var PLAY_FOLDER = 'play';

  var queue = [];
  var wake = null;
  var ticksWake = true;  // whether a timer's tick ends the program's sleep
  var started = false;  // the program's windows are up
  var ended = false;
  var messageCodes = new Set();
  var windows = new Map();  // window id -> its elements and state
  var dialogs = new Map();  // dialog id -> {el, owner, items}
  var timers = new Map();   // "window:id" -> interval
  var openTop = null;       // the menu bar entry whose menu is open
  // What the run bar (web_run.js) is told: the program is idle in its wait, the user gave
  // it input, it ended; and the menu shortcuts the bar answers itself. And asked: whether
  // it plays a run into the program (plays), and so may wake it when it is idle.
  var hooks = {};

  // ---- The queue

  function isTick(e) { return e.kind === TIMER; }

  function push(event) {
    if (ended) return;
    // The run bar may keep it from the program (it plays a run through meanwhile).
    if (hooks.input && event.kind !== TIMER && event.kind !== RESIZE && event.kind !== KEY_UP &&
        event.kind !== FOCUS_LOST && !dialogs.has(event.window) && hooks.input(event)) return;
    enqueue([event]);
  }

  // Events the page queues together wake the program once, not once each.
  function enqueue(events) {
    if (ended) return;
    events.forEach(function (event) {
      // A tick already queued for the timer stands for this one too, as in the program's
      // queue: a sleep that ticks do not end leaves them here.
      if (isTick(event) && queue.some(function (e) {
        return isTick(e) && e.window === event.window && e.a === event.a;
      })) return;
      queue.push(event);
    });
    if (wake && queue.some(function (e) { return ticksWake || !isTick(e); })) {
      var w = wake;
      wake = null;
      resume(w);
    }
  }

  // Resumes the program where it sleeps. Its normal end unwinds it with an ExitStatus:
  // that end stops here, as no error.
  function resume(wakeUp) {
    try {
      wakeUp();
    } catch (e) {
      if (!e || e.name !== 'ExitStatus') throw e;
    }
  }

  // The program's wait: it sleeps until an event is queued (one that is not a timer's
  // tick, unless ticks wake it), and goes on at once (without sleeping at all) when one is.
  // It wakes with 1 when the browser has had a turn of its loop since (a task of its own
  // ran after the sleep), else 0: woken by the run bar's next batch, in the same task, the
  // program has not given the browser its thread yet. Only the run bar, while it plays a
  // run into the program, wakes it in that task; any other wake is a task of its own. So
  // only then is the turn marked (a message posted at each sleep, which an animation
  // would pay for ten times a second).
  var turnMarks = null, hadTurn = false;
  function sleep(wakeUp, ticksToo) {
    KX508Script.store();
    ticksWake = ticksToo;
    if (queue.some(function (e) { return ticksWake || !isTick(e); })) {
      wakeUp(0);
      return;
    }
    if (!(hooks.plays && hooks.plays())) {
      wake = function () { wakeUp(1); };
      return;
    }
    if (!turnMarks) {
      turnMarks = new MessageChannel();
      turnMarks.port1.onmessage = function () { hadTurn = true; };
    }
    hadTurn = false;
    turnMarks.port2.postMessage(0);
    wake = function () { wakeUp(hadTurn ? 1 : 0); };
    // Once the program has unwound to the browser's loop, not while it is unwinding.
    queueMicrotask(hooks.idle);
  }

  // One turn of the browser's loop for a program that does not wait: a message posted to
  // the page comes back after the input, timers and painting that are due, and without
  // the 4 ms that a chain of timeouts waits each time.
  var turns = null, turnsWaiting = [];
  function yieldTurn(wakeUp) {
    if (!turns) {
      turns = new MessageChannel();
      turns.port1.onmessage = function () { resume(turnsWaiting.shift()); };
    }
    turnsWaiting.push(wakeUp);
    turns.port2.postMessage(0);
  }

  function take() { return queue.shift() || null; }

  // ---- Elements

  function desktop() {
    var d = document.getElementById('kx508-desktop');
    if (!d) {
      d = document.createElement('main');
      d.id = 'kx508-desktop';
      document.body.appendChild(d);
    }
    return d;
  }

  function slug(title) {
    return title.toLowerCase().replace(/[^a-z0-9]+/g, '-').replace(/^-+|-+$/g, '') || 'window';
  }

  function cssColour(c) {
    return '#' + ('000000' + (c & 0xFFFFFF).toString(16)).slice(-6);
  }

  function button(cls, label) {
    var b = document.createElement('button');
    b.type = 'button';
    b.className = cls;
    if (label) b.setAttribute('aria-label', label);
    return b;
  }

  // A window's or dialog's title bar: its title and a close box that queues closed(). A
  // press on the title gives the window the keyboard, as on a desktop (focused() does).
  function titleBar(title, closed, focused) {
    var bar = document.createElement('div');
    bar.className = 'kx508-titlebar';
    var caption = document.createElement('span');
    caption.className = 'kx508-title';
    caption.textContent = title;
    var close = button('kx508-close', 'Close ' + title);
    close.textContent = '\u00d7';
    close.addEventListener('click', closed);
    bar.append(caption, close);
    if (focused) {
      bar.addEventListener('pointerdown', function (e) {
        if (e.target.closest('button')) return;
        e.preventDefault();
        focused();
      });
    }
    return bar;
  }

  // The text of a menu entry or title with its & letter underlined ("&&" is one "&"),
  // and that letter, lower case.
  function mnemonicText(into, text) {
    var letter = '';
    for (var i = 0; i < text.length; ++i) {
      var c = text[i];
      if (c === '&' && i + 1 < text.length) {
        var next = text[++i];
        if (next !== '&' && !letter) {
          var u = document.createElement('u');
          u.textContent = next;
          into.appendChild(u);
          letter = next.toLowerCase();
          continue;
        }
        c = next;
      }
      into.appendChild(document.createTextNode(c));
    }
    into.normalize();
    return letter;
  }

  // A line that wraps does so between words, never after a hyphen inside one (an
  // address): a word joiner follows such a hyphen.
  function keepWords(el) {
    var walk = document.createTreeWalker(el, NodeFilter.SHOW_TEXT);
    for (var n = walk.nextNode(); n; n = walk.nextNode())
      n.data = n.data.replace(/(\S)-(?=\S)/g, '$1-\u2060');
  }

  function focusCanvas(id) {
    var w = windows.get(id);
    if (!w) {
      // The owner is gone: the first window the page still shows.
      windows.forEach(function (other) { if (!w && other.shown) w = other; });
    }
    if (w && w.shown) w.canvas.focus({preventScroll: true});
  }

  function clientSize(w) {
    return [w.client.clientWidth, w.client.clientHeight];
  }

  function createWindow(id, title, fixed, width, height, background) {
    var el = document.createElement('section');
    el.className = 'kx508-window ' + (fixed ? 'kx508-fixed' : 'kx508-resizable');
    el.style.width = width + 'px';
    el.style.height = height + 'px';
    el.style.display = 'none';
    el.setAttribute('aria-label', title);

    var bar = titleBar(title, function () { push({kind: CLOSE, window: id}); },
                       function () { canvas.focus({preventScroll: true}); });

    var menubar = document.createElement('div');
    menubar.className = 'kx508-menubar';
    menubar.setAttribute('role', 'menubar');
    menubar.hidden = true;
    menubar.addEventListener('keydown', function (e) { menuKey(id, e); });

    var client = document.createElement('div');
    client.className = 'kx508-client';
    client.style.background = cssColour(background);
    var canvas = document.createElement('canvas');
    canvas.id = slug(title);
    canvas.tabIndex = 0;
    canvas.setAttribute('aria-label', title + ': keys typed here go to the program');
    canvas.width = 0;
    canvas.height = 0;
    client.appendChild(canvas);
    el.append(bar, menubar, client);
    desktop().appendChild(el);

    if (fixed) {
      var full = button('kx508-fullscreen', 'Full screen');
      full.title = 'Full screen (Escape leaves it)';
      full.addEventListener('click', function () { fullScreen(w); });
      bar.insertBefore(full, bar.lastChild);
    }

    var w = {
      id: id, el: el, menubar: menubar, client: client, canvas: canvas, fixed: fixed,
      outer: [width, height], scale: 1,
      // Desynchronized: the canvas reaches the screen without a commit of the page's
      // frame each time it changes, which halves the browser's work for an animation.
      context: canvas.getContext('2d', {alpha: false, desynchronized: true}), shown: false,
      size: [0, 0],
      menus: new Map(), tops: []
    };
    windows.set(id, w);

    spokenParts(w);
    canvas.addEventListener('keydown', function (e) { canvasKey(w, e, true); });
    canvas.addEventListener('keyup', function (e) { canvasKey(w, e, false); });
    // A press of the mouse, a pen or a finger: the client pixel under it, however the
    // canvas is scaled.
    canvas.addEventListener('pointerdown', function (e) {
      if (e.button !== 0) return;
      canvas.focus({preventScroll: true});
      var r = canvas.getBoundingClientRect();
      var x = Math.floor((e.clientX - r.left) * (canvas.width / (r.width || 1)));
      var y = Math.floor((e.clientY - r.top) * (canvas.height / (r.height || 1)));
      e.preventDefault();
      push({kind: CLICK, window: id, a: x, b: y});
    });
    // The client size the page shows, whenever it changes while the window is shown. A
    // fixed window's is its own, however it is scaled.
    new ResizeObserver(function () {
      if (w.fixed || !w.shown || !windows.has(id)) return;
      var size = clientSize(w);
      if (size[0] === w.size[0] && size[1] === w.size[1]) return;
      w.size = size;
      push({kind: RESIZE, window: id, a: size[0], b: size[1]});
    }).observe(client);
  }

  // The client size as the window shows it, or would show it when hidden: the program is
  // told this one once its menu bar is in. A fixed window is measured at its outer size,
  // and from then on its client area is that size times its scale.
  function measure(id) {
    var w = windows.get(id);
    if (!w) return [0, 0];
    var shown = w.el.style.display !== 'none';
    if (!shown) {
      w.el.style.visibility = 'hidden';
      w.el.style.display = '';
    }
    if (w.fixed) {
      w.el.classList.remove('kx508-fitted');
      w.el.style.width = w.outer[0] + 'px';
      w.el.style.height = w.outer[1] + 'px';
    }
    w.size = clientSize(w);
    if (w.fixed) {
      w.el.style.setProperty('--kx508-w', w.size[0]);
      w.el.style.setProperty('--kx508-h', w.size[1]);
      w.el.style.width = '';
      w.el.style.height = '';
      w.el.classList.add('kx508-fitted');
      fit(w);
    }
    if (!shown) {
      w.el.style.display = 'none';
      w.el.style.visibility = '';
    }
    return w.size;
  }

  // ---- Fitting the page: a fixed window's client area is scaled to the room the page (or
  // the screen, in full screen) has for it. Scaled up by whole factors only, so that each
  // pixel is a square of whole pixels; scaled down smoothly.
  function fit(w) {
    if (!w.fixed || !w.size[0] || !w.size[1]) return;
    var full = document.fullscreenElement === w.client;
    var frame = w.el.offsetHeight - w.client.offsetHeight;  // title bar, menu bar, borders
    var room = full ? [window.innerWidth, window.innerHeight]
                    : [desktop().clientWidth - 2 - (w.el.offsetWidth - w.client.offsetWidth),
                       window.innerHeight - 18 - frame];
    var s = Math.min(room[0] / w.size[0], room[1] / w.size[1]);
    s = s >= 1 ? Math.floor(s) : Math.max(s, 0.1);
    w.scale = s;
    w.el.style.setProperty('--kx508-scale', s);
    w.el.classList.toggle('kx508-smooth', s !== Math.floor(s));
  }

  function fitAll() { windows.forEach(fit); }

  function fullScreen(w) {
    if (!w.client.requestFullscreen) {
      say('This browser cannot show a window full screen.', 'warning');
      return;
    }
    w.client.requestFullscreen().then(function () {
      w.canvas.focus({preventScroll: true});
    }, function (e) {
      say('The drawing window cannot go full screen: ' + e.message, 'warning');
    });
  }

  function destroyWindow(id) {
    var w = windows.get(id);
    if (!w) return;
    if (openTop && openTop.window === id) closeMenus();
    w.el.remove();
    windows.delete(id);
    // Its timers go with it.
    Array.from(timers.keys()).forEach(function (key) {
      if (key.split(':')[0] === String(id)) timerStop(id, Number(key.split(':')[1]));
    });
  }

  function showWindow(id) {
    var w = windows.get(id);
    if (!w) return;
    w.el.style.display = '';
    w.shown = true;
    fit(w);
    w.canvas.focus({preventScroll: true});
  }

  function hideWindow(id) {
    var w = windows.get(id);
    if (!w) return;
    if (openTop && openTop.window === id) closeMenus();
    w.el.style.display = 'none';
    w.shown = false;
  }

  // ---- For screen readers, who hear no canvas: the words the program's library gives
  // for what a window shows, in an element the canvas is described by, and the lines of
  // text the window gets, the newest SPOKEN_LINES, in a polite live region. Both are in
  // the window's element, so a hidden window says nothing; seen, neither takes room.
  // The words are in a hidden element: a description is taken from the element its
  // aria-describedby names even so, and, unlike text merely not seen, changing it does
  // not make the page lay out and paint a frame (once a second of animation: 0.4 % of a
  // core in Chromium without a GPU). A live region is not heard hidden.
  var SPOKEN_LINES = 50;

  // Heard, not seen: the page's class for that, which its heading has too.
  function unseen(el) {
    el.className = 'kx508-hidden';
    return el;
  }

  // The live region is there from the start: one made as its first line comes is not
  // heard.
  function spokenParts(w) {
    w.lines = unseen(document.createElement('div'));
    w.lines.id = w.canvas.id + '-lines';
    w.lines.setAttribute('role', 'log');
    w.lines.setAttribute('aria-live', 'polite');
    w.lines.setAttribute('aria-label', w.el.getAttribute('aria-label') + ': new lines');
    w.el.appendChild(w.lines);
  }

  function describe(id, text) {
    var w = windows.get(id);
    if (!w) return;
    if (!w.description) {
      w.description = document.createElement('div');
      w.description.hidden = true;
      w.description.id = w.canvas.id + '-description';
      w.el.appendChild(w.description);
      w.canvas.setAttribute('role', 'img');
      w.canvas.setAttribute('aria-describedby', w.description.id);
    }
    w.description.textContent = text;
  }

  function lineAdded(id, text) {
    var w = windows.get(id);
    if (!w) return;
    var p = document.createElement('p');
    p.textContent = text;
    w.lines.appendChild(p);
    while (w.lines.childElementCount > SPOKEN_LINES) w.lines.firstElementChild.remove();
  }

  // ---- Presenting: parts of a canvas's pixels, which the program keeps in its memory in
  // the canvas's own byte order; no copy is made here.

  function put(id, pixels, width, height, rects, count) {
    var w = windows.get(id);
    if (!w || width <= 0 || height <= 0) return;
    var c = w.canvas;
    if (c.width !== width || c.height !== height) {
      c.width = width;
      c.height = height;
    }
    w.pixels = [pixels, width, height];
    var image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4),
      width, height);
    for (var i = 0; i < count; ++i) {
      // left, top, right, bottom
      var r = (rects >> 2) + 4 * i;
      var left = HEAP32[r], top = HEAP32[r + 1];
      w.context.putImageData(image, 0, 0, left, top, HEAP32[r + 2] - left, HEAP32[r + 3] - top);
    }
    if (!w.painted) {
      w.painted = true;
      performance.mark('kx508-first-frame:' + c.id);
    }
  }

  // The page's part of a program's state, kept beside its memory: how it sleeps, its
  // menus' marks, and where its pictures are in that memory.
  function savePage() {
    var marks = [], pictures = [], described = [];
    windows.forEach(function (w) {
      w.menus.forEach(function (menu, menuId) {
        menu.entries.forEach(function (e, index) {
          if (e && e.el && !(e.flags & MF_SEPARATOR)) marks.push([w.id, menuId, index, e.flags]);
        });
      });
      if (w.pixels) pictures.push([w.id].concat(w.pixels));
      if (w.description) described.push([w.id, w.description.textContent]);
    });
    return {ticksWake: ticksWake, marks: marks, pictures: pictures, described: described};
  }

  // Put back with the memory: the canvases show all of what that memory shows.
  function restorePage(saved) {
    ticksWake = saved.ticksWake;
    queue.length = 0;
    saved.marks.forEach(function (m) { menuState(m[0], m[1], m[2], m[3]); });
    // The words the memory's library last gave, which it gives again only when they change.
    saved.described.forEach(function (d) { describe(d[0], d[1]); });
    saved.pictures.forEach(function (p) {
      var w = windows.get(p[0]);
      if (!w) return;
      if (w.canvas.width !== p[2] || w.canvas.height !== p[3]) {
        w.canvas.width = p[2];
        w.canvas.height = p[3];
      }
      w.pixels = p.slice(1);
      w.context.putImageData(new ImageData(
        new Uint8ClampedArray(HEAPU8.buffer, p[1], p[2] * p[3] * 4), p[2], p[3]), 0, 0);
    });
  }

  // ---- Keys

  // Whether a key types a character for the program, as web_keys.cpp reads one: Enter,
  // Backspace, Escape, or one character of one byte, and no Alt without Ctrl (Ctrl with
  // Alt is AltGr).
  function typesCharacter(e) {
    if (e.key === 'Enter' || e.key === 'Backspace' || e.key === 'Escape') return true;
    var c = e.key.codePointAt(0);
    return e.key.length === 1 && c >= 32 && c <= 255 && !(e.altKey && !e.ctrlKey);
  }

  // Whether the program or its menu uses a key: a character it is given, a Ctrl shortcut
  // that its menu shows, Alt with a letter of the menu bar, F10. Only these are kept from
  // the browser; zoom, reload, history, Tab and the rest are the browser's.
  function usedKey(w, e) {
    if (e.metaKey) return false;
    var letter = e.key.length === 1 ? e.key.toLowerCase() : '';
    if (e.ctrlKey && !e.altKey) return letter !== '' && shortcutLetters(w).has(letter);
    if (e.altKey && !e.ctrlKey) return letter !== '' && topByLetter(w, letter) >= 0;
    if (e.key === 'F10') return !e.shiftKey && w.tops.length > 0;
    return typesCharacter(e) && !e.ctrlKey;
  }

  function canvasKey(w, e, down) {
    if (!messageCodes.has(e.code)) return;
    if (down && e.ctrlKey && !e.altKey && !e.metaKey && hooks.shortcut &&
        hooks.shortcut(e.key.toLowerCase())) {
      e.preventDefault();
      return;
    }
    if (usedKey(w, e)) e.preventDefault();
    push({kind: down ? KEY_DOWN : KEY_UP, window: w.id, ctrl: e.ctrlKey, alt: e.altKey,
      code: e.code, key: e.key});
    if (!down || e.ctrlKey) return;
    if (e.altKey && e.key.length === 1) openMenuByLetter(w, e.key.toLowerCase());
    else if (e.code === 'F10' && !e.altKey && !e.shiftKey) openTopMenu(w, 0, true);
  }

  // ---- Menus: the bar's entries open their menus; choosing an entry posts its command.

  function menuReset(id, bar) {
    var w = windows.get(id);
    if (!w) return;
    if (openTop && openTop.window === id) closeMenus();
    w.menubar.textContent = '';
    w.menus = new Map();
    w.tops = [];
    w.menubar.hidden = bar === 0;
    if (bar) w.menus.set(bar, {el: w.menubar, entries: [], bar: true});
  }

  function menuEntry(id, menu, index, flags, command, text) {
    var w = windows.get(id);
    var m = w && w.menus.get(menu);
    if (!m) return;
    var parts = text.split('\t');
    var shortcut = /^Ctrl\+(\S)$/i.exec(parts[1] || '');
    var entry = {flags: flags, command: command, letter: '', popup: null, el: null,
                 shortcut: shortcut ? shortcut[1].toLowerCase() : ''};
    m.entries[index] = entry;
    if (flags & MF_SEPARATOR) {
      entry.el = document.createElement('hr');
      entry.el.setAttribute('role', 'separator');
      m.el.appendChild(entry.el);
      return;
    }
    if (m.bar) {
      var holder = document.createElement('div');
      holder.className = 'kx508-top';
      var b = button('kx508-top-entry');
      b.setAttribute('role', 'menuitem');
      b.setAttribute('aria-haspopup', 'menu');
      b.setAttribute('aria-expanded', 'false');
      entry.letter = mnemonicText(b, parts[0]);
      holder.appendChild(b);
      m.el.appendChild(holder);
      entry.el = b;
      entry.holder = holder;
      var top = {window: id, entry: entry, index: w.tops.length};
      w.tops.push(top);
      // Mouse, pen and finger alike open it as they press.
      b.addEventListener('pointerdown', function (e) {
        if (e.button !== 0) return;
        e.preventDefault();
        if (openTop === top) closeMenus();
        else openTopMenu(w, top.index, false);
      });
      b.addEventListener('click', function (e) {
        // From the keyboard (Enter, Space) only; the mouse opened it on mousedown.
        if (e.detail === 0) openTopMenu(w, top.index, true);
      });
    } else {
      var item = button('kx508-entry');
      var check = document.createElement('span');
      check.className = 'kx508-check';
      check.textContent = '\u2713';
      var label = document.createElement('span');
      label.className = 'kx508-label';
      entry.letter = mnemonicText(label, parts[0]);
      keepWords(label);
      var shortcut = document.createElement('span');
      shortcut.className = 'kx508-shortcut';
      shortcut.textContent = parts.slice(1).join(' ');
      item.append(check, label, shortcut);
      m.el.appendChild(item);
      entry.el = item;
      item.addEventListener('mouseenter', function () { if (!isGrayed(entry)) item.focus(); });
      item.addEventListener('click', function (e) {
        e.preventDefault();
        choose(w, entry);
      });
    }
    if (flags & MF_POPUP) {
      var popup = document.createElement('div');
      popup.className = 'kx508-popup';
      popup.setAttribute('role', 'menu');
      popup.hidden = true;
      if (entry.holder) entry.holder.appendChild(popup);
      else entry.el.after(popup);
      if (!m.bar) {
        entry.el.setAttribute('aria-haspopup', 'menu');
        entry.el.classList.add('kx508-has-popup');
      }
      entry.popup = {el: popup, entries: [], bar: false, parent: m};
      w.menus.set(command, entry.popup);
      entry.el.setAttribute('aria-expanded', 'false');
    }
    menuState(id, menu, index, flags);
    showKeys();
  }

  function menuState(id, menu, index, flags) {
    var w = windows.get(id);
    var m = w && w.menus.get(menu);
    var entry = m && m.entries[index];
    if (!entry || !entry.el || (entry.flags & MF_SEPARATOR)) return;
    if (hooks.recorded && entry.shortcut === 'r' && (entry.flags & MF_CHECKED) && !(flags & MF_CHECKED))
      setTimeout(hooks.recorded);
    entry.flags = flags;
    var grayed = (flags & MF_GRAYED) !== 0;
    entry.el.classList.toggle('kx508-grayed', grayed);
    entry.el.setAttribute('aria-disabled', grayed ? 'true' : 'false');
    if (!m.bar && !(flags & MF_POPUP)) {
      entry.el.setAttribute('role', 'menuitemcheckbox');
      entry.el.setAttribute('aria-checked', (flags & MF_CHECKED) ? 'true' : 'false');
      entry.el.classList.toggle('kx508-checked', (flags & MF_CHECKED) !== 0);
    } else if (!m.bar) {
      entry.el.setAttribute('role', 'menuitem');
    }
  }

  function isGrayed(entry) { return (entry.flags & MF_GRAYED) !== 0; }

  function enabledEntries(menu) {
    return menu.entries.filter(function (e) {
      return e && e.el && !(e.flags & MF_SEPARATOR) && !isGrayed(e);
    });
  }

  function openTopMenu(w, index, focusFirst) {
    var top = w.tops[index];
    if (!top) return;
    closeMenus();
    if (isGrayed(top.entry) || !top.entry.popup) return;
    openTop = top;
    top.entry.el.setAttribute('aria-expanded', 'true');
    top.entry.el.classList.add('kx508-open');
    top.entry.popup.el.hidden = false;
    var first = enabledEntries(top.entry.popup)[0];
    if (focusFirst && first) first.el.focus();
    else top.entry.el.focus();
  }

  function openSubmenu(entry) {
    entry.popup.el.hidden = false;
    entry.el.setAttribute('aria-expanded', 'true');
    var first = enabledEntries(entry.popup)[0];
    if (first) first.el.focus();
  }

  function closeMenus() {
    if (!openTop) return;
    var top = openTop;
    openTop = null;
    top.entry.el.setAttribute('aria-expanded', 'false');
    top.entry.el.classList.remove('kx508-open');
    var hide = function (menu) {
      menu.el.hidden = true;
      menu.entries.forEach(function (e) {
        if (e && e.popup) {
          e.el.setAttribute('aria-expanded', 'false');
          hide(e.popup);
        }
      });
    };
    hide(top.entry.popup);
  }

  function choose(w, entry) {
    if (isGrayed(entry)) return;
    if (entry.popup) {
      openSubmenu(entry);
      return;
    }
    closeMenus();
    w.canvas.focus({preventScroll: true});
    if (entry.shortcut && hooks.shortcut && hooks.shortcut(entry.shortcut)) return;
    push({kind: COMMAND, window: w.id, a: entry.command});
  }

  function topByLetter(w, letter) {
    return w.tops.findIndex(function (t) { return t.entry.letter === letter; });
  }

  // Alt with a letter of the bar opens its menu, or closes it when it is the open one.
  function openMenuByLetter(w, letter) {
    var i = topByLetter(w, letter);
    if (i < 0) return;
    if (openTop && openTop.window === w.id && openTop.index === i) {
      closeMenus();
      w.canvas.focus({preventScroll: true});
    } else {
      openTopMenu(w, i, true);
    }
  }

  // The letters of the Ctrl shortcuts the window's menus show ("Ctrl+A").
  function shortcutLetters(w) {
    var letters = new Set();
    w.menus.forEach(function (menu) {
      menu.entries.forEach(function (e) {
        if (e && e.shortcut && !isGrayed(e)) letters.add(e.shortcut);
      });
    });
    return letters;
  }

  // The menu the focused element is an entry of, and that entry.
  function focusedEntry(w) {
    var found = null;
    w.menus.forEach(function (menu) {
      menu.entries.forEach(function (e) {
        if (e && e.el === document.activeElement) found = {menu: menu, entry: e};
      });
    });
    return found;
  }

  function menuKey(id, e) {
    var w = windows.get(id);
    if (!w) return;
    var at = focusedEntry(w);
    if (!at) return;
    var handled = true;
    var onBar = at.menu.bar;
    var key = e.key;
    if (e.ctrlKey || e.metaKey) {
      // A shortcut while a menu is open does nothing, as on a desktop, and the browser
      // does not act on it either.
      handled = !e.metaKey && !e.altKey && key.length === 1 &&
                shortcutLetters(w).has(key.toLowerCase());
    } else if (e.altKey) {
      handled = key.length === 1 && topByLetter(w, key.toLowerCase()) >= 0;
      if (handled) openMenuByLetter(w, key.toLowerCase());
    } else if (key === 'Escape' || key === 'Tab') {
      closeMenus();
      w.canvas.focus({preventScroll: true});
    } else if (onBar) {
      var index = w.tops.findIndex(function (t) { return t.entry === at.entry; });
      if (key === 'ArrowRight' || key === 'ArrowLeft') {
        var n = w.tops.length, step = key === 'ArrowRight' ? 1 : n - 1;
        openTopMenu(w, (index + step) % n, openTop !== null);
        if (!openTop) w.tops[(index + step) % n].entry.el.focus();
      } else if (key === 'ArrowDown' || key === 'Enter' || key === ' ') {
        openTopMenu(w, index, true);
      } else {
        handled = false;
      }
    } else {
      var list = enabledEntries(at.menu);
      var here = list.indexOf(at.entry);
      if (key === 'ArrowDown' || key === 'ArrowUp') {
        var next = list[(here + (key === 'ArrowDown' ? 1 : list.length - 1)) % list.length];
        if (next) next.el.focus();
      } else if (key === 'Enter' || key === ' ') {
        choose(w, at.entry);
      } else if (key === 'ArrowRight' && at.entry.popup) {
        openSubmenu(at.entry);
      } else if ((key === 'ArrowLeft' || key === 'ArrowRight') && at.menu.parent &&
                 !at.menu.parent.bar) {
        // Out of a submenu, back to its entry.
        at.menu.el.hidden = true;
        var owner = at.menu.parent.entries.find(function (x) { return x && x.popup === at.menu; });
        if (owner) {
          owner.el.setAttribute('aria-expanded', 'false');
          owner.el.focus();
        }
      } else if ((key === 'ArrowLeft' || key === 'ArrowRight') && openTop) {
        var count = w.tops.length;
        openTopMenu(w, (openTop.index + (key === 'ArrowRight' ? 1 : count - 1)) % count, true);
      } else if (key.length === 1) {
        var letter = key.toLowerCase();
        var match = list.find(function (x) { return x.letter === letter; });
        if (match) choose(w, match);
      } else {
        handled = false;
      }
    }
    if (handled) {
      e.preventDefault();
      e.stopPropagation();
    }
  }

  // ---- Dialogs: modal, from the description the program's template was decoded into.

  function dialogBegin(id, owner, title, width, height, defaultId, cancelId) {
    var el = document.createElement('dialog');
    el.className = 'kx508-dialog';
    el.setAttribute('aria-label', title);
    var bar = titleBar(title, function () { push({kind: COMMAND, window: id, a: cancelId}); });
    var client = document.createElement('div');
    client.className = 'kx508-dialog-client';
    client.style.width = width * DU_X + 'px';
    client.style.height = height * DU_Y + 'px';
    el.append(bar, client);
    el.addEventListener('keydown', function (e) {
      var plain = !e.ctrlKey && !e.altKey && !e.shiftKey && !e.metaKey;
      var owning = windows.get(owner);
      if (e.ctrlKey && !e.altKey && !e.metaKey && owning && e.key.length === 1 &&
          e.key.toLowerCase() !== 'a' && shortcutLetters(owning).has(e.key.toLowerCase())) {
        // The menu's shortcuts are the program's to answer while the prompt has the
        // keyboard (only Ctrl+Q does anything), and the browser does not act on them
        // (Ctrl+R would reload the page and lose what was typed). Ctrl+A selects the edit
        // box's text, as on a desktop.
        e.preventDefault();
        push({kind: KEY_DOWN, window: id, ctrl: true, alt: false, code: e.code, key: e.key});
      } else if (e.key === 'Escape') {
        e.preventDefault();
        push({kind: COMMAND, window: id, a: cancelId});
      } else if (e.key === 'Enter' && plain && !(e.target instanceof HTMLButtonElement)) {
        // Enter answers with the default button, in a multi-line edit box too.
        e.preventDefault();
        push({kind: COMMAND, window: id, a: defaultId});
      }
      e.stopPropagation();
    });
    // Escape is the program's to answer, through its cancel id: the dialog stays open.
    el.addEventListener('cancel', function (e) { e.preventDefault(); });
    dialogs.set(id, {el: el, client: client, owner: owner, items: new Map(), defaultId: defaultId});
  }

  function dialogItem(id, kind, item, text, x, y, width, height, visible, disabled, multiline,
                      password) {
    var d = dialogs.get(id);
    if (!d) return;
    var el = null;
    if (kind === ITEM_STATIC) {
      el = document.createElement('div');
      el.className = 'kx508-static';
      el.textContent = text;
    } else if (kind === ITEM_EDIT) {
      if (multiline) {
        el = document.createElement('textarea');
      } else {
        el = document.createElement('input');
        el.type = password ? 'password' : 'text';
      }
      el.value = text;
      el.className = 'kx508-edit';
      el.spellcheck = false;
    } else if (kind === ITEM_BUTTON) {
      el = button('kx508-button');
      el.textContent = text.replace(/&(.)/g, '$1');
      if (item === d.defaultId) el.classList.add('kx508-default');
      el.addEventListener('click', function () { push({kind: COMMAND, window: id, a: item}); });
    }
    d.items.set(item, {el: el, text: text});
    if (!el) return;
    el.id = 'kx508-item-' + item;
    el.style.left = x * DU_X + 'px';
    el.style.top = y * DU_Y + 'px';
    el.style.width = width * DU_X + 'px';
    el.style.height = height * DU_Y + 'px';
    el.hidden = !visible;
    if (disabled) el.disabled = true;
    d.client.appendChild(el);
  }

  function dialogShow(id, x, y) {
    var d = dialogs.get(id);
    if (!d) return;
    var owner = windows.get(d.owner);
    closeMenus();
    // An edit box is named by the dialog's text (the prompt), else by its title.
    var named = Array.prototype.find.call(d.client.querySelectorAll('.kx508-static'),
                                          function (t) { return t.textContent.trim(); });
    d.client.querySelectorAll('.kx508-edit').forEach(function (edit) {
      if (named) edit.setAttribute('aria-labelledby', named.id);
      else edit.setAttribute('aria-label', d.el.getAttribute('aria-label'));
    });
    desktop().appendChild(d.el);
    d.el.showModal();
    // Placed from the owner's client area, as on a desktop, but kept on the screen; on a
    // screen narrower than the dialog it is made smaller.
    var room = window.innerWidth - 16;
    if (d.el.offsetWidth > room) d.el.style.zoom = room / d.el.offsetWidth;
    if (owner && owner.shown) {
      var r = owner.client.getBoundingClientRect();
      var zoom = Number(d.el.style.zoom) || 1;
      var left = Math.min(r.left + x * DU_X * owner.scale, window.innerWidth - d.el.offsetWidth * zoom);
      var top = Math.min(r.top + y * DU_Y * owner.scale, window.innerHeight - d.el.offsetHeight * zoom);
      d.el.style.left = Math.max(0, left) / zoom + 'px';
      d.el.style.top = Math.max(0, top) / zoom + 'px';
      d.el.classList.add('kx508-placed');
    }
    var first = d.client.querySelector('input:not([disabled]):not([hidden]),' +
                                       'textarea:not([disabled]):not([hidden])');
    if (first) first.focus();
  }

  function dialogDestroy(id) {
    var d = dialogs.get(id);
    if (!d) return;
    dialogs.delete(id);
    if (d.el.open) d.el.close();
    d.el.remove();
    focusCanvas(d.owner);
  }

  function dialogText(id, item) {
    var d = dialogs.get(id);
    var i = d && d.items.get(item);
    if (!i) return '';
    if (!i.el) return i.text;
    if ('value' in i.el && !(i.el instanceof HTMLButtonElement)) return i.el.value;
    return i.text;
  }

  // ---- Timers

  // The period of the timer the program started last: its animation's tick, which the run
  // bar plays a run at. 0 until it starts one.
  var tickMs = 0;

  function timerStart(window, id, period) {
    timerStop(window, id);
    tickMs = period;
    timers.set(window + ':' + id, setInterval(function () {
      push({kind: TIMER, window: window, a: id});
    }, Math.max(period, 1)));
  }

  function timerStop(window, id) {
    var key = window + ':' + id;
    if (timers.has(key)) clearInterval(timers.get(key));
    timers.delete(key);
  }

  // ---- The page around the windows: the keys line, messages, the status line

  function element(id) { return document.getElementById(id); }

  // One line of the messages under the windows: 'info', 'warning', 'error', or 'output'
  // (what the program wrote to its standard error). An action is a button on the line.
  function say(text, kind, action) {
    var m = element('kx508-messages');
    if (!m) return;
    m.hidden = false;
    var line = document.createElement('p');
    line.className = 'kx508-' + (kind || 'info');
    line.textContent = text;
    if (action) {
      var b = button('kx508-action');
      b.textContent = action.label;
      b.addEventListener('click', action.action);
      line.append(' ', b);
    }
    m.appendChild(line);
  }

  function setStatus(text, kind) {
    var s = element('kx508-status');
    if (!s) return;
    s.textContent = text;
    s.className = 'kx508-' + (kind || 'info');
  }

  // The keys the program's menus take, as their entries show them, on one line.
  function showKeys() {
    var line = element('kx508-keys');
    if (!line) return;
    var keys = [], bars = [];
    windows.forEach(function (w) {
      w.menus.forEach(function (menu) {
        menu.entries.forEach(function (e) {
          if (!e || !e.shortcut || !e.el) return;
          var label = e.el.querySelector('.kx508-label');
          keys.push('Ctrl+' + e.shortcut.toUpperCase() + ' ' + (label ? label.textContent : ''));
        });
      });
      w.tops.forEach(function (t) {
        if (t.entry.letter) bars.push('Alt+' + t.entry.letter.toUpperCase() + ' or F10 the ' +
                                      t.entry.el.textContent + ' menu');
      });
    });
    if (!keys.length && !bars.length) return;
    line.hidden = false;
    line.textContent = 'Keys, once a window has the keyboard (click its title bar, or Tab to ' +
      'it): ' + keys.concat(bars).join(' \u00b7 ') + '; any other key typed goes to the ' +
      'program. Tab moves on, as on any page.';
  }

  function wireControls() {
    var download = element('kx508-download');
    if (download) download.addEventListener('click', KX508Script.download);
    var load = element('kx508-load');
    if (load) {
      load.addEventListener('change', function () {
        if (load.files && load.files[0]) {
          KX508Script.load(load.files[0]).catch(function (e) {
            say('Cannot load the script: ' + e.message, 'error');
          });
        }
        load.value = '';
      });
    }
    var restart = element('kx508-restart');
    if (restart) restart.addEventListener('click', function () { location.reload(); });
    window.addEventListener('resize', fitAll);
    document.addEventListener('fullscreenchange', fitAll);
  }

  // What went wrong while the program runs (it does not wait, it crashed), as its library
  // says it on standard error: the first such line stays in the status until it runs on.
  var troubled = false;
  function trouble(text) {
    if (troubled) return;
    troubled = true;
    setStatus(text, 'error');
  }

  // ---- A crash: a WebAssembly trap or an abort ends the program's run with an error. The
  // program's library is handed what it was (web_crash.cpp) and says its last words; then
  // the page ends it as it ends a program that exits.
  var crashWhat = 0, crashSize = 0;
  function watchCrashes(what, size) {
    crashWhat = what;
    crashSize = size;
  }

  function crashed(what) {
    if (ended || !started) return;
    troubled = false;
    if (crashWhat && Module['_kx508_crashed']) {
      stringToUTF8(what, crashWhat, crashSize);
      try {
        Module['_kx508_crashed']();
      } catch (e) { /* the last words are said as far as they go */ }
    }
    end();
    if (hooks.ended) hooks.ended(1, lastError);
    offerRestart();
  }

  function offerRestart() {
    var restart = element('kx508-restart');
    if (restart) restart.hidden = false;
  }

  function start(codes, heapTop) {
    if (typeof document === 'undefined') return false;
    if (hooks.started) hooks.started(heapTop);
    messageCodes = new Set(codes.split(' '));
    window.addEventListener('blur', function () { push({kind: FOCUS_LOST, window: 0}); });
    document.addEventListener('pointerdown', function (e) {
      if (openTop && !(openTop.entry.holder && openTop.entry.holder.contains(e.target))) closeMenus();
    });
    return true;
  }

  // The program has ended: its windows stay as they were, their menus no longer open, and
  // nothing is queued any more.
  function end() {
    ended = true;
    closeMenus();
    timers.forEach(function (t) { clearInterval(t); });
    timers.clear();
    desktop().classList.add('kx508-ended');
    windows.forEach(function (w) {
      w.tops.forEach(function (t) { t.entry.el.disabled = true; });
    });
    KX508Script.storeNow();
  }

  // ---- Before the program starts: the script file from storage, ?play, and the options a
  // page may give as KX508_ENV (the environment the desktop's programs read). A start
  // that cannot be made is said, and the program is not started.

  var lastError = '';

  // A page opened from a file (a double click on it in the zip's folder): the browser
  // loads its script but will not fetch its program, nor anything else beside it.
  var fromFile = typeof location !== 'undefined' && location.protocol === 'file:';
  function fromFileHelp() {
    var page = location.pathname.split('/').pop() || 'index.html';
    return 'The program cannot start from a file: a browser runs it only from a web server. ' +
      'Open it through one: in this page\u2019s folder run python3 -m http.server, then open ' +
      'http://localhost:8000/' + page;
  }

  function cannotStart(why) {
    if (fromFile) setStatus(fromFileHelp(), 'error');
    else setStatus('The program could not start: ' + why, 'error');
    offerRestart();
  }

  // The options the page gives, or why they cannot be taken.
  function takeOptions() {
    if (!('KX508_ENV' in globalThis) || globalThis.KX508_ENV === undefined) return '';
    var given = globalThis.KX508_ENV;
    var shape = 'window.KX508_ENV must be an object of options and their values, ' +
                'as {KX508_LOG: "log.txt"}';
    if (given === null || typeof given !== 'object' || Array.isArray(given)) return shape;
    var taken = {};
    try {
      var names = Object.keys(given);
      for (var i = 0; i < names.length; ++i) {
        var v = given[names[i]];
        if (typeof v !== 'string' && typeof v !== 'number' && typeof v !== 'boolean')
          return 'window.KX508_ENV.' + names[i] + ' is ' + (v === null ? 'null' : typeof v) +
                 ', not a text or a number';
        taken[names[i]] = String(v);
      }
    } catch (e) {
      return 'window.KX508_ENV cannot be read: ' + e.message;
    }
    Object.keys(taken).forEach(function (k) { ENV[k] = taken[k]; });
    return '';
  }

  // Where a script from ?play goes: beside the recording, under its own name.
  function playPath(url) {
    var name = '';
    try {
      name = decodeURIComponent(url.pathname.split('/').pop());
    } catch (e) { /* a name that is not UTF-8: the one below */ }
    if (!name || name === '.' || name === '..' || name.indexOf('/') >= 0) name = 'script.scr';
    return name.toUpperCase() === 'KX508.SCR' ? PLAY_FOLDER + '/' + name : name;
  }

  // given(bytes, name) has the script once it is fetched.
  function playFromAddress(play, given) {
    var url = new URL(play, location.href);
    var path = playPath(url);
    // The library reads it as it reads KX508_PLAY; one that could not be had is missing,
    // and the program says so and ends with status 2.
    ENV.KX508_PLAY = path;
    if (url.origin !== location.origin) {
      say('?play: only a script from this site is played, not ' + url.href, 'error');
      return;
    }
    addRunDependency('kx508-play');
    fetch(url.href).then(function (response) {
      if (!response.ok) throw new Error('HTTP ' + response.status);
      return response.arrayBuffer();
    }).then(function (buffer) {
      FS.writeFile(path, new Uint8Array(buffer));
      given(new Uint8Array(buffer), path.split('/').pop());
    }).catch(function (e) {
      say('?play: cannot fetch ' + url.href + ': ' + e.message, 'error');
    }).finally(function () {
      removeRunDependency('kx508-play');
    });
  }

  function prepare() {
    FS.mkdir(KX508Script.FOLDER);
    FS.mkdir(KX508Script.FOLDER + '/' + PLAY_FOLDER);
    FS.chdir(KX508Script.FOLDER);
    KX508Script.restore();
    var play = new URLSearchParams(location.search).get('play');
    var problem = takeOptions();
    // Another backend would run the program where the page cannot show it (headless runs
    // on a virtual clock that never gives the page its thread back).
    if (!problem && ENV.KX508_PLATFORM !== undefined && ENV.KX508_PLATFORM !== 'web')
      problem = 'KX508_PLATFORM is "' + ENV.KX508_PLATFORM + '": the program cannot be shown ' +
                'here: this page shows the web backend';
    if (!problem && ENV.KX508_FRAMES && !ENV.KX508_PLAY && !play)
      problem = 'KX508_FRAMES needs a script to replay in a page (?play= or KX508_PLAY): ' +
                'the frames of a live page would fill the browser\u2019s memory';
    if (problem) {
      cannotStart(problem);
      // Never met: the program does not start.
      addRunDependency('kx508-options');
      return;
    }
    KX508Run.prepare(play, playFromAddress);
  }

  if (typeof document !== 'undefined') {
    Module['preRun'] = [].concat(Module['preRun'] || [], [prepare]);
    Module['print'] = Module['print'] || function (text) { console.log(text); };
    Module['printErr'] = Module['printErr'] || function (text) {
      console.error(text);
      lastError = text.replace(/^KX508: /, '');
      say(text, 'output');
    };
    Module['onExit'] = function (status) {
      if (hooks.ended) hooks.ended(status, lastError);
      offerRestart();
      if (!started) cannotStart(lastError || 'it ended with status ' + status);
      else setStatus('The program ended with status ' + status, status === 0 ? 'done' : 'error');
    };
    Module['onAbort'] = function (what) {
      if (started) {
        crashed('the program aborted');
        return;
      }
      KX508Script.storeNow();
      offerRestart();
      cannotStart(String(what));
    };
    // A trap (a division by zero, unreachable code, a stack that ran out) is thrown out of
    // the program to whichever of the page's handlers had resumed it.
    window.addEventListener('error', function (e) {
      var error = e.error;
      if (error instanceof WebAssembly.RuntimeError && !/^Aborted\(/.test(error.message))
        crashed('a WebAssembly trap: ' + error.message);
      else if (error instanceof RangeError && /call stack/i.test(error.message))
        crashed('a WebAssembly trap: stack overflow');
    });
    if (fromFile) setStatus(fromFileHelp(), 'error');
    else setStatus('The program is starting');
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', wireControls);
    else wireControls();
  }

  return {
    start: start, end: end, sleep: sleep, yieldTurn: yieldTurn, take: take,
    createWindow: createWindow, measure: measure, destroyWindow: destroyWindow,
    showWindow: showWindow, hideWindow: hideWindow, put: put,
    describe: describe, lineAdded: lineAdded,
    menuReset: menuReset, menuEntry: menuEntry, menuState: menuState,
    dialogBegin: dialogBegin, dialogItem: dialogItem, dialogShow: dialogShow,
    dialogDestroy: dialogDestroy, dialogText: dialogText,
    timerStart: timerStart, timerStop: timerStop, say: say,
    running: function () {
      started = true;
      troubled = false;
      setStatus('The program is running');
    },
    trouble: trouble, watchCrashes: watchCrashes,
    // The files the program wrote into a folder of its file system (frames a replay saved,
    // a log), as name -> bytes in a binary string, folders left out: for tests and tools.
    files: function (folder) {
      var out = {};
      FS.readdir(folder).forEach(function (name) {
        if (!FS.isFile(FS.stat(folder + '/' + name).mode)) return;
        var bytes = FS.readFile(folder + '/' + name), s = '';
        for (var i = 0; i < bytes.length; i += 8192)
          s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
        out[name] = s;
      });
      return out;
    },
    downloadScript: function () { KX508Script.download(); },
    // What the run bar (web_run.js) needs of the program and of the page's part of its
    // state.
    program: {
      hooks: hooks,
      // Asleep in its wait, outside any prompt: the only time its memory may be kept or
      // put back.
      idle: function () { return wake !== null && dialogs.size === 0 && !ended; },
      ended: function () { return ended; },
      // The program's tick in ms, as its library started its timer.
      tick: function () { return tickMs; },
      // The command of the menu entry with this Ctrl shortcut, as a queued event; null
      // when no menu has it.
      command: function (letter) {
        var found = null;
        windows.forEach(function (w) {
          w.menus.forEach(function (menu) {
            menu.entries.forEach(function (e) {
              if (!found && e && e.shortcut === letter) found = {kind: COMMAND, window: w.id, a: e.command};
            });
          });
        });
        return found;
      },
      enqueue: enqueue,
      save: savePage,
      restore: restorePage
    }
  };
})();
