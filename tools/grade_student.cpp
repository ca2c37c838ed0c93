// Each student's own folder in --out: the pictures of its differences, its results.json and
// a report.html with its results only. Of a hidden script a student is told only that it
// was run and its points; its picture is kept out of the folder, in hidden/.
#include <fstream>

#include "grade.h"
#include "grade_html.h"
#include "grade_text.h"

namespace grade {

namespace {

bool make_folder(const fs::path& folder, std::string* why) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) *why = "cannot make " + folder.string() + ": " + ec.message();
  return !ec;
}

// Writes a run's picture, where its script allows: the student's folder, or hidden/.
bool write_picture(const fs::path& out, const Student& s, const Script& script, Result* r,
                   std::string* why) {
  if (r->picture.empty()) return true;
  const std::string name = fs::path(s.folder).filename().string();
  const fs::path folder = script.scoring.hidden ? fs::path("hidden") / name : fs::path(s.folder);
  if (!make_folder(out / folder, why)) return false;
  const fs::path file = folder / (fs::path(script.name).stem().string() + ".png");
  std::ofstream png(out / file, std::ios::binary | std::ios::trunc);
  png << r->picture;
  png.close();
  if (!png) {
    *why = "cannot write " + (out / file).string();
    return false;
  }
  r->picture_file = file.generic_string();
  return true;
}

std::string points_cell(const Result& r, const Script& s) {
  return points(r.score) + " of " + points(s.scoring.points);
}

// The student's results only: its build, a row a script, and for every failure it may see
// where it differs, what it printed, the picture and the commands that show it again.
std::string student_page(const fs::path& out, const Graded& g, const Student& s) {
  std::string page = html_start(s.name + ": " + points(total(s)) + " of " + points(most_points(g)) +
                                    " points",
                                g.unconfined);
  page += html_build(s);
  page += "<table>\n<tr><th>Script</th><th>Result</th><th>Points</th></tr>\n";
  for (std::size_t k = 0; k < s.results.size(); ++k) {
    const Result& r = s.results[k];
    const Script& script = g.scripts[k];
    const bool open = !script.scoring.hidden && r.verdict != Verdict::Passed;
    page += "<tr><td>" + shown(script.name) + "</td><td class=\"" + html_mark(r) + "\">";
    if (script.scoring.hidden) page += "run (hidden)";
    else if (open) page += "<a href=\"#run" + std::to_string(k + 1) + "\">" + shown(r.summary) + "</a>";
    else page += "passed";
    page += "</td><td>" + points_cell(r, script) + "</td></tr>\n";
  }
  page += "</table>\n";
  for (std::size_t k = 0; k < s.results.size(); ++k) {
    const Result& r = s.results[k];
    if (g.scripts[k].scoring.hidden || r.verdict == Verdict::Passed) continue;
    page += "<h2 id=\"run" + std::to_string(k + 1) + "\">" + shown(g.scripts[k].name) + ": " +
            shown(word(r.verdict)) + "</h2>\n" + html_run(r, out, true);
  }
  return page + html_end();
}

}  // namespace

bool write_student_files(const fs::path& out, Graded* g, std::string* why) {
  for (Student& s : g->students) {
    if (!make_folder(out / s.folder, why)) return false;
    for (std::size_t k = 0; k < s.results.size(); ++k)
      if (!write_picture(out, s, g->scripts[k], &s.results[k], why)) return false;
    if (!write_student_json(out / s.folder / "results.json", *g, s, why) ||
        !write_text(out / s.folder / "report.html", student_page(out, *g, s), why))
      return false;
  }
  return true;
}

}  // namespace grade
