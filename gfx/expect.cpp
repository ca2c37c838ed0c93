// KX508_EXPECT: a replay checked against an expected run (the frames and the log an earlier
// replay wrote) as it goes. The first difference is said in one line, with the script line
// before it, shown as a picture, and ends the run with status 4.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

#include "files.h"
#include "frame_png.h"
#include "internal.h"
#include "png.h"

namespace kx508 {

namespace {

namespace fs = std::filesystem;
using platform::files::Kind;

constexpr const char* kDiffers = "KX508: differs from the expected run";

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

[[noreturn]] void refuse(const std::string& why) {
  std::fprintf(stderr, "KX508: KX508_EXPECT: %s\n", why.c_str());
  std::fflush(stderr);
  std::exit(kReplayRefused);
}

// A frame's number from its name (000012.png), or 0 for any other file.
long long frame_number(const fs::path& name) {
  const std::string s = name.filename().string();
  if (s.size() != 10 || s.compare(6, 4, ".png") != 0) return 0;
  long long n = 0;
  for (int i = 0; i < 6; ++i) {
    if (s[i] < '0' || s[i] > '9') return 0;
    n = n * 10 + (s[i] - '0');
  }
  return n;
}

std::string frame_path(long long number) {
  char name[32];
  std::snprintf(name, sizeof name, "%06lld.png", number);
  return (fs::path(lib.expect.dir) / name).string();
}

// The folder must be an expected run of this canvas's frames, not the one this run fills.
void check_folder(const std::string& dir, const std::string& frames) {
  const std::string cannot = "cannot use expected run " + dir + ": ";
  const Kind kind = platform::files::kind_of(dir.c_str());
  if (kind == Kind::Missing) refuse(cannot + "no such folder");
  if (kind != Kind::Directory) refuse(cannot + "not a folder");
  if (!frames.empty() && platform::files::same_file(dir.c_str(), frames.c_str()))
    refuse(cannot + "it is this run's own frames folder (KX508_FRAMES)");
  long long last = 0, first = 0;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const long long n = frame_number(it->path());
    if (n == 0) continue;
    last = std::max(last, n);
    first = first == 0 ? n : std::min(first, n);
  }
  if (ec) refuse(cannot + ec.message());
  if (last == 0) refuse(cannot + "it holds no frames (000001.png, ...)");
  lib.expect.expected_frames = last;
  int width = 0, height = 0;
  std::string why;
  char name[32];
  std::snprintf(name, sizeof name, "%06lld.png", first);
  const std::string sample = (fs::path(dir) / name).string();
  if (!png_size(sample, &width, &height, &why)) refuse(cannot + sample + ": " + why);
  if (width != kCanvasWidth || height != kCanvasHeight)
    refuse(cannot + "its frames are " + std::to_string(width) + " x " + std::to_string(height) +
           ", not the canvas's " + std::to_string(kCanvasWidth) + " x " +
           std::to_string(kCanvasHeight));
}

void check_picture_path(const std::string& path) {
  const Kind kind = platform::files::kind_of(path.c_str());
  if (kind == Kind::Directory || kind == Kind::Other || kind == Kind::Device)
    refuse("cannot write the picture of a difference to " + path + ": not a regular file");
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Where the played script stands, for the line that says where a difference is.
std::string script_place() {
  const ScriptState& script = lib.script;
  if (script.line == 0) return "before the first line of " + script.play_path;
  return "after line " + std::to_string(script.line) + " of " + script.play_path + ": " +
         script.last_line;
}

// The first difference ends the run: quit is sent as at a script's end.
void end_the_run() {
  ExpectState& expect = lib.expect;
  if (expect.differs) return;
  expect.differs = true;
  // Nothing more is played: the wait that presented the frame delivers no event.
  pause_playback();
  replay_script_ended(kStoppedAtADifference);
}

void differs(const std::string& what) {
  std::fprintf(stderr, "%s%s\n", kDiffers, what.c_str());
  std::fflush(stderr);
  end_the_run();
}

// The line of text that holds byte at, without its line end.
std::string line_at(const std::string& text, std::size_t at) {
  const std::size_t before = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
  const std::size_t from = before == std::string::npos ? 0 : before + 1;
  const std::size_t end = text.find('\n', from);
  return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

long long line_number(const std::string& text, std::size_t at) {
  return 1 + std::count(text.begin(), text.begin() + static_cast<long>(std::min(at, text.size())), '\n');
}

// ---- Frames

struct Difference {
  long long pixels = 0;
  int first_x = 0, first_y = 0;  // canvas pixels
};

Difference compare(const RgbPicture& expected, const platform::Surface& got) {
  Difference d;
  for (int y = 0; y < got.height(); ++y) {
    const unsigned char* e = expected.rgb.data() + static_cast<std::size_t>(y) * got.width() * 3;
    for (int x = 0; x < got.width(); ++x, e += 3) {
      const platform::Colour c = got.pixel(x, y);
      if (e[0] == ((c >> 16) & 0xFF) && e[1] == ((c >> 8) & 0xFF) && e[2] == (c & 0xFF)) continue;
      if (d.pixels++ == 0) {
        d.first_x = x;
        d.first_y = y;
      }
    }
  }
  return d;
}

// A red square around the first differing pixel, 8 pixels out, so that one pixel is found.
void ring_first_difference(std::vector<unsigned char>& rgb, int width, int height, int cx, int cy) {
  constexpr int kRing = 8;
  for (int y = cy - kRing; y <= cy + kRing; ++y) {
    for (int x = cx - kRing; x <= cx + kRing; ++x) {
      const bool edge = y == cy - kRing || y == cy + kRing || x == cx - kRing || x == cx + kRing;
      if (!edge || x < 0 || y < 0 || x >= width || y >= height) continue;
      unsigned char* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      p[0] = 255;
      p[1] = p[2] = 0;
    }
  }
}

// Expected, got, and the difference (got faded, the differing pixels red, the first one
// ringed), side by side.
bool write_picture(const RgbPicture& expected, const platform::Surface& got, const Difference& first,
                   std::string* why) {
  const int w = got.width(), h = got.height(), gap = 4, width = 3 * w + 2 * gap;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * h * 3, 128);
  for (int y = 0; y < h; ++y) {
    unsigned char* row = rgb.data() + static_cast<std::size_t>(y) * width * 3;
    const unsigned char* e = expected.rgb.data() + static_cast<std::size_t>(y) * w * 3;
    std::copy(e, e + w * 3, row);
    for (int x = 0; x < w; ++x) {
      const platform::Colour c = got.pixel(x, y);
      const unsigned char g[3] = {static_cast<unsigned char>(c >> 16),
                                  static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c)};
      unsigned char* at = row + (w + gap + x) * 3;
      unsigned char* mark = row + (2 * (w + gap) + x) * 3;
      const bool same = std::equal(g, g + 3, e + x * 3);
      for (int k = 0; k < 3; ++k) {
        at[k] = g[k];
        mark[k] = same ? static_cast<unsigned char>(191 + g[k] / 4) : (k == 0 ? 255 : 0);
      }
    }
  }
  ring_first_difference(rgb, width, h, 2 * (w + gap) + first.first_x, first.first_y);
  return write_png(lib.expect.picture, width, h, rgb.data(), why);
}

void frame_differs(long long number, const RgbPicture& expected) {
  const platform::Surface& canvas = lib.windows.canvas;
  const Difference d = compare(expected, canvas);
  if (d.pixels == 0) return;
  const CanvasOrigin& origin = lib.windows.canvas_origin;
  std::string why, picture = "picture: " + lib.expect.picture;
  if (!write_picture(expected, canvas, d, &why))
    picture = "no picture (" + lib.expect.picture + ": " + why + ")";
  differs(" at frame " + std::to_string(number) + " (" + script_place() + "): " +
          std::to_string(d.pixels) + (d.pixels == 1 ? " pixel differs" : " pixels differ") +
          ", the first at (" +
          std::to_string(d.first_x - origin.x) + ", " + std::to_string(origin.y - d.first_y) +
          "); " + picture);
}

// The canvas against the expected frame: the bytes this library would write for it first,
// which match at once when the expected run was made by the same writer; else the pixels.
void check_frame(long long number) {
  ExpectState& expect = lib.expect;
  const std::string path = frame_path(number);
  if (platform::files::kind_of(path.c_str()) == Kind::Missing) return;  // not kept
  if (!expect.png) {
    std::vector<platform::Colour> palette;
    for (int c = 0; c < 24; ++c) palette.push_back(colour_value(c));
    expect.png = std::make_shared<FramePng>(palette);
  }
  const std::vector<unsigned char>& bytes = expect.png->encode(lib.windows.canvas);
  const std::string file = read_text(path);
  if (!bytes.empty() && file.size() == bytes.size() &&
      std::equal(bytes.begin(), bytes.end(), file.begin(), [](unsigned char a, char b) {
        return a == static_cast<unsigned char>(b);
      }))
    return;
  RgbPicture expected;
  std::string why;
  if (!read_png(path, &expected, &why))
    return differs(" at frame " + std::to_string(number) + ": the expected frame " + path +
                   " cannot be read: " + why);
  if (expected.width != kCanvasWidth || expected.height != kCanvasHeight)
    return differs(" at frame " + std::to_string(number) + ": the expected frame is " +
                   std::to_string(expected.width) + " x " + std::to_string(expected.height));
  frame_differs(number, expected);
}

}  // namespace

