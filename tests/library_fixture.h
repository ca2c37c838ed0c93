// A test fixture that runs the library on the headless backend, fresh for every test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "headless/headless.h"
#include "internal.h"
#include "kx508.h"

namespace hl = platform::headless;

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
    std::string tmpl = (std::filesystem::temp_directory_path() / "kx508-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    std::filesystem::current_path(dir_);
    kx508::reset_library();
    std::string why;
    ASSERT_TRUE(platform::open_backend("headless", &why)) << why;
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

  // The client pixel of a library point.
  static int client_x(int x) { return kx508::canvas_origin.x + x; }
  static int client_y(int y) { return kx508::canvas_origin.y - y; }

 private:
  std::filesystem::path old_dir_, dir_;
};
