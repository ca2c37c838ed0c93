// A run's frames and log against the expected run, read by the grader itself: the run's
// files as untrusted (run_files.h), the comparison and its words as KX508_EXPECT has them
// (compare.h), and the first difference in the order the run made them.
#include "grade_compare.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

#include "compare.h"
#include "png.h"
#include "run_files.h"

namespace grade {

namespace {

namespace cmp = kx508::compare;
using kx508::platform::process::Left;
using kx508::platform::process::read_left;
using cmp::frame_name;

// Far above a frame's PNG (601 x 540, a byte a pixel at worst) and the places of a long run.
constexpr std::size_t kMostFrameBytes = 16 << 20;
constexpr std::size_t kMostPlacesBytes = 16 << 20;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One difference: the words after "differs", when in the run it came, and the frames
// known to be the same before it.
struct Difference {
  std::string words;
  long long frame = 0;     // a frame's; 0 for one found at the end
  long long log_line = 0;  // a log line's
  long long matched = 0;
};

// Where the run stood in its script, from its own note: it only places the words.
class Places {
 public:
  Places(const fs::path& work, const ExpectedRun& expected) : expected_(expected) {
    std::string text, why;
    const Left read = read_left(work.string(), std::string("frames/") + cmp::kPlacesFile,
                                kMostPlacesBytes, &text, &why);
    known_ = read == Left::Whole || read == Left::Cut;
    if (known_) stands_ = cmp::read_stands(text, static_cast<int>(expected.script.size()));
    has_origin_ = known_ && cmp::read_origin(text, &origin_x_, &origin_y_);
  }
  // The expected run's origin; the run's own where the expected run does not say.
  void origin(const cmp::Frames& frames, int* x, int* y) const {
    const bool own = !expected_.has_origin && has_origin_;
    *x = expected_.has_origin ? expected_.origin_x : own ? origin_x_ : frames.got.width / 2;
    *y = expected_.has_origin ? expected_.origin_y : own ? origin_y_ : frames.got.height / 2;
  }
  std::string before_frame(long long frame) const {
    return known_ ? at(cmp::line_before_frame(stands_, frame)) : unknown();
  }
  std::string before_log_line(long long line) const {
    return known_ ? at(cmp::line_before_log_line(stands_, line)) : unknown();
  }
  // The frames presented before log line was ended, as far as the note says; 0 without it.
  long long frames_before_log_line(long long line) const {
    long long frames = 0;
    for (const cmp::Stand& s : stands_) {
      if (s.log_lines >= line) break;
      frames = s.frames;
    }
    return frames;
  }
  // Whether log line came before frame: -1 when the note does not say.
  int log_line_first(long long line, long long frame) const {
    const long long before = known_ ? cmp::log_lines_before_frame(stands_, frame) : -1;
    return before < 0 ? -1 : before >= line;
  }

