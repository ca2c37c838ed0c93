// The process entry: keeps the start-up values, watches the process (ending.cpp) and hands
// over to the application.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "internal.h"

using kx508::lib;

namespace {

// The program's name as its user typed it: the file name of its path, without ".exe".
std::string program_name(const char* instance) {
  std::string name = instance ? instance : "kx508";
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
  return name;
}

// The menu's keys, a line at a time: "Its Run menu (Alt+R) lists the keys: Ctrl+A animate,
// ...", each line at most kHelpWidth characters, a key never split from what it does.
constexpr std::size_t kHelpWidth = 86;
std::string keys_lines() {
  std::string text = "Its Run menu (Alt+R) lists the keys:", line = text;
  const std::vector<std::string> keys = kx508::menu_keys();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::string word = keys[i] + (i + 1 < keys.size() ? "," : ".");
    if (line.size() + 1 + word.size() > kHelpWidth) {
      text += "\n" + word;
      line = word;
    } else {
      text += " " + word;
      line += " " + word;
    }
  }
  return text + "\n";
}

// The library's part of --help: the program's own text, when it gives one, comes first.
std::string library_help(const std::string& name) {
  const std::string tick = std::to_string(kx508::kTimerPeriodMs);
  return "Usage: " + name + " [--help | --version]\n"
         "A program on the KX508 graphics library " KX508_VERSION
         ": a drawing window and a log window.\n" +
         keys_lines() +
         "Other arguments are ignored.\n"
         "\n"
         "Options are environment variables:\n"
         "  KX508_PLATFORM=qt|win32|web|headless  the backend (headless: no windows)\n"
         "  KX508_PLAY=script        play a script or run from the start, then quit\n"
         "  KX508_PLAY_PACE=1        ... a periodic event every " + tick + " ms, as recorded\n"
         "  KX508_PLAY_TO=k          ... its first k events, then pause\n"
         "  KX508_RECORD=path        record a run from the start, to replay exactly\n"
         "  KX508_FRAMES=dir         write every frame as dir/000001.png, ...\n"
         "  KX508_FRAMES_EVERY=N     ... only every Nth frame, and the last\n"
         "  KX508_GIF=path           write the replay as an animated GIF\n"
         "  KX508_LOG=path           write the log window's lines to a file\n"
         "  KX508_EXPECT=dir         check the replay against an expected run (status 4)\n"
         "Exit status: 0 ended, 1 failed, 2 an option refused, 3 ended short, 4 differs;\n"
         "128+N the signal N ended it (a crash, or a request to end a program that did not wait).\n"
         "The library's manual: man 3 kx508, and docs/API.md; both come with the kx508-dev package.\n";
}

// --help or --version as the only argument is answered on standard output, and the
// program does not start: no window opens.
bool answered(const char* instance, const char* command_line) {
  const std::string arguments = command_line ? command_line : "";
  if (arguments != "--help" && arguments != "--version") return false;
  const std::string name = program_name(instance);
  if (arguments == "--help") {
    std::string text;
    if (const char* own = app::help(); own && *own) {
      text = own;
      if (text.back() != '\n') text += '\n';
      text += '\n';
    }
    text += library_help(name);
    std::fputs(text.c_str(), stdout);
  } else {
    std::printf("%s (KX508 %s)\n", name.c_str(), KX508_VERSION);
  }
  std::fflush(stdout);
  return true;
}

}  // namespace

int KX508_process_entry(KX508_Instance instance, KX508_Instance prev_instance,
                        const char* command_line, int show_state, int (*app_main)()) {
  if (answered(instance, command_line)) return 0;
  kx508::StartupState& startup = lib.startup;
  startup.instance = instance;
  startup.prev_instance = prev_instance;
  startup.command_line = command_line ? command_line : "";
  startup.show_state = show_state;
  kx508::watch_the_process();
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
  kx508::platform::close();
  return status;
}

KX508_Instance KX508_startup_instance() { return lib.startup.instance; }
KX508_Instance KX508_startup_prev_instance() { return lib.startup.prev_instance; }
const char* KX508_startup_command_line() { return lib.startup.command_line; }
int KX508_startup_show_state() { return lib.startup.show_state; }
