// The comparison of a run with its expected run, shared by KX508_EXPECT and kx508-grade so
// that both find the same differences and say them in the same words.
#include "compare.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace kx508::compare {

namespace {

// Texts quoted in a difference are cut here: the words stay one readable line whatever a
// run wrote.
constexpr std::size_t kQuotedBytes = 200;

std::string shown(std::string_view text) {
  if (text.size() <= kQuotedBytes) return std::string(text);
  return std::string(text.substr(0, kQuotedBytes)) + "...";
}

std::string counted(long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// ---- The script's path in the library's lines

// The library's log lines that name the played script, %s where its path stands and %d
// where a number does (script.cpp, replay.cpp).
constexpr const char* kScriptLines[] = {
    "EOF encountered in script file %s",
    "Cannot open script file %s for reading",
    "Unrecognised line %d in script file %s; playback paused",
    "Reply on line %d of %s was not asked for; skipped",
    "Visible area on line %d of %s was not asked for; skipped",
    "Playback paused after %d events of %s: Ctrl+O plays one more, Ctrl+P plays on, Ctrl+A "
    "runs the program from here",
};

// Whether text starts as pattern does (%d: one digit or more); *used gets its length.
bool head_matches(std::string_view pattern, std::string_view text, std::size_t* used) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 2, "%d") == 0) {
      const std::size_t from = at;
      while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
      if (at == from) return false;
      ++i;
    } else if (at >= text.size() || text[at++] != pattern[i]) {
      return false;
    }
  }
  *used = at;
  return true;
}

// The line with the script's path cut to its file name, when it is one of those lines.
bool without_folders(std::string_view line, std::string* out) {
  for (std::string_view pattern : kScriptLines) {
    const std::size_t s = pattern.find("%s");
    const std::string_view tail = pattern.substr(s + 2);
    std::size_t head = 0;
    if (!head_matches(pattern.substr(0, s), line, &head) || line.size() < head + tail.size() + 1 ||
        line.substr(line.size() - tail.size()) != tail)
      continue;
    const std::string_view path = line.substr(head, line.size() - tail.size() - head);
    const std::size_t slash = path.find_last_of("/\\");
    out->assign(line.substr(0, head));
    out->append(slash == std::string_view::npos ? path : path.substr(slash + 1));
    out->append(tail);
    return true;
  }
  return false;
}

bool read_number(std::string_view& text, long long* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  if (error != std::errc() || end == text.data() || *value < 0) return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

}  // namespace

// ---- Frames

std::string frame_name(long long number) {
  char name[32];
  std::snprintf(name, sizeof name, "%06lld.png", number);
  return name;
}

