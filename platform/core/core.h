// The common core's records, shared by the files that make up the core: the open
// backend, the message queue, and every window and menu.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "driver.h"
#include "queue.h"

namespace kx508::platform {

struct Core {
  std::unique_ptr<Driver> driver;
  const Backend* backend = nullptr;
  MessageQueue queue;
  std::map<Window, std::unique_ptr<WindowRecord>> windows;
  std::map<Menu, MenuRecord> menus;
  Window next_window = 1;
  Menu next_menu = 1;
  std::vector<Rect> parts;  // reused by every changed-parts copy, so a frame allocates nothing
};

// Never destroyed: windowing toolkits must not be torn down by static destructors after
// the program has ended; close() releases everything on a normal end.
Core& the_core();

// Hands a message to a window's or dialog's procedure.
long send(WindowRecord& w, const Message& msg);

}  // namespace kx508::platform
