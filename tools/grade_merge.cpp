// kx508-grade merge: the class's files made from the --out folders of shards graded apart
// (a CI job each): their results.json read back, the students put in the order the class
// was given in, their folders copied, and the class's files written as one grading would.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "grade.h"
#include "grade_text.h"

namespace grade {

namespace {

using nlohmann::json;

Printed printed(const json& text, const json& bytes) {
  return Printed{text.get<std::string>(), bytes.get<long long>()};
}

// A path a results.json gives, inside --out: relative, under students/ or hidden/, and
// never climbing out; anything else is not the grader's.
bool inside_out(const std::string& path) {
  const fs::path p(path);
  if (p.is_absolute() || p.has_root_name()) return false;
  for (const fs::path& part : p)
    if (part == ".." || part == ".") return false;
  return path.rfind("students/", 0) == 0 || path.rfind("hidden/", 0) == 0;
}

Result run_from(const json& test, const std::string& student) {
  const json& x = test.at("extra_data");
  Result r;
  r.program = student;
  r.script = test.at("name").get<std::string>();
  if (!verdict_named(x.at("verdict").get<std::string>(), &r.verdict))
    throw std::runtime_error("a run's verdict is \"" + x.at("verdict").get<std::string>() + "\"");
  r.summary = x.at("summary").get<std::string>();
  r.details = x.at("details").get<std::vector<std::string>>();
  r.seconds = x.at("seconds").get<double>();
  r.out = printed(x.at("stdout"), x.at("stdout_bytes"));
  r.err = printed(x.at("stderr"), x.at("stderr_bytes"));
  r.frames_expected = x.at("frames_expected").get<long long>();
  r.frames_matched = x.at("frames_matched").get<long long>();
  r.picture_file = x.at("picture").get<std::string>();
  r.reproduce = x.at("reproduce").get<std::string>();
  r.score = test.at("score").get<double>();
  if (!r.picture_file.empty() && !inside_out(r.picture_file))
    throw std::runtime_error("a picture is named " + r.picture_file);
  return r;
}

Student student_from(const json& submission) {
  const json& x = submission.at("extra_data");
  Student s;
  s.name = x.at("student").get<std::string>();
  s.folder = x.at("folder").get<std::string>();
  if (!inside_out(s.folder)) throw std::runtime_error("a student's folder is " + s.folder);
  s.position = x.at("position").get<std::size_t>();
  s.build.seconds = x.at("build_seconds").get<double>();
  s.build.error = x.at("build_error").get<std::string>();
  s.build.output = printed(x.at("build_output"), x.at("build_output_bytes"));
  for (const json& test : submission.at("tests")) s.results.push_back(run_from(test, s.name));
  return s;
}

bool same_scripts(const std::vector<Script>& a, const std::vector<Script>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Script& x, const Script& y) {
    return x.name == y.name && x.scoring.points == y.scoring.points &&
           x.scoring.hidden == y.scoring.hidden && x.scoring.partial == y.scoring.partial;
  });
}

int merge_error(const std::string& what) {
  std::fprintf(stderr, "kx508-grade merge: %s\n", what.c_str());
  return 2;
}

// A student's folder, and a hidden script's picture kept outside it, from a shard's folder,
// in place of what an earlier merge left (removed first: MinGW's copies do not overwrite).
void copy_student(const fs::path& from, const fs::path& out, const Student& s) {
  fs::remove_all(out / s.folder);
  if (fs::exists(from / s.folder)) {
    fs::create_directories((out / s.folder).parent_path());
    fs::copy(from / s.folder, out / s.folder, fs::copy_options::recursive);
  }
  for (const Result& r : s.results)
    if (!r.picture_file.empty() && r.picture_file.rfind(s.folder + "/", 0) != 0) {
      fs::create_directories((out / r.picture_file).parent_path());
      fs::remove(out / r.picture_file);
      fs::copy_file(from / r.picture_file, out / r.picture_file);
    }
}

// Every student once, in the order the class was given in.
bool whole_class(Graded* g, std::string* why) {
  std::sort(g->students.begin(), g->students.end(),
            [](const Student& a, const Student& b) { return a.position < b.position; });
  for (std::size_t i = 1; i < g->students.size(); ++i)
    if (g->students[i].position == g->students[i - 1].position) {
      *why = g->students[i].name + " is in two shards: was a shard given twice?";
      return false;
    }
  if (g->students.size() != g->class_size) {
    *why = "the shards hold " + std::to_string(g->students.size()) + " of the class's " +
           std::to_string(g->class_size) + " programs: is a shard missing?";
    return false;
  }
  return true;
}

}  // namespace

bool read_class_json(const fs::path& path, Graded* g, std::string* why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *why = "cannot read " + path.string();
    return false;
  }
  try {
    const json file = json::parse(in);
    if (file.at("format") != kClassFormat) {
      *why = path.string() + " is not kx508-grade's class results";
      return false;
    }
    g->unconfined = file.at("unconfined").get<std::string>();
    g->class_size = file.at("class_size").get<std::size_t>();
    g->shard = file.at("shard").get<std::string>();
    for (const json& s : file.at("scripts"))
      g->scripts.push_back(Script{s.at("name").get<std::string>(), {}, {},
                                  Scoring{s.at("points").get<double>(), s.at("hidden").get<bool>(),
                                          s.at("partial").get<bool>()}});
    for (const json& s : file.at("students")) g->students.push_back(student_from(s));
    return true;
  } catch (const std::exception& e) {  // JSON's own errors and the checks above
    *why = path.string() + ": " + e.what();
    return false;
  }
}

int merge(const std::vector<std::string>& args) {
  if (args.size() < 2 || args.front().rfind("-", 0) == 0)
    return merge_error("usage: kx508-grade merge OUT SHARD-DIR...");
  const fs::path out = args.front();
  Graded all;
  std::string why;
  for (std::size_t k = 1; k < args.size(); ++k) {
    const fs::path from = args[k];
    Graded shard;
    if (!read_class_json(from / "results.json", &shard, &why)) return merge_error(why);
    if (k == 1) {
      all.scripts = shard.scripts;
      all.class_size = shard.class_size;
    } else if (!same_scripts(all.scripts, shard.scripts) || all.class_size != shard.class_size) {
      return merge_error(from.string() + " graded another class or other scripts than " + args[1]);
    }
    if (!shard.unconfined.empty() && all.unconfined.find(shard.unconfined) == std::string::npos)
      all.unconfined += (all.unconfined.empty() ? "" : "; ") + shard.unconfined;
    std::error_code same;
    fs::create_directories(out);
    const bool in_place = fs::equivalent(from, out, same);
    for (Student& s : shard.students) {
      if (!in_place) copy_student(from, out, s);
      all.students.push_back(std::move(s));
    }
  }
  if (!whole_class(&all, &why) || !write_class_files(out, all, &why)) return merge_error(why);
  std::size_t runs = 0, passed = 0;
  for (const Student& s : all.students)
    for (const Result& r : s.results) {
      ++runs;
      passed += r.verdict == Verdict::Passed;
    }
  std::printf("%zu of %zu runs passed; reports and results in %s\n", passed, runs, out.string().c_str());
  return passed == runs ? 0 : 1;
}

}  // namespace grade
