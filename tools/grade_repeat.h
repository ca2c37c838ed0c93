// kx508-grade's check that a program draws the same on every run of a script: it is run
// again, and each later run is compared with its first as any run is with an expected run.
#pragma once

#include "grade.h"

namespace grade {

struct ExpectedRun;  // grade_compare.h

// Runs the program o.repeat times on the script in folder (removed at the end): the first
// run against the expected run, and when it ended with status 0, every later one against
// the first's frames and log. The first run's result, unless a later run differs from it:
// then Unsteady, with what each of the two runs got in the details.
Result run_repeated(const fs::path& executable, const Script& script, const ExpectedRun& expected,
                    const fs::path& folder, const Options& o);

}  // namespace grade
