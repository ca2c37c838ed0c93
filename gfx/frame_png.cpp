// The frames' PNG writer: an indexed PNG whose image data is zlib's raw deflate of bands of
// rows, each band flushed to a byte boundary so that bands made at different times can be
// put side by side, and their checksums combined.
#include "frame_png.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <string>

#include "png.h"

#ifdef KX508_PNG_ZLIB
#include <zlib.h>
#endif

namespace kx508 {

namespace {

// The surface as 8-bit RGB, for a frame the palette cannot hold.
bool encode_rgb(const platform::Surface& s, std::vector<unsigned char>* out) {
  std::vector<unsigned char> rgb;
  rgb.reserve(static_cast<std::size_t>(s.width()) * s.height() * 3);
  for (int y = 0; y < s.height(); ++y) {
    for (const platform::Colour* p = s.row(y); p != s.row(y) + s.width(); ++p) {
      rgb.push_back(static_cast<unsigned char>(*p >> 16));
      rgb.push_back(static_cast<unsigned char>(*p >> 8));
      rgb.push_back(static_cast<unsigned char>(*p));
    }
  }
  return encode_png(s.width(), s.height(), rgb.data(), out);
}

}  // namespace

#ifdef KX508_PNG_ZLIB

namespace {

constexpr int kBandRows = 16;

void put_be32(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

}  // namespace

struct FramePng::Impl {
  // One band as last compressed: the pixels it was made from, and what they gave.
  struct Band {
    std::vector<platform::Colour> pixels;
    std::vector<unsigned char> deflated;
    uLong adler = 1;
    uLong raw_size = 0;
  };

  std::vector<platform::Colour> palette;
  std::vector<Band> bands;
  int width = 0, height = 0;
  z_stream zs{};
  bool zs_ready = false;
  std::vector<unsigned char> raw, out;
  std::size_t last_hit = 0;

  ~Impl() {
    if (zs_ready) deflateEnd(&zs);
  }

  // The palette index of a colour, or -1.
  int index_of(platform::Colour c) {
    if (palette[last_hit] == c) return static_cast<int>(last_hit);
    for (std::size_t i = 0; i < palette.size(); ++i)
      if (palette[i] == c) return static_cast<int>(last_hit = i);
    return -1;
  }

  // Rows as PNG has them (a filter byte, 0, then the indices), compressed on their own and
  // ended on a byte boundary. False when a colour is not in the palette.
  bool compress_band(const platform::Surface& s, int top, Band& band) {
    const int rows = std::min(kBandRows, s.height() - top);
    raw.clear();
    for (int y = top; y < top + rows; ++y) {
      raw.push_back(0);
      for (const platform::Colour* p = s.row(y); p != s.row(y) + s.width(); ++p) {
        const int index = index_of(*p);
        if (index < 0) return false;
        raw.push_back(static_cast<unsigned char>(index));
      }
    }
    deflateReset(&zs);
    band.deflated.resize(deflateBound(&zs, static_cast<uLong>(raw.size())) + 16);
    zs.next_in = raw.data();
    zs.avail_in = static_cast<uInt>(raw.size());
    zs.next_out = band.deflated.data();
    zs.avail_out = static_cast<uInt>(band.deflated.size());
    if (deflate(&zs, Z_FULL_FLUSH) != Z_OK) return false;
    band.deflated.resize(band.deflated.size() - zs.avail_out);
    band.adler = adler32(1, raw.data(), static_cast<uInt>(raw.size()));
    band.raw_size = static_cast<uLong>(raw.size());
    band.pixels.assign(s.row(top), s.row(top) + static_cast<std::size_t>(rows) * s.width());
    return true;
  }

  bool band_unchanged(const platform::Surface& s, int top, const Band& band) const {
    const std::size_t n = static_cast<std::size_t>(std::min(kBandRows, s.height() - top)) * s.width();
    return band.pixels.size() == n &&
           std::memcmp(band.pixels.data(), s.row(top), n * sizeof(platform::Colour)) == 0;
  }

  void chunk(const char* type, const unsigned char* data, std::size_t n) {
    put_be32(out, static_cast<std::uint32_t>(n));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + n);
    put_be32(out, static_cast<std::uint32_t>(
                      crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
  }

  void assemble() {
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.assign(std::begin(kSignature), std::end(kSignature));
    std::vector<unsigned char> header;
    put_be32(header, static_cast<std::uint32_t>(width));
    put_be32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 3, 0, 0, 0});  // 8-bit indices, no interlace
    chunk("IHDR", header.data(), header.size());
    std::vector<unsigned char> colours;
    for (platform::Colour c : palette)
      colours.insert(colours.end(), {static_cast<unsigned char>(c >> 16),
                                     static_cast<unsigned char>(c >> 8),
                                     static_cast<unsigned char>(c)});
    chunk("PLTE", colours.data(), colours.size());
    // zlib's header for the fastest level, the bands, an empty final block, the checksum.
    std::vector<unsigned char> data = {0x78, 0x01};
    uLong adler = 1;
    for (const Band& band : bands) {
      data.insert(data.end(), band.deflated.begin(), band.deflated.end());
      adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.raw_size));
    }
    data.insert(data.end(), {0x03, 0x00});
    put_be32(data, static_cast<std::uint32_t>(adler));
    chunk("IDAT", data.data(), data.size());
    chunk("IEND", nullptr, 0);
  }

  const std::vector<unsigned char>& encode(const platform::Surface& s) {
    if (!zs_ready) {
      // The fastest level: a band's rows are mostly runs of one index.
      if (deflateInit2(&zs, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        out.clear();
        return out;
      }
      zs_ready = true;
    }
    if (s.width() != width || s.height() != height) {
      width = s.width();
      height = s.height();
      bands.assign(static_cast<std::size_t>((height + kBandRows - 1) / kBandRows), Band{});
    }
    for (std::size_t b = 0; b < bands.size(); ++b) {
      const int top = static_cast<int>(b) * kBandRows;
      if (band_unchanged(s, top, bands[b])) continue;
      if (!compress_band(s, top, bands[b])) {
        bands[b] = Band{};
        if (!encode_rgb(s, &out)) out.clear();
        return out;
      }
    }
    assemble();
    return out;
  }
};

#else

// Without zlib (the web build), every frame is made in RGB by stb's own compressor.
struct FramePng::Impl {
  std::vector<platform::Colour> palette;
  std::vector<unsigned char> out;
  const std::vector<unsigned char>& encode(const platform::Surface& s) {
    if (!encode_rgb(s, &out)) out.clear();
    return out;
  }
};

#endif

FramePng::FramePng(std::vector<platform::Colour> palette) : impl_(std::make_unique<Impl>()) {
  impl_->palette = std::move(palette);
}

FramePng::~FramePng() = default;

const std::vector<unsigned char>& FramePng::encode(const platform::Surface& s) {
  return impl_->encode(s);
}

}  // namespace kx508
