// Replaying without a screen, for every program built on the library: KX508_PLAY plays a
// script from the top and sends quit at its end, KX508_FRAMES writes each frame the
// drawing window is given as a PNG, KX508_LOG writes the log window's lines to a file,
// and a summary line ends the run. The replay's clock makes such runs repeatable.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "compare.h"
#include "frame_png.h"
#include "gif.h"
#include "internal.h"
#include "png.h"
#include "ending.h"
#include "files.h"

namespace kx508 {

// The GIF as it is written: the frame last presented waits until the next one shows
// how long it was on the screen.
struct GifRun {
  GifRun(std::FILE* f, std::string part_name, std::vector<platform::Colour> palette)
      : file(f), part(std::move(part_name)),
        writer(f, kCanvasWidth, kCanvasHeight, std::move(palette)) {}
  std::FILE* file;
  std::string part;
  GifWriter writer;
  platform::Surface pending;
  long long pending_tick = -1;  // the replay clock's tick it was presented at; -1: none yet
  long long frames = 0;
};

namespace {

namespace fs = std::filesystem;

// A GIF's temporary file, made at start: a run refused after it removes it.
std::string gif_part_made;
using platform::files::Kind;

// Where the replay's clock starts: a fixed second, the same for every run.
constexpr long long kReplayClockStart = 1'000'000'000;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

[[noreturn]] void refuse(const std::string& why) {
  if (!gif_part_made.empty()) std::remove(gif_part_made.c_str());
  std::fprintf(stderr, "KX508: %s\n", why.c_str());
  std::fflush(stderr);
  std::exit(kReplayRefused);
}

// The colours a canvas can hold: the pictures written of it are indexed by them.
std::vector<platform::Colour> canvas_palette() {
  std::vector<platform::Colour> palette;
  for (int c = 0; c < 24; ++c) palette.push_back(colour_value(c));
  return palette;
}

// ---- The options, each checked before anything is made or emptied

// The option's whole number, least or more.
long long whole_number(const char* option, const std::string& text, long long least) {
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || errno != 0 || *end != '\0' || n < least)
    refuse(std::string(option) + ": \"" + text + "\" is not a whole number of " +
           std::to_string(least) + " or more");
  return n;
}

long long frames_every(const std::string& text) {
  return text.empty() ? 1 : whole_number("KX508_FRAMES_EVERY", text, 1);
}

// KX508_PLAY_PACE and KX508_PLAY_TO say how a script plays, so they need one. Returns
// the number of events to play before pausing, or -1 for none.
long long check_play_options(const std::string& play, const std::string& pace,
                             const std::string& to) {
  if (play.empty() && !pace.empty())
    refuse("KX508_PLAY_PACE: there is no script to play (give KX508_PLAY)");
  if (play.empty() && !to.empty())
    refuse("KX508_PLAY_TO: there is no script to play (give KX508_PLAY)");
  if (!pace.empty() && pace != "0" && pace != "1")
    refuse("KX508_PLAY_PACE: \"" + pace + "\" is neither 1 (as recorded) nor 0 (as fast as asked)");
  return to.empty() ? -1 : whole_number("KX508_PLAY_TO", to, 0);
}

// The script must be a regular file that can be read; it is read again from the top
// when playback starts.
void check_script(const std::string& path) {
  std::string why;
  std::FILE* f = platform::files::open_for_reading(path.c_str(), &why);
  if (!f) refuse("KX508_PLAY: cannot read script file " + path + ": " + why);
  std::fclose(f);
}

// The log is emptied when it is opened, so it must not be the script being played,
// under any name, and its folder must be there, or be the frames folder this run makes
// (an expected run keeps its log beside its frames).
void check_log(const std::string& log, const std::string& play, const std::string& frames) {
  const std::string cannot = "KX508_LOG: cannot write log file " + log + ": ";
  const Kind kind = platform::files::kind_of(log.c_str());
  if (kind == Kind::Directory) refuse(cannot + "a folder");
  // A FIFO or socket is tried when the log is opened: a pipe that is read takes it.
  if (!play.empty() && platform::files::same_file(log.c_str(), play.c_str()))
    refuse(cannot + "it is the script being played (" + play + ")");
  std::error_code ec;
  const fs::path folder = fs::path(log).parent_path();
  const bool made_here = !frames.empty() && folder.lexically_normal() ==
                                                 fs::path(frames).lexically_normal();
  if (kind == Kind::Missing && !folder.empty() && !made_here && !fs::is_directory(folder, ec))
    refuse(cannot + "no folder " + folder.string());
}

// The GIF is made from a played script, and never over a file this run reads or writes.
void check_gif(const std::string& gif, const std::string& play) {
  const std::string cannot = "KX508_GIF: cannot write " + gif + ": ";
  if (play.empty()) refuse("KX508_GIF: there is no script to play (give KX508_PLAY)");
  const Kind kind = platform::files::kind_of(gif.c_str());
  if (kind == Kind::Directory) refuse(cannot + "a folder");
  if (kind == Kind::Other || kind == Kind::Device) refuse(cannot + "not a regular file");
  for (const char* other : {"KX508_PLAY", "KX508_LOG", "KX508_RECORD"}) {
    const std::string named = env(other);
    if (!named.empty() && platform::files::same_file(gif.c_str(), named.c_str()))
      refuse(cannot + "it is the file " + other + " names");
  }
  std::error_code ec;
  const fs::path folder = fs::path(gif).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec)) refuse(cannot + "no folder " + folder.string());
}

