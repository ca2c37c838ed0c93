// Puts the library back in its program-start state, for processes (tests) that start it
// more than once.
#include "display.h"
#include "internal.h"

namespace kx508 {

void reset_library() {
  script_close();
  platform::close();

  draw_window = 0;
  text_window = 0;
  app_instance = nullptr;
  window_dc = {};
  canvas = {};
  canvas_origin = {};
  canvas_dirty = true;
  event_kind = -1;
  event_x = event_y = 0;
  event_key = 0;
  animation = {};

  run_menu = 0;
  ctrl_down = false;
  logging_enabled = true;

  periodic_count = 0;
  recording_on = playback_on = play_one_pending = false;

  for (std::string& line : log_ring) line.clear();
  log_first = -1;
  log_next = 0;

  Display::displayCreated = false;
}

}  // namespace kx508
