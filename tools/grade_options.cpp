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
    "usage: kx508-grade --expected DIR --script FILE [script options] [--script FILE ...] "
    "[options] PROGRAM...\n"
    "       kx508-grade merge OUT SHARD-DIR...\n";

constexpr const char* kHelp =
    "Grades programs on the KX508 library: each program replays each script headless and\n"
    "is compared frame by frame, and log line by log line, with the script's expected run.\n"
    "\n"
    "  --expected DIR   the expected runs: DIR/NAME/ for a script NAME.scr, made by\n"
    "                   KX508_PLATFORM=headless KX508_PLAY=NAME.scr KX508_FRAMES=DIR/NAME\n"
    "                   KX508_LOG=DIR/NAME/log.txt REFERENCE-PROGRAM\n"
    "  --script FILE    a script to replay (repeatable); the four options below apply\n"
    "                   to the --script before them, or given before any, to every one\n"
    "  --points N       what the script is worth (1)\n"
    "  --hidden         it counts, but a student's report shows only its points\n"
    "  --partial        a run that differs earns the share of frames before the first\n"
    "                   difference\n"
    "  --whole          all or nothing (the default)\n"
    "  --manifest FILE  more options, one a line (# comments); paths from its folder\n"
    "  -j N             runs at a time (the number of cores)\n"
    "  --time S         wall time of a run, seconds (60)\n"
    "  --cpu S          CPU time of a run, seconds (as --time)\n"
    "  --memory MIB     memory of a run (2048; 0 for none)\n"
    "  --file-size MIB  biggest file a run writes, its output included (64)\n"
    "  --processes N    processes and threads of a run (64)\n"
    "  --disk MIB       what a run's working folder may hold (256; Linux)\n"
    "  --out DIR        where the reports and results go (.)\n"
    "  --env NAME       give every run this variable of the environment (repeatable)\n"
    "  --repeat N       runs of the first script, each after the first compared with the\n"
    "                   first, so that a program drawing differently every run is told\n"
    "                   so (2; 1 to 100: 1 runs it once)\n"
    "  --unsafe         grade where runs cannot be confined (the reports say so)\n"
    "  --shard K/N      grade only the K-th of N shares of the programs (by name); then\n"
    "                   kx508-grade merge OUT DIR... makes the class's files from the\n"
    "                   shards' --out folders\n"
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

// "K/N", 1 <= K <= N.
bool shard(const std::string& text, Options* o) {
  int k = 0, n = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%d/%d%c", &k, &n, &end) != 2 || n < 1 || k < 1 || k > n) return false;
  o->shard = k;
  o->shards = n;
  return true;
}

bool has_frames(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".png") return true;
  return false;
}

// A program argument: an executable, a .cpp file, or a folder holding .cpp files.
bool add_program(const std::string& arg, Options* o, std::string* why) {
  Program p;
  p.name = arg;
  p.source = arg;
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

// A script's --points, --hidden, --partial or --whole, when the argument is one: applied to
// the script given last, or before any script to the class's default.
bool scoring_option(const std::string& a, Scoring* s) {
  if (a == "--hidden") s->hidden = true;
  else if (a == "--partial") s->partial = true;
  else if (a == "--whole") s->partial = false;
  else return false;
  return true;
}

int parse(const std::vector<std::string>& given, Options* o) {
  std::vector<std::string> args = given;
  std::vector<std::pair<std::string, Scoring>> script_paths;
  Scoring default_scoring;
  auto scoring = [&]() -> Scoring& {
    return script_paths.empty() ? default_scoring : script_paths.back().second;
  };
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
    if (scoring_option(a, &scoring())) continue;
    const bool valued = a == "--expected" || a == "--script" || a == "--points" ||
                        a == "--manifest" || a == "-j" ||
                        a == "--time" || a == "--cpu" || a == "--memory" || a == "--file-size" ||
                        a == "--processes" || a == "--disk" || a == "--out" || a == "--env" ||
                        a == "--shard" || a == "--repeat";
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
      script_paths.emplace_back(v, default_scoring);
    } else if (a == "--out") {
      o->out = v;
    } else if (a == "--env") {
      if (v.empty() || v.find('=') != std::string::npos)
        return usage_error("--env " + v + ": give the name of a variable");
      o->passed.push_back(v);
    } else if (a == "--shard") {
      if (!shard(v, o)) return usage_error("--shard " + v + ": give K/N, K of 1 to N");
    } else if (a == "--manifest") {
      std::vector<std::string> more;
      if (!read_manifest(v, &more, &why)) return usage_error(why);
      args.insert(args.begin() + static_cast<long>(i) + 1, more.begin(), more.end());
    } else if (!number(v, &n)) {
      return usage_error(a + " " + v + ": not a number of 0 or more");
    } else if (a == "--points") {
      scoring().points = n;
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
  for (const auto& [path, scored] : script_paths) {
    const fs::path p(path);
    if (!fs::is_regular_file(p, ec)) return usage_error("the script " + path + " is missing");
    Script s{p.filename().string(), fs::absolute(p), fs::absolute(o->expected / p.stem()), scored};
    if (!has_frames(s.expected))
      return usage_error("no expected run for " + s.name + ": " + (o->expected / p.stem()).string() +
                         " holds no frames (see --help to make it)");
    o->scripts.push_back(s);
  }
  return 0;
}

}  // namespace grade