// The GIF's temporary file is this run's until it is renamed: a second run that names
// the same GIF meanwhile is refused, and never empties it.
void open_gif(const std::string& gif) {
  const std::string part = gif + ".part";
  platform::files::LockedOpen opened;
  std::FILE* file = platform::files::open_locked_for_writing(part.c_str(), &opened, true);
  if (opened == platform::files::LockedOpen::Held)
    refuse("KX508_GIF: cannot write " + gif + ": another run is writing it");
  if (!file) refuse("KX508_GIF: cannot write " + gif + ": cannot write " + part);
  gif_part_made = part;
  lib.replay.gif = std::make_shared<GifRun>(file, part, canvas_palette());
  lib.replay.gif_path = gif;
}

// The folder takes a new run's frames only when it holds none from an earlier run:
// frames left over would be taken for this run's.
void check_frames_dir(const std::string& dir) {
  const std::string cannot = "KX508_FRAMES: cannot use folder " + dir + ": ";
  std::error_code ec;
  const fs::file_status status = fs::status(dir, ec);
  if (!fs::exists(status)) return;  // made later
  if (!fs::is_directory(status)) refuse(cannot + "not a folder");
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".png")
      refuse(cannot + "it already holds frames (" + it->path().filename().string() +
             "); give an empty or a new folder");
  }
  if (ec) refuse(cannot + ec.message());
}

// The first folder of dir's path that does not exist yet, which making dir creates.
fs::path first_missing_folder(const fs::path& dir) {
  fs::path first;
  std::error_code ec;
  for (fs::path p = dir; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    first = p;
    if (p == p.parent_path()) break;
  }
  return first;
}

// Removes the folders that making dir created, deepest first; they are empty.
void remove_made_folders(const fs::path& dir, const fs::path& first_made) {
  if (first_made.empty()) return;
  std::error_code ec;
  for (fs::path p = dir; !p.empty(); p = p.parent_path()) {
    fs::remove(p, ec);
    if (p == first_made || p == p.parent_path()) break;
  }
}

// Makes the frames folder when it is missing, and proves that it takes files. Returns the
// first folder made, for undoing when a later option is refused.
fs::path make_frames_dir(const std::string& dir) {
  const fs::path first_made = first_missing_folder(dir);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) refuse("KX508_FRAMES: cannot make folder " + dir + ": " + ec.message());
  const std::string probe = (fs::path(dir) / ".kx508-probe").string();
  std::FILE* f = std::fopen(probe.c_str(), "wb");
  if (!f) {
    const int error = errno;
    remove_made_folders(dir, first_made);
    refuse("KX508_FRAMES: cannot write into folder " + dir + ": " + std::strerror(error));
  }
  std::fclose(f);
  std::remove(probe.c_str());
  return first_made;
}

