// Fuzzes the drawing primitives: any colours, widths and coordinates, the int limits
// among them, with trace lines on and off, on the headless backend.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "internal.h"
#include "kx508.h"

namespace {

// Values that sit on the edges of the canvas, of the rasterizer's arithmetic and of int.
constexpr int kEdges[] = {INT_MIN,     INT_MIN + 1, INT_MIN / 2, -65536, -32769, -32768,
                          -601,        -540,        -301,        -300,   -270,   -1,
                          0,           1,           270,         300,    301,    540,
                          601,         32767,       32768,       65536,  INT_MAX / 2,
                          INT_MAX - 1, INT_MAX};

int value(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return in.PickValueInArray(kEdges);
    case 1: return in.ConsumeIntegralInRange<int>(-700, 700);
    default: return in.ConsumeIntegral<int>();
  }
}

int width(FuzzedDataProvider& in) {
  // Mostly thin lines, which is what callers draw, but any width now and then.
  return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-40, 40) : value(in);
}

void start_once() {
  static bool started = false;
  if (started) return;
  started = true;
  std::string why;
  if (!platform::open_backend("headless", &why)) std::abort();
  if (KX508_start("kx508-fuzz", nullptr, "", 1) != 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  start_once();
  FuzzedDataProvider in(data, size);
  KX508_set_logging(in.ConsumeBool());
  while (in.remaining_bytes() > 0) {
    int result = 1;
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
      case 0: result = KX508_clear(); break;
      case 1: result = KX508_flush(); break;
      case 2: case 3: case 4: {
        int colour = value(in), x1 = value(in), y1 = value(in), x2 = value(in), y2 = value(in);
        result = KX508_draw_rectangle(colour, x1, y1, x2, y2, width(in));
        break;
      }
      default: {
        int colour = value(in), x1 = value(in), y1 = value(in), x2 = value(in), y2 = value(in),
            x3 = value(in), y3 = value(in);
        result = KX508_draw_triangle(colour, x1, y1, x2, y2, x3, y3, width(in));
        break;
      }
    }
    if (result != 1) std::abort();
  }
  // The canvas keeps its size, and a changed canvas still reaches the window.
  const platform::Surface& canvas = kx508::lib.windows.canvas;
  if (canvas.width() != kx508::kCanvasWidth || canvas.height() != kx508::kCanvasHeight)
    std::abort();
  KX508_flush();
  return 0;
}
