// kx508-grade's parts: what is graded (options), building programs from their sources,
// one run of a program against a script's expected run, and the reports.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "process.h"

namespace grade {

namespace fs = std::filesystem;

struct Program {
  std::string name;               // as given on the command line
  fs::path source;                // the executable, the .cpp file or the folder of them
  std::vector<fs::path> sources;  // .cpp files to build; empty for an executable
};

struct Script {
  std::string name;  // NAME.scr
  fs::path path;
  fs::path expected;  // DIR/NAME
};

struct Options {
  fs::path expected;
  std::vector<Script> scripts;
  std::vector<Program> programs;
  fs::path out = ".";
  int jobs = 0;
  kx508::platform::process::Limits limits;
  bool unsafe = false;                // grade even where runs cannot be confined
  std::vector<std::string> passed;    // variables of this environment every run is given
  int repeat = 2;                     // runs of the first script, each after the first
                                      // compared with the first (grade_repeat.h)
};

// Parses the command line (and any manifest it names). Returns 0 to go on, -1 after
// printing --help or --version, or 2 after a usage error.
int parse(const std::vector<std::string>& args, Options* options);

// Unsteady: its runs of the same script differ from each other (grade_repeat.h); it
// counts as a difference.
enum class Verdict { Passed, Differs, Crashed, Limit, BuildFailed, Status, Trouble, Unsteady };

// What a run wrote on standard output or error: its last bytes, from a line's start.
struct Printed {
  std::string text;
  long long bytes = 0;  // all it wrote; more than text.size() when the start is cut
};

struct Result {
  std::string program, script;
  Verdict verdict = Verdict::Trouble;
  std::string summary;                // one line, for the table
  std::vector<std::string> details;   // the lines saying where it differs, or the compiler's
  std::string picture;                // the three-panel picture's PNG bytes, when there is one
  Printed out, err;
  double seconds = 0;
};

// The folder every run and build of this grading works in.
struct Workspace {
  fs::path root;       // a temporary folder, removed at the end
  fs::path expected;   // the grader's own copies of the expected runs, one folder per script
  fs::path scripts;    // the scripts
};

// A program's executable after building it, or the reason it failed to build.
struct Built {
  fs::path executable;  // empty when it failed
  std::string error;    // the compiler's first error, or how the compiler ended
};

// The pkg-config words the builds use; an error line when the library cannot be found.
std::vector<std::string> library_flags(std::string* error);
// What a run or a build is given of this process's environment: a search path, the
// language, a home in its working folder and the variables passed by name; nothing else
// (no display, no session, no tokens).
std::vector<std::string> environment_for_runs(const fs::path& home, const Options& o);

Built build(const Program& program, const std::vector<std::string>& flags,
            const fs::path& folder, const Options& o);

struct ExpectedRun;  // grade_compare.h

// Runs one program on one script in a new folder under runs/, and says how it went.
Result run(const fs::path& executable, const Script& script, const ExpectedRun& expected,
           const fs::path& folder, const Options& o);
// The same, but what the run left stays in folder/work for the caller, who removes folder.
Result run_leaving_files(const fs::path& executable, const Script& script,
                         const ExpectedRun& expected, const fs::path& folder, const Options& o);

// Removes a folder and all in it, whatever read-only modes (or attributes) it was given.
void remove_tree(const fs::path& root);

std::string describe(const kx508::platform::process::Ending& ending, const kx508::platform::process::Limits& limits);

void print_table(const std::vector<Result>& results);
// The reports; unconfined, when not empty, says how the runs were not confined, at the top.
bool write_html(const fs::path& path, const std::vector<Result>& results,
                const std::string& unconfined, std::string* why);
bool write_junit(const fs::path& path, const std::vector<Result>& results,
                 const std::string& unconfined, std::string* why);

}  // namespace grade