// The folder is this run's until the process ends: a second run that names it meanwhile
// is refused (and leaves the folder, which may be the one it made, to that run), and a run
// that claims it after an earlier one ended finds that one's frames. Where it cannot be
// claimed at all (a file system without locks) the run goes on.
void claim_frames_dir(const std::string& dir) {
  std::string why;
  if (platform::files::claim_folder(dir.c_str(), &why) == platform::files::Claim::Held)
    refuse("KX508_FRAMES: cannot use folder " + dir + ": another run is writing frames into it");
  check_frames_dir(dir);
}

// ---- During the run

std::string frame_path(long long number) {
  return (fs::path(lib.replay.frames_dir) / compare::frame_name(number)).string();
}

void write_frame(long long number) {
  ReplayState& replay = lib.replay;
  const std::string path = frame_path(number);
  if (!replay.frame_png) replay.frame_png = std::make_shared<FramePng>(canvas_palette());
  const std::vector<unsigned char>& png = replay.frame_png->encode(lib.windows.canvas);
  std::string why = "the picture could not be made";
  if (!png.empty() && write_file(path, png, &why)) {
    ++replay.frames_written;
    return;
  }
  // A disk that filled up mid-run: say so once, and stop trying. The frames written
  // before are whole; this one was never given its name.
  std::fprintf(stderr, "KX508: KX508_FRAMES: cannot write %s: %s; no more frames are written\n",
               path.c_str(), why.c_str());
  replay.frames_stopped = true;
  replay.frames_dir.clear();
}

// A GIF that could not be written whole is not made: its temporary file goes, and nothing
// takes the GIF's name.
void gif_failed(const std::string& why) {
  ReplayState& replay = lib.replay;
  std::fprintf(stderr, "KX508: KX508_GIF: cannot write %s: %s; no GIF is made\n",
               replay.gif_path.c_str(), why.c_str());
  if (replay.gif->file) platform::files::close(replay.gif->file);
  std::remove(replay.gif->part.c_str());
  replay.gif.reset();
  replay.gif_failed = true;
}

// The pending frame was on the screen until the replay clock's tick, a timer period a
// tick; a GIF counts its delays in hundredths of a second.
void write_pending_frame(long long until_tick, int hold_cs) {
  GifRun& gif = *lib.replay.gif;
  const long long shown = (until_tick - gif.pending_tick) * kTimerPeriodMs / 10 + hold_cs;
  gif.writer.add_frame(gif.pending, static_cast<int>(std::min<long long>(shown, 0xFFFF)));
  ++gif.frames;
  if (gif.writer.errno_value() != 0) gif_failed(std::strerror(gif.writer.errno_value()));
}

bool same_picture(const platform::Surface& a, const platform::Surface& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::memcmp(a.data(), b.data(),
                     sizeof(platform::Colour) * static_cast<std::size_t>(a.width()) * a.height()) == 0;
}

// A frame presented: the one before it is written once this one shows how long it was on
// the screen. A frame replaced within its tick was never seen; one that repeats the
// picture only lengthens its time.
void gif_frame_presented() {
  GifRun& gif = *lib.replay.gif;
  const long long tick = lib.replay.periodic_events;
  const platform::Surface& canvas = lib.windows.canvas;
  if (gif.pending_tick >= 0) {
    if (same_picture(canvas, gif.pending)) return;
    if (tick > gif.pending_tick) write_pending_frame(tick, 0);
    if (!lib.replay.gif) return;
  }
  if (gif.pending_tick < 0 || tick > gif.pending_tick) gif.pending_tick = tick;
  gif.pending = canvas;
}

