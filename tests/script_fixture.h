// A fixture for tests of the script file: the library started with logging off, and
// helpers that write and read files in the test's own working directory.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "library_fixture.h"

// The line a recording started from the menu begins with.
inline const std::string kRecordingInputOnly =
    "Recording KX508.SCR: input only, from now on; what the program did before is not in it\n";

class ScriptFileTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    start();
    KX508_set_logging(0);
  }

  static void write_file(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }

  static void write_script(const std::string& text) { write_file("KX508.SCR", text); }

  static std::string read_script() {
    std::ifstream in("KX508.SCR", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Ends a wait with a click when nothing scripted answers it first.
  static Event wait_or_click() {
    hl::schedule(hl::now_ms() + 5000, [] { hl::click(kx508::lib.windows.draw_window, 0, 0); });
    return wait();
  }
};
