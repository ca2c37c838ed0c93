// The GIF writer: a global palette, a loop, and per frame a control block (its delay, its
// transparent index) and the changed rectangle's indices compressed with variable-width
// LZW codes, as GIF89a has them.
#include "gif.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace kx508 {

namespace {

constexpr int kMaxCodes = 4096;  // codes are at most 12 bits wide

// Variable-width LZW codes, packed from the low bit up into sub-blocks of at most 255
// bytes. The dictionary is a table of children: a string's code and a next index give the
// longer string's code, or -1.
class LzwEncoder {
 public:
  LzwEncoder(int min_code_size, std::vector<std::uint8_t>& out)
      : min_(min_code_size), clear_(1 << min_code_size), out_(out),
        children_(static_cast<std::size_t>(kMaxCodes) << min_code_size) {}

  void encode(const std::vector<std::uint8_t>& indices) {
    out_.push_back(static_cast<std::uint8_t>(min_));
    reset();
    emit(clear_);
    int prefix = -1;
    for (std::uint8_t symbol : indices) {
      if (prefix < 0) {
        prefix = symbol;
        continue;
      }
      std::int16_t& child = children_[(static_cast<std::size_t>(prefix) << min_) + symbol];
      if (child >= 0) {
        prefix = child;
        continue;
      }
      emit(prefix);
      child = static_cast<std::int16_t>(next_++);
      // A reader widens its codes one code later than it is given them.
      if (next_ == (1 << width_) + 1 && width_ < 12) ++width_;
      if (next_ == kMaxCodes - 1) {
        emit(clear_);
        reset();
      }
      prefix = symbol;
    }
    if (prefix >= 0) emit(prefix);
    emit(clear_ + 1);  // the end of the image's data
    if (bit_count_ > 0) byte(static_cast<std::uint8_t>(bits_));
    close_block();
    out_.push_back(0);
  }

 private:
  void reset() {
    std::fill(children_.begin(), children_.end(), -1);
    next_ = clear_ + 2;
    width_ = min_ + 1;
  }

  void emit(int code) {
    bits_ |= static_cast<std::uint32_t>(code) << bit_count_;
    bit_count_ += width_;
    while (bit_count_ >= 8) {
      byte(static_cast<std::uint8_t>(bits_ & 0xFF));
      bits_ >>= 8;
      bit_count_ -= 8;
    }
  }

  void byte(std::uint8_t b) {
    block_[block_size_++] = b;
    if (block_size_ == 255) close_block();
  }

  void close_block() {
    if (block_size_ == 0) return;
    out_.push_back(static_cast<std::uint8_t>(block_size_));
    out_.insert(out_.end(), block_, block_ + block_size_);
    block_size_ = 0;
  }

  const int min_, clear_;
  std::vector<std::uint8_t>& out_;
  std::vector<std::int16_t> children_;
  int next_ = 0, width_ = 0;
  std::uint32_t bits_ = 0;
  int bit_count_ = 0;
  std::uint8_t block_[255] = {};
  int block_size_ = 0;
};

int distance(platform::Colour a, platform::Colour b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int c = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    d += c * c;
  }
  return d;
}

}  // namespace

GifWriter::GifWriter(std::FILE* file, int width, int height,
                     std::vector<platform::Colour> palette)
    : file_(file), width_(width), height_(height), palette_(std::move(palette)) {
  transparent_ = static_cast<int>(palette_.size());
  min_code_size_ = 2;
  while ((1 << min_code_size_) < transparent_ + 1) ++min_code_size_;
  shown_.assign(static_cast<std::size_t>(width) * height, 0);
  write_header();
}

void GifWriter::put(const void* bytes, std::size_t n) {
  if (error_ != 0) return;
  errno = 0;
  if (std::fwrite(bytes, 1, n, file_) != n) error_ = errno != 0 ? errno : EIO;
}

void GifWriter::put_byte(int b) {
  const std::uint8_t v = static_cast<std::uint8_t>(b);
  put(&v, 1);
}

