// The class's results gathered by program: each run's score of its script's points, each
// student's folder, and the commands that show a student a failure again.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <set>

#include "grade.h"

namespace grade {

namespace {

// A name as a folder's on any system: letters, digits, '_', '-' and '.' (not first) kept,
// every other byte written as %XX, so that distinct names stay distinct; '+' is always
// escaped, which leaves it free to number the names that are alike (by case, say).
std::string folder_name(const std::string& name) {
  constexpr std::size_t kMost = 64;  // a folder name's length, before a number is added
  std::string out;
  for (std::size_t i = 0; i < name.size() && out.size() < kMost; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (std::isalnum(c) || c == '_' || c == '-' || (c == '.' && i > 0)) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out.empty() ? "%" : out;
}

// The name a student knows the program by: its file or folder, without ".cpp".
std::string own_name(const Program& p) {
  fs::path name = p.source.filename();
  if (name.empty()) name = p.source.parent_path().filename();
  if (name.extension() == ".cpp") name = name.stem();
  return name.empty() ? "program" : name.string();
}

// Folders distinct even where a file system does not tell "Ada" from "ada".
void give_folders(std::vector<Program>* programs) {
  std::set<std::string> taken;
  for (Program& p : *programs) {
    const std::string base = folder_name(own_name(p));
    std::string folder = base;
    for (int n = 2;; ++n) {
      std::string key = folder;
      std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
        return static_cast<char>(std::tolower(c));
      });
      if (taken.insert(key).second) break;
      folder = base + "+" + std::to_string(n);
    }
    p.folder = "students/" + folder;
  }
}

// A word for a POSIX shell: as it is when it holds nothing the shell reads, else quoted.
std::string quoted(const std::string& word) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
    return std::isalnum(c) || std::string_view("._/-+=:,@%").find(static_cast<char>(c)) !=
                                  std::string_view::npos;
  });
  if (plain) return word;
  std::string out = "'";
  for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The build as the student runs it, against the installed library.
std::string build_command(const Program& p) {
  std::string line = "c++ -std=c++20 -O2";
  for (const fs::path& s : p.sources) line += " " + quoted(s.filename().string());
  return line + " -o " + quoted(own_name(p)) + " $(pkg-config --cflags --libs kx508)";
}

// The replay that shows the same difference, with the script and its expected run the
// teacher gives out (expected/NAME) beside the program.
std::string reproduce(const Program& p, const Script& s, Verdict v) {
  std::string commands = p.sources.empty() ? "" : build_command(p) + "\n";
  if (v == Verdict::BuildFailed) return commands;
  return commands + "KX508_PLATFORM=headless KX508_PLAY=" + quoted(s.name) +
         " KX508_EXPECT=" + quoted("expected/" + fs::path(s.name).stem().string()) + " ./" +
         quoted(own_name(p));
}

}  // namespace

void take_share(Options* o) {
  give_folders(&o->programs);
  o->class_size = o->programs.size();
  std::vector<std::size_t> by_name(o->programs.size());
  for (std::size_t i = 0; i < by_name.size(); ++i) {
    o->programs[i].position = i;
    by_name[i] = i;
  }
  if (o->shards <= 1) return;
  // Alike names keep the order given, so the deal is the same in every shard.
  std::stable_sort(by_name.begin(), by_name.end(), [&](std::size_t a, std::size_t b) {
    return o->programs[a].name < o->programs[b].name;
  });
  std::vector<bool> mine(o->programs.size());
  for (std::size_t k = 0; k < by_name.size(); ++k)
    mine[by_name[k]] = static_cast<int>(k % static_cast<std::size_t>(o->shards)) == o->shard - 1;
  std::vector<Program> share;
  for (std::size_t i = 0; i < o->programs.size(); ++i)
    if (mine[i]) share.push_back(std::move(o->programs[i]));
  o->programs = std::move(share);
}

double score(const Result& r, const Scoring& s) {
  if (r.verdict == Verdict::Passed) return s.points;
  if (r.verdict != Verdict::Differs || !s.partial || r.frames_expected <= 0) return 0;
  const double share = static_cast<double>(r.frames_matched) / static_cast<double>(r.frames_expected);
  return std::floor(s.points * share * 100 + 1e-9) / 100;
}

double total(const Student& s) {
  double sum = 0;
  for (const Result& r : s.results) sum += r.score;
  return std::round(sum * 100) / 100;
}

double most_points(const Graded& g) {
  double sum = 0;
  for (const Script& s : g.scripts) sum += s.scoring.points;
  return std::round(sum * 100) / 100;
}

Graded gather(const Options& o, const std::vector<Built>& built, std::vector<Result> results,
              const std::string& unconfined) {
  Graded g;
  g.scripts = o.scripts;
  g.unconfined = unconfined;
  g.class_size = o.class_size;
  if (o.shards > 1) g.shard = std::to_string(o.shard) + "/" + std::to_string(o.shards);
  const std::size_t scripts = o.scripts.size();
  for (std::size_t p = 0; p < o.programs.size(); ++p) {
    Student s{o.programs[p].name, o.programs[p].folder, built[p], {}, o.programs[p].position};
    s.build.executable.clear();
    for (std::size_t k = 0; k < scripts; ++k) {
      Result r = std::move(results[p * scripts + k]);
      r.score = score(r, o.scripts[k].scoring);
      if (r.verdict != Verdict::Passed) r.reproduce = reproduce(o.programs[p], o.scripts[k], r.verdict);
      s.results.push_back(std::move(r));
    }
    g.students.push_back(std::move(s));
  }
  return g;
}

}  // namespace grade
