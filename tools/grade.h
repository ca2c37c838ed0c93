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
  // Its place among all the programs given, and its folder in --out (students/NAME),
  // both of the whole class, so that shards graded apart merge as one grading.
  std::size_t position = 0;
  std::string folder;
};

// What a script is worth: its points, whether a student's own report shows more of it
// than that it was run, and whether a run that differs earns the share of the expected
// run's frames it had the same before the first difference (else all or nothing).
struct Scoring {
  double points = 1;
  bool hidden = false;
  bool partial = false;
};

struct Script {
  std::string name;  // NAME.scr
  fs::path path;
  fs::path expected;  // DIR/NAME
  Scoring scoring;
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
  int shard = 1, shards = 1;          // --shard K/N: grade the K-th of N shares
  std::size_t class_size = 0;         // the programs given, before a shard's share is taken
  int repeat = 2;                     // runs of the first script, each after the first
                                      // compared with the first (grade_repeat.h)
};

// Parses the command line (and any manifest it names). Returns 0 to go on, -1 after
// printing --help or --version, or 2 after a usage error.
int parse(const std::vector<std::string>& args, Options* options);

// Gives each program its place and folder in the whole class, then keeps only the shard's
// share of them: the programs sorted by name, dealt out in turn, so that a program's
// shard depends on the class's names alone.
void take_share(Options* o);

// kx508-grade merge OUT DIR...: the class's files from the results.json of shards.
int merge(const std::vector<std::string>& args);

// Unsteady: its runs of the same script differ from each other (grade_repeat.h); it
// counts as a difference.
enum class Verdict { Passed, Differs, Crashed, Limit, BuildFailed, Status, Trouble, Unsteady };
inline constexpr Verdict kVerdicts[] = {Verdict::Passed, Verdict::Differs,     Verdict::Crashed,
                                        Verdict::Limit,  Verdict::BuildFailed, Verdict::Status,
                                        Verdict::Trouble, Verdict::Unsteady};
// The program ran and drew otherwise than it should (a failure, where the others that did
// not pass are errors: it could not be judged).
inline bool drew_otherwise(Verdict v) { return v == Verdict::Differs || v == Verdict::Unsteady; }

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
  // The expected run's frames, and how many the run had the same before its first
  // difference (all of them when it passed): what partial credit is counted from.
  long long frames_expected = 0, frames_matched = 0;
  double score = 0;           // of the script's points
  std::string reproduce;      // the commands that show the failure on the student's machine
  std::string picture_file;   // the picture's file in --out, once written there
};

// The folder every run and build of this grading works in.
struct Workspace {
  fs::path root;       // a temporary folder, removed at the end
  fs::path expected;   // the grader's own copies of the expected runs, one folder per script
  fs::path scripts;    // the scripts
};

// A program's executable after building it, or the reason it failed to build; how long the
// build took and what the compiler wrote (none for an executable given as it is).
struct Built {
  fs::path executable;  // empty when it failed
  std::string error;    // the compiler's first error, or how the compiler ended
  double seconds = 0;
  Printed output;       // its standard error, then its standard output
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

// A program's results as the reports and the results files show them.
struct Student {
  std::string name;             // the program as given
  std::string folder;           // its own folder in --out: students/NAME
  Built build;                  // its executable is not kept
  std::vector<Result> results;  // one a script, in the scripts' order
  std::size_t position = 0;     // among all the programs given
};

// All the class's files are made of; the class's results.json holds all of it, so that
// they can be made again from it alone.
struct Graded {
  std::vector<Script> scripts;  // their names and scoring
  std::vector<Student> students;
  std::string unconfined;       // how the runs were not confined; empty when they were
  std::size_t class_size = 0;   // the programs given, in all shards
  std::string shard;            // "K/N" when this is one shard's; empty for the whole class
};

// What a run earns of its script's points: all when it passed; for a script scored in
// part, the share of the expected run's frames it had the same before its first
// difference, in hundredths; else none.
double score(const Result& r, const Scoring& s);
double total(const Student& s);
double most_points(const Graded& g);

// The results, a script after another for each program, gathered by program: scored, each
// student given a folder of its own and each failure the commands that show it again.
Graded gather(const Options& o, const std::vector<Built>& built, std::vector<Result> results,
              const std::string& unconfined);

// Each student's folder in out: the pictures of its differences, its results.json and its
// report.html, which show of a hidden script only its points. Sets each picture_file.
bool write_student_files(const fs::path& out, Graded* g, std::string* why);

// The class's files in out: report.html, report.xml, results.json and grades.csv, from the
// results alone and the pictures their picture_file names.
bool write_class_files(const fs::path& out, const Graded& g, std::string* why);
bool write_html(const fs::path& path, const fs::path& out, const Graded& g, std::string* why);
bool write_junit(const fs::path& path, const Graded& g, std::string* why);
bool write_class_json(const fs::path& path, const Graded& g, std::string* why);
// The first member of the class's results.json, which says what the file is.
inline constexpr const char* kClassFormat = "kx508-grade class results 1";
// The class's results.json read back; false with the reason when it is not one.
bool read_class_json(const fs::path& path, Graded* g, std::string* why);
bool write_student_json(const fs::path& path, const Graded& g, const Student& s, std::string* why);
bool write_grades_csv(const fs::path& path, const Graded& g, std::string* why);

}  // namespace grade