// The last frame is held a second longer than the run's end, so that the end is seen
// before the animation starts again.
constexpr int kLastFrameHoldCs = 100;

void gif_finish() {
  ReplayState& replay = lib.replay;
  if (!replay.gif) return;
  if (replay.gif->pending_tick >= 0) write_pending_frame(replay.periodic_events, kLastFrameHoldCs);
  if (!replay.gif) return;
  GifRun& gif = *replay.gif;
  if (!gif.writer.finish()) return gif_failed(std::strerror(gif.writer.errno_value()));
  // Renamed while it is still held, so that no other run can take the name in between.
  std::error_code ec;
  fs::rename(gif.part, replay.gif_path, ec);
  if (ec) return gif_failed(ec.message());
  const bool closed = platform::files::close(gif.file);
  gif.file = nullptr;
  if (!closed) {
    std::remove(replay.gif_path.c_str());
    return gif_failed(std::strerror(EIO));
  }
  gif.part.clear();
}

// Where the run stands goes beside the frames; a file that cannot be written is said once,
// and the frames go on without it.
void open_places(const std::string& frames) {
  ReplayState& replay = lib.replay;
  replay.places_path = (fs::path(frames) / compare::kPlacesFile).string();
  std::string why;
  replay.places = platform::files::open_for_writing(replay.places_path.c_str(), &why);
  if (!replay.places)
    std::fprintf(stderr, "KX508: KX508_FRAMES: cannot write %s: %s\n", replay.places_path.c_str(),
                 why.c_str());
}

void write_stand() {
  ReplayState& replay = lib.replay;
  if (!replay.places) return;
  std::string line;
  const CanvasOrigin& origin = lib.windows.canvas_origin;
  if (!replay.origin_written || replay.origin_written->x != origin.x ||
      replay.origin_written->y != origin.y) {
    line = compare::origin_line(origin.x, origin.y);
    replay.origin_written = origin;
  }
  line += compare::stand_line({lib.script.played, replay.frames_presented, replay.log_lines});
  errno = 0;
  if (std::fputs(line.c_str(), replay.places) >= 0 && std::fflush(replay.places) == 0) return;
  std::fprintf(stderr, "KX508: KX508_FRAMES: cannot write %s: %s; it stops here\n",
               replay.places_path.c_str(), std::strerror(errno != 0 ? errno : EIO));
  std::fclose(replay.places);
  replay.places = nullptr;
}

void log_write_failed(int error) {
  ReplayState& replay = lib.replay;
  std::fprintf(stderr, "KX508: KX508_LOG: cannot write log file %s: %s; the log stops here\n",
               replay.log_path.c_str(), std::strerror(error));
  if (replay.log_file) std::fclose(replay.log_file);
  replay.log_file = nullptr;
  replay.log_stopped = true;
}

// "1 frame", "2 frames".
FixedText& operator<<(FixedText& t, std::pair<long long, const char*> counted) {
  return t << counted.first << " " << counted.second << (counted.first == 1 ? "" : "s");
}

// Whether the run stopped short of what it was asked to do: frames or the log stopped part
// way, or the script's playback stopped before its end (an unrecognised line, a file gone
// by then). A program that ends on its own before the script's end ends as it chose.
bool ended_short() {
  const ReplayState& replay = lib.replay;
  const bool script_short = !replay.ending.empty() && replay.ending != kPlayedToItsEnd &&
                            replay.ending != kStoppedAtADifference;
  return replay.frames_stopped || replay.log_stopped || replay.gif_failed || script_short;
}

}  // namespace