long long frame_number(std::string_view name) {
  if (name.size() != 10 || name.substr(6) != ".png") return 0;
  long long n = 0;
  for (int i = 0; i < 6; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

Pixels pixels_differing(const RgbPicture& expected, const RgbPicture& got) {
  Pixels d;
  const std::size_t size = std::min(expected.rgb.size(), got.rgb.size());
  for (std::size_t i = 0; i + 2 < size; i += 3) {
    if (std::memcmp(&expected.rgb[i], &got.rgb[i], 3) == 0) continue;
    if (d.count++ == 0) {
      d.first_x = static_cast<int>(i / 3 % static_cast<std::size_t>(got.width));
      d.first_y = static_cast<int>(i / 3 / static_cast<std::size_t>(got.width));
    }
  }
  return d;
}

Frames compare_frames(std::string_view expected_png, std::string_view got_png) {
  Frames f;
  if (expected_png == got_png) return f;
  auto bytes = [](std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); };
  if (!decode_png(bytes(expected_png), expected_png.size(), &f.expected, &f.why)) {
    f.kind = Frames::ExpectedUnreadable;
    return f;
  }
  // Nothing larger than the expected frame is decoded.
  const int side = std::max(f.expected.width, f.expected.height);
  if (!decode_png(bytes(got_png), got_png.size(), &f.got, &f.why, side)) {
    f.kind = Frames::GotUnreadable;
    return f;
  }
  if (f.got.width != f.expected.width || f.got.height != f.expected.height) {
    f.kind = Frames::Sizes;
    return f;
  }
  f.pixels = pixels_differing(f.expected, f.got);
  f.kind = f.pixels.count == 0 ? Frames::Same : Frames::Differ;
  return f;
}

RgbPicture difference_picture(const Frames& frames) {
  const RgbPicture &expected = frames.expected, &got = frames.got;
  const int w = got.width, h = got.height, gap = 4;
  RgbPicture out;
  out.width = 3 * w + 2 * gap;
  out.height = h;
  out.rgb.assign(static_cast<std::size_t>(out.width) * h * 3, 128);
  for (int y = 0; y < h; ++y) {
    unsigned char* row = out.rgb.data() + static_cast<std::size_t>(y) * out.width * 3;
    const unsigned char* e = expected.rgb.data() + static_cast<std::size_t>(y) * w * 3;
    const unsigned char* g = got.rgb.data() + static_cast<std::size_t>(y) * w * 3;
    std::copy(e, e + w * 3, row);
    std::copy(g, g + w * 3, row + (w + gap) * 3);
    unsigned char* mark = row + 2 * (w + gap) * 3;
    for (int x = 0; x < w * 3; x += 3) {
      const bool same = std::memcmp(e + x, g + x, 3) == 0;
      for (int k = 0; k < 3; ++k)
        mark[x + k] = same ? static_cast<unsigned char>(191 + g[x + k] / 4) : (k == 0 ? 255 : 0);
    }
  }
  constexpr int kRing = 8;
  const int cx = 2 * (w + gap) + frames.pixels.first_x, cy = frames.pixels.first_y;
  for (int y = cy - kRing; y <= cy + kRing; ++y) {
    for (int x = cx - kRing; x <= cx + kRing; ++x) {
      const bool edge = y == cy - kRing || y == cy + kRing || x == cx - kRing || x == cx + kRing;
      if (!edge || x < 0 || y < 0 || x >= out.width || y >= h) continue;
      unsigned char* p = out.rgb.data() + (static_cast<std::size_t>(y) * out.width + x) * 3;
      p[0] = 255;
      p[1] = p[2] = 0;
    }
  }
  return out;
}

// ---- The log

bool same_log_line(std::string_view expected, std::string_view got) {
  if (expected == got) return true;
  std::string e, g;
  return without_folders(expected, &e) && without_folders(got, &g) && e == g;
}

LogCheck::LogCheck(std::string expected) : expected_(std::move(expected)) {
  std::string_view text = expected_;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines_.push_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

bool LogCheck::compare_line(std::string_view got) {
  if (next_ < lines_.size() && same_log_line(lines_[next_], got)) {
    ++next_;
    return false;
  }
  differs_ = true;
  line_ = static_cast<long long>(next_) + 1;
  got_ = shown(got);
  return true;
}

bool LogCheck::add(std::string_view text) {
  if (differs_) return false;
  for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;) {
    pending_.append(text.substr(0, end));
    text.remove_prefix(end + 1);
    const bool differ = compare_line(pending_);
    pending_.clear();
    if (differ) return true;
  }
  pending_.append(text);
  // Text past the expected log's end differs at once; a line can be longer than the
  // expected one only by a path, so one far longer differs before it ends.
  if (pending_.empty()) return false;
  if (next_ < lines_.size() && pending_.size() <= lines_[next_].size() + 4096) return false;
  return compare_line(pending_);
}

bool LogCheck::finish() {
  if (differs_) return true;
  if (!pending_.empty() && compare_line(pending_)) return true;
  pending_.clear();
  if (next_ == lines_.size()) return false;
  differs_ = ended_short_ = true;
  line_ = static_cast<long long>(next_) + 1;
  return true;
}

std::string LogCheck::words(const std::string& place) const {
  const std::size_t at = static_cast<std::size_t>(line_ - 1);
  if (ended_short_)
    return ": its log ended at line " + std::to_string(line_) +
           ", the expected run's goes on with \"" + shown(lines_[at]) + "\"";
  const std::string expected =
      at < lines_.size() ? "\"" + shown(lines_[at]) + "\"" : "the end of the log";
  return " at log line " + std::to_string(line_) + " (" + place + "): expected " + expected +
         ", got \"" + got_ + "\"";
}

// ---- Where in the script

std::string place(int line, const std::string& script, std::string_view text) {
  if (line <= 0) return "before the first line of " + script;
  return "after line " + std::to_string(line) + " of " + script + ": " + shown(text);
}

std::string stand_line(const Stand& s) {
  char text[80];
  std::snprintf(text, sizeof text, "%d %lld %lld\n", s.line, s.frames, s.log_lines);
  return text;
}

std::string origin_line(int x, int y) {
  return "origin " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

bool read_origin(std::string_view text, int* x, int* y) {
  for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;) {
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line.substr(0, 7) != "origin ") continue;
    line.remove_prefix(7);
    long long values[2] = {};
    if (!read_number(line, &values[0]) || line.substr(0, 1) != " ") return false;
    line.remove_prefix(1);
    if (!read_number(line, &values[1]) || !line.empty() || values[0] > 1 << 16 ||
        values[1] > 1 << 16)
      return false;
    *x = static_cast<int>(values[0]);
    *y = static_cast<int>(values[1]);
    return true;
  }
  return false;
}