void expect_open(const std::string& play, const std::string& frames) {
  const std::string dir = env("KX508_EXPECT");
  if (dir.empty()) return;
  if (play.empty()) refuse("there is no script to play (give KX508_PLAY)");
  const std::string picture = env("KX508_EXPECT_DIFF");
  ExpectState& expect = lib.expect;
  expect.picture = picture.empty() ? "kx508-expect.png" : picture;
  check_picture_path(expect.picture);
  check_folder(dir, frames);
  expect.dir = dir;
  const std::string log = (fs::path(dir) / "log.txt").string();
  expect.has_log = platform::files::kind_of(log.c_str()) == Kind::Regular;
  if (expect.has_log) expect.log = read_text(log);
  expect.active = true;
}

void expect_frame(long long number) {
  ExpectState& expect = lib.expect;
  if (!expect.active || expect.differs) return;
  if (number > expect.expected_frames)
    return differs(": frame " + std::to_string(number) + " (" + script_place() +
                   ") is past its last, frame " + std::to_string(expect.expected_frames));
  check_frame(number);
  if (expect.log_differs) end_the_run();
}

void expect_log(std::string_view line) {
  ExpectState& expect = lib.expect;
  if (!expect.active || !expect.has_log || expect.differs || expect.log_differs) return;
  const std::string got(line);
  if (expect.log.compare(expect.log_at, got.size(), got) == 0) {
    expect.log_at += got.size();
    return;
  }
  // Said at once; the run ends at the next frame, which shows what the line drew.
  std::size_t at = expect.log_at;
  while (at < expect.log.size() && at - expect.log_at < got.size() &&
         expect.log[at] == got[at - expect.log_at])
    ++at;
  // Built piece by piece: GCC 12 warns, wrongly, about operator+ on a temporary here.
  std::string expected = "the end of the log";
  if (at < expect.log.size()) expected.assign(1, '"').append(line_at(expect.log, at)).append(1, '"');
  std::string got_line = got;
  while (!got_line.empty() && got_line.back() == '\n') got_line.pop_back();
  std::fprintf(stderr, "%s at log line %lld (%s): expected %s, got \"%s\"\n", kDiffers,
               line_number(expect.log, at), script_place().c_str(), expected.c_str(),
               got_line.c_str());
  std::fflush(stderr);
  expect.log_differs = true;
}

int expect_finish(int status, long long frames_presented, std::string* summary) {
  ExpectState& expect = lib.expect;
  if (!expect.active) return status;
  if (!expect.differs && frames_presented < expect.expected_frames)
    differs(": it ended after " + std::to_string(frames_presented) + " frames, the expected run has " +
            std::to_string(expect.expected_frames));
  if (!expect.differs && !expect.log_differs && expect.has_log &&
      expect.log_at < expect.log.size())
    differs(": its log ended at line " + std::to_string(line_number(expect.log, expect.log_at)) +
            ", the expected run's goes on with \"" + line_at(expect.log, expect.log_at) + "\"");
  if (!expect.differs && status != 0)
    differs(": it ended with status " + std::to_string(status) + ", the expected run with 0");
  if (expect.log_differs) end_the_run();
  expect.active = false;
  if (expect.differs) {
    *summary = "; differs from the expected run (status 4)";
    return kExpectDiffers;
  }
  *summary = "; matches the expected run (" + std::to_string(frames_presented) + " frame" +
             (frames_presented == 1 ? "" : "s") + ")";
  return status;
}

}  // namespace kx508
