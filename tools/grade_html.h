// The parts the class's page and each student's share: the head and its style, a build's
// time and output, and a failed run's section with its picture embedded.
#pragma once

#include <string>

#include "grade.h"

namespace grade {

// Up to the page's heading; unconfined, when not empty, says at the top how the runs were
// not confined.
std::string html_start(const std::string& title, const std::string& unconfined);
std::string html_end();
// How long the build took, how it failed, and what the compiler wrote.
std::string html_build(const Student& s);
// Where a failed run differs or how it ended, what it printed, the picture of its first
// differing frame (read from out / picture_file) and, with the commands, how to see it again.
std::string html_run(const Result& r, const fs::path& out, bool commands);
// The cell's class for a result: "passed", "partial" (some points) or "failed".
const char* html_mark(const Result& r);

}  // namespace grade
