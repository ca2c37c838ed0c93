// The page side of the web backend, run before the program (--pre-js): the windows as
// elements, their canvases, the HTML menu bar, the prompt as a modal HTML dialog, the
// script file in the browser's storage, ?play, and the status line. Its handlers only
// queue events and wake the program's wait: nothing here calls into the program, which
// may be suspended in that wait.

var KX508Web = (function () {
  'use strict';

  // Event kinds, as web_internal.h numbers them.
  var KEY_DOWN = 1, KEY_UP = 2, CLICK = 3, COMMAND = 4, CLOSE = 5, RESIZE = 6, TIMER = 7,
    FOCUS_LOST = 8;
  // Menu entry flags, as platform.h has them.
  var MF_GRAYED = 1, MF_CHECKED = 2, MF_SEPARATOR = 4, MF_POPUP = 8;
  // Dialog item kinds, as driver.h has them.
  var ITEM_BUTTON = 0, ITEM_EDIT = 1, ITEM_STATIC = 2;
  // Pixels per dialog unit, across and down: an average character is 4 by 8 units.
  var DU_X = 2, DU_Y = 2;

  var SCRIPT_FOLDER = '/kx508', SCRIPT = SCRIPT_FOLDER + '/KX508.SCR', PLAY_FOLDER = '/kx508-play';

  var queue = [];
  var wake = null;
  var ended = false;
  var messageCodes = new Set();
  var windows = new Map();  // window id -> its elements and state
  var dialogs = new Map();  // dialog id -> {el, owner, items}
  var timers = new Map();   // "window:id" -> interval
  var openTop = null;       // the menu bar entry whose menu is open

  // ---- The queue

  function push(event) {
    if (ended) return;
    queue.push(event);
    if (wake) {
      var w = wake;
      wake = null;
      w();
    }
  }

  function wait() {
    persistScript();
    if (queue.length) return Promise.resolve();
    return new Promise(function (resolve) { wake = resolve; });
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

  // A window's or dialog's title bar: its title and a close box that queues closed().
  function titleBar(title, closed) {
    var bar = document.createElement('div');
    bar.className = 'kx508-titlebar';
    var caption = document.createElement('span');
    caption.className = 'kx508-title';
    caption.textContent = title;
    var close = button('kx508-close', 'Close ' + title);
    close.textContent = '\u00d7';
    close.addEventListener('click', closed);
    bar.append(caption, close);
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

    var bar = titleBar(title, function () { push({kind: CLOSE, window: id}); });

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
    canvas.width = 0;
    canvas.height = 0;
    client.appendChild(canvas);
    el.append(bar, menubar, client);
    desktop().appendChild(el);

    var w = {
      id: id, el: el, menubar: menubar, client: client, canvas: canvas,
      // Desynchronized: the canvas reaches the screen without a commit of the page's
      // frame each time it changes, which halves the browser's work for an animation.
      context: canvas.getContext('2d', {alpha: false, desynchronized: true}), shown: false,
      size: [0, 0],
      menus: new Map(), tops: []
    };
    windows.set(id, w);

    canvas.addEventListener('keydown', function (e) { canvasKey(w, e, true); });
    canvas.addEventListener('keyup', function (e) { canvasKey(w, e, false); });
    canvas.addEventListener('mousedown', function (e) {
      if (e.button !== 0) return;
      canvas.focus({preventScroll: true});
      var r = canvas.getBoundingClientRect();
      var x = Math.floor((e.clientX - r.left) * (canvas.width / (r.width || 1)));
      var y = Math.floor((e.clientY - r.top) * (canvas.height / (r.height || 1)));
      e.preventDefault();
      push({kind: CLICK, window: id, a: x, b: y});
    });
    // The client size the page shows, whenever it changes while the window is shown.
    new ResizeObserver(function () {
      if (!w.shown || !windows.has(id)) return;
      var size = clientSize(w);
      if (size[0] === w.size[0] && size[1] === w.size[1]) return;
      w.size = size;
      push({kind: RESIZE, window: id, a: size[0], b: size[1]});
    }).observe(client);
  }

  // The client size as the window shows it, or would show it when hidden: the program is
  // told this one once its menu bar is in.
  function measure(id) {
    var w = windows.get(id);
    if (!w) return [0, 0];
    var shown = w.el.style.display !== 'none';
    if (!shown) {
      w.el.style.visibility = 'hidden';
      w.el.style.display = '';
    }
    w.size = clientSize(w);
    if (!shown) {
      w.el.style.display = 'none';
      w.el.style.visibility = '';
    }
    return w.size;
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
    w.canvas.focus({preventScroll: true});
  }

  function hideWindow(id) {
    var w = windows.get(id);
    if (!w) return;
    if (openTop && openTop.window === id) closeMenus();
    w.el.style.display = 'none';
    w.shown = false;
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

  // ---- Keys

  function canvasKey(w, e, down) {
    if (!messageCodes.has(e.code)) return;
    // The browser does nothing with a key that becomes a message: no reload, no find, no
    // scrolling, and no character typed into a prompt that the key opens.
    e.preventDefault();
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
    var entry = {flags: flags, command: command, letter: '', popup: null, el: null};
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
      b.addEventListener('mousedown', function (e) {
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
  }

  function menuState(id, menu, index, flags) {
    var w = windows.get(id);
    var m = w && w.menus.get(menu);
    var entry = m && m.entries[index];
    if (!entry || !entry.el || (entry.flags & MF_SEPARATOR)) return;
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
    push({kind: COMMAND, window: w.id, a: entry.command});
  }

  function openMenuByLetter(w, letter) {
    for (var i = 0; i < w.tops.length; ++i) {
      if (w.tops[i].entry.letter === letter) {
        openTopMenu(w, i, true);
        return;
      }
    }
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
    if (key === 'Escape' || key === 'Tab') {
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
      } else if (key.length === 1 && !e.ctrlKey && !e.metaKey) {
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
      if (e.key === 'Escape') {
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
    // Placed from the owner's client area, as on a desktop.
    var owner = windows.get(d.owner);
    if (owner && owner.shown) {
      var r = owner.client.getBoundingClientRect();
      d.el.style.left = Math.max(0, r.left + x * DU_X) + 'px';
      d.el.style.top = Math.max(0, r.top + y * DU_Y) + 'px';
      d.el.classList.add('kx508-placed');
    }
    closeMenus();
    desktop().appendChild(d.el);
    d.el.showModal();
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

  function timerStart(window, id, period) {
    timerStop(window, id);
    timers.set(window + ':' + id, setInterval(function () {
      push({kind: TIMER, window: window, a: id});
    }, Math.max(period, 1)));
  }

  function timerStop(window, id) {
    var key = window + ':' + id;
    if (timers.has(key)) clearInterval(timers.get(key));
    timers.delete(key);
  }

  // ---- The script file, kept in the browser's storage for the page

  var storageKey = 'kx508:' + (location.pathname.split('/').pop().replace(/\.html?$/, '') ||
                               'index') + ':KX508.SCR';
  var savedStamp = null;

  function bytesToText(bytes) {
    var s = '';
    for (var i = 0; i < bytes.length; i += 8192)
      s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    return s;
  }

  function textToBytes(text) {
    var bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 0xFF;
    return bytes;
  }

  // The script's file, looked up in its folder without a failing path lookup: that throws,
  // which costs more than the rest of a wait when there is no script yet.
  var scriptFolder = null;
  function scriptNode() {
    if (!scriptFolder) scriptFolder = FS.lookupPath(SCRIPT_FOLDER).node;
    return (scriptFolder.contents && scriptFolder.contents['KX508.SCR']) || null;
  }

  // Called at every wait, and when the page goes away: stores the file when it changed.
  function persistScript() {
    var node = scriptNode();
    var stamp = node ? node.timestamp + ':' + node.usedBytes : '';
    if (stamp === savedStamp) return;
    savedStamp = stamp;
    try {
      if (node) localStorage.setItem(storageKey, bytesToText(FS.readFile(SCRIPT)));
    } catch (e) {
      say('The script could not be kept in the browser\u2019s storage: ' + e.message);
    }
  }

  function restoreScript() {
    var text = null;
    try {
      text = localStorage.getItem(storageKey);
    } catch (e) {
      return;
    }
    if (text !== null) FS.writeFile(SCRIPT, textToBytes(text));
    var node = scriptNode();
    savedStamp = node ? node.timestamp + ':' + node.usedBytes : '';
  }

  function downloadScript() {
    var node = scriptNode();
    if (!node) {
      say('No script yet: record one with Ctrl+R.');
      return;
    }
    var url = URL.createObjectURL(new Blob([FS.readFile(SCRIPT)], {type: 'text/plain'}));
    var a = document.createElement('a');
    a.href = url;
    a.download = 'KX508.SCR';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 1000);
  }

  function loadScript(file) {
    return file.arrayBuffer().then(function (buffer) {
      FS.writeFile(SCRIPT, new Uint8Array(buffer));
      persistScript();
      say('Loaded ' + file.name + ' as KX508.SCR: play it with Ctrl+P.');
    });
  }

  // ---- The page around the windows: status, messages, the script controls

  function say(text) {
    var m = document.getElementById('kx508-messages');
    if (!m) return;
    m.hidden = false;
    m.textContent += text + '\n';
  }

  function setStatus(text) {
    var s = document.getElementById('kx508-status');
    if (s) s.textContent = text;
  }

  function wireControls() {
    var download = document.getElementById('kx508-download');
    if (download) download.addEventListener('click', downloadScript);
    var load = document.getElementById('kx508-load');
    if (load) {
      load.addEventListener('change', function () {
        if (load.files && load.files[0]) {
          loadScript(load.files[0]).catch(function (e) { say('Cannot load the script: ' + e.message); });
        }
        load.value = '';
      });
    }
  }

  function start(codes) {
    if (typeof document === 'undefined') return false;
    messageCodes = new Set(codes.split(' '));
    window.addEventListener('blur', function () { push({kind: FOCUS_LOST, window: 0}); });
    document.addEventListener('mousedown', function (e) {
      if (openTop && !(openTop.entry.holder && openTop.entry.holder.contains(e.target))) closeMenus();
    });
    return true;
  }

  // The program has ended: its windows stay as they were, and nothing is queued any more.
  function end() {
    ended = true;
    closeMenus();
    timers.forEach(function (t) { clearInterval(t); });
    timers.clear();
    desktop().classList.add('kx508-ended');
    persistScript();
  }

  // ---- Before the program starts: the script file from storage, ?play, and options a
  // page may give as KX508_ENV (the environment the desktop's programs read).

  function playPath(url) {
    var name = url.pathname.split('/').pop() || 'script.scr';
    return PLAY_FOLDER + '/' + name;
  }

  function prepare() {
    FS.mkdir(SCRIPT_FOLDER);
    FS.mkdir(PLAY_FOLDER);
    FS.chdir(SCRIPT_FOLDER);
    restoreScript();
    var given = typeof globalThis.KX508_ENV === 'object' && globalThis.KX508_ENV;
    if (given) Object.keys(given).forEach(function (k) { ENV[k] = String(given[k]); });
    var play = new URLSearchParams(location.search).get('play');
    if (!play) return;
    var url = new URL(play, location.href);
    var path = playPath(url);
    // The library reads it as it reads KX508_PLAY; one that could not be had is missing,
    // and the program says so and ends with status 2.
    ENV.KX508_PLAY = path;
    if (url.origin !== location.origin) {
      say('?play: only a script from this site is played, not ' + url.href);
      return;
    }
    addRunDependency('kx508-play');
    fetch(url.href).then(function (response) {
      if (!response.ok) throw new Error('HTTP ' + response.status);
      return response.arrayBuffer();
    }).then(function (buffer) {
      FS.writeFile(path, new Uint8Array(buffer));
    }).catch(function (e) {
      say('?play: cannot fetch ' + url.href + ': ' + e.message);
    }).finally(function () {
      removeRunDependency('kx508-play');
    });
  }

  if (typeof document !== 'undefined') {
    Module['preRun'] = [].concat(Module['preRun'] || [], [prepare]);
    Module['print'] = Module['print'] || function (text) { console.log(text); };
    Module['printErr'] = Module['printErr'] || function (text) {
      console.error(text);
      say(text);
    };
    Module['onExit'] = function (status) {
      setStatus('The program ended with status ' + status);
    };
    Module['onAbort'] = function (what) {
      setStatus('The program failed: ' + what);
    };
    setStatus('The program is starting');
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', wireControls);
    else wireControls();
    window.addEventListener('pagehide', persistScript);
    document.addEventListener('visibilitychange', persistScript);
  }

  return {
    start: start, end: end, wait: wait, take: take,
    createWindow: createWindow, measure: measure, destroyWindow: destroyWindow,
    showWindow: showWindow, hideWindow: hideWindow, put: put,
    menuReset: menuReset, menuEntry: menuEntry, menuState: menuState,
    dialogBegin: dialogBegin, dialogItem: dialogItem, dialogShow: dialogShow,
    dialogDestroy: dialogDestroy, dialogText: dialogText,
    timerStart: timerStart, timerStop: timerStop,
    running: function () { setStatus('The program is running'); },
    // The files the program wrote into a folder of its file system (frames a replay saved,
    // a log), as name -> bytes in a binary string: for tests and tools.
    files: function (folder) {
      var out = {};
      FS.readdir(folder).forEach(function (name) {
        if (name !== '.' && name !== '..') out[name] = bytesToText(FS.readFile(folder + '/' + name));
      });
      return out;
    },
    downloadScript: downloadScript, loadScript: loadScript
  };
})();
