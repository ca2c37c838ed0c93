// The program's one message queue.
#include "queue.h"

#include <algorithm>

namespace kx508::platform {

void MessageQueue::post_quit(int exit_code) {
  quit_posted_ = true;
  quit_code_ = exit_code;
}

void MessageQueue::invalidate(Window window) {
  if (std::find(paint_.begin(), paint_.end(), window) == paint_.end()) paint_.push_back(window);
}

void MessageQueue::timer_fired(Window window, int id) {
  for (const TimerTick& t : ticks_)
    if (t.window == window && t.id == id) return;
  ticks_.push_back({window, id});
}

void MessageQueue::forget_window(Window window) {
  std::erase_if(fifo_, [window](const Message& m) { return m.window == window; });
  std::erase(paint_, window);
  std::erase_if(ticks_, [window](const TimerTick& t) { return t.window == window; });
}

void MessageQueue::forget_timer(Window window, int id) {
  std::erase_if(ticks_, [&](const TimerTick& t) { return t.window == window && t.id == id; });
}

bool MessageQueue::empty() const {
  return fifo_.empty() && !quit_posted_ && paint_.empty() && ticks_.empty();
}

bool MessageQueue::take(Message& msg) {
  msg = Message{};
  if (!fifo_.empty()) {
    msg = fifo_.front();
    fifo_.pop_front();
    return true;
  }
  if (quit_posted_) {
    quit_posted_ = false;
    msg.type = MsgType::Quit;
    msg.param = quit_code_;
    return true;
  }
  if (!paint_.empty()) {
    msg.window = paint_.front();
    msg.type = MsgType::Paint;
    paint_.erase(paint_.begin());
    return true;
  }
  if (!ticks_.empty()) {
    msg.window = ticks_.front().window;
    msg.type = MsgType::Timer;
    msg.param = ticks_.front().id;
    ticks_.erase(ticks_.begin());
    return true;
  }
  return false;
}

}  // namespace kx508::platform
