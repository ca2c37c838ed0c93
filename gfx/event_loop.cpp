// The library's core: starting and stopping, the two windows, the canvas and its origin
// (and the part of it the window shows), the message pump, the event wait and the
// animation commands.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "ending.h"
#include "internal.h"

namespace kx508 {

namespace {

// Moves the canvas's pixels by (dx, dy); what the move uncovers is white, as the canvas
// starts.
void shift_canvas(int dx, int dy) {
  platform::Surface& canvas = lib.windows.canvas;
  if ((dx == 0 && dy == 0) || canvas.width() == 0) return;
  platform::copy_surface(canvas, dx, dy, canvas, 0, 0, kCanvasWidth, kCanvasHeight);
  const platform::Pen no_pen{colour_value(KX508_WHITE), 1, true};
  const platform::Brush white{colour_value(KX508_WHITE), false};
  const int w = kCanvasWidth, h = kCanvasHeight;
  if (dx > 0) platform::draw_rectangle(canvas, no_pen, white, 0, 0, dx, h);
  if (dx < 0) platform::draw_rectangle(canvas, no_pen, white, w + dx, 0, w, h);
  if (dy > 0) platform::draw_rectangle(canvas, no_pen, white, 0, 0, w, dy);
  if (dy < 0) platform::draw_rectangle(canvas, no_pen, white, 0, h + dy, w, h);
  lib.windows.canvas_dirty = true;
}

// The client area, or where a run is replayed, the one it had when it was recorded: the
// window manager gave that window, not this one, the size the pictures were drawn in.
platform::Rect client_area(platform::Window window) {
  const std::optional<ClientSize>& run = lib.script.run_client;
  if (run && lib.replay.playing) return {0, 0, run->width, run->height};
  return platform::client_rect(window);
}

// The origin is the client area's centre, whatever the window manager did to the client
// area. The picture moves with it, so that what was drawn keeps its library coordinates
// and what the program draws next lands on the same picture, not on a second one.
void set_origin_from_client_area(platform::Window window) {
  const platform::Rect r = client_area(window);
  if (run_recording()) run_record_client({r.width(), r.height()});
  CanvasOrigin& origin = lib.windows.canvas_origin;
  const CanvasOrigin before = origin;
  origin.x = r.left + (r.right - r.left) / 2;
  origin.y = r.top + (r.bottom - r.top) / 2;
  shift_canvas(origin.x - before.x, origin.y - before.y);
  // What the window shows changed: the places in its description too.
  describe_canvas_moved();
}

long draw_window_proc(platform::Window window, const platform::Message& msg) {
  using platform::MsgType;
  switch (msg.type) {
    case MsgType::Create:
      build_menu_bar(window);
      return 0;
    case MsgType::Destroy:
      on_draw_window_destroyed(window);
      return 0;
    case MsgType::Size:
      set_origin_from_client_area(window);
      return 0;
    case MsgType::Paint:
      copy_canvas_to_window();
      return 0;
    case MsgType::KeyDown:
      on_key_down(msg.param, msg.modifiers);
      return 0;
    case MsgType::KeyUp:
      on_key_up(msg.param, msg.modifiers);
      return 0;
    case MsgType::Char:
      on_char(msg.param);
      return 0;
    case MsgType::Command:
      on_command(msg.param);
      return 0;
    case MsgType::FocusLost:
      on_focus_lost();
      return 0;
    case MsgType::Timer:
      lib.animation.periodic_due = true;
      // The timer keeps ticking while the prompt is open, which is a wait too.
      quit_if_asked_to_end();
      return 0;
    case MsgType::LButtonDown:
      lib.event.kind = KX508_MOUSE;
      lib.event.x = msg.x - lib.windows.canvas_origin.x;
      lib.event.y = lib.windows.canvas_origin.y - msg.y;
      return 0;
    default:
      return platform::default_window_proc(window, msg);
  }
}

// The wait is over once it holds an event other than a periodic one, or a periodic one
// whose timer tick has come.
bool wait_is_over() {
  int kind = lib.event.kind;
  if (kind != -1 && kind != KX508_PERIODIC) return true;
  return kind == KX508_PERIODIC && lib.animation.periodic_due;
}

// Whether the timer's ticks can end this wait: only a periodic event waits for one. A
// halted program's wait sleeps through them, as they only mark a tick due, and that mark
// is cleared before a periodic event is begun.
bool ticks_matter() {
  const AnimationState& animation = lib.animation;
  return animation.running || animation.step_pending || lib.event.kind == KX508_PERIODIC;
}

// A request to end that no quit stands for yet: a halted program's wait ends for it.
bool asked_to_end() { return platform::ending::requested() != 0 && lib.ending.signal == 0; }

}  // namespace

// The canvas pixels the drawing window shows, in library coordinates and inclusive, as a
// rectangle's corners are. The client area starts at the canvas's top left corner; where
// it reaches past the canvas nothing can be drawn, so it is cut to the canvas. The core
// sends Size the moment the client area changes, so the origin is always this area's.
// Once the window is gone the area is empty: right < left and top < bottom.
VisibleArea visible_area() {
  const platform::Rect client = client_area(lib.windows.draw_window);
  const int width = std::min(client.width(), kCanvasWidth);
  const int height = std::min(client.height(), kCanvasHeight);
  const CanvasOrigin& origin = lib.windows.canvas_origin;
  return {-origin.x, origin.y - (height - 1), width - 1 - origin.x, origin.y};
}

void use_run_client_area(const ClientSize& size) {
  lib.script.run_client = size;
  if (lib.windows.draw_window) set_origin_from_client_area(lib.windows.draw_window);
}

void copy_canvas_to_window() {
  WindowState& win = lib.windows;
  platform::copy_to_window(win.window_dc, 0, 0, win.canvas, 0, 0, kCanvasWidth, kCanvasHeight);
  win.canvas.forget_changes();
  win.canvas_dirty = false;
  replay_frame_presented();
}

void copy_canvas_changes_to_window() {
  WindowState& win = lib.windows;
  platform::copy_changes_to_window(win.window_dc, win.canvas);
  win.canvas_dirty = false;
  replay_frame_presented();
}

PumpResult pump_once() {
  platform::Message msg;
  bool took = platform::peek_message(msg);
  if (took && msg.type == platform::MsgType::Quit) {
    lib.event.kind = KX508_QUIT;
    return PumpResult::Quit;
  }
  if (took) {
    platform::translate_message(msg);
    platform::dispatch_message(msg);
  }
  if (lib.windows.canvas_dirty) copy_canvas_changes_to_window();
  return took ? PumpResult::Message : PumpResult::Nothing;
}

}  // namespace kx508

