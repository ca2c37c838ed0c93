// PNG files through stb_image_write, a small and well-kept writer compiled in here. Where
// zlib is at hand its fastest level does the compression: stb's own compressor is
// several times slower, and a replay may write a frame for every event.
#include "png.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
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

namespace {

// What stb hands over, written as it comes; the first failure is kept.
struct Output {
  std::FILE* file = nullptr;
  int error = 0;
};

void write_chunk(void* context, void* data, int size) {
  auto* out = static_cast<Output*>(context);
  if (out->error != 0) return;
  errno = 0;
  if (std::fwrite(data, 1, static_cast<std::size_t>(size), out->file) !=
      static_cast<std::size_t>(size))
    out->error = errno != 0 ? errno : EIO;
}

bool fail(const std::string& part, const std::string& reason, std::string* why) {
  std::remove(part.c_str());
  if (why) *why = reason;
  return false;
}

}  // namespace

std::string png_part_name(const std::string& path) { return path + ".part"; }

bool write_png(const std::string& path, int width, int height, const unsigned char* rgb,
               std::string* why) {
  const std::string part = png_part_name(path);
  Output out;
  out.file = std::fopen(part.c_str(), "wb");
  if (!out.file) {
    if (why) *why = std::strerror(errno);
    return false;
  }
  // Each row filtered as the difference from the pixel to its left: flat colours, which
  // are most of a frame, become runs of zeros; trying all five filters costs more.
  stbi_write_force_png_filter = 1;
  const bool encoded = stbi_write_png_to_func(write_chunk, &out, width, height, 3, rgb,
                                              width * 3) != 0;
  errno = 0;
  if (out.error == 0 && std::fflush(out.file) != 0) out.error = errno != 0 ? errno : EIO;
  errno = 0;
  if (std::fclose(out.file) != 0 && out.error == 0) out.error = errno != 0 ? errno : EIO;
  if (!encoded && out.error == 0) out.error = ENOMEM;  // stb could not make its buffers
  if (out.error != 0) return fail(part, std::strerror(out.error), why);
  std::error_code ec;
  std::filesystem::rename(part, path, ec);
  if (ec) return fail(part, ec.message(), why);
  return true;
}

bool write_png(const std::string& path, const platform::Surface& s, std::string* why) {
  // Kept from one frame to the next, so that a replay writing every frame allocates once.
  static std::vector<unsigned char> rgb;
  rgb.resize(static_cast<std::size_t>(s.width()) * s.height() * 3);
  unsigned char* out = rgb.data();
  for (int y = 0; y < s.height(); ++y) {
    for (const platform::Colour* p = s.row(y); p != s.row(y) + s.width(); ++p) {
      *out++ = static_cast<unsigned char>(*p >> 16);
      *out++ = static_cast<unsigned char>(*p >> 8);
      *out++ = static_cast<unsigned char>(*p);
    }
  }
  return write_png(path, s.width(), s.height(), rgb.data(), why);
}

}  // namespace kx508
