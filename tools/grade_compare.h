// kx508-grade's verdict on a run that ended with status 0, its own and outside the program:
// what the run left in its working folder against the grader's copy of the expected run.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "grade.h"

namespace grade {

// A script's expected run, read from the grader's private copy once for every run.
struct ExpectedRun {
  fs::path folder;                  // the private copy
  std::string script_name;          // NAME.scr, as the runs play it
  std::vector<std::string> script;  // its lines, which name the places of differences
  std::set<long long> frames;       // the numbers of the frames it kept
  long long last = 0;               // the last of them
  bool has_log = false;
  std::string log;
  // The canvas origin its replay had (its frames folder's script-lines.txt says), which
  // puts the pixels of a difference in library coordinates.
  bool has_origin = false;
  int origin_x = 0, origin_y = 0;
};

// Throws std::runtime_error when the copy holds no frames.
ExpectedRun load_expected(const fs::path& copy, const Script& script);

// The frames (frames/000001.png, ...) and the log (frames/log.txt) the run wrote into work,
// compared with the expected run: passed, or where it first differs, with the three-panel
// picture for a frame. Only the places in the script come from the run's own
// frames/script-lines.txt.
void compare_run(const fs::path& work, const ExpectedRun& expected, Result* r);

}  // namespace grade
