// Building a program from its sources and running it on a script, both confined: the
// compiler's status says whether it built, and how the run ended, then the grader's own
// comparison of what it wrote, says how it went.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <iterator>

#include "grade.h"
#include "grade_compare.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
constexpr const char* kExecutable = "program.exe";
#else
constexpr const char* kExecutable = "program";
#endif

namespace grade {

namespace {

namespace process = kx508::platform::process;

std::vector<std::string> words(const char* text) {
  std::vector<std::string> out;
  std::istringstream in(text ? text : "");
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// A file's first bytes, at most `most`; its lines, a carriage return before a newline dropped.
std::vector<std::string> first_lines(const fs::path& path, std::size_t most) {
  std::ifstream in(path, std::ios::binary);
  std::string data(most, '\0');
  in.read(data.data(), static_cast<std::streamsize>(most));
  data.resize(static_cast<std::size_t>(in.gcount()));
  std::vector<std::string> lines;
  std::istringstream text(data);
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// What a run printed: the last bytes of its output's file, from the start of a line, since
// what a program says last is what matters and it may have said a great deal before.
Printed printed(const fs::path& path, std::size_t most = 16 << 10) {
  Printed p;
  std::ifstream in(path, std::ios::binary);
  in.seekg(0, std::ios::end);
  p.bytes = std::max<std::streamoff>(0, in.tellg());
  const auto size = static_cast<std::size_t>(p.bytes);
  in.seekg(static_cast<std::streamoff>(size > most ? size - most : 0));
  p.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (size > most) {
    const std::size_t line = p.text.find('\n');
    p.text.erase(0, line == std::string::npos ? 0 : line + 1);
  }
  return p;
}

bool says(const Printed& p, const char* text) { return p.text.find(text) != std::string::npos; }

// A limit the run reached, in words; empty when it reached none.
std::string limit_reached(const process::Ending& end, const Printed& err,
                          const process::Limits& limits) {
  switch (end.how) {
    case process::End::WallTime:
    case process::End::CpuTime:
    case process::End::Memory:
    case process::End::FileSize:
    case process::End::Processes: return describe(end, limits);
    default: break;
  }
  if (end.disk_full)
    return "exceeded the disk space limit (" + std::to_string(limits.disk_bytes >> 20) + " MiB)";
  // Memory that runs out under the address space limit fails an allocation, which ends a
  // program with its allocator's words.
  const bool failed = end.how != process::End::Exited || end.code != 0;
  if (failed && limits.memory_bytes > 0 && (says(err, "out of memory") || says(err, "bad_alloc")))
    return "exceeded the memory limit (" + std::to_string(limits.memory_bytes >> 20) + " MiB)";
  return "";
}

// How the run ended decides first: not run, a limit, a crash, a status other than 0. A run
// that ended with 0 is what the grader's comparison of its frames and log says.
void judge(const process::Ending& end, const fs::path& work, const ExpectedRun& expected,
           const process::Limits& limits, Result* r) {
  const std::string limit = limit_reached(end, r->err, limits);
  if (end.how == process::End::NotRun) {
    r->verdict = Verdict::Trouble;
    r->summary = describe(end, limits);
  } else if (says(r->err, "ReserveShadowMemoryRange failed")) {
    r->verdict = Verdict::Trouble;
    r->summary = "could not start under the memory limit: it is built with AddressSanitizer (grade it with --memory 0)";
  } else if (!limit.empty()) {
    r->verdict = Verdict::Limit;
    r->summary = limit;
  } else if (end.how == process::End::Signalled) {
    r->verdict = Verdict::Crashed;
    r->summary = describe(end, limits);
  } else if (end.code != 0) {
    r->verdict = Verdict::Status;
    r->summary = describe(end, limits);
  } else {
    try {
      return compare_run(work, expected, r);
    } catch (const std::exception& e) {  // the expected run, not the program
      r->verdict = Verdict::Trouble;
      r->summary = std::string("not compared: ") + e.what();
    }
  }
}

// The first line of the compiler's that names an error; else its first words, else how it
// ended. Read from the start, where the first error is, and only so far.
std::string first_error(const fs::path& errors, const fs::path& output, const std::string& ended) {
  std::vector<std::string> lines = first_lines(errors, 1 << 20);
  const std::vector<std::string> out = first_lines(output, 64 << 10);
  lines.insert(lines.end(), out.begin(), out.end());
  for (const std::string& line : lines)
    if (line.find("error:") != std::string::npos ||
        line.find("undefined reference") != std::string::npos)
      return line;
  for (const std::string& line : lines)
    if (line.find_first_not_of(" \t") != std::string::npos) return line;
  return ended;
}

// What the compiler wrote, for the reports: its errors first, where a compiler says most,
// each cut to its last 16 KiB as a run's output is.
Printed compiler_output(const fs::path& errors, const fs::path& output) {
  Printed p = printed(errors);
  const Printed out = printed(output);
  if (!p.text.empty() && !out.text.empty() && p.text.back() != '\n') p.text += '\n';
  p.text += out.text;
  p.bytes += out.bytes;
  return p;
}

}  // namespace

void remove_tree(const fs::path& root) {
  std::error_code ec;
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec))
    if (!it->is_symlink(ec))
      fs::permissions(it->path(), it->is_directory(ec) ? fs::perms::owner_all : fs::perms::owner_write,
                      fs::perm_options::add, ec);
  fs::remove_all(root, ec);
}

std::string describe(const process::Ending& e, const process::Limits& l) {
  auto secs = [](double s) {
    std::ostringstream o;
    o << s << " s";
    return o.str();
  };
  switch (e.how) {
    case process::End::WallTime: return "exceeded the time limit (" + secs(l.wall_seconds) + ")";
    case process::End::CpuTime: return "exceeded the CPU time limit (" + secs(l.cpu_seconds) + ")";
    case process::End::Memory: return "exceeded the memory limit (" + std::to_string(l.memory_bytes >> 20) + " MiB)";
    case process::End::FileSize: return "exceeded the file size limit (" + std::to_string(l.file_bytes >> 20) + " MiB)";
    case process::End::Processes: return "exceeded the process limit (" + std::to_string(l.processes) + ")";
    case process::End::Signalled: return "crashed (" + e.why + ")";
    case process::End::Exited: return "ended with status " + std::to_string(e.code);
    case process::End::NotRun: return "could not be run: " + e.why;
  }
  return "";
}

std::vector<std::string> library_flags(std::string* error) {
  const char* tool = std::getenv("PKG_CONFIG");
  const std::string command = std::string(tool && *tool ? tool : "pkg-config") + " --cflags --libs kx508 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  std::string text;
  if (pipe) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  }
  const int status = pipe ? ::pclose(pipe) : -1;
  if (status != 0) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    *error = "pkg-config cannot find the library kx508 (install kx508-dev, or set PKG_CONFIG_PATH)" +
             (text.empty() ? std::string() : ": " + text.substr(0, text.find('\n')));
    return {};
  }
  return words(text.c_str());
}