 private:
  std::string at(int line) const {
    return cmp::place(line, expected_.script_name,
                      line > 0 ? expected_.script[static_cast<std::size_t>(line) - 1] : "");
  }
  std::string unknown() const { return "where in " + expected_.script_name + " is not known"; }
  const ExpectedRun& expected_;
  bool known_ = false, has_origin_ = false;
  int origin_x_ = 0, origin_y_ = 0;
  std::vector<cmp::Stand> stands_;
};

// The frames up to the first that differs; the run must have as many as the expected run.
std::optional<Difference> compare_frames(const fs::path& work, const ExpectedRun& expected,
                                         const Places& places, Result* r) {
  for (long long n = 1;; ++n) {
    std::string got, why;
    const Left read =
        read_left(work.string(), "frames/" + frame_name(n), kMostFrameBytes, &got, &why);
    if (read == Left::Missing) {
      if (n > expected.last) return std::nullopt;
      return Difference{cmp::fewer_frames_words(n - 1, expected.last), 0, 0, n - 1};
    }
    if (n > expected.last)
      return Difference{cmp::past_last_words(n, places.before_frame(n), expected.last), n, 0,
                        expected.last};
    if (read == Left::Cut) why = "more than " + std::to_string(kMostFrameBytes >> 20) + " MiB";
    cmp::Frames frames;
    if (read != Left::Whole) {
      frames.kind = cmp::Frames::GotUnreadable;
      frames.why = why;
    } else if (expected.frames.count(n)) {
      frames = cmp::compare_frames(read_file(expected.folder / frame_name(n)), got);
    }
    if (frames.kind == cmp::Frames::Same) continue;
    int x = 0, y = 0;
    places.origin(frames, &x, &y);
    const std::string words = cmp::frame_words(n, places.before_frame(n), frames, x, y);
    if (frames.kind == cmp::Frames::ExpectedUnreadable)
      throw std::runtime_error("the expected run's frame " + frame_name(n) + " cannot be read: " +
                               frames.why);
    if (frames.kind == cmp::Frames::Differ) {
      const kx508::RgbPicture picture = cmp::difference_picture(frames);
      std::vector<unsigned char> png;
      if (kx508::encode_png(picture.width, picture.height, picture.rgb.data(), &png))
        r->picture.assign(png.begin(), png.end());
    }
    return Difference{words, n, 0, n - 1};
  }
}

std::optional<Difference> compare_log(const fs::path& work, const ExpectedRun& expected,
                                      const Places& places) {
  if (!expected.has_log) return std::nullopt;
  // More than the expected log and a little: what is past it differs anyway.
  std::string got, why;
  const Left read =
      read_left(work.string(), "frames/log.txt", expected.log.size() + (1 << 20), &got, &why);
  if (read == Left::Unusable)
    return Difference{": its log frames/log.txt cannot be read: " + why, 0, 0, 0};
  cmp::LogCheck log(expected.log);
  log.add(got);
  if (!log.finish()) return std::nullopt;
  if (log.ended_short()) return Difference{log.words(""), 0, 0, expected.last};
  return Difference{log.words(places.before_log_line(log.line())), 0, log.line(),
                    places.frames_before_log_line(log.line())};
}

// Whether the log's difference came first in the run: one during it before one found at
// its end, a log line before the frame presented after it; the frame where the note is
// silent, and between two found at the end.
bool log_first(const Difference& frame, const Difference& log, const Places& places) {
  const bool frame_at_end = frame.frame == 0, log_at_end = log.log_line == 0;
  if (frame_at_end || log_at_end) return frame_at_end && !log_at_end;
  return places.log_line_first(log.log_line, frame.frame) == 1;
}

}  // namespace

ExpectedRun load_expected(const fs::path& copy, const Script& script) {
  ExpectedRun e;
  e.folder = copy;
  e.script_name = script.name;
  for (const fs::directory_entry& entry : fs::directory_iterator(copy))
    if (const long long n = cmp::frame_number(entry.path().filename().string());
        n > 0 && entry.is_regular_file())
      e.frames.insert(n);
  if (e.frames.empty()) throw std::runtime_error(copy.string() + " holds no frames");
  e.last = *e.frames.rbegin();
  std::error_code ec;
  e.has_log = fs::is_regular_file(copy / "log.txt", ec);
  if (e.has_log) e.log = read_file(copy / "log.txt");
  if (fs::is_regular_file(copy / cmp::kPlacesFile, ec))
    e.has_origin = cmp::read_origin(read_file(copy / cmp::kPlacesFile), &e.origin_x, &e.origin_y);
  // Lines as the library counts them: ended by a newline, a carriage return before it dropped.
  const std::string text = read_file(script.path);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    e.script.push_back(line);
    at = end + 1;
  }
  return e;
}

void compare_run(const fs::path& work, const ExpectedRun& expected, Result* r) {
  const Places places(work, expected);
  std::vector<Difference> found;
  if (std::optional<Difference> frame = compare_frames(work, expected, places, r))
    found.push_back(*frame);
  if (std::optional<Difference> log = compare_log(work, expected, places)) {
    found.push_back(*log);
    if (found.size() == 2 && log_first(found[0], found[1], places)) std::swap(found[0], found[1]);
  }
  r->frames_expected = expected.last;
  if (found.empty()) {
    r->verdict = Verdict::Passed;
    r->summary = "passed";
    r->frames_matched = expected.last;
    return;
  }
  r->verdict = Verdict::Differs;
  r->summary = "differs" + found.front().words;
  // A run that differs has not matched the whole run, however late it went wrong: a
  // difference found after the last frame counts against the last.
  r->frames_matched = expected.last - 1;
  for (const Difference& d : found) {
    r->details.push_back("differs" + d.words);
    r->frames_matched = std::min(r->frames_matched, d.matched);
  }
}

}  // namespace grade