void replay_open() {
  ReplayState& replay = lib.replay;
  const std::string play = env("KX508_PLAY");
  const std::string frames = env("KX508_FRAMES");
  const std::string log = env("KX508_LOG");
  const std::string pace = env("KX508_PLAY_PACE"), to = env("KX508_PLAY_TO");
  const std::string gif = env("KX508_GIF");
  if (play.empty() && frames.empty() && log.empty() && pace.empty() && to.empty() && gif.empty() &&
      env("KX508_EXPECT").empty())
    return;

  // Every option is checked before any folder is made or any file emptied, so that a run
  // refused at start leaves nothing behind.
  const long long play_to = check_play_options(play, pace, to);
  const long long every = frames.empty() ? 1 : frames_every(env("KX508_FRAMES_EVERY"));
  if (!play.empty()) check_script(play);
  if (!log.empty()) check_log(log, play, frames);
  if (!frames.empty()) check_frames_dir(frames);
  if (!gif.empty()) check_gif(gif, play);
  expect_open(play, frames);

  if (!gif.empty()) open_gif(gif);
  fs::path first_made;
  if (!frames.empty()) {
    first_made = make_frames_dir(frames);
    claim_frames_dir(frames);
  }
  if (!log.empty()) {
    std::string why;
    replay.log_file = platform::files::open_for_writing(log.c_str(), &why);
    if (!replay.log_file) {
      if (!frames.empty()) remove_made_folders(frames, first_made);
      refuse("KX508_LOG: cannot write log file " + log + ": " + why);
    }
    replay.log_path = log;
  }

  replay.active = true;
  if (!play.empty()) {
    replay.playing = true;
    lib.script.play_path = play;
    replay.paced = pace == "1";
    replay.play_to = play_to;
  }
  if (!frames.empty()) {
    replay.frames_dir = frames;
    replay.frames_given = frames;
    replay.frames_every = every;
    if (!play.empty()) open_places(frames);
  }
}

void replay_start_playing() {
  if (!lib.replay.playing) return;
  on_command(kCmdPlayback);
  script_take_first_client_lines();
}

bool replay_paced() { return lib.replay.paced && lib.replay.play_to < 0; }

bool replay_pause_due() {
  ReplayState& replay = lib.replay;
  if (replay.play_to < 0 || replay.events_played < replay.play_to) return false;
  KX508_log("Playback paused after %lld events of %s: Ctrl+O plays one more, Ctrl+P plays on,"
            " Ctrl+A runs the program from here\n",
            replay.events_played, lib.script.play_path.c_str());
  replay.play_to = -1;
  return true;
}

void replay_script_ended(const std::string& how) {
  ReplayState& replay = lib.replay;
  if (!replay.playing || !replay.ending.empty()) return;
  replay.ending = how;
  platform::post_quit_message(0);
}

void replay_frame_presented() {
  ReplayState& replay = lib.replay;
  if (replay.gif) gif_frame_presented();
  if (replay.frames_dir.empty() && !lib.expect.active) return;
  const long long number = ++replay.frames_presented;
  write_stand();
  expect_frame(number);
  if (replay.frames_dir.empty()) return;
  replay.last_frame_written = number % replay.frames_every == 0;
  if (replay.last_frame_written) write_frame(number);
}

void replay_line_played() { write_stand(); }

void replay_log_line(std::string_view line) {
  for (char c : line) lib.replay.log_lines += c == '\n';
  expect_log(line);
  std::FILE* f = lib.replay.log_file;
  if (!f) return;
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), f) != line.size() || std::fflush(f) != 0)
    log_write_failed(errno != 0 ? errno : EIO);
}

void replay_summary(FixedText& t, ReplayEnd end) {
  const ReplayState& replay = lib.replay;
  const bool cut_off = end == ReplayEnd::CutOff;
  const std::pair<long long, const char*> events{replay.events_played, "event"};
  t << "KX508:";
  // Whether every line was played is read from the file, which a process cut off leaves.
  if (replay.playing && replay.ending.empty() && !cut_off && script_played_whole())
    t << " all " << events << " played from " << lib.script.play_path << ";";
  else if (replay.playing)
    t << " " << events << " played from " << lib.script.play_path << " ("
      << (replay.ending.empty() ? std::string_view("not to its end") : replay.ending) << ");";
  if (!replay.frames_given.empty())
    t << " " << std::pair<long long, const char*>{replay.frames_written, "frame"} << " written to "
      << replay.frames_given << (replay.frames_stopped ? ", then no more could be;" : ";");
  if (!replay.log_path.empty())
    t << (replay.log_stopped ? " log cut short in " : " log written to ") << replay.log_path << ";";
  if (replay.gif && !cut_off)
    t << " GIF of " << std::pair<long long, const char*>{replay.gif->frames, "frame"}
      << " written to " << replay.gif_path << ";";
  else if (replay.gif || replay.gif_failed)
    t << " no GIF made at " << replay.gif_path << ";";
}