namespace {

// What the compiler reads besides the system's files: the library's folders and files as
// pkg-config names them.
std::vector<std::string> library_paths(const std::vector<std::string>& flags) {
  std::vector<std::string> paths;
  for (const std::string& w : flags) {
    const bool dir = w.rfind("-I", 0) == 0 || w.rfind("-L", 0) == 0;
    const std::string path = dir ? w.substr(2) : w;
    if (path.rfind("/", 0) == 0 && path.rfind("/usr/", 0) != 0 &&
        std::find(paths.begin(), paths.end(), path) == paths.end())
      paths.push_back(path);
  }
  return paths;
}

// A program's files as the compiler is given them: its sources, and for a folder the other
// files beside them (its headers).
std::vector<std::string> program_files(const Program& program) {
  std::vector<std::string> files;
  for (const fs::path& s : program.sources) files.push_back(s.string());
  std::error_code ec;
  if (!fs::is_directory(program.source, ec)) return files;
  for (fs::directory_iterator it(program.source, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && it->path().extension() != ".cpp" &&
        it->path().filename() != kExecutable)
      files.push_back(it->path().string());
  return files;
}

}  // namespace

std::vector<std::string> environment_for_runs(const fs::path& home, const Options& o) {
  const char* lang = std::getenv("LANG");
  std::vector<std::string> env = {"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + home.string(),
                                  std::string("LANG=") + (lang && *lang ? lang : "C.UTF-8")};
  for (const std::string& name : o.passed)
    if (const char* value = std::getenv(name.c_str())) env.push_back(name + "=" + value);
  return env;
}

Built build(const Program& program, const std::vector<std::string>& flags, const fs::path& folder,
            const Options& o) {
  Built b;
  const fs::path work = folder / "work";  // the compiler's; its output stays beside it
  fs::create_directories(work);
  const char* cxx = std::getenv("CXX");
  std::vector<std::string> compiler = words(cxx && *cxx ? cxx : "c++");
  process::Command c;
  c.program = compiler.front();
  c.arguments.assign(compiler.begin() + 1, compiler.end());
  for (const std::string& w : {std::string("-std=c++20"), std::string("-O2")}) c.arguments.push_back(w);
  for (const std::string& w : words(std::getenv("CXXFLAGS"))) c.arguments.push_back(w);
  // The sources are copied into the working folder, and named there as the student named
  // them, so the compiler's messages name them so too.
  c.inputs = program_files(program);
  for (const fs::path& s : program.sources) c.arguments.push_back(s.filename().string());
  c.arguments.insert(c.arguments.end(), {"-o", kExecutable});
  c.arguments.insert(c.arguments.end(), flags.begin(), flags.end());
  for (const std::string& w : words(std::getenv("LDFLAGS"))) c.arguments.push_back(w);
  c.readable = library_paths(flags);
  c.environment = environment_for_runs(work, o);
  c.folder = work.string();
  c.output = (folder / "build.out").string();
  c.errors = (folder / "build.err").string();
  c.limits = o.limits;
  c.limits.wall_seconds = std::max(o.limits.wall_seconds, 120.0);  // a compiler may be slow
  c.limits.cpu_seconds = std::max(o.limits.cpu_seconds, 120.0);
  // Never unlimited: #include "/dev/zero" would take all the memory there is.
  c.limits.memory_bytes = std::max<long long>(o.limits.memory_bytes, 2LL << 30);
  c.limits.processes = std::max(o.limits.processes, 64);
  c.limits.file_bytes = std::max<long long>(o.limits.file_bytes, 512LL << 20);
  c.limits.disk_bytes = std::max<long long>(o.limits.disk_bytes, 1LL << 30);
  const auto start = std::chrono::steady_clock::now();
  const process::Ending end = process::run(c);
  b.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  b.output = compiler_output(c.errors, c.output);
  const fs::path exe = work / kExecutable;
  std::error_code ec;
  const bool made = fs::is_regular_file(fs::symlink_status(exe, ec));
  if (end.how == process::End::Exited && end.code == 0 && made) {
    b.executable = exe;
    return b;
  }
  const std::string ended = end.how == process::End::Exited && end.code == 0
                                ? "the compiler made no program"
                                : "the compiler " + describe(end, c.limits);
  // A compiler that could not be started or confined said nothing of the program.
  b.error = end.how == process::End::NotRun ? describe(end, c.limits)
                                            : first_error(c.errors, c.output, ended);
  return b;
}

Result run(const fs::path& executable, const Script& script, const ExpectedRun& expected,
           const fs::path& folder, const Options& o) {
  Result r = run_leaving_files(executable, script, expected, folder, o);
  remove_tree(folder);
  return r;
}

Result run_leaving_files(const fs::path& executable, const Script& script,
                         const ExpectedRun& expected, const fs::path& folder, const Options& o) {
  Result r;
  r.script = script.name;
  const fs::path work = folder / "work";
  fs::create_directories(work);
  process::Command c;
  c.program = executable.string();
  c.inputs = {script.path.string()};
  c.environment = environment_for_runs(work, o);
  for (const std::string& v : {std::string("KX508_PLATFORM=headless"), "KX508_PLAY=" + script.name,
                               std::string("KX508_FRAMES=frames"),
                               std::string("KX508_LOG=frames/log.txt")})
    c.environment.push_back(v);
  c.folder = work.string();
  c.output = (folder / "stdout").string();
  c.errors = (folder / "stderr").string();
  c.limits = o.limits;
  const auto start = std::chrono::steady_clock::now();
  const process::Ending end = process::run(c);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.out = printed(c.output);
  r.err = printed(c.errors);
  judge(end, work, expected, o.limits, &r);
  return r;
}

}  // namespace grade
