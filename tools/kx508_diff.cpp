// kx508-diff: compares two frame folders, or two PNG files, pixel for pixel. Prints the
// first frame that differs and how many of its pixels do, writes a picture of the
// difference, and exits 1 on a difference, 0 when all is the same, 2 when it cannot read.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace fs = std::filesystem;

namespace {

constexpr int kSame = 0, kDifferent = 1, kTrouble = 2;

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

bool load(const fs::path& path, Image* out) {
  int channels = 0;
  std::unique_ptr<unsigned char, void (*)(void*)> data(
      stbi_load(path.string().c_str(), &out->width, &out->height, &channels, 3), stbi_image_free);
  if (!data) {
    std::fprintf(stderr, "kx508-diff: cannot read %s: %s\n", path.string().c_str(),
                 stbi_failure_reason());
    return false;
  }
  out->rgb.assign(data.get(), data.get() + std::size_t(out->width) * out->height * 3);
  return true;
}

// The second picture, faded, with every pixel that differs from the first in red.
Image difference(const Image& a, const Image& b, long long* count) {
  Image d{b.width, b.height, std::vector<unsigned char>(b.rgb.size())};
  *count = 0;
  for (std::size_t i = 0; i < b.rgb.size(); i += 3) {
    if (std::memcmp(&a.rgb[i], &b.rgb[i], 3) != 0) {
      ++*count;
      d.rgb[i] = 255;
      d.rgb[i + 1] = d.rgb[i + 2] = 0;
    } else {
      for (int c = 0; c < 3; ++c) d.rgb[i + c] = static_cast<unsigned char>(192 + b.rgb[i + c] / 4);
    }
  }
  return d;
}

// Compares one pair of pictures; on a difference, says so and writes the picture of it.
int compare(const fs::path& a, const fs::path& b, const std::string& name, const fs::path& out) {
  Image ia, ib;
  if (!load(a, &ia) || !load(b, &ib)) return kTrouble;
  if (ia.width != ib.width || ia.height != ib.height) {
    std::printf("%s: sizes differ: %dx%d and %dx%d\n", name.c_str(), ia.width, ia.height,
                ib.width, ib.height);
    return kDifferent;
  }
  long long count = 0;
  Image d = difference(ia, ib, &count);
  if (count == 0) return kSame;
  std::printf("%s: %lld of %lld pixels differ\n", name.c_str(), count,
              static_cast<long long>(ia.width) * ia.height);
  if (stbi_write_png(out.string().c_str(), d.width, d.height, 3, d.rgb.data(), d.width * 3))
    std::printf("difference written to %s\n", out.string().c_str());
  else
    std::fprintf(stderr, "kx508-diff: cannot write %s\n", out.string().c_str());
  return kDifferent;
}

std::set<std::string> frames_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(dir))
    if (e.is_regular_file() && e.path().extension() == ".png")
      names.insert(e.path().filename().string());
  return names;
}

// Frame by frame in name order, up to the first that differs.
int compare_folders(const fs::path& a, const fs::path& b, const fs::path& out) {
  const std::set<std::string> in_a = frames_in(a), in_b = frames_in(b);
  std::set<std::string> all = in_a;
  all.insert(in_b.begin(), in_b.end());
  for (const std::string& name : all) {
    if (!in_a.count(name) || !in_b.count(name)) {
      std::printf("%s: only in %s\n", name.c_str(), (in_a.count(name) ? a : b).string().c_str());
      return kDifferent;
    }
    const int result = compare(a / name, b / name, name, out);
    if (result != kSame) return result;
  }
  std::printf("%zu frames, all the same\n", all.size());
  return kSame;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  fs::path out = "kx508-diff.png";
  if (args.size() == 4 && args[2] == "-o") {
    out = args[3];
    args.resize(2);
  }
  if (args.size() != 2) {
    std::fprintf(stderr,
                 "usage: kx508-diff A B [-o DIFF.png]\n"
                 "  A and B: two folders of frames (000001.png, ...) or two PNG files\n"
                 "  exit status: 0 the same, 1 a difference, 2 cannot read\n");
    return kTrouble;
  }
  const fs::path a = args[0], b = args[1];
  std::error_code ec;
  if (fs::is_directory(a, ec) && fs::is_directory(b, ec)) return compare_folders(a, b, out);
  if (fs::is_regular_file(a, ec) && fs::is_regular_file(b, ec)) {
    const int result = compare(a, b, a.filename().string(), out);
    if (result == kSame) std::printf("the same\n");
    return result;
  }
  std::fprintf(stderr, "kx508-diff: %s and %s must both be folders or both be files\n",
               a.string().c_str(), b.string().c_str());
  return kTrouble;
}
