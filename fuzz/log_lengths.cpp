// Fuzzes KX508_log with messages of any length and content, with the text window open or
// closed by the user, and checks the ring of 25 lines after every message.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "headless/controls.h"
#include "internal.h"
#include "kx508.h"

namespace hl = kx508::platform::headless;

namespace {

constexpr std::size_t kMaxLine = 1023;

void start() {
  kx508::reset_library();
  std::string why;
  if (!kx508::platform::open_backend("headless", &why)) std::abort();
  if (KX508_start("kx508-fuzz", nullptr, "", 1) != 1) std::abort();
}

void check_ring() {
  if (kx508::lib.log.first < -1 || kx508::lib.log.first >= kx508::kLogLines) std::abort();
  if (kx508::lib.log.next < 0 || kx508::lib.log.next >= kx508::kLogLines) std::abort();
  for (const std::string& line : kx508::lib.log.ring)
    if (line.size() > kMaxLine) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  start();
  if (in.ConsumeBool()) hl::close_window(kx508::lib.windows.text_window);
  while (in.remaining_bytes() > 0) {
    std::string text = in.ConsumeRandomLengthString(in.remaining_bytes());
    int count = 0;
    std::size_t expected = 0;
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
      case 0:  // the text as it is, up to its first NUL
        count = KX508_log("%s", text.c_str());
        expected = std::strlen(text.c_str());
        break;
      case 1: {  // padded to any width up to 64 KiB
        int pad = in.ConsumeIntegralInRange<int>(0, 1 << 16);
        count = KX508_log("%*s|", pad, text.c_str());
        expected = std::max<std::size_t>(pad, std::strlen(text.c_str())) + 1;
        break;
      }
      default: {  // a number of its characters, NULs included in the count asked for
        int n = in.ConsumeIntegralInRange<int>(0, static_cast<int>(text.size()));
        count = KX508_log("%.*s\n", n, text.c_str());
        expected = std::strlen(text.substr(0, n).c_str()) + 1;
        break;
      }
    }
    // The whole length is reported, however much of it the ring keeps.
    if (count < 0 || static_cast<std::size_t>(count) != expected) std::abort();
    check_ring();
  }
  // A repaint from the ring after any of it.
  if (hl::window_info(kx508::lib.windows.text_window).exists) hl::advance(1);
  kx508::reset_library();
  return 0;
}
