// The log window: every message is kept in a ring of the newest 25 lines and drawn at
// the bottom of the text window, which scrolls up one line for each.
#include <cstdarg>
#include <cstring>

#include "internal.h"

namespace kx508 {

namespace {

constexpr int kTextLeft = 5;
// Ends a message cut at kLogMessageChars.
constexpr char kCutMark[] = "...";

int next_slot(int slot) { return (slot + 1) % kLogLines; }

// Draws one line at the bottom of the text window after scrolling the rest up.
void log_draw_line(std::string text) {
  const platform::Window text_window = lib.windows.text_window;
  int h = platform::text_line_height(text_window);
  if (h <= 0) return;  // no text window (not yet made, or closed by the user)
  platform::Rect client = platform::client_rect(text_window);
  platform::text_scroll(text_window, h);
  platform::text_erase(text_window, {client.left, client.bottom - h, client.right, client.bottom});
  if (!text.empty() && text.back() == '\n') text.pop_back();
  prepare_text(text);
  platform::text_out(text_window, client.left + kTextLeft, client.bottom - h, text);
}

void repaint_from_ring(platform::Window window) {
  // Painting starts from a blank client area, as after the window's background is erased.
  platform::text_erase(window, platform::client_rect(window));
  const LogState& log = lib.log;
  if (log.first < 0) return;
  int slot = log.first;
  do {
    log_draw_line(log.ring[slot]);
    slot = next_slot(slot);
  } while (slot != log.next);
}

}  // namespace

long text_window_proc(platform::Window window, const platform::Message& msg) {
  using platform::MsgType;
  switch (msg.type) {
    case MsgType::Paint:
      repaint_from_ring(window);
      return 0;
    case MsgType::Close:
      // The close box hides the log; switching logging on shows it again.
      platform::hide_window(window);
      return 0;
    case MsgType::KeyDown:
    case MsgType::KeyUp: {
      // Keys typed here work as if typed in the drawing window.
      platform::Message forwarded = msg;
      forwarded.window = lib.windows.draw_window;
      platform::post_message(forwarded);
      return 0;
    }
    default:
      return platform::default_window_proc(window, msg);
  }
}

}  // namespace kx508

using namespace kx508;

int KX508_log(const char* format, ...) {
  attend_to_the_windows();
  char buffer[kLogMessageChars + 1];
  va_list args;
  va_start(args, format);
  // No format logs an empty line.
  int count = format ? std::vsnprintf(buffer, sizeof buffer, format, args) : 0;
  va_end(args);
  if (count <= 0) buffer[0] = '\0';
  // A longer message is cut, and says so where it ends.
  if (count > kLogMessageChars)
    std::memcpy(buffer + kLogMessageChars - (sizeof kCutMark - 1), kCutMark, sizeof kCutMark);

  LogState& log = lib.log;
  if (log.first == log.next) {
    log.ring[log.first].clear();
    log.first = next_slot(log.first);
  }
  log.ring[log.next] = buffer;
  if (log.first < 0) log.first = log.next;
  log.next = next_slot(log.next);
  log_draw_line(buffer);
  // In a file every message is a line of its own, whether it ended its line or not.
  std::string line = buffer;
  if (line.empty() || line.back() != '\n') line += '\n';
  replay_log_line(line);
  return count;
}
