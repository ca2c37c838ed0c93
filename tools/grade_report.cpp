// kx508-grade's reports for the teacher: a table on standard output, the class's page with
// the pictures of the differences embedded, and JUnit XML for CI services; and the one call
// that writes every file of the class. Names and what runs printed are anyone's bytes:
// control characters and broken UTF-8 are shown as escapes.
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>
#include <tuple>
#include <utility>

#include "grade.h"
#include "grade_html.h"
#include "grade_text.h"

namespace grade {

namespace {

bool finish(std::ofstream& out, const fs::path& path, std::string* why) {
  out.close();
  if (!out) *why = "cannot write " + path.string();
  return static_cast<bool>(out);
}

// Build failures, crashes, limits, statuses and runs that could not be made are errors in
// JUnit's words; a difference is a failure.
bool is_error(Verdict v) { return v != Verdict::Passed && !drew_otherwise(v); }

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

// A row a student: its name (to its own report), its points, its build time, and a cell a
// script linking to where it failed.
void class_table(std::ofstream& out, const Graded& g) {
  out << "<table>\n<tr><th>Program</th><th>Points (of " << points(most_points(g))
      << ")</th><th>Build</th>";
  for (const Script& s : g.scripts)
    out << "<th>" << shown(s.name) << " (" << points(s.scoring.points)
        << (s.scoring.hidden ? ", hidden" : "") << (s.scoring.partial ? ", partial" : "") << ")</th>";
  out << "</tr>\n";
  int id = 0;
  for (const Student& s : g.students) {
    out << "<tr><th><a href=\"" << escape(s.folder) << "/report.html\">" << shown(s.name) << "</a></th><td>"
        << points(total(s)) << "</td><td>" << (s.build.error.empty() ? "" : "failed, ")
        << seconds(s.build.seconds) << " s</td>";
    for (const Result& r : s.results) {
      ++id;
      out << "<td class=\"" << html_mark(r) << "\">";
      if (r.verdict == Verdict::Passed) out << "passed";
      else out << "<a href=\"#run" << id << "\">" << shown(r.summary) << "</a> (" << points(r.score) << ")";
      out << "</td>";
    }
    out << "</tr>\n";
  }
  out << "</table>\n";
}

// The scripts the most students failed first: where the class needs help.
void scripts_table(std::ofstream& out, const Graded& g) {
  std::vector<std::pair<std::size_t, std::size_t>> failed;  // failures, script
  for (std::size_t k = 0; k < g.scripts.size(); ++k) {
    std::size_t n = 0;
    for (const Student& s : g.students) n += s.results[k].verdict != Verdict::Passed;
    failed.emplace_back(n, k);
  }
  std::stable_sort(failed.begin(), failed.end(), [](auto a, auto b) { return a.first > b.first; });
  out << "<table>\n<tr><th>Script</th><th>Failed by</th></tr>\n";
  for (const auto& [n, k] : failed)
    out << "<tr><td>" << shown(g.scripts[k].name) << "</td><td>" << n << " of " << g.students.size()
        << "</td></tr>\n";
  out << "</table>\n";
}

}  // namespace

void print_table(const std::vector<Result>& results) {
  std::size_t program_width = 7, script_width = 6;
  std::vector<std::array<std::string, 3>> rows;
  for (const Result& r : results) {
    rows.push_back({visible(r.program), visible(r.script), visible(r.summary)});
    program_width = std::max(program_width, width(rows.back()[0]));
    script_width = std::max(script_width, width(rows.back()[1]));
  }
  auto pad = [](const std::string& text, std::size_t to) { return text + std::string(to - width(text), ' '); };
  std::printf("%s  %s  %s\n", pad("Program", program_width).c_str(), pad("Script", script_width).c_str(),
              "Result");
  for (const auto& [program, script, summary] : rows)
    std::printf("%s  %s  %s\n", pad(program, program_width).c_str(), pad(script, script_width).c_str(),
                summary.c_str());
}

bool write_html(const fs::path& path, const fs::path& folder, const Graded& g, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::size_t passed = 0, runs = 0;
  for (const Student& s : g.students)
    for (const Result& r : s.results) {
      passed += r.verdict == Verdict::Passed;
      ++runs;
    }
  out << html_start("kx508-grade report", g.unconfined);
  out << "<p>" << passed << " of " << runs << " runs passed.</p>\n";
  class_table(out, g);
  out << "<h2>Scripts, the most failed first</h2>\n";
  scripts_table(out, g);
  int id = 0;
  for (const Student& s : g.students) {
    if (s.build.output.bytes > 0 || !s.build.error.empty())
      out << "<h2>" << shown(s.name) << ": build</h2>\n" << html_build(s);
    for (std::size_t k = 0; k < s.results.size(); ++k) {
      const Result& r = s.results[k];
      ++id;
      if (r.verdict == Verdict::Passed) continue;
      out << "<h2 id=\"run" << id << "\">" << shown(s.name) << " on " << shown(g.scripts[k].name) << ": "
          << shown(word(r.verdict)) << "</h2>\n" << html_run(r, folder, false);
    }
  }
  out << html_end();
  return finish(out, path, why);
}

bool write_junit(const fs::path& path, const Graded& g, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::size_t tests = 0, failures = 0, errors = 0;
  double time = 0;
  for (const Student& s : g.students)
    for (const Result& r : s.results) {
      ++tests;
      failures += drew_otherwise(r.verdict);
      errors += is_error(r.verdict);
      time += r.seconds;
    }
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  // Said first, for people who open the file; each suite says it too, for the tools.
  if (!g.unconfined.empty()) out << "<!-- The runs were NOT confined (unsafe). -->\n";
  out << "<testsuites name=\"kx508-grade\" tests=\"" << tests << "\" failures=\"" << failures
      << "\" errors=\"" << errors << "\" time=\"" << seconds(time) << "\">\n";
  for (const Student& s : g.students) {
    std::size_t failed = 0, errored = 0;
    double suite_time = 0;
    for (const Result& r : s.results) {
      failed += drew_otherwise(r.verdict);
      errored += is_error(r.verdict);
      suite_time += r.seconds;
    }
    out << "  <testsuite name=\"" << shown(s.name) << "\" tests=\"" << s.results.size() << "\" failures=\""
        << failed << "\" errors=\"" << errored << "\" time=\"" << seconds(suite_time) << "\">\n";
    out << "    <properties>\n      <property name=\"score\" value=\"" << points(total(s)) << " of "
        << points(most_points(g)) << "\"/>\n      <property name=\"build\" value=\""
        << (s.build.error.empty() ? "built" : "failed") << " in " << seconds(s.build.seconds) << " s\"/>\n";
    if (!g.unconfined.empty())
      out << "      <property name=\"confinement\" value=\"NOT confined: " << shown(g.unconfined) << "\"/>\n";
    out << "    </properties>\n";
    for (std::size_t k = 0; k < s.results.size(); ++k) {
      const Result& r = s.results[k];
      out << "    <testcase classname=\"" << shown(s.name) << "\" name=\"" << shown(g.scripts[k].name)
          << "\" time=\"" << seconds(r.seconds) << "\">\n";
      if (r.verdict != Verdict::Passed) {
        const char* element = is_error(r.verdict) ? "error" : "failure";
        out << "      <" << element << " type=\"" << shown(word(r.verdict)) << "\" message=\""
            << shown(r.summary) << "\">";
        for (const std::string& line : r.details) out << shown(line) << "\n";
        out << "</" << element << ">\n";
      }
      for (const auto& [element, what, p] : {std::tuple{"system-out", "standard output", &r.out},
                                             {"system-err", "standard error", &r.err}})
        if (p->bytes > 0)
          out << "      <" << element << ">" << heading(what, *p) << ":\n" << shown(p->text, true)
              << "</" << element << ">\n";
      out << "    </testcase>\n";
    }
    if (s.build.output.bytes > 0)
      out << "    <system-err>" << heading("the compiler's output", s.build.output) << ":\n"
          << shown(s.build.output.text, true) << "</system-err>\n";
    out << "  </testsuite>\n";
  }
  out << "</testsuites>\n";
  return finish(out, path, why);
}

bool write_class_files(const fs::path& out, const Graded& g, std::string* why) {
  std::error_code ec;
  fs::create_directories(out, ec);
  return write_html(out / "report.html", out, g, why) && write_junit(out / "report.xml", g, why) &&
         write_class_json(out / "results.json", g, why) && write_grades_csv(out / "grades.csv", g, why);
}

}  // namespace grade
