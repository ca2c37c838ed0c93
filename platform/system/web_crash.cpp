// Crashes in the browser: a WebAssembly trap (a division by zero, unreachable code) or an
// abort ends the program's run with an error the page catches (web_page.js); it writes
// what it was here and calls kx508_crashed, which hands it to the library's report.
#include <emscripten.h>

#include "ending.h"

namespace kx508::platform::ending {

namespace {

void (*report)(const char*) = nullptr;
char what[128] = "";

EM_JS(void, kx508_web_watch_crashes, (char* what, int size), {
  if (typeof KX508Web !== 'undefined') KX508Web.watchCrashes(what, size);
});

}  // namespace

void watch_crashes(void (*crashed)(const char* what)) {
  report = crashed;
  kx508_web_watch_crashes(what, sizeof what);
}

}  // namespace kx508::platform::ending

// Called by the page once it has written the trap's words into what.
extern "C" EMSCRIPTEN_KEEPALIVE void kx508_crashed() {
  using namespace kx508::platform::ending;
  if (report) report(what);
}
