// kx508-diff: compares two frame folders, or two PNG files, pixel for pixel. Prints the
// first frame that differs and how many of its pixels do, writes a picture of the
// difference, and exits 1 on a difference, 0 when all is the same, 2 when it cannot compare.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "png.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSame = 0, kDifferent = 1, kTrouble = 2;

// Well above a frame (601 x 540). A picture this big takes 48 MiB as RGB; a bigger one is
// refused from its header, before anything is decoded.
constexpr int kMaxSide = 4096;

void complain(const std::string& line) {
  std::fprintf(stderr, "kx508-diff: %s\n", line.c_str());
}

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Opens a picture for reading, and only if it is a regular file. Without blocking: a FIFO
// put where a picture was is not waited on.
File open_picture(const fs::path& path, std::string* why) {
#ifdef _WIN32
  File file(_wfopen(path.c_str(), L"rb"), std::fclose);
  if (!file) *why = std::strerror(errno);
  return file;
#else
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
    return File(nullptr, std::fclose);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = "not a regular file";
    ::close(fd);
    return File(nullptr, std::fclose);
  }
  File file(::fdopen(fd, "rb"), std::fclose);  // O_NONBLOCK does nothing to a file's reads
  if (!file) {
    *why = std::strerror(errno);
    ::close(fd);
  }
  return file;
#endif
}

// A picture opened and its header read, not yet decoded.
struct Picture {
  File file{nullptr, std::fclose};
  int width = 0, height = 0;
};

bool read_header(const fs::path& path, Picture* out) {
  std::string why;
  out->file = open_picture(path, &why);
  int channels = 0;
  if (out->file && !stbi_info_from_file(out->file.get(), &out->width, &out->height, &channels))
    why = stbi_failure_reason();
  if (!why.empty()) {
    complain("cannot read " + path.string() + ": " + why);
    return false;
  }
  return true;
}

// The pixels, which must be as many as the header said.
bool decode(const fs::path& path, Picture& picture, Image* out) {
  int channels = 0;
  std::unique_ptr<unsigned char, void (*)(void*)> data(
      stbi_load_from_file(picture.file.get(), &out->width, &out->height, &channels, 3),
      stbi_image_free);
  if (!data || out->width != picture.width || out->height != picture.height) {
    complain("cannot read " + path.string() + ": " +
             (data ? "it changed while read" : stbi_failure_reason()));
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
// Sizes are taken from the headers, so that nothing is decoded that cannot be compared.
int compare(const fs::path& a, const fs::path& b, const std::string& name, const fs::path& out) {
  Picture pa, pb;
  if (!read_header(a, &pa) || !read_header(b, &pb)) return kTrouble;
  if (pa.width != pb.width || pa.height != pb.height) {
    std::printf("%s: sizes differ: %dx%d and %dx%d\n", name.c_str(), pa.width, pa.height,
                pb.width, pb.height);
    return kDifferent;
  }
  if (pa.width > kMaxSide || pa.height > kMaxSide) {
    complain(name + ": " + std::to_string(pa.width) + " x " + std::to_string(pa.height) +
             " pixels, more than the " + std::to_string(kMaxSide) + " x " +
             std::to_string(kMaxSide) + " compared");
    return kTrouble;
  }
  Image ia, ib;
  if (!decode(a, pa, &ia) || !decode(b, pb, &ib)) return kTrouble;
  long long count = 0;
  Image d = difference(ia, ib, &count);
  if (count == 0) return kSame;
  std::printf("%s: %lld of %lld pixels differ\n", name.c_str(), count,
              static_cast<long long>(ia.width) * ia.height);
  std::fflush(stdout);
  std::string why;
  if (!kx508::write_png(out.string(), d.width, d.height, d.rgb.data(), &why)) {
    complain("the picture of the difference was not written to " + out.string() + ": " + why);
    return kTrouble;
  }
  std::printf("difference written to %s\n", out.string().c_str());
  return kDifferent;
}

// The names of a folder's frames, and of the *.png entries that cannot be frames (FIFOs,
// folders, links to nothing or in a loop) with the reason, so that they are named and
// the folders not taken for the same.
struct Folder {
  std::set<std::string> frames;
  std::map<std::string, std::string> unusable;
};

// What a name that is neither missing nor a regular file is; ec from looking it up.
std::string odd_kind(fs::file_type type, const std::error_code& ec) {
  switch (type) {
    case fs::file_type::directory: return "a folder";
    case fs::file_type::fifo: return "a FIFO";
    case fs::file_type::character:
    case fs::file_type::block: return "a device";
    case fs::file_type::socket: return "a socket";
    default: return ec ? ec.message() : "not a regular file";  // a loop of links
  }
}

std::string why_not_a_frame(const fs::directory_entry& entry) {
  std::error_code ec;
  const fs::file_type type = entry.status(ec).type();  // through links
  if (type == fs::file_type::regular) return "";
  if (type == fs::file_type::not_found) return entry.is_symlink(ec) ? "a link to nothing" : "gone";
  return odd_kind(type, ec);
}

bool list(const fs::path& dir, Folder* out) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() != ".png") continue;
    const std::string name = it->path().filename().string(), why = why_not_a_frame(*it);
    if (why.empty())
      out->frames.insert(name);
    else
      out->unusable[name] = why;
  }
  if (ec) {
    complain("cannot read folder " + dir.string() + ": " + ec.message());
    return false;
  }
  for (const auto& [name, why] : out->unusable)
    complain((dir / name).string() + ": " + why + "; not compared");
  return true;
}

