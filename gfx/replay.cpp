// Replaying without a screen, for every program built on the library: KX508_PLAY plays a
// script from the top and sends quit at its end, KX508_FRAMES writes each frame the
// drawing window is given as a PNG, KX508_LOG writes the log window's lines to a file,
// and a summary line ends the run. The replay's clock makes such runs repeatable.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "internal.h"
#include "png.h"

namespace kx508 {

namespace {

// Where the replay's clock starts: a fixed second, the same for every run.
constexpr long long kReplayClockStart = 1'000'000'000;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

[[noreturn]] void refuse(const std::string& why) {
  std::fprintf(stderr, "KX508: %s\n", why.c_str());
  std::fflush(stderr);
  std::exit(2);
}

// The script must be a regular file that can be read; it is read again from the top
// when playback starts.
void check_script(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  struct stat st;
  const bool regular = f && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  const int error = errno;
  if (f) std::fclose(f);
  if (!regular)
    refuse("KX508_PLAY: cannot read script file " + path + ": " +
           (f ? "not a regular file" : std::strerror(error)));
}

void check_frames_dir(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir, ec))
    refuse("KX508_FRAMES: cannot make folder " + dir + ": " +
           (ec ? ec.message() : std::string("not a folder")));
  // A file made and removed again proves the folder takes frames.
  const std::string probe = (std::filesystem::path(dir) / ".kx508-probe").string();
  std::FILE* f = std::fopen(probe.c_str(), "wb");
  if (!f) refuse("KX508_FRAMES: cannot write into folder " + dir + ": " + std::strerror(errno));
  std::fclose(f);
  std::remove(probe.c_str());
}

long long frames_every(const std::string& text) {
  if (text.empty()) return 1;
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || n < 1)
    refuse("KX508_FRAMES_EVERY: \"" + text + "\" is not a whole number of 1 or more");
  return n;
}

std::string frame_path(long long number) {
  char name[32];
  std::snprintf(name, sizeof name, "%06lld.png", number);
  return (std::filesystem::path(lib.replay.frames_dir) / name).string();
}

void write_frame(long long number) {
  ReplayState& replay = lib.replay;
  if (write_png(frame_path(number), lib.windows.canvas)) {
    ++replay.frames_written;
    return;
  }
  // A disk that filled up mid-run: say so once, and stop trying.
  std::fprintf(stderr, "KX508: KX508_FRAMES: cannot write %s; no more frames are written\n",
               frame_path(number).c_str());
  replay.frames_dir.clear();
}

}  // namespace

void replay_open() {
  ReplayState& replay = lib.replay;
  const std::string play = env("KX508_PLAY");
  const std::string frames = env("KX508_FRAMES");
  const std::string log = env("KX508_LOG");
  if (play.empty() && frames.empty() && log.empty()) return;
  replay.active = true;
  if (!play.empty()) {
    check_script(play);
    replay.playing = true;
    lib.script.play_path = play;
  }
  if (!frames.empty()) {
    check_frames_dir(frames);
    replay.frames_dir = frames;
    replay.frames_every = frames_every(env("KX508_FRAMES_EVERY"));
  }
  if (!log.empty()) {
    replay.log_file = std::fopen(log.c_str(), "w");
    if (!replay.log_file)
      refuse("KX508_LOG: cannot write log file " + log + ": " + std::strerror(errno));
    replay.log_path = log;
  }
}

void replay_start_playing() {
  if (lib.replay.playing) on_command(kCmdPlayback);
}

void replay_script_ended(const std::string& how) {
  ReplayState& replay = lib.replay;
  if (!replay.playing || !replay.ending.empty()) return;
  replay.ending = how;
  platform::post_quit_message(0);
}

void replay_frame_presented() {
  ReplayState& replay = lib.replay;
  if (replay.frames_dir.empty()) return;
  const long long number = ++replay.frames_presented;
  replay.last_frame_written = number % replay.frames_every == 0;
  if (replay.last_frame_written) write_frame(number);
}

void replay_log_line(const char* line) {
  std::FILE* f = lib.replay.log_file;
  if (!f) return;
  std::fputs(line, f);
  std::fflush(f);
}

void replay_close() {
  if (lib.replay.log_file) std::fclose(lib.replay.log_file);
  lib.replay.log_file = nullptr;
}

void replay_finish(const char* failure) {
  ReplayState& replay = lib.replay;
  if (!replay.active) return;
  if (!replay.frames_dir.empty() && !replay.last_frame_written) {
    write_frame(replay.frames_presented);
    replay.last_frame_written = true;
  }
  replay_close();

  // Appended piece by piece: GCC 12 warns, wrongly, about operator+ on a temporary here.
  std::string summary = "KX508:";
  auto add = [&summary](std::initializer_list<std::string_view> parts) {
    for (std::string_view p : parts) summary.append(p);
  };
  if (replay.playing)
    add({" ", std::to_string(replay.events_played), " events played from ",
         lib.script.play_path, " (", replay.ending.empty() ? "not to its end" : replay.ending,
         ");"});
  if (!replay.frames_dir.empty() || replay.frames_written > 0)
    add({" ", std::to_string(replay.frames_written), " frames written to ",
         replay.frames_dir.empty() ? env("KX508_FRAMES") : replay.frames_dir, ";"});
  if (!replay.log_path.empty()) add({" log written to ", replay.log_path, ";"});
  if (failure)
    add({" the program failed: ", failure});
  else if (replay.playing && !replay.ending.empty())
    add({" the program ended at the script's end"});
  else
    add({" the program ended on its own"});
  std::fprintf(stderr, "%s\n", summary.c_str());
  std::fflush(stderr);
  replay.active = false;
}

}  // namespace kx508

using namespace kx508;

namespace {

bool replaying() { return lib.replay.playing || !env("KX508_PLAY").empty(); }

}  // namespace

long long KX508_time() {
  if (!replaying()) return static_cast<long long>(std::time(nullptr));
  // A periodic event is a tick of 100 ms.
  return kReplayClockStart + lib.replay.periodic_events / 10;
}

// A 64-bit linear congruential generator (Knuth's MMIX constants), its top bits taken:
// the low bits of such a generator repeat with short periods, and programs take n by
// the remainder. Exact unsigned arithmetic, so every compiler gives the same sequence.
int KX508_rand() {
  if (!replaying()) return std::rand();
  std::uint64_t& state = lib.replay.random_state;
  state = state * 6364136223846793005u + 1442695040888963407u;
  return static_cast<int>((state >> 33) & 0x7FFF);
}

void KX508_srand(unsigned seed) {
  if (!replaying()) std::srand(seed);
  else lib.replay.random_state = seed;
}
