// kx508-grade's command line and manifest: the expected runs, the scripts, the limits and
// the programs, each checked before anything runs.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "grade.h"

namespace grade {

namespace {

constexpr const char* kUsage =
    "usage: kx508-grade --expected DIR --script FILE [--script FILE ...] [options] PROGRAM...\n";

constexpr const char* kHelp =
    "Grades programs on the KX508 library: each program replays each script headless and\n"
    "is compared frame by frame, and log line by log line, with the script's expected run.\n"
    "\n"
    "  --expected DIR   the expected runs: DIR/NAME/ for a script NAME.scr, made by\n"
    "                   KX508_PLATFORM=headless KX508_PLAY=NAME.scr KX508_FRAMES=DIR/NAME\n"
    "                   KX508_LOG=DIR/NAME/log.txt REFERENCE-PROGRAM\n"
    "  --script FILE    a script to replay (repeatable)\n"
    "  --manifest FILE  more options, one a line (# comments); paths from its folder\n"
    "  -j N             runs at a time (the number of cores)\n"
    "  --time S         wall time of a run, seconds (60)\n"
    "  --cpu S          CPU time of a run, seconds (as --time)\n"
    "  --memory MIB     memory of a run (2048; 0 for none)\n"
    "  --file-size MIB  biggest file a run writes, its output included (64)\n"
    "  --processes N    processes and threads of a run (64)\n"
    "  --disk MIB       what a run's working folder may hold (256; Linux)\n"
    "  --out DIR        where report.html and report.xml go (.)\n"
    "  --env NAME       give every run this variable of the environment (repeatable)\n"
    "  --repeat N       runs of the first script, each after the first compared with the\n"
    "                   first, so that a program drawing differently every run is told\n"
    "                   so (2; 1 to 100: 1 runs it once)\n"
    "  --unsafe         grade where runs cannot be confined (the reports say so)\n"
    "  --help, --version\n"
    "\n"
    "A PROGRAM is an executable, a .cpp file, or a folder of .cpp files, built with\n"
    "$CXX (c++) -std=c++20 -O2 $CXXFLAGS ... $(pkg-config --cflags --libs kx508) $LDFLAGS.\n"
    "Exit status: 0 every run passed, 1 any did not, 2 a usage error.\n";

int usage_error(const std::string& what) {
  std::fprintf(stderr, "kx508-grade: %s\n%s", what.c_str(), kUsage);
  return 2;
}

bool number(const std::string& text, double* out) {
  try {
    std::size_t used = 0;
    *out = std::stod(text, &used);
    return used == text.size() && *out >= 0;
  } catch (const std::exception&) {
    return false;
  }
}

bool has_frames(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".png") return true;
  return false;
}

// A program argument: an executable, a .cpp file, or a folder holding .cpp files.
bool add_program(const std::string& arg, Options* o, std::string* why) {
  Program p{arg, arg, {}};
  std::error_code ec;
  if (fs::is_directory(arg, ec)) {
    for (fs::directory_iterator it(arg, ec), end; !ec && it != end; it.increment(ec))
      if (it->path().extension() == ".cpp") p.sources.push_back(it->path());
    std::sort(p.sources.begin(), p.sources.end());
    if (p.sources.empty()) {
      *why = "the folder " + arg + " holds no .cpp file";
      return false;
    }
  } else if (fs::path(arg).extension() == ".cpp") {
    if (!fs::is_regular_file(arg, ec)) {
      *why = arg + " is missing";
      return false;
    }
    p.sources.push_back(arg);
  } else if (!fs::is_regular_file(arg, ec)) {
    *why = arg + " is no executable, .cpp file or folder";
    return false;
  }
  p.source = fs::absolute(p.source);
  for (fs::path& s : p.sources) s = fs::absolute(s);
  o->programs.push_back(std::move(p));
  return true;
}

// A manifest's lines as arguments: "--script a.scr" is two, paths taken from its folder.
bool read_manifest(const fs::path& path, std::vector<std::string>* args, std::string* why) {
  std::ifstream in(path);
  if (!in) {
    *why = "cannot read the manifest " + path.string();
    return false;
  }
  const fs::path base = path.parent_path();
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word[0] == '#') continue;
    std::string rest;
    std::getline(words >> std::ws, rest);
    const bool takes_path = word == "--expected" || word == "--script" || word == "--out";
    if (word[0] != '-') {  // a program, spaces in its name kept
      args->push_back((base / (rest.empty() ? word : word + " " + rest)).string());
      continue;
    }
    args->push_back(word);
    if (!rest.empty()) args->push_back(takes_path ? (base / rest).string() : rest);
  }
  return true;
}

}  // namespace

