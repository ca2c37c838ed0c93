// The learner's own surface.h.
#pragma once
namespace platform {
struct Surface {
  int drawn = 0;
};
struct Pen {};
struct Brush {};
}  // namespace platform
