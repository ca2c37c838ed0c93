// The web backend's driver: starting and ending, the screen, the page's events as
// messages, the sleeping wait and timers. The page's handlers (web_page.js) only queue
// events and resolve the promise the wait awaits; Asyncify suspends the program there
// and resumes it, so the browser runs its loop meanwhile and nothing calls into the
// program while it is suspended.
#include <emscripten.h>
#include <emscripten/heap.h>

#include "web_internal.h"

namespace kx508::platform::web {

namespace {

// heap_top: where the allocator keeps the end of the memory in use, which the run bar
// (web_run.js) keeps and puts back.
EM_JS(int, kx508_web_start, (const char* codes, const std::uintptr_t* heap_top), {
  if (!KX508Web.start(UTF8ToString(codes), heap_top)) return 0;
  KX508Web.running();
  return 1;
});

EM_JS(void, kx508_web_end, (), { KX508Web.end(); });

EM_JS(void, kx508_web_screen, (int* size), {
  HEAP32[size >> 2] = document.documentElement.clientWidth;
  HEAP32[(size >> 2) + 1] = window.innerHeight;
});

// The next queued event into the buffers; its kind, or 0 when none is queued.
EM_JS(int, kx508_web_take, (int* numbers, char* code, int code_size, char* key, int key_size), {
  var e = KX508Web.take();
  if (!e) return 0;
  var n = numbers >> 2;
  HEAP32[n] = e.window | 0;
  HEAP32[n + 1] = e.a | 0;
  HEAP32[n + 2] = e.b | 0;
  HEAP32[n + 3] = (e.ctrl ? 1 : 0) | (e.alt ? 2 : 0);
  stringToUTF8(e.code || "", code, code_size);
  stringToUTF8(e.key || "", key, key_size);
  return e.kind;
});

// The two places the program sleeps (web.cmake lists them as Asyncify's imports): the
// wait, until the page queues an event, and a yield, for one turn of the browser's loop
// (input, timers, painting). The page resumes the program itself, without a promise
// between, so that a wake costs as little as it can. The wait gives 1 when the browser
// had a turn meanwhile.
EM_JS(int, kx508_web_wait, (int ticks_wake), {
  return Asyncify.handleSleep(function (wakeUp) { KX508Web.sleep(wakeUp, ticks_wake !== 0); });
});

EM_JS(void, kx508_web_yield, (), {
  Asyncify.handleSleep(function (wakeUp) { KX508Web.yieldTurn(wakeUp); });
});

EM_JS(void, kx508_web_timer_start, (int window, int id, int period), {
  KX508Web.timerStart(window, id, period);
});

EM_JS(void, kx508_web_timer_stop, (int window, int id), { KX508Web.timerStop(window, id); });

bool take(QueuedEvent& e) {
  int numbers[4] = {};
  char code[32], key[32];
  e.kind = static_cast<PageEvent>(kx508_web_take(numbers, code, sizeof code, key, sizeof key));
  if (e.kind == PageEvent::None) return false;
  e.window = static_cast<Window>(numbers[0]);
  e.a = numbers[1];
  e.b = numbers[2];
  e.ctrl = numbers[3] & 1;
  e.alt = numbers[3] & 2;
  e.code = code;
  e.key = key;
  return true;
}

}  // namespace

WebDriver::~WebDriver() {
  // What the program drew last stays on the page, as do its windows.
  put_changes();
  kx508_web_end();
}

bool WebDriver::start(std::string* why) {
  if (!kx508_web_start(message_key_codes().c_str(), emscripten_get_sbrk_ptr())) {
    *why = "no page to show windows on (run it in a browser, or with KX508_PLATFORM=headless)";
    return false;
  }
  new_turn();
  return true;
}

Size WebDriver::screen_size() {
  int size[2] = {};
  kx508_web_screen(size);
  return {size[0], size[1]};
}

void WebDriver::process_events() {
  // A program that does not wait (a script playing, a long computation) still lets the
  // browser answer input and paint: every so often it yields, showing what it drew. The
  // clock is read only once the program has come through here a few times without
  // waiting: a program woken for one event does not pay for it.
  if (++passes_since_turn_ > kPassesUnclocked &&
      emscripten_get_now() - browser_had_thread_ms_ >= kLongestTurnMs) {
    put_changes();
    kx508_web_yield();
    new_turn();
  }
  QueuedEvent e;
  while (take(e)) handle(e);
}

void WebDriver::handle(const QueuedEvent& e) {
  switch (e.kind) {
    case PageEvent::KeyDown:
    case PageEvent::KeyUp:
      if (std::optional<Message> m =
              key_message(e.kind == PageEvent::KeyDown, e.code, e.key, e.ctrl, e.alt)) {
        m->window = e.window;
        core::post(*m);
      }
      break;
    case PageEvent::Click: {
      Message m{e.window, MsgType::LButtonDown};
      m.x = e.a;
      m.y = e.b;
      core::post(m);
      break;
    }
    case PageEvent::Command:
      core::post_command(e.window, e.a);
      break;
    case PageEvent::Close:
      core::post(Message{e.window, MsgType::Close});
      break;
    case PageEvent::Resize:
      core::client_resized(e.window, {e.a, e.b});
      break;
    case PageEvent::Timer:
      core::timer_fired(e.window, e.a);
      break;
    case PageEvent::FocusLost:
      core::post_to_all(MsgType::FocusLost);
      break;
    case PageEvent::None:
      break;
  }
}

void WebDriver::wait_events() { sleep(true); }

// A halted program is not woken ten times a second for ticks it does nothing with.
void WebDriver::wait_events_ignoring_ticks() { sleep(false); }

void WebDriver::sleep(bool ticks_wake) {
  if (ticks_wake && core::has_message()) return;
  // The page shows nothing new until the program waits: what it drew goes up now.
  put_changes();
  // Woken without the browser having had its turn (at once, or by the run bar's next
  // batch), the program has held the thread since its last turn: the clock runs on.
  if (kx508_web_wait(ticks_wake ? 1 : 0)) new_turn();
  process_events();
}

void WebDriver::new_turn() {
  browser_had_thread_ms_ = emscripten_get_now();
  passes_since_turn_ = 0;
}

void WebDriver::start_timer(Window window, int id, int period_ms) {
  kx508_web_timer_start(static_cast<int>(window), id, period_ms);
}

void WebDriver::stop_timer(Window window, int id) {
  kx508_web_timer_stop(static_cast<int>(window), id);
}

}  // namespace kx508::platform::web

namespace kx508::platform {

std::unique_ptr<Driver> make_web_driver() { return std::make_unique<web::WebDriver>(); }

}  // namespace kx508::platform
