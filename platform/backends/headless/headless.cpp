// The headless backend's driver: windows and time in memory; see headless_driver.h.
#include "headless/headless_driver.h"

#include <algorithm>


namespace kx508::platform::headless {

Size HeadlessDriver::create_window(WindowRecord& w) {
  created.push_back(w.id);
  return client_size(w);
}

void HeadlessDriver::destroy_window(WindowRecord& w) {
  std::erase(created, w.id);
  copies.erase(w.id);
  presented.erase(w.id);
  menu_notices.erase(w.id);
  described.erase(w.id);
  said.erase(w.id);
  std::erase_if(timers, [&](const Timer& t) { return t.window == w.id; });
  if (focused == w.id) focused = 0;
}

void HeadlessDriver::show_window(WindowRecord& w) { focused = w.id; }

// A hidden window gives up the keyboard focus; nothing of ours takes it over.
void HeadlessDriver::hide_window(WindowRecord& w) {
  if (focused == w.id) focused = 0;
}

void HeadlessDriver::present(WindowRecord& w, std::span<const Rect> parts) {
  ++copies[w.id];
  presented[w.id].assign(parts.begin(), parts.end());
}

void HeadlessDriver::description_changed(WindowRecord& w) {
  Described& d = described[w.id];
  d.text = w.description;
  ++d.times;
}

void HeadlessDriver::text_line_added(WindowRecord& w, const std::string& line) {
  std::deque<std::string>& lines = said[w.id];
  lines.push_back(line);
  if (lines.size() > kSaidLines) lines.pop_front();
}

// A bar attached after creation takes its height from the client area. The entries
// themselves stay in the core's records, where the tests read them.
void HeadlessDriver::menu_bar_changed(WindowRecord& w) {
  menu_notices[w.id].push_back({true, 0, 0});
  core::client_resized(w.id, client_size(w));
}

void HeadlessDriver::menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) {
  menu_notices[w.id].push_back({false, menu, index});
}

void HeadlessDriver::wait_events() {
  if (core::has_message()) return;
  if (run_dialog_step()) return;
  std::int64_t next = next_event_time();
  if (next < 0)
    throw Stalled(
        "headless: the program waits for a message that can never come: nothing is "
        "queued, no input is scheduled and no timer runs");
  if (scheduled.empty() && next - last_input > idle_limit)
    throw Stalled("headless: the program waited " + std::to_string(next - last_input) +
                  " ms of virtual time with no input and none left to come (idle limit " +
                  std::to_string(idle_limit) + " ms)");
  advance_to(next);
}

void HeadlessDriver::start_timer(Window window, int id, int period_ms) {
  stop_timer(window, id);
  int period = std::max(period_ms, 1);
  timers.push_back({window, id, period, now + period});
}

void HeadlessDriver::stop_timer(Window window, int id) {
  std::erase_if(timers, [&](const Timer& t) { return t.window == window && t.id == id; });
}

bool HeadlessDriver::create_dialog(WindowRecord& d, WindowRecord*) {
  opened_titles.push_back(d.dialog.title);
  if (fail_next) {
    fail_next = false;
    return false;
  }
  OpenDialog od;
  for (const DialogItem& item : d.dialog.items) od.texts[item.id] = item.text;
  if (!answers.empty()) {
    od.steps.assign(answers.front().begin(), answers.front().end());
    answers.pop_front();
  } else {
    // Nobody was asked to answer it (a replay of a program, not a test): as a user who
    // just presses Enter. That is no input: a program that prompts at every tick and is
    // given nothing reaches the idle limit as one that only waits does.
    const int enter = d.dialog.default_id;
    od.steps.push_back([enter](Window dialog) { core::post_command(dialog, enter); });
  }
  dialogs[d.id] = std::move(od);
  return true;
}

void HeadlessDriver::destroy_dialog(WindowRecord& d) { dialogs.erase(d.id); }

std::string HeadlessDriver::dialog_item_text(WindowRecord& d, int item_id) {
  auto it = dialogs.find(d.id);
  if (it == dialogs.end()) return {};
  auto t = it->second.texts.find(item_id);
  return t == it->second.texts.end() ? std::string{} : t->second;
}

// ---- Time

std::int64_t HeadlessDriver::next_event_time() const {
  std::int64_t next = -1;
  for (const Timer& t : timers)
    if (next < 0 || t.due < next) next = t.due;
  for (const Scheduled& s : scheduled)
    if (next < 0 || s.at < next) next = s.at;
  return next;
}

void HeadlessDriver::advance_to(std::int64_t target) {
  for (;;) {
    std::int64_t next = next_event_time();
    if (next < 0 || next > target) break;
    now = std::max(now, next);
    for (Timer& t : timers) {
      if (t.due > now) continue;
      core::timer_fired(t.window, t.id);
      // Ticks that came while one was pending are dropped by the queue.
      while (t.due <= now) t.due += t.period;
    }
    run_scheduled_until(now);
  }
  now = std::max(now, target);
}

void HeadlessDriver::run_scheduled_until(std::int64_t t) {
  for (;;) {
    auto it = std::min_element(scheduled.begin(), scheduled.end(),
                               [](const Scheduled& a, const Scheduled& b) {
                                 return a.at != b.at ? a.at < b.at : a.order < b.order;
                               });
    if (it == scheduled.end() || it->at > t) return;
    std::function<void()> action = std::move(it->action);
    scheduled.erase(it);
    action();
  }
}

// ---- Dialogs

bool HeadlessDriver::run_dialog_step() {
  for (auto& [id, od] : dialogs) {
    if (od.steps.empty())
      throw Stalled("headless: dialog \"" + core::find(id)->dialog.title +
                    "\" is open and the test gave it no more answers");
    DialogAnswer step = std::move(od.steps.front());
    od.steps.pop_front();
    step(id);
    return true;
  }
  return false;
}

// ---- Windows

Size HeadlessDriver::client_size(const WindowRecord& w) const {
  int menu = w.menu ? kMenuBar : 0;
  return {std::max(0, w.outer.width() - 2 * kBorder),
          std::max(0, w.outer.height() - kCaption - 2 * kBorder - menu)};
}

void HeadlessDriver::input(const Message& msg) {
  last_input = now;
  core::post(msg);
}

}  // namespace kx508::platform::headless

namespace kx508::platform {

std::unique_ptr<Driver> make_headless_driver() {
  return std::make_unique<headless::HeadlessDriver>();
}

}  // namespace kx508::platform
