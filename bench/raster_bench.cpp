// The software rasterizer on a window-sized surface: typical shapes, and shapes whose
// size off the surface must not cost anything.
#include <benchmark/benchmark.h>

#include <cstdint>

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

}  // namespace