using namespace kx508;

int KX508_start(KX508_Instance, KX508_Instance, const char*, int show_state) {
  if (started()) {
    KX508_log("Library already started; KX508_start changed nothing\n");
    return 1;
  }
  replay_open();
  run_open();
  watch_the_end();
  std::string why;
  if (!platform::open(&why)) {
    std::fprintf(stderr, "KX508: %s\n", why.c_str());
    std::fflush(stderr);
    std::exit(1);
  }
  platform::Size screen = platform::screen_size();
  lib.animation.running = false;
  lib.animation.step_pending = false;

  platform::WindowDesc draw;
  draw.title = "KX508 Graphics";
  draw.style = platform::WindowStyle::Fixed;
  draw.width = kCanvasWidth;
  draw.height = kCanvasHeight;
  draw.proc = draw_window_proc;
  draw.background = colour_value(KX508_WHITE);
  WindowState& win = lib.windows;
  win.draw_window = platform::create_window(draw);

  platform::WindowDesc text;
  text.title = "KX508 Text";
  text.style = platform::WindowStyle::Resizable;
  text.x = 0;
  text.y = (2 * screen.height) / 3 + 1;
  text.width = screen.width;
  text.height = screen.height / 3;
  text.proc = text_window_proc;
  text.background = colour_value(KX508_WHITE);
  win.text_window = platform::create_window(text);

  win.window_dc = platform::get_window_surface(win.draw_window);
  // The canvas starts white, like the window behind it, until the program clears it.
  win.canvas = platform::Surface(kCanvasWidth, kCanvasHeight, colour_value(KX508_WHITE));

  if (show_state != 0) {
    platform::show_window(win.text_window);
    platform::show_window(win.draw_window);
  }
  platform::set_timer(win.draw_window, kTimerId, kTimerPeriodMs);
  replay_start_playing();
  // Opening the display may take a while; the program's time starts here.
  watch_the_waits();
  return 1;
}

