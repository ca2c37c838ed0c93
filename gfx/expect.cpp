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

#include "compare.h"
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

std::string frame_path(long long number) {
  return (fs::path(lib.expect.dir) / compare::frame_name(number)).string();
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
    const long long n = compare::frame_number(it->path().filename().string());
    if (n == 0) continue;
    last = std::max(last, n);
    first = first == 0 ? n : std::min(first, n);
  }
  if (ec) refuse(cannot + ec.message());
  if (last == 0) refuse(cannot + "it holds no frames (000001.png, ...)");
  lib.expect.expected_frames = last;
  int width = 0, height = 0;
  std::string why;
  const std::string sample = (fs::path(dir) / compare::frame_name(first)).string();
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
  return compare::place(script.played, script.play_path, script.last_line);
}

// Said after a difference found before any click, key or reply was played: nothing the
// user did explains it, so the program's own clock or randomness may.
std::string unplayed_cause() {
  if (lib.script.input_played) return "";
  return std::string("; no click, key or reply was played before it: it may use ") +
         compare::kUnplayedCause;
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

// The canvas against the expected frame, as the bytes this library writes for it: they
// match at once when the expected run was made by the same writer; else the pixels decide.
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
  const std::string expected = read_text(path);
  const compare::Frames frames = compare::compare_frames(
      expected, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (frames.kind == compare::Frames::Same) return;
  const CanvasOrigin& origin = lib.windows.canvas_origin;
  std::string words = compare::frame_words(number, script_place(), frames, origin.x, origin.y);
  if (frames.kind == compare::Frames::Differ) {
    const RgbPicture picture = compare::difference_picture(frames);
    std::string why;
    if (write_png(expect.picture, picture.width, picture.height, picture.rgb.data(), &why))
      words += "; picture: " + expect.picture;
    else
      words += "; no picture (" + expect.picture + ": " + why + ")";
  }
  differs(words + unplayed_cause());
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
  if (platform::files::kind_of(log.c_str()) == Kind::Regular)
    expect.log = std::make_shared<compare::LogCheck>(read_text(log));
  expect.active = true;
}

void expect_frame(long long number) {
  ExpectState& expect = lib.expect;
  if (!expect.active || expect.differs) return;
  if (number > expect.expected_frames)
    return differs(compare::past_last_words(number, script_place(), expect.expected_frames) +
                   unplayed_cause());
  check_frame(number);
  if (expect.log_differs) end_the_run();
}

void expect_log(std::string_view line) {
  ExpectState& expect = lib.expect;
  if (!expect.active || !expect.log || expect.differs || expect.log_differs) return;
  if (!expect.log->add(line)) return;
  // Said at once; the run ends at the next frame, which shows what the line drew.
  std::fprintf(stderr, "%s%s%s\n", kDiffers, expect.log->words(script_place()).c_str(),
               unplayed_cause().c_str());
  std::fflush(stderr);
  expect.log_differs = true;
}

int expect_finish(int status, long long frames_presented, std::string* summary) {
  ExpectState& expect = lib.expect;
  if (!expect.active) return status;
  if (!expect.differs && frames_presented < expect.expected_frames)
    differs(compare::fewer_frames_words(frames_presented, expect.expected_frames));
  if (!expect.differs && !expect.log_differs && expect.log && expect.log->finish())
    differs(expect.log->words(script_place()));
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
