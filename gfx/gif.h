// Writing an animated GIF frame by frame, for a replay saved as one picture: the exact
// colours of a small palette, each frame stored as the rectangle that changed since the
// one before (its unchanged pixels transparent), and the same bytes on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "surface.h"

namespace kx508 {

class GifWriter {
 public:
  // Starts a looping animation of width x height pixels into an open file. The palette
  // holds the colours frames may have (at most 255); a pixel of another colour is written
  // as the nearest of them.
  GifWriter(std::FILE* file, int width, int height, std::vector<platform::Colour> palette);

  // A frame of the writer's size, shown for delay_cs hundredths of a second.
  void add_frame(const platform::Surface& picture, int delay_cs);
  // Ends the file. False when a write failed, here or earlier; errno_value() says why.
  bool finish();
  int errno_value() const { return error_; }

 private:
  struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  };
  Box changed_box(const platform::Surface& picture) const;
  std::uint8_t index_of(platform::Colour c);
  void write_header();
  void write_image(const platform::Surface& picture, const Box& box, int delay_cs);
  void put(const void* bytes, std::size_t n);
  void put_byte(int b);
  void put_word(int w);

  std::FILE* file_;
  int width_, height_;
  std::vector<platform::Colour> palette_;
  int transparent_;  // the index of a pixel the frame leaves as it was
  int min_code_size_;
  std::vector<platform::Colour> shown_;  // the picture as the frames so far leave it
  bool first_ = true;
  std::size_t last_hit_ = 0;
  std::vector<std::uint8_t> indices_;
  int error_ = 0;
};

}  // namespace kx508
