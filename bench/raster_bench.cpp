// The software rasterizer on a window-sized surface: typical shapes, and shapes whose
// size off the surface must not cost anything.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "font.h"
#include "surface.h"

namespace {

using kx508::platform::Brush;
using kx508::platform::Pen;
using kx508::platform::Point64;
using kx508::platform::rgb;
using kx508::platform::Surface;

constexpr int kWidth = 601, kHeight = 540;
const Pen kPen{rgb(200, 0, 0), 1, false};
const Pen kNoPen{rgb(200, 0, 0), 1, true};
const Brush kSolid{rgb(0, 0, 200), false};
const Brush kHollow{rgb(0, 0, 200), true};

void BM_FullSurfaceRectangle(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  for (auto _ : state) {
    kx508::platform::draw_rectangle(s, kNoPen, kSolid, 0, 0, kWidth, kHeight);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_FullSurfaceRectangle);

void BM_SmallFilledRectangle(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  for (auto _ : state) {
    kx508::platform::draw_rectangle(s, kPen, kSolid, 300, 200, 310, 210);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_SmallFilledRectangle);

void BM_SmallFilledTriangle(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  const Point64 t[] = {{300, 200}, {310, 206}, {303, 211}};
  for (auto _ : state) {
    kx508::platform::draw_polygon(s, kPen, kSolid, t, 3);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_SmallFilledTriangle);

void BM_OutlineRectangle(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  for (auto _ : state) {
    kx508::platform::draw_rectangle(s, kPen, kHollow, 20, 20, 580, 520);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_OutlineRectangle);

void BM_HugeWidthOutlineRectangle(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  const Pen wide{rgb(200, 0, 0), 2000000000, false};
  for (auto _ : state) {
    kx508::platform::draw_rectangle(s, wide, kHollow, 100, 100, 200, 200);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_HugeWidthOutlineRectangle);

void BM_HugeWidthOutlineTriangle(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  const Pen wide{rgb(200, 0, 0), 2000000000, false};
  const Point64 t[] = {{100, 100}, {500, 150}, {250, 400}};
  for (auto _ : state) {
    kx508::platform::draw_polygon(s, wide, kHollow, t, 3);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_HugeWidthOutlineTriangle);

void BM_HugeTriangle(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  const std::int64_t far = std::int64_t{1} << 31;
  const Point64 t[] = {{-far, -far + 7}, {far - 3, -far}, {300, far - 1}};
  for (auto _ : state) {
    kx508::platform::draw_polygon(s, kPen, kSolid, t, 3);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_HugeTriangle);

// The learner's drawing kit beside the full-canvas rectangle: none may cost more.
void BM_Line600Pixels(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  for (auto _ : state) {
    kx508::platform::draw_line(s, kPen, {0, 20}, {599, 470});  // 600 columns, one pixel each
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_Line600Pixels);

void BM_WideLine600Pixels(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  const Pen wide{rgb(200, 0, 0), 9, false};
  for (auto _ : state) {
    kx508::platform::draw_line(s, wide, {0, 20}, {599, 470});
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_WideLine600Pixels);

void BM_CanvasFilledEllipse(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  for (auto _ : state) {
    kx508::platform::draw_ellipse(s, kNoPen, kSolid, 0, 0, kWidth, kHeight);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_CanvasFilledEllipse);

void BM_CanvasOutlinedEllipse(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  for (auto _ : state) {
    kx508::platform::draw_ellipse(s, kPen, kHollow, 0, 0, kWidth, kHeight);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_CanvasOutlinedEllipse);

void BM_HugeEllipse(benchmark::State& state) {
  // 2^32 across, its rim through the canvas.
  Surface s(kWidth, kHeight);
  const std::int64_t n = std::int64_t{1} << 32;
  for (auto _ : state) {
    kx508::platform::draw_ellipse(s, kPen, kSolid, 300 - n, 270 - n / 2 + 3, 300, 270 + n / 2);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_HugeEllipse);

void BM_Text40Characters(benchmark::State& state) {
  Surface s(kWidth, kHeight);
  const std::string text = "The quick brown fox jumps over the lazy!";  // 40 characters
  for (auto _ : state) {
    kx508::platform::draw_text(s, 20, 200, text, rgb(200, 0, 0));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_Text40Characters);

// 40 characters of other scripts: Han takes two cells a character, and Arabic is ordered
// right to left and joined before it is drawn.
void BM_Text40(benchmark::State& state, const char* text) {
  Surface s(kWidth, kHeight);
  for (auto _ : state) {
    kx508::platform::draw_text(s, 20, 200, text, rgb(200, 0, 0));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK_CAPTURE(BM_Text40, Han,
                  "李雷和韩梅梅是同学。他们"
                  "每天一起去学校学习中文和"
                  "数学，放学后一起回家吃饭"
                  "。好啊。");
BENCHMARK_CAPTURE(BM_Text40, Arabic,
                  "ذهب محمد وليلى "
                  "إلى المدرسة صب"
                  "احا مع أخيه");

}  // namespace
