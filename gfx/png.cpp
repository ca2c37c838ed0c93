// PNG files through stb_image_write, a small and well-kept writer compiled in here, with
// zlib's fastest level doing the compression: stb's own compressor is several times
// slower, and a replay may write a frame for every event. Builds without zlib (the web)
// use stb's own.
#include "png.h"

#include <cstdlib>
#include <vector>

#ifdef KX508_PNG_ZLIB

#include <zlib.h>

namespace {

// stb_image_write's hook for a compressor: a buffer from malloc, which stb frees.
unsigned char* deflate_fast(unsigned char* data, int length, int* out_length, int /*quality*/) {
  uLongf size = compressBound(static_cast<uLong>(length));
  auto* out = static_cast<unsigned char*>(std::malloc(size));
  if (!out) return nullptr;
  if (compress2(out, &size, data, static_cast<uLong>(length), Z_BEST_SPEED) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *out_length = static_cast<int>(size);
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS deflate_fast
#endif
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace kx508 {

bool write_png(const std::string& path, const platform::Surface& s) {
  // Each row filtered as the difference from the pixel to its left: flat colours, which
  // are most of a frame, become runs of zeros; trying all five filters costs more.
  stbi_write_force_png_filter = 1;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(s.width()) * s.height() * 3);
  unsigned char* out = rgb.data();
  for (int y = 0; y < s.height(); ++y) {
    for (const platform::Colour* p = s.row(y); p != s.row(y) + s.width(); ++p) {
      *out++ = static_cast<unsigned char>(*p >> 16);
      *out++ = static_cast<unsigned char>(*p >> 8);
      *out++ = static_cast<unsigned char>(*p);
    }
  }
  return stbi_write_png(path.c_str(), s.width(), s.height(), 3, rgb.data(), s.width() * 3) != 0;
}

}  // namespace kx508