void replay_close() {
  if (lib.replay.log_file) std::fclose(lib.replay.log_file);
  lib.replay.log_file = nullptr;
  if (lib.replay.places) std::fclose(lib.replay.places);
  lib.replay.places = nullptr;
  if (GifRun* gif = lib.replay.gif.get()) {
    if (gif->file) platform::files::close(gif->file);
    if (!gif->part.empty()) std::remove(gif->part.c_str());
    lib.replay.gif.reset();
  }
  gif_part_made.clear();
}

int replay_finish(const char* failure) {
  ReplayState& replay = lib.replay;
  if (!replay.active) return 0;
  if (!replay.frames_dir.empty() && !replay.last_frame_written) {
    write_frame(replay.frames_presented);
    replay.last_frame_written = true;
  }
  if (std::FILE* log = replay.log_file) {
    replay.log_file = nullptr;
    errno = 0;
    if (std::fclose(log) != 0) log_write_failed(errno != 0 ? errno : EIO);
  }
  gif_finish();
  if (replay.places) std::fclose(replay.places);
  replay.places = nullptr;
  const bool short_run = ended_short();
  std::string expect_summary;
  const int status = expect_finish(failure ? 1 : short_run ? kReplayEndedShort : 0,
                                   replay.frames_presented, &expect_summary);

  std::vector<char> buffer(32768);
  FixedText summary(buffer.data(), buffer.size());
  replay_summary(summary, ReplayEnd::Finished);
  if (failure)
    summary << " the program failed: " << failure;
  else if (replay.playing && replay.ending == kPlayedToItsEnd)
    summary << " the program ended at the script's end";
  else if (replay.playing && !replay.ending.empty())
    summary << " the program ended where the script stopped";
  else if (lib.ending.signal != 0)
    summary << " the program ended at " << platform::ending::name(lib.ending.signal);
  else
    summary << " the program ended on its own";
  if (short_run && !failure && status != kExpectDiffers) summary << "; the run ended short (status 3)";
  summary << expect_summary;
  std::fprintf(stderr, "%s\n", summary.data());
  std::fflush(stderr);
  replay.active = false;
  return status;
}

}  // namespace kx508

using namespace kx508;

namespace {

// A run being recorded uses the replay's clock and generator too, so that its replay
// seeds and reads the time as it did. Asked before KX508_start, the options say.
bool replaying() {
  return lib.replay.playing || lib.run.recording || !env("KX508_PLAY").empty() ||
         !env("KX508_RECORD").empty();
}

}  // namespace

long long KX508_time() {
  // A loop that waits for the clock to move on waits for no event.
  attend_to_the_windows();
  if (!replaying()) return static_cast<long long>(std::time(nullptr));
  // A periodic event is a tick of the timer.
  return kReplayClockStart + lib.replay.periodic_events * kTimerPeriodMs / 1000;
}

// A 64-bit linear congruential generator (Knuth's MMIX constants), its top bits taken:
// the low bits of such a generator repeat with short periods, and programs take n by
// the remainder. Exact unsigned arithmetic, so every compiler gives the same sequence.
int KX508_rand() {
  attend_to_the_windows();
  if (!replaying()) return std::rand();
  std::uint64_t& state = lib.replay.random_state;
  state = state * 6364136223846793005u + 1442695040888963407u;
  return static_cast<int>((state >> 33) & 0x7FFF);
}

void KX508_srand(unsigned seed) {
  if (!replaying()) std::srand(seed);
  else lib.replay.random_state = seed;
}
