// A test fixture that runs the library on the headless backend, fresh for every test.
#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "headless/controls.h"
#include "internal.h"
#include "kx508.h"

namespace hl = kx508::platform::headless;

// The log's stored lines, oldest first.
inline std::vector<std::string> log_lines() {
  std::vector<std::string> lines;
  if (kx508::lib.log.first < 0) return lines;
  int slot = kx508::lib.log.first;
  do {
    lines.push_back(kx508::lib.log.ring[slot]);
    slot = (slot + 1) % kx508::kLogLines;
  } while (slot != kx508::lib.log.next);
  return lines;
}

// Whether the Run menu entry with this command id carries a check mark.
inline bool menu_item_checked(int id) {
  for (const kx508::platform::MenuEntry& e : hl::popup_entries(kx508::lib.windows.draw_window, 0))
    if (!(e.flags & kx508::platform::MenuFlag::Separator) && e.id == static_cast<std::uint32_t>(id))
      return e.flags & kx508::platform::MenuFlag::Checked;
  ADD_FAILURE() << "no menu entry " << id;
  return false;
}

// A new folder of the test's own under the temporary folder.
inline std::filesystem::path make_test_dir() {
  const std::filesystem::path tmp = std::filesystem::temp_directory_path();
#ifdef _WIN32
  // No mkdtemp here: random names until one is new.
  std::random_device random;
  for (;;) {
    std::filesystem::path dir = tmp / ("kx508-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(dir)) return dir;
  }
#else
  std::string tmpl = (tmp / "kx508-test-XXXXXX").string();
  return mkdtemp(tmpl.data()) ? std::filesystem::path(tmpl) : std::filesystem::path();
#endif
}

// Sets an environment variable for the program, or removes it when value is null.
inline void set_env(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value) setenv(name, value, 1);
  else unsetenv(name);
#endif
}

struct Event {
  int kind = 0;
  int x = 0, y = 0;
  char key = 0;
};

class LibraryTest : public ::testing::Test {
 protected:
  // Each test runs in a fresh working directory, where the script file goes.
  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    dir_ = make_test_dir();
    ASSERT_FALSE(dir_.empty());
    std::filesystem::current_path(dir_);
    kx508::reset_library();
    std::string why;
    ASSERT_TRUE(kx508::platform::open_backend("headless", &why)) << why;
  }

  void TearDown() override {
    kx508::reset_library();
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_);
  }

  void start(int screen_width = 1024, int screen_height = 768) {
    hl::set_screen_size(screen_width, screen_height);
    ASSERT_EQ(KX508_start("kx508-test", nullptr, "", 1), 1);
  }

  static Event wait() {
    Event e;
    e.kind = KX508_wait_event(&e.x, &e.y, &e.key);
    return e;
  }

  // Lets the program handle what is queued (a repaint, posted keys, menu commands): runs
  // waits until a click scheduled just after them comes through.
  static void handle_queued_input() {
    hl::schedule(hl::now_ms() + 1, [] { hl::click(kx508::lib.windows.draw_window, 0, 0); });
    while (wait().kind != KX508_MOUSE) {
    }
  }

  // The client pixel of a library point.
  static int client_x(int x) { return kx508::lib.windows.canvas_origin.x + x; }
  static int client_y(int y) { return kx508::lib.windows.canvas_origin.y - y; }

 private:
  std::filesystem::path old_dir_, dir_;
};
