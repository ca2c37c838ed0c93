// The process entry: keeps the start-up values and hands over to the application; and
// the process's end when it is not the program's doing (a request to end, an early exit).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "ending.h"
#include "internal.h"

using kx508::lib;

namespace kx508 {

namespace {

void finish_at_exit() {
  if (started() && !lib.ending.finished)
    finish_run("the process was ended before the program returned");
}

}  // namespace

void watch_the_end() {
  platform::ending::watch();
  static const bool watched = std::atexit(finish_at_exit) == 0;
  (void)watched;
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

int finish_run(const char* failure) {
  lib.ending.finished = true;
  // A recording the program left running keeps its last periodic run; a replay writes
  // its last frame and says how it went.
  script_finish();
  return replay_finish(failure);
}

}  // namespace kx508

int KX508_process_entry(KX508_Instance instance, KX508_Instance prev_instance,
                        const char* command_line, int show_state, int (*app_main)()) {
  kx508::StartupState& startup = lib.startup;
  startup.instance = instance;
  startup.prev_instance = prev_instance;
  startup.command_line = command_line ? command_line : "";
  startup.show_state = show_state;
  int status = 0;
  std::string failure;
  try {
    app_main();
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
  } catch (const std::exception& e) {
    // Nothing is thrown by design; what arrives here ends the program with its reason.
    failure = e.what();
  }
  if (!failure.empty()) {
    std::fprintf(stderr, "KX508: %s\n", failure.c_str());
    status = 1;
  }
  const int replay_status = kx508::finish_run(failure.empty() ? nullptr : failure.c_str());
  if (status == 0) status = replay_status;
  // The windows end with the program; close them here rather than leave it to static
  // destructors, which run after the windowing toolkit may be gone.
  platform::close();
  return status;
}

KX508_Instance KX508_startup_instance() { return lib.startup.instance; }
KX508_Instance KX508_startup_prev_instance() { return lib.startup.prev_instance; }
const char* KX508_startup_command_line() { return lib.startup.command_line; }
int KX508_startup_show_state() { return lib.startup.show_state; }