// Whether the picture of a difference may be written to out: a regular file or a new name
// in a folder, as it is written beside it and renamed onto it; never one of the pictures
// compared, nor a new frame in a folder compared. Checked before comparing anything.
bool may_write(const fs::path& out, const std::vector<fs::path>& pictures,
               const std::vector<fs::path>& folders) {
  std::error_code ec;
  const fs::file_type type = fs::status(out, ec).type();
  if (type == fs::file_type::not_found) {
    const fs::path folder = out.has_parent_path() ? out.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) {
      complain("-o " + out.string() + ": there is no folder " + folder.string());
      return false;
    }
  } else if (type != fs::file_type::regular) {
    complain("-o " + out.string() + " is " + odd_kind(type, ec) + ", not a regular file");
    return false;
  }
  for (const fs::path& picture : pictures)
    if (fs::equivalent(out, picture, ec)) {
      complain("-o " + out.string() + " is the same file as " + picture.string() +
                 ", which is compared");
      return false;
    }
  if (out.extension() == ".png") {
    const fs::path folder = out.has_parent_path() ? out.parent_path() : fs::path(".");
    for (const fs::path& compared : folders)
      if (fs::equivalent(folder, compared, ec)) {
        complain("-o " + out.string() + " would be a frame in " + compared.string());
        return false;
      }
  }
  return true;
}

// Frame by frame in name order, up to the first that differs.
int compare_folders(const fs::path& a, const fs::path& b, const fs::path& out) {
  Folder fa, fb;
  if (!list(a, &fa) || !list(b, &fb)) return kTrouble;
  std::vector<fs::path> pictures;
  for (const std::string& name : fa.frames) pictures.push_back(a / name);
  for (const std::string& name : fb.frames) pictures.push_back(b / name);
  if (!may_write(out, pictures, {a, b})) return kTrouble;
  std::set<std::string> all = fa.frames;
  all.insert(fb.frames.begin(), fb.frames.end());
  for (const std::string& name : all) {
    if (fa.unusable.count(name) || fb.unusable.count(name)) continue;
    if (!fa.frames.count(name) || !fb.frames.count(name)) {
      std::printf("%s: only in %s\n", name.c_str(), (fa.frames.count(name) ? a : b).string().c_str());
      return kDifferent;
    }
    const int result = compare(a / name, b / name, name, out);
    if (result != kSame) return result;
  }
  if (!fa.unusable.empty() || !fb.unusable.empty()) return kTrouble;  // each named above
  if (all.empty()) {
    complain("nothing to compare: no frames (*.png) in " + a.string() + " or " + b.string());
    return kTrouble;
  }
  std::printf("%zu frames, all the same\n", all.size());
  return kSame;
}

enum class Kind { folder, file, trouble };

// What an argument names; anything but a folder or a regular file is said in one line.
Kind kind_of(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  switch (status.type()) {
    case fs::file_type::directory: return Kind::folder;
    case fs::file_type::regular: return Kind::file;
    case fs::file_type::not_found: complain(path.string() + " is missing"); break;
    default: complain(path.string() + ": " + odd_kind(status.type(), ec) + ", not a folder or a file");
  }
  return Kind::trouble;
}

constexpr const char* kUsage =
    "usage: kx508-diff A B [-o DIFF.png]\n"
    "  A and B: two folders of frames (000001.png, ...) or two PNG files, each\n"
    "    at most %d x %d pixels (a bigger one is refused from its header)\n"
    "  -o: where a difference is pictured (kx508-diff.png): a regular file or a\n"
    "    new name in an existing folder, not a picture compared nor a new frame\n"
    "  exit status: 0 the same, 1 a difference, 2 cannot compare (a missing or\n"
    "    unreadable picture, a folder entry that is not one, nothing to compare,\n"
    "    an -o that cannot be used) or the picture of a difference not written\n";

// Takes "-o PATH" from anywhere on the line. False when -o has no path or comes twice.
bool take_output(std::vector<std::string>& args, fs::path* out) {
  bool given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "-o") continue;
    if (given || i + 1 >= args.size()) return false;
    *out = args[i + 1];
    args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    given = true;
    --i;
  }
  return true;
}

int run(std::vector<std::string> args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "--version")) {
    if (args[0] == "--help") std::printf(kUsage, kMaxSide, kMaxSide);
    else std::printf("kx508-diff %s\n", KX508_DIFF_VERSION);
    return kSame;
  }
  fs::path out = "kx508-diff.png";
  if (!take_output(args, &out) || args.size() != 2) {
    std::fprintf(stderr, kUsage, kMaxSide, kMaxSide);
    return kTrouble;
  }
  const fs::path a = args[0], b = args[1];
  const Kind ka = kind_of(a), kb = kind_of(b);
  if (ka == Kind::trouble || kb == Kind::trouble) return kTrouble;
  if (ka == Kind::folder && kb == Kind::folder) return compare_folders(a, b, out);
  if (ka == Kind::file && kb == Kind::file) {
    if (!may_write(out, {a, b}, {})) return kTrouble;
    const int result = compare(a, b, a.filename().string(), out);
    if (result == kSame) std::printf("the same\n");
    return result;
  }
  complain(a.string() + " and " + b.string() + " must both be folders or both be files");
  return kTrouble;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {  // out of memory, a name the system cannot convert
    complain(e.what());
    return kTrouble;
  }
}
