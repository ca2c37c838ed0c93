// The page's script file, KX508.SCR, kept in the browser's storage so that it outlives the
// page: restored before the program starts, stored again whenever it changed (at the
// program's waits, a large one at most once a second, and at once when the page is
// hidden, left or the program ends or fails), downloaded, and replaced by a file the user picks. A copy
// that storage could not hold whole is never restored as if it were the script. Run
// before the program (--pre-js), after web_page.js, whose messages it uses.

var KX508Script = (function () {
  'use strict';

  var FOLDER = '/kx508', NAME = 'KX508.SCR', PATH = FOLDER + '/' + NAME;
  // The page's name; web_lock.cpp names the recorder's lock after it in the same way, so
  // that the tabs that share a stored script also share the lock.
  var PAGE = location.pathname.split('/').pop().replace(/[.]html?$/, '') || 'index';
  var KEY = 'kx508:' + PAGE + ':KX508.SCR';  // the script's bytes, one character each
  // Present while the stored copy is not the whole script: {kept: bytes, had: bytes}.
  var CUT_KEY = KEY + ':cut';
  var LOCK = 'kx508:' + PAGE + ':' + PATH + ':recorder';
  // Storing costs time in proportion to the file: a large one is stored at most this often.
  var STORE_EVERY_MS = 1000, LARGE = 64 * 1024;
  // Larger scripts are not offered to the storage, which holds about 5 million characters
  // an origin: turning them into text would only hold the page up.
  var MOST_KEPT = 5 * 1024 * 1024;

  var stored = null;       // the file as last stored or restored: "time:size", '' for none
  var lastStore = 0;
  var storeTimer = null;
  var fullSaid = false;

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

  // The file's node, looked up in its folder without a failing path lookup: that throws,
  // which costs more than the rest of a wait when there is no script yet.
  var folder = null;
  function node() {
    if (!folder) folder = FS.lookupPath(FOLDER).node;
    return (folder.contents && folder.contents[NAME]) || null;
  }

  function stampOf(n) { return n ? n.timestamp + ':' + n.usedBytes : ''; }

  function saveAs(bytes, name, type) {
    var url = URL.createObjectURL(new Blob([bytes], {type: type || 'text/plain'}));
    var a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 1000);
  }

  function download() {
    if (!node()) {
      KX508Web.say('No script yet: record one with Ctrl+R.', 'info');
      return;
    }
    saveAs(FS.readFile(PATH), NAME);
  }

  // ---- Keeping it in storage

  function startsWith(bytes, text) {
    if (text.length > bytes.length) return false;
    for (var i = 0; i < text.length; ++i) if ((text.charCodeAt(i) & 0xFF) !== bytes[i]) return false;
    return true;
  }

  // The storage could not take the file: the copy there is kept only where it is the
  // file's beginning, and marked as cut, so that it is never taken for the whole script.
  function markCut(bytes, error) {
    var old = null;
    try {
      old = localStorage.getItem(KEY);
    } catch (e) { /* unreadable: dropped below */ }
    var kept = old !== null && startsWith(bytes, old) ? old.length : 0;
    try {
      if (!kept) localStorage.removeItem(KEY);
      localStorage.setItem(CUT_KEY, JSON.stringify({kept: kept, had: bytes.length}));
    } catch (e) {
      // Not even the mark fits: without the copy it does.
      try {
        localStorage.removeItem(KEY);
        localStorage.setItem(CUT_KEY, JSON.stringify({kept: 0, had: bytes.length}));
      } catch (again) { /* storage refuses everything: nothing is restored either */ }
    }
    if (fullSaid) return;
    fullSaid = true;
    var why = error.name === 'QuotaExceededError' || bytes.length > MOST_KEPT
      ? 'The browser\u2019s storage is full' : 'The browser\u2019s storage refuses it (' + error.message + ')';
    KX508Web.say(why + ': KX508.SCR (' + bytes.length + ' bytes) is no longer kept for ' +
                 'your next visit. This tab still has all of it:',
                 'warning', {label: 'Download KX508.SCR', action: download});
  }

  function storeNow() {
    storeRunNow();
    clearTimeout(storeTimer);
    storeTimer = null;
    var n = node();
    var stamp = stampOf(n);
    if (!n || stamp === stored) return;
    stored = stamp;
    lastStore = Date.now();
    var bytes = FS.readFile(PATH);
    try {
      if (bytes.length > MOST_KEPT) throw new Error('larger than the storage holds');
      localStorage.setItem(KEY, bytesToText(bytes));
      localStorage.removeItem(CUT_KEY);
      fullSaid = false;
    } catch (e) {
      markCut(bytes, e);
    }
  }

  // At a wait: stored when it changed, a large file not more than once a second.
  function store() {
    storeRun();
    var n = node();
    if (!n || stampOf(n) === stored || storeTimer) return;
    var due = n.usedBytes > LARGE ? lastStore + STORE_EVERY_MS - Date.now() : 0;
    if (due <= 0) storeNow();
    else storeTimer = setTimeout(storeNow, due);
  }

  // ---- A run recorded from the start (KX508_RECORD): kept under a key of its own as it
  // grows, whole or not at all, so that it outlives a reload or a closed tab.

  var RUN_NAME = 'KX508.RUN', RUN_KEY = 'kx508:' + PAGE + ':' + RUN_NAME;
  var runStored = '', runLastStore = 0, runTimer = null, runFullSaid = false;

  function runNode() {
    if (!folder) folder = FS.lookupPath(FOLDER).node;
    return (folder.contents && folder.contents[RUN_NAME]) || null;
  }

  function storeRunNow() {
    clearTimeout(runTimer);
    runTimer = null;
    var n = runNode();
    if (!n || stampOf(n) === runStored) return;
    runStored = stampOf(n);
    runLastStore = Date.now();
    var bytes = FS.readFile(FOLDER + '/' + RUN_NAME);
    try {
      if (bytes.length > MOST_KEPT) throw new Error('larger than the storage holds');
      localStorage.setItem(RUN_KEY, bytesToText(bytes));
    } catch (e) {
      // Never an older, shorter copy taken for the run.
      try {
        localStorage.removeItem(RUN_KEY);
      } catch (again) { /* nothing is kept either way */ }
      if (runFullSaid) return;
      runFullSaid = true;
      KX508Web.say('The browser\u2019s storage cannot keep the run being recorded (' +
                   bytes.length + ' bytes): the run bar shows it when the program ends, but ' +
                   'it is not kept for your next visit.', 'warning');
    }
  }

  function storeRun() {
    var n = runNode();
    if (!n || stampOf(n) === runStored || runTimer) return;
    var due = n.usedBytes > LARGE ? runLastStore + STORE_EVERY_MS - Date.now() : 0;
    if (due <= 0) storeRunNow();
    else runTimer = setTimeout(storeRunNow, due);
  }

  // The last run recorded from the start, as stored; null when there is none.
  function recordedRun() {
    try {
      var text = localStorage.getItem(RUN_KEY);
      return text === null ? null : textToBytes(text);
    } catch (e) {
      return null;
    }
  }

  function restore() {
    var text = null, cut = null;
    try {
      text = localStorage.getItem(KEY);
      cut = JSON.parse(localStorage.getItem(CUT_KEY) || 'null');
    } catch (e) {
      return;  // no storage for this page: nothing to restore
    }
    if (cut) {
      var kept = text !== null && cut.kept ? text.slice(0, cut.kept) : '';
      KX508Web.say('The last KX508.SCR of this page (' + cut.had + ' bytes) was cut: the ' +
                   'browser\u2019s storage was full and kept ' + (kept ? 'only its first ' +
                   kept.length + ' bytes' : 'none of it') + '. It is not played as KX508.SCR.',
                   'warning', kept ? {label: 'Download the part kept',
                                      action: function () { saveAs(textToBytes(kept), NAME); }}
                                   : null);
    } else if (text !== null) {
      FS.writeFile(PATH, textToBytes(text));
    }
    stored = stampOf(node());
  }

  // Whether a tab of this page records the script now (it holds the recorder's lock).
  function beingRecorded() {
    if (typeof navigator === 'undefined' || !navigator.locks) return Promise.resolve(false);
    return navigator.locks.query().then(function (state) {
      return state.held.some(function (l) { return l.name === LOCK; });
    }, function () { return false; });
  }

  // A file the user picked becomes the script. Not while a recording writes it: in this
  // tab it would be mixed into the recording, and another tab's would be overwritten in
  // storage (this tab then plays it without storing it).
  function load(file) {
    return Promise.all([file.arrayBuffer(), beingRecorded()]).then(function (got) {
      var recording = got[1];
      if (recording && Module.kx508RecorderLock) {
        KX508Web.say('Stop recording (Ctrl+R) before loading a script.', 'error');
        return;
      }
      FS.writeFile(PATH, new Uint8Array(got[0]));
      if (recording) {
        stored = stampOf(node());
        KX508Web.say('Loaded ' + file.name + ' as KX508.SCR for this tab only: another tab ' +
                     'of this page is recording it. Play it with Ctrl+P.', 'warning');
        return;
      }
      storeNow();
      KX508Web.say('Loaded ' + file.name + ' as KX508.SCR: play it with Ctrl+P, or in the run bar.', 'info');
      KX508Run.given(new Uint8Array(got[0]), file.name, false);
    });
  }

  if (typeof document !== 'undefined') {
    window.addEventListener('pagehide', storeNow);
    document.addEventListener('visibilitychange', function () {
      if (document.visibilityState === 'hidden') storeNow();
    });
  }

  return {FOLDER: FOLDER, PAGE: PAGE, RUN_NAME: RUN_NAME, restore: restore, store: store,
          storeNow: storeNow, download: download, load: load, recordedRun: recordedRun,
          saveAs: saveAs};
})();
