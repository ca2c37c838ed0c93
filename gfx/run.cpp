// KX508_RECORD: a run recorded from KX508_start to the program's end, every event the waits
// return, the prompt's replies, the visible areas and the drawing window's client areas,
// in a file that KX508_PLAY replays to the same pictures.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "internal.h"
#include "files.h"

namespace kx508 {

namespace {

using platform::files::Kind;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
  std::fprintf(stderr, "KX508: KX508_RECORD: cannot record into %s: %s\n", path.c_str(),
               why.c_str());
  std::fflush(stderr);
  std::exit(kReplayRefused);
}

// The run's file is emptied when it is opened, so it must not be a file this run reads
// or writes otherwise.
void check_path(const std::string& path) {
  const Kind kind = platform::files::kind_of(path.c_str());
  if (kind == Kind::Directory) refuse(path, "a folder");
  if (kind == Kind::Device || kind == Kind::Other) refuse(path, "not a regular file");
  for (const char* other : {"KX508_PLAY", "KX508_LOG"}) {
    const std::string named = env(other);
    if (!named.empty() && platform::files::same_file(path.c_str(), named.c_str()))
      refuse(path, std::string("it is the file ") + other + " names");
  }
}

// A line that could not be written ends the run's recording with its whole lines, said
// once in the log and on standard error, as the run is not what the program did any more.
void write_failed() {
  RunState& run = lib.run;
  run.recording = false;
  close_at_whole_lines(run);
  KX508_log("Cannot write run file %s; the run is recorded no further\n", run.path.c_str());
  std::fprintf(stderr, "KX508: KX508_RECORD: cannot write %s; the run is recorded no further\n",
               run.path.c_str());
}

}  // namespace

void run_open() {
  const std::string path = env("KX508_RECORD");
  if (path.empty()) return;
  check_path(path);
  platform::files::LockedOpen opened;
  std::FILE* file = platform::files::open_locked_for_writing(path.c_str(), &opened);
  if (opened == platform::files::LockedOpen::Held) refuse(path, "another run is recording into it");
  if (!file) refuse(path, "it cannot be written");
  RunState& run = lib.run;
  run.file = file;
  run.path = path;
  run.recording = true;
  if (write_whole_line(run, kRunFirstLine) == LineWrite::Failed) refuse(path, "it cannot be written");
}

bool run_recording() { return lib.run.recording; }

void run_record_event(int kind, int x, int y, char key) {
  if (write_event_line(lib.run, kind, x, y, key) == LineWrite::Failed) write_failed();
}

void run_record_reply(const char* reply) {
  if (!lib.run.recording) return;
  if (write_whole_line(lib.run, reply_line(reply ? reply : "")) == LineWrite::Failed)
    write_failed();
}

void run_record_area(const VisibleArea& area) {
  RunState& run = lib.run;
  if (!run.recording || run.area_written == area) return;
  if (write_whole_line(run, area_line(area)) == LineWrite::Failed) {
    write_failed();
    return;
  }
  run.area_written = area;
}

void run_record_client(const ClientSize& size) {
  RunState& run = lib.run;
  if (!run.recording || run.client_written == size) return;
  if (write_whole_line(run, client_line(size)) == LineWrite::Failed) {
    write_failed();
    return;
  }
  run.client_written = size;
}

void run_finish() {
  RunState& run = lib.run;
  if (!run.recording) return;
  run.recording = false;
  if (end_periodic_run(run) == LineWrite::Failed) {
    write_failed();
    return;
  }
  if (!platform::files::close(run.file))
    std::fprintf(stderr, "KX508: KX508_RECORD: cannot write %s\n", run.path.c_str());
  run.file = nullptr;
}

}  // namespace kx508
