// A run against its expected run, the one way KX508_EXPECT checks it inside a program and
// kx508-grade outside it: two frames' pixels, the log line by line, where in the script a
// frame or a line came, and the words that say the first difference.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "png.h"

namespace kx508::compare {

// ---- Frames

// A frame's file name from its number (000012.png), and back: 0 for any other name.
std::string frame_name(long long number);
long long frame_number(std::string_view name);

// The pixels in which two frames of one size differ; the first in reading order, in the
// picture's own pixels.
struct Pixels {
  long long count = 0;
  int first_x = 0, first_y = 0;
};
Pixels pixels_differing(const RgbPicture& expected, const RgbPicture& got);

// Two frames as their PNG files' bytes: equal bytes are the same frame, else both are
// decoded and their pixels compared.
struct Frames {
  enum Kind { Same, Differ, ExpectedUnreadable, GotUnreadable, Sizes } kind = Same;
  Pixels pixels;    // Differ
  std::string why;  // either Unreadable: the decoder's reason
  RgbPicture expected, got;  // decoded, unless the bytes were equal
};
Frames compare_frames(std::string_view expected_png, std::string_view got_png);

// Expected, got and their difference side by side: got faded with its differing pixels in
// red, the first of them ringed so that one pixel is found.
RgbPicture difference_picture(const Frames& frames);

// ---- The log

// Whether two log lines say the same. The library's lines that name the played script
// ("EOF encountered in script file PATH", ...) name it by the path the run was given, so
// those paths count as the same when their file names are.
bool same_log_line(std::string_view expected, std::string_view got);

// A run's log, given as it is written in pieces of any size, against the expected log:
// each line is compared once its newline comes (a last line without one, at the end).
class LogCheck {
 public:
  explicit LogCheck(std::string expected);
  // True when this text holds the first line that differs.
  bool add(std::string_view text);
  // The run's log ended: a last unfinished line is compared. True when that line differs,
  // or the expected log goes on.
  bool finish();
  bool differs() const { return differs_; }
  // The first line that differs (from 1), or where the run's log ended short.
  long long line() const { return line_; }
  bool ended_short() const { return ended_short_; }
  // " at log line 5 (PLACE): expected "...", got "..."", or ": its log ended at line 7,
  // the expected run's goes on with "..."".
  std::string words(const std::string& place) const;

 private:
  bool compare_line(std::string_view got);
  std::string expected_;
  std::vector<std::string_view> lines_;
  std::size_t next_ = 0;  // the expected line the run's next line is compared with
  std::string pending_;   // the run's line being written
  bool differs_ = false, ended_short_ = false;
  long long line_ = 0;
  std::string got_;  // the run's line that differs
};

// ---- Where in the script

// "after line 7 of moves.scr: KX508_KBD(119);", or "before the first line of moves.scr".
std::string place(int line, const std::string& script, std::string_view text);

// A replay that writes frames says in its frames folder, in this file, where it stood in
// the script at every frame presented and every script line played: a line each with the
// script line played last, the frames presented and the log lines written until then. Before
// the first, and whenever it moves, a line gives the canvas origin (its pixel).
inline constexpr const char* kPlacesFile = "script-lines.txt";
struct Stand {
  int line = 0;
  long long frames = 0, log_lines = 0;
};
std::string stand_line(const Stand& stand);
std::string origin_line(int x, int y);
// The first origin such a file gives; false when it gives none.
bool read_origin(std::string_view text, int* x, int* y);
// The stands of such a file, up to the first that is not one or that goes back (a run
// that was not the library's says anything): the script line at most `script_lines`.
std::vector<Stand> read_stands(std::string_view text, int script_lines);
// Where a run that ended stood: the script line played last before frame number was
// presented, or before log line number was ended (0: before the first line).
int line_before_frame(const std::vector<Stand>& stands, long long frame);
int line_before_log_line(const std::vector<Stand>& stands, long long log_line);
// The log lines ended before frame number was presented; -1 when the stands do not reach it.
long long log_lines_before_frame(const std::vector<Stand>& stands, long long frame);

// ---- The words after "differs" (the library's line starts "KX508: differs from the
// expected run", kx508-grade's result "differs")

// " at frame 21 (PLACE): 35 pixels differ, the first at (-10, 20)", the first pixel in
// library coordinates from the canvas origin; or why the frames could not be compared.
std::string frame_words(long long number, const std::string& place, const Frames& frames,
                        int origin_x, int origin_y);
// ": frame 43 (PLACE) is past the expected run's last frame, 42".
std::string past_last_words(long long number, const std::string& place, long long last);
// ": it ended after 40 frames, the expected run has 42".
std::string fewer_frames_words(long long frames, long long expected);

// What makes a program draw otherwise on another run of the same script, for the words
// that say a difference no played input explains ("it may use ...", "it uses ...").
inline constexpr const char* kUnplayedCause =
    "a clock or randomness that is not the library's (KX508_time, KX508_rand)";

}  // namespace kx508::compare
