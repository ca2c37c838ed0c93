// The program's one message queue: posted and input messages in order, then the quit
// message, then paint requests, then timer ticks, as a classic window system orders them.
#pragma once

#include <deque>
#include <vector>

#include "platform.h"

namespace kx508::platform {

class MessageQueue {
 public:
  // Posted and input messages, taken in the order they arrive.
  void post(const Message& msg) { fifo_.push_back(msg); }
  // A message that must be taken before anything already queued.
  void post_front(const Message& msg) { fifo_.push_front(msg); }
  void post_quit(int exit_code);
  // The window's client area needs drawing; one Paint message however often asked.
  void invalidate(Window window);
  // A timer's period has passed; one Timer message is kept pending at most.
  void timer_fired(Window window, int id);
  // Drops the pending timer ticks.
  void drop_ticks() { ticks_.clear(); }
  // Drops everything queued for a window that is gone.
  void forget_window(Window window);
  void forget_timer(Window window, int id);

  bool empty() const;
  bool take(Message& msg);

 private:
  struct TimerTick {
    Window window;
    int id;
  };
  std::deque<Message> fifo_;
  bool quit_posted_ = false;
  int quit_code_ = 0;
  std::vector<Window> paint_;
  std::vector<TimerTick> ticks_;
};

}  // namespace kx508::platform
