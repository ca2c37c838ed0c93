// Fuzzes the script reader: any bytes as "KX508.SCR", played with Ctrl+P until the player
// stops, then played again, on the headless backend in a private working directory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "headless/controls.h"
#include "internal.h"
#include "kx508.h"

namespace hl = kx508::platform::headless;

namespace {

// A script may hold a periodic run of two thousand million events; one input plays at
// most this many events a playback before it switches playback off by hand.
constexpr int kMaxEventsPerPlayback = 20000;

// The script goes to a private directory, entered only while an input runs: the fuzzer's
// own paths may be relative to where it was started.
std::string private_directory;
std::filesystem::path start_directory;

void make_private_directory() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kx508-fuzz-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) std::abort();
  private_directory = tmpl;
  start_directory = std::filesystem::current_path();
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(private_directory, ignored);
  });
}

bool click_pending = false;

// Ends a wait with a click once the player has stopped and nothing else answers it.
void ensure_click_later() {
  if (click_pending) return;
  click_pending = true;
  hl::schedule(hl::now_ms() + 1000, [] {
    click_pending = false;
    hl::click(kx508::lib.windows.draw_window, 0, 0);
  });
}

void wait_once() {
  ensure_click_later();
  int x, y;
  char key;
  int kind = KX508_wait_event(&x, &y, &key);
  if (kind < KX508_MOUSE || kind > KX508_QUIT) std::abort();
}

// Ctrl+P, then events until the player stops.
void play_until_stopped() {
  hl::set_focus(kx508::lib.windows.draw_window);
  hl::ctrl_key('p');
  int events = 0;
  do {
    wait_once();
    if (++events > kMaxEventsPerPlayback && kx508::lib.script.playback_on) {
      kx508::on_command(kx508::kCmdPlayback);  // off, as the user would
      break;
    }
  } while (kx508::lib.script.playback_on);
  // Whatever stopped it, the menu mark never claims playback while it is off.
  if (kx508::lib.script.playback_on || kx508::lib.script.play_one_pending) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  make_private_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (chdir(private_directory.c_str()) != 0) std::abort();
  kx508::reset_library();
  click_pending = false;
  std::string why;
  if (!kx508::platform::open_backend("headless", &why)) std::abort();
  if (KX508_start("kx508-fuzz", nullptr, "", 1) != 1) std::abort();
  KX508_set_logging(0);

  std::FILE* f = std::fopen("KX508.SCR", "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  play_until_stopped();
  play_until_stopped();

  KX508_stop();
  kx508::reset_library();
  if (chdir(start_directory.c_str()) != 0) std::abort();
  return 0;
}
