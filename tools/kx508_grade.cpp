// kx508-grade: runs every program on every script headless, confined, several at a time,
// compares each with the script's expected run, scores it, and reports: a table, the class's
// files and each student's folder.
#include <atomic>
#include <map>
#include <cstdio>
#include <exception>
#include <mutex>
#include <random>
#include <thread>

#include "grade.h"
#include "grade_compare.h"
#include "grade_repeat.h"

namespace {

using namespace grade;

// Runs job(0) ... job(count - 1) on `threads` threads at a time.
template <class Job>
void in_parallel(std::size_t count, int threads, Job job) {
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> pool;
  for (int t = 0; t < threads && static_cast<std::size_t>(t) < count; ++t)
    pool.emplace_back([&] {
      for (std::size_t i; (i = next++) < count;) job(i);
    });
  for (std::thread& t : pool) t.join();
}

fs::path make_temporary_folder() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int tries = 0;; ++tries) {
    const fs::path p = fs::temp_directory_path() / ("kx508-grade-" + std::to_string(random() % 1000000000));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      fs::permissions(p, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec, ec);
      return p;
    }
    if (tries > 100) throw std::runtime_error("cannot make a temporary folder: " + ec.message());
  }
}

// The grader's own copies of the expected runs, made once from the teacher's folders and
// read only by the grader: folders and files its user's alone.
Workspace make_workspace(const Options& o, std::map<std::string, ExpectedRun>* runs) {
  Workspace ws;
  ws.root = make_temporary_folder();
  ws.expected = ws.root / "expected";
  fs::create_directory(ws.expected);
  fs::permissions(ws.expected, fs::perms::owner_all);
  for (const Script& s : o.scripts) {
    const fs::path copy = ws.expected / fs::path(s.name).stem();
    fs::copy(s.expected, copy, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(copy))
      fs::permissions(entry.path(), entry.is_directory()
                                        ? fs::perms::owner_all
                                        : fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(copy, fs::perms::owner_all);
    runs->emplace(s.name, load_expected(copy, s));
  }
  return ws;
}

// An executable given as it is, copied where the runs' user may read it (the unprivileged
// one, when root grades), as a build leaves one.
Built copy_executable(const Program& p, const Workspace& ws, std::size_t i) {
  Built b;
  const fs::path folder = ws.root / "builds" / std::to_string(i);
  std::error_code ec;
  fs::create_directories(folder, ec);
  const fs::path copy = folder / p.source.filename();
  if (!ec) fs::copy_file(p.source, copy, ec);
  if (!ec) fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec, ec);
  if (ec) b.error = "cannot copy " + p.source.string() + ": " + ec.message();
  else b.executable = copy;
  return b;
}

std::vector<Built> build_all(const Options& o, const Workspace& ws, std::string* error) {
  std::vector<Built> built(o.programs.size());
  bool any_source = false;
  for (std::size_t i = 0; i < o.programs.size(); ++i) {
    if (o.programs[i].sources.empty()) built[i] = copy_executable(o.programs[i], ws, i);
    else any_source = true;
  }
  if (!any_source) return built;
  const std::vector<std::string> flags = library_flags(error);
  if (!error->empty()) return built;
  in_parallel(o.programs.size(), o.jobs, [&](std::size_t i) {
    if (!o.programs[i].sources.empty())
      built[i] = build(o.programs[i], flags, ws.root / "builds" / std::to_string(i), o);
  });
  return built;
}

// Whether runs may start: confined as a class's programs must be, or told to go on without.
bool may_grade(const Options& o) {
  namespace process = kx508::platform::process;
  const process::Confinement c = process::confinement();
  if (c.whole) {
    std::fprintf(stderr, "kx508-grade: %s\n", c.how.c_str());
    return true;
  }
  if (!o.unsafe) {
    std::fprintf(stderr,
                 "kx508-grade: runs cannot be confined here, so nothing is graded: %s.\n"
                 "kx508-grade: --unsafe grades anyway, with the programs able to read and change "
                 "what you may, and every report saying so.\n",
                 c.missing.c_str());
    return false;
  }
  process::allow_partial_confinement();
  std::fprintf(stderr, "kx508-grade: --unsafe: %s (%s)\n", c.how.c_str(), c.missing.c_str());
  return true;
}

// Each student's folder, then the class's files, which show its pictures.
bool write_files(const Options& o, const std::vector<Built>& built, std::vector<Result> results,
                 const std::string& unconfined) {
  Graded graded = gather(o, built, std::move(results), unconfined);
  std::string why;
  if (write_student_files(o.out, &graded, &why) && write_class_files(o.out, graded, &why)) return true;
  std::fprintf(stderr, "kx508-grade: %s\n", why.c_str());
  return false;
}

int grade_all(const Options& o) {
  if (!may_grade(o)) return 2;
  std::map<std::string, ExpectedRun> expected;
  const Workspace ws = make_workspace(o, &expected);
  std::string error;
  const std::vector<Built> built = build_all(o, ws, &error);
  if (!error.empty()) {
    remove_tree(ws.root);
    std::fprintf(stderr, "kx508-grade: %s\n", error.c_str());
    return 2;
  }
  const std::size_t scripts = o.scripts.size();
  std::vector<Result> results(o.programs.size() * scripts);
  in_parallel(results.size(), o.jobs, [&](std::size_t i) {
    const std::size_t p = i / scripts;
    const Script& s = o.scripts[i % scripts];
    Result& r = results[i];
    if (!built[p].executable.empty()) {
      const fs::path folder = ws.root / "runs" / std::to_string(i);
      // The first script is run again, so that a program that draws differently every run
      // is told so (grade_repeat.h).
      r = i % scripts == 0 ? run_repeated(built[p].executable, s, expected.at(s.name), folder, o)
                           : run(built[p].executable, s, expected.at(s.name), folder, o);
    } else {
      r.verdict = Verdict::BuildFailed;
      r.summary = "failed to build: " + built[p].error;
      r.details = {built[p].error};
      r.script = s.name;
    }
    r.program = o.programs[p].name;
  });
  remove_tree(ws.root);
  const kx508::platform::process::Confinement confined = kx508::platform::process::confinement();
  const std::string unconfined = confined.whole ? "" : confined.how + " (" + confined.missing + ")";
  if (!unconfined.empty()) std::printf("The runs were NOT confined (--unsafe).\n");
  print_table(results);
  std::size_t passed = 0;
  for (const Result& r : results) passed += r.verdict == Verdict::Passed;
  const std::size_t runs = results.size();
  if (!write_files(o, built, std::move(results), unconfined)) return 2;
  std::printf("%zu of %zu runs passed; reports and results in %s\n", passed, runs, o.out.string().c_str());
  return passed == runs ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args.front() == "merge") return merge({args.begin() + 1, args.end()});
    Options options;
    const int parsed = parse(args, &options);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;
    take_share(&options);
    kx508::platform::process::start_again_in_own_group(argv);
    return grade_all(options);
  } catch (const std::exception& e) {  // a folder that cannot be made or copied, say
    std::fprintf(stderr, "kx508-grade: %s\n", e.what());
    return 2;
  }
}
