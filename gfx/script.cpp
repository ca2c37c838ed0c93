// Script recording and playback: the events a wait returns are written to "KX508.SCR",
// one line each, consecutive periodic events as one counted line, and read back later
// in place of live input.
#include <algorithm>
#include <charconv>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "internal.h"
#include "files.h"

namespace kx508 {

namespace {

constexpr std::size_t kLineBuffer = 512;  // at most 511 characters a line

}  // namespace

void close_at_whole_lines(RecordedFile& f) {
  std::clearerr(f.file);
  // A file that takes no change at all keeps what it has; the caller says why it closed.
  platform::files::cut(f.file, f.bytes);
  platform::files::close(f.file);
  f.file = nullptr;
  f.periodic_count = 0;
  f.pending_bytes = 0;
}

namespace {

// A line that could not be written (disk full, device error) ends the recording, so
// that no later event is taken for recorded and no later open empties the file. A line
// written in part is cut off, so that the script ends with the last whole line.
void write_failed() {
  ScriptState& script = lib.script;
  KX508_log("Cannot write script file %s\n", kScriptName);
  script.recording_on = false;
  platform::check_menu_item(lib.menu.run_menu, kCmdRecord, false);
  close_at_whole_lines(script);
}

// Another program records into the same file. Retrying would take its file as soon as it
// stopped, and empty it; so would a new recording started by the Ctrl+R its user presses
// to stop this one. So the recording stays on, writes nothing, and ends at that Ctrl+R.
void held_by_another_recorder() {
  ScriptState& script = lib.script;
  KX508_log("%s is being recorded by another program; this recording keeps nothing "
            "(Ctrl+R ends it)\n", kScriptName);
  script.refused = true;
  script.periodic_count = 0;
}

// Opens the script for a recording, locked against other recorders. False when it cannot
// be: the reason is logged, and a held file ends the recording.
bool open_for_recording() {
  ScriptState& script = lib.script;
  if (script.file) return true;
  platform::files::LockedOpen opened;
  script.file = platform::files::open_locked_for_writing(kScriptName, &opened);
  if (opened == platform::files::LockedOpen::Held) {
    held_by_another_recorder();
    return false;
  }
  if (!script.file) {
    // Retried at the next line: the folder or the file may take it by then.
    KX508_log("Cannot open script file %s for writing\n", kScriptName);
    script.open_failed = true;
    return false;
  }
  script.open_failed = false;
  script.bytes = 0;
  script.lines = 0;
  script.pending_bytes = 0;
  return true;
}

// Writes text after the file's whole lines and hands it to the system at once, so that a
// crash or a kill after the line was written loses nothing. Pending text is the periodic
// run's line as it counts so far: it is written over the run's earlier line.
LineWrite write_at_end(RecordedFile& to, const std::string& text, bool pending) {
  std::FILE* file = to.file;
  if (std::fseek(file, to.bytes, SEEK_SET) != 0) return LineWrite::Failed;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0)
    return LineWrite::Failed;
  const long n = static_cast<long>(text.size());
  if (pending) {
    to.pending_bytes = n;
  } else {
    to.bytes += n;
    to.lines += static_cast<long>(std::count(text.begin(), text.end(), '\n'));
  }
  return LineWrite::Written;
}

std::string event_text(int kind, int x, int y, char key, int periodic_count) {
  char text[64];
  switch (kind) {
    case KX508_MOUSE:
      std::snprintf(text, sizeof text, "KX508_MOUSE(%d, %d);\n", x, y);
      break;
    case KX508_KEY:
      // Keys are written 0..255 so that they read back the same.
      std::snprintf(text, sizeof text, "KX508_KBD(%d);\n", static_cast<unsigned char>(key));
      break;
    case KX508_PERIODIC:
      std::snprintf(text, sizeof text, "KX508_PERIODIC(%d);\n", periodic_count);
      break;
    default:
      return "";
  }
  return text;
}

// One line of the script, or why there is none.
enum class LineRead { Line, TooLong, End };

constexpr const char* kReplyStart = "KX508_GETS(\"";
constexpr const char* kAreaStart = "KX508_AREA(";
constexpr const char* kClientStart = "KX508_CLIENT(";
constexpr const char* kReplyEnd = "\");";
// A reply line's longest: 255 characters, each written as \xHH at worst.
constexpr std::size_t kLongestReplyLine = 4 * 255 + 16;

bool starts_with(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// Reads a line of at most 511 characters (its newline dropped; a carriage return before
// it too, so files written with CR LF line ends play). A longer line is read whole and
// reported as too long, unless it is a run's reply line. NUL bytes are ordinary
// characters, so a binary file is read as lines like any other.
LineRead read_line(std::string& line) {
  std::FILE* file = lib.script.file;
  line.clear();
  std::size_t length = 0;
  int c;
  while ((c = std::getc(file)) != EOF && c != '\n') {
    if (length < kLongestReplyLine) line.push_back(static_cast<char>(c));
    ++length;
  }
  if (c == EOF && length == 0) return LineRead::End;
  const bool reply = lib.script.playing_run && starts_with(line, kReplyStart);
  if (length > (reply ? kLongestReplyLine : kLineBuffer - 1)) return LineRead::TooLong;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return LineRead::Line;
}

// The line just read is the one played last: a frame or a log line from now on came after it.
void played(const std::string& line) {
  ScriptState& script = lib.script;
  script.played = script.line;
  script.last_line = line;
  replay_line_played();
}

// Opens the file to play. A run's first line is read here, so that a reply asked for
// before the first event finds its line next.
bool open_for_playing() {
  ScriptState& script = lib.script;
  script.file = platform::files::open_for_reading(script.play_path.c_str());
  if (!script.file) return false;
  script.line = 0;
  script.played = 0;
  script.last_line.clear();
  script.input_played = false;
  script.playing_run = false;
  script.run_area.reset();
  std::string first;
  if (read_line(first) == LineRead::Line && first == kRunFirstLine) {
    script.playing_run = true;
    script.line = 1;
    played(first);
  } else {
    std::rewind(script.file);
  }
  return true;
}

// A number in the line, clamped to the int range.
struct Number {
  bool found = false;
  int value = 0;
  bool clamped = false;  // its digits are worth more than value holds
  std::size_t end = 0;   // index just after the characters it was read from
};

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Digits from index i on, as a value clamped to just above INT_MAX; *i ends after them.
long long read_digits(const std::string& line, std::size_t* i) {
  long long v = 0;
  for (; *i < line.size() && is_digit(line[*i]); ++(*i))
    v = std::min(v * 10 + (line[*i] - '0'), static_cast<long long>(INT_MAX) + 1);
  return v;
}

int clamp_to_int(long long v) {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

// The first run of digits at or after index from. With signed, a '-' just before the run
// is its sign (key lines: older files wrote keys above 127 as negative numbers).
Number find_digits(const std::string& line, std::size_t from, bool signed_) {
  Number n;
  std::size_t i = from;
  while (i < line.size() && !is_digit(line[i])) ++i;
  if (i >= line.size()) return n;
  bool negative = signed_ && i > from && line[i - 1] == '-';
  long long v = read_digits(line, &i);
  n.found = true;
  n.value = clamp_to_int(negative ? -v : v);
  n.clamped = v > INT_MAX;
  n.end = i;
  return n;
}

// The first run of digits and '-' characters at or after index from, valued as atoi
// would value it: an optional '-', then digits up to the first other character. So
// "--5" is 0 and "5-3" is 5.
Number find_signed_run(const std::string& line, std::size_t from) {
  auto in_run = [](char c) { return c == '-' || is_digit(c); };
  Number n;
  std::size_t i = from;
  while (i < line.size() && !in_run(line[i])) ++i;
  if (i >= line.size()) return n;
  std::size_t end = i;
  while (end < line.size() && in_run(line[end])) ++end;
  bool negative = line[i] == '-';
  std::size_t digits = negative ? i + 1 : i;
  long long v = read_digits(line, &digits);
  n.found = true;
  n.value = clamp_to_int(negative ? -v : v);
  n.end = end;
  return n;
}

bool deliver_line(const std::string& line) {
  if (line.size() < 7) return false;
  switch (line[6]) {
    case 'K': {
      Number key = find_digits(line, 6, true);
      if (!key.found) return false;
      lib.event.kind = KX508_KEY;
      lib.event.key = static_cast<char>(static_cast<unsigned>(key.value) & 0xFF);
      return true;
    }
    case 'M': {
      Number x = find_signed_run(line, 6);
      Number y = x.found ? find_signed_run(line, x.end) : Number{};
      if (!y.found) return false;
      lib.event.kind = KX508_MOUSE;
      lib.event.x = x.value;
      lib.event.y = y.value;
      return true;
    }
    case 'P': {
      Number count = find_digits(line, 6, false);
      // A recorder counts a run in an int: a larger count was never recorded, and would
      // play for days.
      if (!count.found || count.clamped) return false;
      lib.event.kind = KX508_PERIODIC;
      // This call delivers the first event of the run; a count of 0 delivers just it.
      lib.script.periodic_count = count.value > 1 ? count.value - 1 : 0;
      return true;
    }
    default:
      return false;
  }
}

// A line the player does not know pauses playback after it: the next playback goes on
// with the following line. The mark goes, and the log says why nothing plays.
void unrecognised_line() {
  const std::string& path = lib.script.play_path;
  KX508_log("Unrecognised line %d in script file %s; playback paused\n",
            lib.script.line, path.c_str());
  stop_playback();
  replay_script_ended("stopped at unrecognised line " + std::to_string(lib.script.line));
}

void end_of_script() {
  KX508_log("EOF encountered in script file %s\n", lib.script.play_path.c_str());
  stop_playback();
  // The next playback starts again from the first line.
  script_close();
  replay_script_ended(kPlayedToItsEnd);
}

// A run's client line: the size the drawing window's client area took there, which places
// the canvas in a replay as it was placed when the run was recorded. Played with any other
// playback, or not understood, it is passed over: it is no event.
bool take_client_line(const std::string& line) {
  if (!starts_with(line, kClientStart)) return false;
  ClientSize size;
  if (lib.replay.playing && read_client_line(line, &size)) use_run_client_area(size);
  return true;
}

}  // namespace

LineWrite write_event_line(RecordedFile& to, int kind, int x, int y, char key) {
  if (kind == KX508_PERIODIC) {
    // The run is in the file as it grows, so that a crash, a kill or a page left mid-run
    // keeps it.
    ++to.periodic_count;
    return write_at_end(to, event_text(kind, 0, 0, 0, to.periodic_count), true);
  }
  if (end_periodic_run(to) == LineWrite::Failed) return LineWrite::Failed;
  const std::string text = event_text(kind, x, y, key, 0);
  return text.empty() ? LineWrite::Written : write_at_end(to, text, false);
}

LineWrite end_periodic_run(RecordedFile& to) {
  if (to.periodic_count <= 0) return LineWrite::Written;
  const LineWrite written =
      write_at_end(to, event_text(KX508_PERIODIC, 0, 0, 0, to.periodic_count), true);
  if (written == LineWrite::Written) {
    to.bytes += to.pending_bytes;
    ++to.lines;
  }
  to.pending_bytes = 0;
  to.periodic_count = 0;
  return written;
}

LineWrite write_whole_line(RecordedFile& to, const std::string& text) {
  if (end_periodic_run(to) == LineWrite::Failed) return LineWrite::Failed;
  return write_at_end(to, text + "\n", false);
}

void record_event(int kind, int x, int y, char key) {
  ScriptState& script = lib.script;
  if (script.refused) return;
  // A file that could not be opened is not tried again (and said again) at every tick;
  // the next other event tries.
  if (kind == KX508_PERIODIC && !script.file && script.open_failed) {
    ++script.periodic_count;
    return;
  }
  if (!open_for_recording()) return;
  if (write_event_line(script, kind, x, y, key) == LineWrite::Failed) write_failed();
}

bool script_read_event() {
  ScriptState& script = lib.script;
  if (!script.file && !open_for_playing()) {
    KX508_log("Cannot open script file %s for reading\n", script.play_path.c_str());
    stop_playback();
    replay_script_ended("could not be opened");
    return false;
  }
  if (script.periodic_count > 0) {
    --script.periodic_count;
    lib.event.kind = KX508_PERIODIC;
    ++lib.replay.events_played;
    return true;
  }
  std::string line;
  for (;;) {
    switch (read_line(line)) {
      case LineRead::End:
        end_of_script();
        return false;
      case LineRead::TooLong:
        ++script.line;
        played(line);
        unrecognised_line();
        return false;
      case LineRead::Line:
        ++script.line;
        if (line.empty()) continue;
        played(line);
        if (script.playing_run && starts_with(line, kReplyStart)) {
          // The program did not ask the prompt here, as it did when this run was recorded.
          KX508_log("Reply on line %d of %s was not asked for; skipped\n", script.line,
                    script.play_path.c_str());
          continue;
        }
        if (script.playing_run && take_client_line(line)) continue;
        if (script.playing_run && starts_with(line, kAreaStart)) {
          KX508_log("Visible area on line %d of %s was not asked for; skipped\n", script.line,
                    script.play_path.c_str());
          continue;
        }
        if (deliver_line(line)) {
          ++lib.replay.events_played;
          if (lib.event.kind != KX508_PERIODIC) script.input_played = true;
          return true;
        }
        unrecognised_line();
        return false;
    }
  }
}

namespace {

// Whether the run being played can be asked for a line the program takes where it stands
// (a reply, an area): only while it plays, never from a file being recorded or from the
// top of a script that has played to its end, and not in a periodic run's middle, where
// the line is still to come after the run.
bool run_answers_here() {
  ScriptState& script = lib.script;
  if (script.recording_on || !lib.replay.ending.empty()) return false;
  if (!script.file && (!script.playback_on || !open_for_playing())) return false;
  return script.playing_run && script.periodic_count == 0;
}

// Reads the run's next line when take accepts it; else leaves the file where it was.
template <typename Take>
bool take_run_line(Take take) {
  ScriptState& script = lib.script;
  long at = std::ftell(script.file);
  int line_at = script.line;
  std::string line;
  for (;;) {
    LineRead read;
    do {
      read = read_line(line);
      ++script.line;
    } while (read == LineRead::Line && line.empty());
    if (read != LineRead::Line) break;
    // The client areas on the way are the run's as it went: taken, and looked past.
    if (take_client_line(line)) {
      played(line);
      at = std::ftell(script.file);
      line_at = script.line;
      continue;
    }
    if (!take(line)) break;
    played(line);
    return true;
  }
  std::fseek(script.file, at, SEEK_SET);
  script.line = line_at;
  return false;
}

}  // namespace

std::string script_read_reply() {
  std::string reply;
  if (run_answers_here() &&
      take_run_line([&reply](const std::string& line) { return read_reply_line(line, &reply); }))
    lib.script.input_played = true;
  return reply;
}

std::optional<VisibleArea> script_read_area() {
  ScriptState& script = lib.script;
  // Once the run has played to its end the program is given what it sees.
  if (!run_answers_here())
    return script.playing_run && lib.replay.ending.empty() ? script.run_area : std::nullopt;
  VisibleArea area;
  if (take_run_line([&area](const std::string& line) { return read_area_line(line, &area); }))
    script.run_area = area;
  return script.run_area;
}

void script_take_first_client_lines() {
  if (run_answers_here()) take_run_line([](const std::string&) { return false; });
}

bool script_played_whole() {
  ScriptState& script = lib.script;
  if (script.played_whole) return true;
  if (!script.file || script.recording_on || script.periodic_count > 0) return false;
  const long at = std::ftell(script.file);
  const int line_at = script.line;
  std::string line;
  bool whole = true;
  for (LineRead read; (read = read_line(line)) != LineRead::End;) {
    if (read == LineRead::TooLong || !line.empty()) {
      whole = false;
      break;
    }
  }
  std::clearerr(script.file);
  std::fseek(script.file, at, SEEK_SET);
  script.line = line_at;
  return whole;
}

std::string reply_line(const std::string& reply) {
  std::string line = kReplyStart;
  for (unsigned char c : reply) {
    if (c == '"' || c == '\\') {
      line += '\\';
      line += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      line += hex;
    } else {
      line += static_cast<char>(c);
    }
  }
  return line + kReplyEnd;
}

bool read_reply_line(const std::string& line, std::string* reply) {
  const std::size_t start = std::strlen(kReplyStart), end_size = std::strlen(kReplyEnd);
  if (!starts_with(line, kReplyStart) || line.size() < start + end_size ||
      line.compare(line.size() - end_size, end_size, kReplyEnd) != 0)
    return false;
  std::string text;
  const std::size_t last = line.size() - end_size;
  for (std::size_t i = start; i < last; ++i) {
    char c = line[i];
    if (c == '"') return false;
    if (c == '\\') {
      if (i + 1 >= last) return false;
      c = line[++i];
      if (c == 'x') {
        unsigned value = 0;
        for (int k = 0; k < 2; ++k) {
          if (++i >= last || !std::isxdigit(static_cast<unsigned char>(line[i]))) return false;
          const char h = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
          value = value * 16 + static_cast<unsigned>(is_digit(h) ? h - '0' : h - 'a' + 10);
        }
        c = static_cast<char>(value);
      } else if (c != '"' && c != '\\') {
        return false;
      }
    }
    text += c;
  }
  *reply = text;
  return true;
}

void stop_recording() {
  ScriptState& script = lib.script;
  script.recording_on = false;
  platform::check_menu_item(lib.menu.run_menu, kCmdRecord, false);
  if (script.refused) {
    script.refused = false;
    return;
  }
  if (script.periodic_count > 0 && open_for_recording() &&
      end_periodic_run(script) == LineWrite::Failed) {
    write_failed();
    return;
  }
  script_close();
}

void script_finish() {
  // Asked before the file closes: the summary says whether every line was played.
  lib.script.played_whole = script_played_whole();
  if (lib.script.recording_on) stop_recording();
  else script_close();
  run_finish();
}

void pause_playback() {
  stop_playback();
  lib.animation.running = false;
  lib.animation.step_pending = false;
}

void stop_playback() {
  lib.script.playback_on = false;
  lib.script.play_one_pending = false;
  platform::check_menu_item(lib.menu.run_menu, kCmdPlayback, false);
}

void script_close() {
  ScriptState& script = lib.script;
  if (script.file) {
    if (!platform::files::close(script.file))
      KX508_log("Cannot write script file %s\n", kScriptName);
    script.file = nullptr;
  }
  // A count left from a run that was cut short must not leak into the next script, nor
  // a failed open keep the next recording from trying at its first event.
  script.periodic_count = 0;
  script.pending_bytes = 0;
  script.open_failed = false;
  script.playing_run = false;
}

std::string area_line(const VisibleArea& a) {
  char line[80];
  std::snprintf(line, sizeof line, "%s%d,%d,%d,%d);", kAreaStart, a.left, a.bottom, a.right,
                a.top);
  return line;
}

std::string client_line(const ClientSize& size) {
  return std::string(kClientStart) + std::to_string(size.width) + "," +
         std::to_string(size.height) + ");";
}

bool read_client_line(const std::string& line, ClientSize* size) {
  if (!starts_with(line, kClientStart)) return false;
  const char* at = line.data() + std::strlen(kClientStart);
  const char* const end = line.data() + line.size();
  int values[2];
  for (int i = 0; i < 2; ++i) {
    const auto [next, error] = std::from_chars(at, end, values[i]);
    if (error != std::errc() || next == end || *next != (i < 1 ? ',' : ')') || values[i] < 0)
      return false;
    at = next + 1;
  }
  if (std::string_view(at, end - at) != ";") return false;
  *size = {values[0], values[1]};
  return true;
}

bool read_area_line(const std::string& line, VisibleArea* area) {
  if (!starts_with(line, kAreaStart)) return false;
  const char* at = line.data() + std::strlen(kAreaStart);
  const char* const end = line.data() + line.size();
  int values[4];
  for (int i = 0; i < 4; ++i) {
    const auto [next, error] = std::from_chars(at, end, values[i]);
    if (error != std::errc() || next == end || *next != (i < 3 ? ',' : ')')) return false;
    at = next + 1;
  }
  if (std::string_view(at, end - at) != ";") return false;
  *area = {values[0], values[1], values[2], values[3]};
  return true;
}

}  // namespace kx508
