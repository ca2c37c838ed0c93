// PNG files through stb_image_write, a small and well-kept writer compiled in here. Where
// zlib is at hand its fastest level does the compression: stb's own compressor is
// several times slower, and a replay may write a frame for every event.
#include "png.h"

#include <algorithm>
#include <cerrno>
#include <climits>
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
// Only the PNG reader: frames are PNGs, and the other formats' readers would only add size.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "files.h"

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

namespace kx508 {

bool encode_png(int width, int height, const unsigned char* rgb, std::vector<unsigned char>* out) {
  stbi_write_force_png_filter = 1;
  int length = 0;
  unsigned char* png = stbi_write_png_to_mem(rgb, width * 3, width, height, 3, &length);
  if (!png) return false;
  out->assign(png, png + length);
  STBIW_FREE(png);
  return true;
}

bool write_file(const std::string& path, const std::vector<unsigned char>& bytes,
                std::string* why) {
  const std::string part = png_part_name(path);
  std::FILE* f = std::fopen(part.c_str(), "wb");
  if (!f) {
    if (why) *why = std::strerror(errno);
    return false;
  }
  errno = 0;
  int error = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fflush(f) != 0)
    error = errno != 0 ? errno : EIO;
  errno = 0;
  if (std::fclose(f) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error != 0) return fail(part, std::strerror(error), why);
  std::error_code ec;
  std::filesystem::rename(part, path, ec);
  if (ec) return fail(part, ec.message(), why);
  return true;
}

namespace {

// stb_image reads through these, from a file opened without blocking.
int read_callback(void* user, char* data, int size) {
  return static_cast<int>(std::fread(data, 1, static_cast<std::size_t>(size),
                                     static_cast<std::FILE*>(user)));
}
void skip_callback(void* user, int n) { std::fseek(static_cast<std::FILE*>(user), n, SEEK_CUR); }
int eof_callback(void* user) { return std::feof(static_cast<std::FILE*>(user)); }
const stbi_io_callbacks kFileCallbacks = {read_callback, skip_callback, eof_callback};

}  // namespace

bool png_size(const std::string& path, int* width, int* height, std::string* why) {
  std::FILE* f = platform::files::open_for_reading(path.c_str(), why);
  if (!f) return false;
  int channels = 0;
  const bool read =
      stbi_info_from_callbacks(&kFileCallbacks, f, width, height, &channels) != 0;
  std::fclose(f);
  if (!read && why) *why = "not a PNG picture";
  return read;
}

bool read_png(const std::string& path, RgbPicture* out, std::string* why, int max_side) {
  std::FILE* f = platform::files::open_for_reading(path.c_str(), why);
  if (!f) return false;
  std::vector<unsigned char> bytes;
  unsigned char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
    bytes.insert(bytes.end(), buffer, buffer + n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    if (why) *why = "cannot be read";
    return false;
  }
  return decode_png(bytes.data(), bytes.size(), out, why, max_side);
}

bool decode_png(const unsigned char* data, std::size_t size, RgbPicture* out, std::string* why,
                int max_side) {
  int width = 0, height = 0, channels = 0;
  const int length = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
  if (size > INT_MAX || !stbi_info_from_memory(data, length, &width, &height, &channels)) {
    if (why) *why = "not a PNG picture";
    return false;
  }
  if (width > max_side || height > max_side) {
    if (why) *why = "a picture over " + std::to_string(max_side) + " pixels across";
    return false;
  }
  unsigned char* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 3);
  if (!pixels) {
    if (why) *why = stbi_failure_reason() ? stbi_failure_reason() : "cannot be decoded";
    return false;
  }
  out->width = width;
  out->height = height;
  out->rgb.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 3);
  stbi_image_free(pixels);
  return true;
}

}  // namespace kx508