int parse(const std::vector<std::string>& given, Options* o) {
  std::vector<std::string> args = given;
  std::vector<std::string> script_paths;
  std::string why;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help") {
      std::printf("%s\n%s", kUsage, kHelp);
      return -1;
    }
    if (a == "--version") {
      std::printf("kx508-grade %s\n", KX508_GRADE_VERSION);
      return -1;
    }
    if (a == "--unsafe") {
      o->unsafe = true;
      continue;
    }
    const bool valued = a == "--expected" || a == "--script" || a == "--manifest" || a == "-j" ||
                        a == "--time" || a == "--cpu" || a == "--memory" || a == "--file-size" ||
                        a == "--processes" || a == "--disk" || a == "--out" || a == "--env" ||
                        a == "--repeat";
    if (!valued) {
      if (a.size() > 1 && a[0] == '-') return usage_error("unknown option " + a);
      if (!add_program(a, o, &why)) return usage_error(why);
      continue;
    }
    if (i + 1 == args.size()) return usage_error(a + " needs a value");
    const std::string v = args[++i];
    double n = 0;
    if (a == "--expected") {
      o->expected = v;
    } else if (a == "--script") {
      script_paths.push_back(v);
    } else if (a == "--out") {
      o->out = v;
    } else if (a == "--env") {
      if (v.empty() || v.find('=') != std::string::npos)
        return usage_error("--env " + v + ": give the name of a variable");
      o->passed.push_back(v);
    } else if (a == "--manifest") {
      std::vector<std::string> more;
      if (!read_manifest(v, &more, &why)) return usage_error(why);
      args.insert(args.begin() + static_cast<long>(i) + 1, more.begin(), more.end());
    } else if (!number(v, &n)) {
      return usage_error(a + " " + v + ": not a number of 0 or more");
    } else if (a == "--repeat") {
      if (n < 1 || n > 100 || n != std::floor(n))
        return usage_error("--repeat " + v + ": give a whole number of runs, 1 to 100");
      o->repeat = static_cast<int>(n);
    } else if (a == "-j") {
      o->jobs = static_cast<int>(n);
    } else if (a == "--time") {
      o->limits.wall_seconds = n;
    } else if (a == "--cpu") {
      o->limits.cpu_seconds = n;
    } else if (a == "--memory") {
      o->limits.memory_bytes = static_cast<long long>(n * (1 << 20));
    } else if (a == "--disk") {
      o->limits.disk_bytes = static_cast<long long>(n * (1 << 20));
    } else if (a == "--file-size") {
      o->limits.file_bytes = static_cast<long long>(n * (1 << 20));
    } else {
      o->limits.processes = static_cast<int>(n);
    }
  }
  if (std::find(args.begin(), args.end(), "--cpu") == args.end())
    o->limits.cpu_seconds = o->limits.wall_seconds;
  if (o->expected.empty()) return usage_error("no --expected folder");
  if (script_paths.empty()) return usage_error("no --script");
  if (o->programs.empty()) return usage_error("no program to grade");
  if (o->jobs <= 0) o->jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::error_code ec;
  for (const std::string& path : script_paths) {
    const fs::path p(path);
    if (!fs::is_regular_file(p, ec)) return usage_error("the script " + path + " is missing");
    Script s{p.filename().string(), fs::absolute(p), fs::absolute(o->expected / p.stem())};
    if (!has_frames(s.expected))
      return usage_error("no expected run for " + s.name + ": " + (o->expected / p.stem()).string() +
                         " holds no frames (see --help to make it)");
    o->scripts.push_back(s);
  }
  return 0;
}

}  // namespace grade