std::vector<Stand> read_stands(std::string_view text, int script_lines) {
  std::vector<Stand> stands;
  for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;) {
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line.substr(0, 7) == "origin ") continue;
    long long values[3] = {};
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
      ok = read_number(line, &values[i]) && (i == 2 ? line.empty() : line.substr(0, 1) == " ");
      if (ok && i < 2) line.remove_prefix(1);
    }
    const bool back = !stands.empty() && (values[1] < stands.back().frames ||
                                          values[2] < stands.back().log_lines);
    if (!ok || values[0] > script_lines || back) break;
    stands.push_back({static_cast<int>(values[0]), values[1], values[2]});
  }
  return stands;
}

namespace {

// The line of the last stand whose count had not reached n.
int line_before(const std::vector<Stand>& stands, long long Stand::*count, long long n) {
  int line = 0;
  for (const Stand& s : stands) {
    if (s.*count >= n) break;
    line = s.line;
  }
  return line;
}

}  // namespace

int line_before_frame(const std::vector<Stand>& stands, long long frame) {
  return line_before(stands, &Stand::frames, frame);
}

int line_before_log_line(const std::vector<Stand>& stands, long long log_line) {
  return line_before(stands, &Stand::log_lines, log_line);
}

long long log_lines_before_frame(const std::vector<Stand>& stands, long long frame) {
  for (const Stand& s : stands)
    if (s.frames >= frame) return s.log_lines;
  return -1;
}

// ---- The words

std::string frame_words(long long number, const std::string& place, const Frames& f,
                        int origin_x, int origin_y) {
  std::string words = " at frame " + std::to_string(number) + " (" + place + "): ";
  switch (f.kind) {
    case Frames::Same: break;
    case Frames::Differ:
      words += counted(f.pixels.count, "pixel differs", "pixels differ") + ", the first at (" +
               std::to_string(f.pixels.first_x - origin_x) + ", " +
               std::to_string(origin_y - f.pixels.first_y) + ")";
      break;
    case Frames::ExpectedUnreadable: words += "the expected frame cannot be read: " + f.why; break;
    case Frames::GotUnreadable: words += "its frame cannot be read: " + f.why; break;
    case Frames::Sizes:
      words += "it is " + std::to_string(f.got.width) + " x " + std::to_string(f.got.height) +
               " pixels, the expected frame " + std::to_string(f.expected.width) + " x " +
               std::to_string(f.expected.height);
      break;
  }
  return words;
}

std::string past_last_words(long long number, const std::string& place, long long last) {
  return ": frame " + std::to_string(number) + " (" + place +
         ") is past the expected run's last frame, " + std::to_string(last);
}

std::string fewer_frames_words(long long frames, long long expected) {
  return ": it ended after " + counted(frames, "frame", "frames") + ", the expected run has " +
         std::to_string(expected);
}

}  // namespace kx508::compare
