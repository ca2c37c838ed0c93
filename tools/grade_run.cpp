// Building a program from its sources and running it on a script, both confined; what the
// library said on standard error becomes the run's result.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <tuple>

#include "grade.h"

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

// The last bytes of a file, as lines: what a program says last is what matters, and it
// may have said a great deal before.
std::vector<std::string> last_lines(const fs::path& path, std::size_t bytes = 64 << 10) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg()));
  in.seekg(static_cast<std::streamoff>(size > bytes ? size - bytes : 0));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (size > bytes && !lines.empty()) lines.erase(lines.begin());  // cut at the start
  return lines;
}

std::string read_all(const fs::path& path, std::size_t most = 16 << 20) {
  std::ifstream in(path, std::ios::binary);
  std::string data(most, '\0');
  in.read(data.data(), static_cast<std::streamsize>(most));
  data.resize(static_cast<std::size_t>(in.gcount()));
  return data;
}

bool starts(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

constexpr const char* kDiffers = "KX508: differs from the expected run";
constexpr const char* kPicture = "kx508-expect.png";

bool any_line(const std::vector<std::string>& lines, const char* text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

// "differs at frame 12 (...): 35 pixels differ, ...", from the library's first such line.
void take_difference(const std::vector<std::string>& differs, const fs::path& work, Result* r) {
  std::string what = differs.front().substr(std::string(kDiffers).size());
  if (starts(what, ":")) what.erase(0, 1);
  while (starts(what, " ")) what.erase(0, 1);
  const std::size_t picture = what.find("; picture: ");
  if (picture != std::string::npos) what.resize(picture);
  r->verdict = Verdict::Differs;
  r->summary = "differs " + what;
  r->details = differs;
  r->picture = read_all(work / kPicture);
}

// How a run that neither matched nor differed ended: a limit, a crash or its status.
std::pair<Verdict, std::string> failure(const process::Ending& end, const std::vector<std::string>& err,
                                        const process::Limits& limits) {
  const bool exited = end.how == process::End::Exited;
  if (end.disk_full)
    return {Verdict::Limit, "exceeded the disk space limit (" + std::to_string(limits.disk_bytes >> 20) + " MiB)"};
  if (exited && end.code == 0)
    return {Verdict::NotCompared, "ended with status 0 without comparing (a library without KX508_EXPECT?)"};
  if (end.how == process::End::NotRun) return {Verdict::Trouble, describe(end, limits)};
  if (!exited && end.how != process::End::Signalled) return {Verdict::Limit, describe(end, limits)};
  // Memory that runs out under the limit fails an allocation, which the library reports.
  if (limits.memory_bytes > 0 && (any_line(err, "out of memory") || any_line(err, "bad_alloc")))
    return {Verdict::Limit, "exceeded the memory limit (" + std::to_string(limits.memory_bytes >> 20) + " MiB)"};
  return {exited ? Verdict::Status : Verdict::Crashed, describe(end, limits)};
}

// The library's own lines say whether the run matched; the status and signal say the rest.
void judge(const process::Ending& end, const std::vector<std::string>& err, const fs::path& work,
           const process::Limits& limits, Result* r) {
  std::vector<std::string> differs;
  for (const std::string& line : err)
    if (starts(line, kDiffers)) differs.push_back(line);
  const bool exited = end.how == process::End::Exited;
  if (exited && end.code == 4 && !differs.empty()) return take_difference(differs, work, r);
  if (any_line(err, "ReserveShadowMemoryRange failed")) {
    r->verdict = Verdict::Trouble;
    r->summary = "could not start under the memory limit: it is built with AddressSanitizer (grade it with --memory 0)";
    r->details = err;
    return;
  }
  if (exited && end.code == 0 && !err.empty() && starts(err.back(), "KX508: ") &&
      err.back().find("matches the expected run") != std::string::npos) {
    r->verdict = Verdict::Passed;
    r->summary = "passed";
    return;
  }
  std::tie(r->verdict, r->summary) = failure(end, err, limits);
  const std::size_t keep = std::min<std::size_t>(err.size(), 10);
  r->details.assign(err.end() - static_cast<long>(keep), err.end());
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
    std::string path = starts(w, "-I") || starts(w, "-L") ? w.substr(2) : w;
    if (starts(path, "/") && !starts(path, "/usr/") &&
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
  c.limits.processes = std::max(o.limits.processes, 64);
  c.limits.file_bytes = std::max<long long>(o.limits.file_bytes, 512LL << 20);
  c.limits.disk_bytes = std::max<long long>(o.limits.disk_bytes, 1LL << 30);
  const process::Ending end = process::run(c);
  const fs::path exe = work / kExecutable;
  if (end.how == process::End::Exited && end.code == 0 && fs::is_regular_file(exe)) {
    b.executable = exe;
    return b;
  }
  std::vector<std::string> lines = last_lines(c.errors, 1 << 20);
  std::vector<std::string> out = last_lines(c.output);
  lines.insert(lines.end(), out.begin(), out.end());
  for (const std::string& line : lines)
    if (line.find("error") != std::string::npos) {
      b.error = line;
      break;
    }
  if (b.error.empty()) b.error = lines.empty() ? describe(end, c.limits) : lines.front();
  return b;
}

Result run(const fs::path& executable, const Script& script, const Workspace& ws,
           const fs::path& folder, const Options& o) {
  Result r;
  r.script = script.name;
  const fs::path work = folder / "work";
  fs::create_directories(work);
  process::Command c;
  c.program = executable.string();
  c.inputs = {script.path.string()};
  c.environment = environment_for_runs(work, o);
  for (const std::string& v : {std::string("KX508_PLATFORM=headless"), "KX508_PLAY=" + script.name,
                               "KX508_EXPECT=" + (ws.expected / fs::path(script.name).stem()).string(),
                               std::string("KX508_EXPECT_DIFF=") + kPicture})
    c.environment.push_back(v);
  c.folder = work.string();
  c.output = (folder / "stdout").string();
  c.errors = (folder / "stderr").string();
  c.limits = o.limits;
  const auto start = std::chrono::steady_clock::now();
  const process::Ending end = process::run(c);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  judge(end, last_lines(c.errors), work, o.limits, &r);
  remove_tree(folder);
  return r;
}

}  // namespace grade
