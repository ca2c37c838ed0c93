// A program run again on the same script: the first run's frames folder kept as an expected
// run, read as untrusted and copied where only the grader reads, and every later run
// judged against it by grade_run and grade_compare, as runs are against the teacher's.
#include "grade_repeat.h"

#include <fstream>
#include <stdexcept>

#include "compare.h"
#include "grade_compare.h"
#include "run_files.h"

namespace grade {

namespace {

namespace cmp = kx508::compare;
using kx508::platform::process::Left;
using kx508::platform::process::read_left;

// As grade_compare reads a run's frames and log: far above any the library writes.
constexpr std::size_t kMostFileBytes = 16 << 20;

// One file of the run's frames folder, copied into to when it is whole.
Left keep_file(const fs::path& work, const std::string& name, const fs::path& to) {
  std::string data, why;
  const Left read = read_left(work.string(), "frames/" + name, kMostFileBytes, &data, &why);
  if (read != Left::Whole) return read;
  std::ofstream out(to / name, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + (to / name).string());
  return read;
}

// The frames folder the run left in work, as an expected run in to (made here, the
// grader's alone): its frames 000001.png on, its log and its places. False when there is
// no frame, or any file is not a whole regular one (a link, a flood): the run then differs
// from the expected run already, and there is nothing sound to hold a later run to.
bool keep_frames(const fs::path& work, const fs::path& to) {
  fs::create_directory(to);
  fs::permissions(to, fs::perms::owner_all);
  long long frame = 1;
  for (Left read; (read = keep_file(work, cmp::frame_name(frame), to)) != Left::Missing; ++frame)
    if (read != Left::Whole) return false;
  if (frame == 1) return false;
  for (const char* name : {"log.txt", cmp::kPlacesFile}) {
    const Left read = keep_file(work, name, to);
    if (read != Left::Whole && read != Left::Missing) return false;
  }
  return true;
}

// The first run as later runs are held to it: only the frames and the log the expected run
// holds are compared, so that what the teacher does not grade counts against no program;
// the number of frames is the first run's.
ExpectedRun held_to_the_same(ExpectedRun first, const ExpectedRun& expected) {
  std::erase_if(first.frames, [&](long long n) { return !expected.frames.count(n); });
  first.has_log = first.has_log && expected.has_log;
  return first;
}

// The words of a result and its details, each line led by which run and against what.
void add_lines(const std::string& lead, const Result& r, std::vector<std::string>* lines) {
  if (r.details.empty()) lines->push_back(lead + r.summary);
  for (const std::string& d : r.details) lines->push_back(lead + d);
}

// The verdict when run `number` did not do as the first did: the first's words against the
// expected run, then the later one's against the first. The picture and the output are
// the run that shows the difference: the first's when it differs from the expected run,
// else the later one's (its first run's frames are then the expected ones).
Result unsteady(const Result& first, const Result& later, int number) {
  Result r;
  r.script = first.script;
  r.verdict = Verdict::Unsteady;
  r.summary = std::string("draws differently on every run: it uses ") + cmp::kUnplayedCause;
  add_lines("run 1, against the expected run: ", first, &r.details);
  add_lines("run " + std::to_string(number) + ", against run 1: ", later, &r.details);
  const Result& shown = first.verdict == Verdict::Passed ? later : first;
  r.picture = shown.picture;
  r.out = shown.out;
  r.err = shown.err;
  r.seconds = first.seconds + later.seconds;
  return r;
}

// A later run the grader could not run or compare: its trouble is the result.
Result trouble(const Result& first, Result later, int number) {
  later.summary += " (run " + std::to_string(number) + ")";
  later.details.insert(later.details.begin(), "run 1, against the expected run: " + first.summary);
  later.seconds += first.seconds;
  return later;
}

// The later runs against the first, kept in kept: the verdict of the first that differs
// from it, or the first's own when all agree.
Result run_again(const fs::path& executable, const Script& script, const ExpectedRun& expected,
                 const fs::path& folder, const Options& o, const Result& first,
                 const fs::path& kept) {
  const ExpectedRun own = held_to_the_same(load_expected(kept, script), expected);
  for (int number = 2; number <= o.repeat; ++number) {
    const Result later = run(executable, script, own, folder / std::to_string(number), o);
    if (later.verdict == Verdict::Passed) continue;
    return later.verdict == Verdict::Trouble ? trouble(first, later, number)
                                             : unsteady(first, later, number);
  }
  return first;
}

}  // namespace

Result run_repeated(const fs::path& executable, const Script& script, const ExpectedRun& expected,
                    const fs::path& folder, const Options& o) {
  if (o.repeat < 2) return run(executable, script, expected, folder, o);
  Result result = run_leaving_files(executable, script, expected, folder / "1", o);
  // Only a run that ended with status 0 was compared: any other says how it went already.
  const bool compared = result.verdict == Verdict::Passed || result.verdict == Verdict::Differs;
  try {
    const fs::path kept = folder / "first";
    if (compared && keep_frames(folder / "1" / "work", kept)) {
      remove_tree(folder / "1");
      result = run_again(executable, script, expected, folder, o, result, kept);
    }
  } catch (const std::exception& e) {  // the grader's folders, not the program
    result.details.insert(result.details.begin(), "run 1, against the expected run: " + result.summary);
    result.verdict = Verdict::Trouble;
    result.summary = std::string("not run again: ") + e.what();
  }
  remove_tree(folder);
  return result;
}

}  // namespace grade
