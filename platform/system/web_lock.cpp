// The recorder's lock in the browser. Every tab has a file system of its own in memory,
// and the pages keep their script in the origin's storage, so two tabs of one page that
// record at once would overwrite each other's script there: the lock is the browser's
// (the Web Locks API), named after the page and the file, and held until the file closes.
#include <emscripten.h>
#include <unistd.h>

#include "files.h"
#include "recording_lock.h"

namespace kx508::platform::files {

namespace {

// 1 taken, 2 held by another tab. Where the browser has no locks (an old browser, a page
// of no origin), no other tab can share this one's storage either: taken.
EM_ASYNC_JS(int, kx508_lock_take, (int fd), {
  var stream = FS.getStream(fd);
  var page = location.pathname.split("/").pop().replace(/[.]html?$/, "") || "index";
  var name = 'kx508:' + page + ':' + (stream ? stream.path : fd) + ':recorder';
  if (typeof navigator === 'undefined' || !navigator.locks) return 1;
  try {
    return await new Promise(function (resolve, reject) {
      navigator.locks.request(name, {ifAvailable: true}, function (lock) {
        if (!lock) {
          resolve(2);
          return undefined;
        }
        resolve(1);
        // Held until unlock resolves this.
        return new Promise(function (release) { Module.kx508RecorderLock = release; });
      }).catch(reject);
    });
  } catch (e) {
    return 1;  // a document that may not use locks (an opaque origin) has no storage to share
  }
});

EM_JS(void, kx508_lock_release, (), {
  var release = Module.kx508RecorderLock;
  Module.kx508RecorderLock = null;
  if (release) release();
});

int locked_fd = -1;

}  // namespace

// A tab's file system is its own: no other run can write into its folders.
Claim claim_folder(const char*, std::string*) { return Claim::Claimed; }

RecordingLock lock_for_recording(int fd) {
  const int taken = kx508_lock_take(fd);
  if (taken == 2) return RecordingLock::Held;
  locked_fd = fd;
  return RecordingLock::Taken;
}

void unlock_recording(int fd) {
  if (fd != locked_fd) return;
  locked_fd = -1;
  kx508_lock_release();
}

// The file system is this tab's alone, so a file the refused open made is this tab's too.
void forget_refused(const char* name, bool was_missing) {
  if (was_missing) ::unlink(name);
}

}  // namespace kx508::platform::files
