// The process entry: keeps the start-up values and hands over to the application.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "internal.h"

using kx508::lib;

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
  // A recording the program left running keeps its last periodic run; a replay writes
  // its last frame and says how it went.
  kx508::script_finish();
  const int replay_status = kx508::replay_finish(failure.empty() ? nullptr : failure.c_str());
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