void GifWriter::put_word(int w) {
  put_byte(w & 0xFF);
  put_byte((w >> 8) & 0xFF);
}

void GifWriter::write_header() {
  put("GIF89a", 6);
  put_word(width_);
  put_word(height_);
  const int table_bits = min_code_size_;  // 2^bits entries hold the palette and transparent
  put_byte(0x80 | 0x70 | (table_bits - 1));  // a global table of 8-bit colours
  put_byte(0);                               // background
  put_byte(0);                               // square pixels
  for (int i = 0; i < (1 << table_bits); ++i) {
    const platform::Colour c = i < transparent_ ? palette_[static_cast<std::size_t>(i)] : 0;
    put_byte(static_cast<int>((c >> 16) & 0xFF));
    put_byte(static_cast<int>((c >> 8) & 0xFF));
    put_byte(static_cast<int>(c & 0xFF));
  }
  // Loop for ever.
  put("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
}

GifWriter::Box GifWriter::changed_box(const platform::Surface& picture) const {
  if (first_) return {0, 0, width_, height_};
  Box box{width_, height_, 0, 0};
  for (int y = 0; y < height_; ++y) {
    const platform::Colour* now = picture.row(y);
    const platform::Colour* was = shown_.data() + static_cast<std::size_t>(y) * width_;
    if (std::memcmp(now, was, sizeof(platform::Colour) * width_) == 0) continue;
    int left = 0, right = width_;
    while (now[left] == was[left]) ++left;
    while (now[right - 1] == was[right - 1]) --right;
    box = {std::min(box.left, left), std::min(box.top, y), std::max(box.right, right), y + 1};
  }
  return box;
}

std::uint8_t GifWriter::index_of(platform::Colour c) {
  if (palette_[last_hit_] == c) return static_cast<std::uint8_t>(last_hit_);
  std::size_t best = 0;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    if (palette_[i] == c) {
      last_hit_ = i;
      return static_cast<std::uint8_t>(i);
    }
    if (distance(palette_[i], c) < distance(palette_[best], c)) best = i;
  }
  return static_cast<std::uint8_t>(best);
}

void GifWriter::add_frame(const platform::Surface& picture, int delay_cs) {
  Box box = changed_box(picture);
  // Nothing changed: one pixel, left as it was, carries the delay.
  if (box.right <= box.left) box = {0, 0, 1, 1};
  write_image(picture, box, delay_cs);
  first_ = false;
}

void GifWriter::write_image(const platform::Surface& picture, const Box& box, int delay_cs) {
  indices_.clear();
  for (int y = box.top; y < box.bottom; ++y) {
    const platform::Colour* now = picture.row(y);
    platform::Colour* was = shown_.data() + static_cast<std::size_t>(y) * width_;
    for (int x = box.left; x < box.right; ++x) {
      const bool same = !first_ && now[x] == was[x];
      indices_.push_back(same ? static_cast<std::uint8_t>(transparent_) : index_of(now[x]));
      was[x] = now[x];
    }
  }
  // Each frame is drawn over the one before (disposal 1), its transparent pixels unchanged.
  const int delay = std::min(std::max(delay_cs, 0), 0xFFFF);
  const std::uint8_t control[] = {0x21, 0xF9, 0x04, 0x05,
                                  static_cast<std::uint8_t>(delay & 0xFF),
                                  static_cast<std::uint8_t>(delay >> 8),
                                  static_cast<std::uint8_t>(transparent_), 0x00};
  put(control, sizeof control);
  put_byte(0x2C);
  put_word(box.left);
  put_word(box.top);
  put_word(box.right - box.left);
  put_word(box.bottom - box.top);
  put_byte(0);  // no local table, not interlaced
  std::vector<std::uint8_t> data;
  LzwEncoder(min_code_size_, data).encode(indices_);
  put(data.data(), data.size());
}

bool GifWriter::finish() {
  put_byte(0x3B);
  if (error_ == 0 && std::fflush(file_) != 0) error_ = errno != 0 ? errno : EIO;
  return error_ == 0;
}

}  // namespace kx508