int KX508_stop() {
  if (!started()) return 0;
  describe_at_wait(DescribeWhen::AtOnce);
  platform::release_window_surface(lib.windows.window_dc);
  script_finish();
  return 1;
}

int KX508_set_animation(int command) {
  if (lib.windows.draw_window == 0) return 0;
  AnimationState& animation = lib.animation;
  switch (command) {
    case KX508_ANIMATION_HALT:
      animation.running = false;
      animation.step_pending = false;
      break;
    case KX508_ANIMATION_STEP:
      animation.step_pending = true;
      break;
    case KX508_ANIMATION_RUN:
      animation.running = true;
      break;
    case KX508_ANIMATION_QUIT:
      animation.quit_requested = true;
      break;
    default:
      break;
  }
  return 1;
}

namespace {

int next_event(int* x, int* y, char* key) {
  if (!platform::is_window(lib.windows.draw_window)) {
    // Before the library starts, or once the drawing window is gone, nothing can ever
    // arrive: report quit rather than wait for ever.
    if (x) *x = 0;
    if (y) *y = 0;
    if (key) *key = 0;
    return KX508_QUIT;
  }
  EventState& event = lib.event;
  AnimationState& animation = lib.animation;
  ScriptState& script = lib.script;
  event = {};  // no event yet, and every field 0
  bool paced_event_read = false;  // a scripted periodic event waits for its tick
  describe_at_wait(DescribeWhen::Running);

  for (;;) {
    quit_if_asked_to_end();
    if (wait_is_over()) break;
    PumpResult pass = pump_once();
    if (pass == PumpResult::Quit) break;
    if (script.playback_on && replay_pause_due()) pause_playback();
    if ((script.play_one_pending || script.playback_on) && !paced_event_read) {
      const bool one = script.play_one_pending;
      script.play_one_pending = false;
      if (script_read_event()) {
        if (one || event.kind != KX508_PERIODIC || !replay_paced()) break;
        // Paced: the periodic event comes at the timer's next tick, as a live one does.
        animation.periodic_due = false;
        paced_event_read = true;
      } else {
        script.playback_on = false;
      }
    }
    if ((animation.running || animation.step_pending) && event.kind == -1) {
      animation.periodic_due = false;
      event.kind = KX508_PERIODIC;
      animation.step_pending = false;
    }
    // Halted, the program draws nothing until input comes: its picture is told now.
    if (pass == PumpResult::Nothing && !wait_is_over() && !ticks_matter())
      describe_at_wait(DescribeWhen::AtOnce);
#ifndef KX508_BUSY_POLL
    // A pass that found nothing means the program is idle: sleep in the platform until
    // the next message (timer, input or quit) instead of spinning.
    if (pass == PumpResult::Nothing && !wait_is_over()) {
      if (ticks_matter()) platform::wait_message();
      else platform::wait_message_ignoring_ticks(asked_to_end);
    }
#endif
  }

  if (script.recording_on)
    record_event(event.kind, event.x, event.y, event.key);
  if (run_recording()) run_record_event(event.kind, event.x, event.y, event.key);
  if (x) *x = event.x;
  if (y) *y = event.y;
  if (key) *key = event.key;
  if (event.kind == KX508_PERIODIC) ++lib.replay.periodic_events;
  return animation.quit_requested ? KX508_QUIT : event.kind;
}

}  // namespace

int KX508_wait_event(int* x, int* y, char* key) {
  wait_begins();
  const int kind = next_event(x, y, key);
  ++lib.ending.events;
  wait_ends();
  return kind;
}

int KX508_visible_area(int* left, int* bottom, int* right, int* top) {
  // Like KX508_wait_event, a pointer may be null: only the others are written.
  const auto put = [](int* to, int value) {
    if (to) *to = value;
  };
  if (!started()) {
    for (int* to : {left, bottom, right, top}) put(to, 0);
    return 0;
  }
  attend_to_the_windows();
  // A replayed run gives the area the program was given when it was recorded, so that
  // it draws what was seen; a run being recorded keeps what the program is given.
  const VisibleArea area = script_read_area().value_or(visible_area());
  run_record_area(area);
  if (lib.draw.logging_enabled)
    KX508_log("Visible area of the graphics window (%d,%d) to (%d,%d)\n", area.left, area.top,
              area.right, area.bottom);
  put(left, area.left);
  put(bottom, area.bottom);
  put(right, area.right);
  put(top, area.top);
  return 1;
}
