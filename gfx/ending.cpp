// How the process ends when it is not the program's doing: a request from outside becomes
// a quit, an exit the program did not make still leaves the run whole, a program that
// stops waiting is told so and can still be ended, and a crash says what and where.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ending.h"
#include "internal.h"

namespace kx508 {

namespace {

// The process came in through the library's entry: a program, not a test of the library's
// parts, which alone is watched for crashes and for not waiting.
bool entered = false;

static_assert(platform::ending::kOverdueSeconds == 2, "the words below say 2 s");
constexpr char kOverdue[] =
    "has not waited for 2 s: a loop that never calls KX508_wait_event, or a handler that "
    "never returns?\n";
const std::string kOverdueSaid = std::string("KX508: the program ") + kOverdue;
const std::string kOverdueLogged = std::string("The program ") + kOverdue;

void finish_at_exit() {
  if (started() && !lib.ending.finished)
    finish_run("the process was ended before the program returned");
}

// Where the run stands, for a line that says where it ended: the event the program had
// last been given and, where a script plays or is recorded, that file's line.
void add_place(FixedText& t) {
  t << " at event " << lib.ending.events;
  const ScriptState& script = lib.script;
  const RecordedFile* recorded = nullptr;
  const char* file = nullptr;
  long long line = 0;
  if (script.file && !script.recording_on) {
    file = script.play_path.c_str();
    line = script.line;
  } else if (script.file && script.recording_on) {
    recorded = &script;
    file = kScriptName;
  } else if (lib.run.recording && lib.run.file) {
    recorded = &lib.run;
    file = lib.run.path.c_str();
  }
  if (recorded) line = recorded->lines + (recorded->pending_bytes > 0 ? 1 : 0);
  if (file) t << " (line " << line << " of " << file << ")";
}

// The last words, where the program's own code may not run on: built in buffers of their
// own, without allocating, and said at once. A replay's summary follows the line.
void last_words(const char* how, const char* what) {
  static char line[8192], summary[16384];
  lib.ending.finished = true;
  FixedText said(line, sizeof line);
  said << "KX508: the program " << how << " (" << what << ")";
  add_place(said);
  said << "\n";
  platform::ending::say(said.data(), said.size());
  if (!lib.replay.active) return;
  FixedText t(summary, sizeof summary);
  replay_summary(t, ReplayEnd::CutOff);
  t << " the program " << how << " (" << what << ")\n";
  platform::ending::say(t.data(), t.size());
}

void crashed(const char* what) { last_words("crashed", what); }

void ended(int signal) { last_words("was ended", platform::ending::name(signal)); }

// A quit that a program out of a wait cannot see: the program is ended, as it asked.
[[noreturn]] void end_the_program_that_does_not_wait() {
  std::fprintf(stderr, "KX508: the program was asked to quit while it was not waiting; it is "
                       "ended\n");
  std::fflush(stderr);
  finish_run("asked to quit while it was not waiting");
  platform::close();
  std::exit(1);
}

// Lets the windows' events through for a program that does not wait: the drawing window
// shows what it drew, and the menu, the keys and the close box work. Clicks and typed
// characters are kept for the next wait, where the program would have had them.
void pump_for_the_program() {
  static bool pumping = false;
  if (pumping || lib.ending.waiting || !started() || lib.replay.playing) return;
  pumping = true;
  if (!lib.ending.overdue_logged) {
    lib.ending.overdue_logged = true;
    KX508_log("%s", kOverdueLogged.c_str());
  }
  std::vector<platform::Message> kept;
  platform::Message msg;
  while (platform::peek_message(msg)) {
    if (msg.type == platform::MsgType::Quit) end_the_program_that_does_not_wait();
    // A character typed with Ctrl is a command's key, never the program's event.
    const bool event = msg.type == platform::MsgType::LButtonDown ||
                       (msg.type == platform::MsgType::Char &&
                        (msg.modifiers & platform::Modifier::Ctrl) == 0);
    if (event) {
      kept.push_back(msg);
      continue;
    }
    platform::translate_message(msg);
    platform::dispatch_message(msg);
  }
  for (const platform::Message& m : kept) platform::post_message(m);
  if (lib.windows.canvas_dirty) copy_canvas_changes_to_window();
  pumping = false;
}

}  // namespace

FixedText& FixedText::operator<<(std::string_view text) {
  for (char c : text) {
    if (size_ + 1 >= capacity_) break;
    buffer_[size_++] = c;
  }
  buffer_[size_] = '\0';
  return *this;
}

FixedText& FixedText::operator<<(long long n) {
  char digits[24];
  char* p = digits + sizeof digits;
  unsigned long long v = n < 0 ? 0ull - static_cast<unsigned long long>(n) : n;
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (n < 0) *--p = '-';
  return *this << std::string_view(p, static_cast<std::size_t>(digits + sizeof digits - p));
}

void watch_the_process() {
  entered = true;
  platform::ending::watch_crashes(crashed);
}

void watch_the_end() {
  platform::ending::watch(ended);
  static const bool watched = std::atexit(finish_at_exit) == 0;
  (void)watched;
}

void watch_the_waits() {
  if (entered) platform::ending::watch_waits(kOverdueSaid.c_str());
}

void quit_if_asked_to_end() {
  const int signal = platform::ending::requested();
  if (signal == 0 || lib.ending.signal != 0) return;
  lib.ending.signal = signal;
  if (lib.replay.playing && lib.replay.ending.empty())
    replay_script_ended(std::string("stopped by ") + platform::ending::name(signal));
  else
    platform::post_quit_message(0);
}

void wait_begins() {
  lib.ending.waiting = true;
  // Said on standard error when it happened; the log window is told now, if it was not
  // then (the program called nothing of the library's meanwhile).
  if (platform::ending::wait_began() && !lib.ending.overdue_logged && !lib.replay.playing)
    KX508_log("%s", kOverdueLogged.c_str());
  lib.ending.overdue_logged = false;
}

void wait_ends() {
  platform::ending::wait_ended();
  lib.ending.waiting = false;
}

void attend_to_the_windows() {
  if (platform::ending::pump_due()) pump_for_the_program();
}

int finish_run(const char* failure) {
  lib.ending.finished = true;
  // What the program left drawn is told as it ends; not where the process is cut short,
  // as the windowing system may be gone.
  if (!failure) describe_at_wait(DescribeWhen::AtOnce);
  // A recording the program left running keeps its last periodic run; a replay writes
  // its last frame and says how it went.
  script_finish();
  return replay_finish(failure);
}

}  // namespace kx508
