// The frames of a replay as PNG files, made fast: a canvas holds only the palette's
// colours, so a frame is an indexed PNG (exact when decoded), and its image data is made
// of bands of rows, each compressed on its own and kept until its rows change, so that a
// frame that moved a few shapes compresses just their bands.
#pragma once

#include <memory>
#include <vector>

#include "surface.h"

namespace kx508 {

class FramePng {
 public:
  explicit FramePng(std::vector<platform::Colour> palette);
  ~FramePng();
  FramePng(const FramePng&) = delete;
  FramePng& operator=(const FramePng&) = delete;
  // The PNG file's bytes for the surface; empty when they could not be made. A frame with
  // a colour outside the palette is made in RGB.
  const std::vector<unsigned char>& encode(const platform::Surface& s);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kx508
