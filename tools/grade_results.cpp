// The results in the forms teachers import: results.json as the common grading platforms
// read a submission's autograder results (each student's, and the class's holding every
// one with all the reports are made of), and grades.csv for a spreadsheet.
#include <cstdio>
#include <fstream>

#include "grade.h"
#include "grade_text.h"

namespace grade {

namespace {

// A JSON string of anyone's bytes: visible() first, so that it is UTF-8 and shows as the
// other reports show it, then JSON's own escapes.
std::string json(std::string_view text) {
  std::string out = "\"";
  for (const char c : visible(text, true)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

const char* boolean(bool b) { return b ? "true" : "false"; }

// What a test's output says of a run: the result, where it differs, what it printed and
// the commands that show it again.
std::string test_output(const Result& r) {
  std::string text = r.summary + "\n";
  if (r.details.size() > 1)
    for (const std::string& line : r.details) text += line + "\n";
  for (const auto& [what, p] : {std::pair{"Standard output", &r.out}, {"Standard error", &r.err}})
    if (p->bytes > 0) {
      text += "\n" + heading(what, *p) + ":\n" + p->text;
      if (text.back() != '\n') text += "\n";
    }
  if (!r.reproduce.empty()) text += "\nTo see it again:\n" + r.reproduce + "\n";
  return text;
}

std::string hidden_output(const Result& r, const Script& s) {
  return "run, " + points(r.score) + " of " + points(s.scoring.points) + " points";
}

// All the grader knows of a run, for the class's files to be made again from.
std::string run_record(const Result& r, const Script& s, const std::string& indent) {
  std::string details;
  for (const std::string& line : r.details) details += (details.empty() ? "" : ", ") + json(line);
  const std::string in = ",\n" + indent + "  ";
  return "{\n" + indent + "  \"verdict\": " + json(word(r.verdict)) + in + "\"summary\": " + json(r.summary) +
         in + "\"details\": [" + details + "]" + in + "\"seconds\": " + seconds(r.seconds) + in +
         "\"stdout\": " + json(r.out.text) + in + "\"stdout_bytes\": " + std::to_string(r.out.bytes) + in +
         "\"stderr\": " + json(r.err.text) + in + "\"stderr_bytes\": " + std::to_string(r.err.bytes) + in +
         "\"frames_expected\": " + std::to_string(r.frames_expected) + in +
         "\"frames_matched\": " + std::to_string(r.frames_matched) + in +
         "\"picture\": " + json(r.picture_file) + in + "\"reproduce\": " + json(r.reproduce) + in +
         "\"points\": " + points(s.scoring.points) + in + "\"hidden\": " + boolean(s.scoring.hidden) + in +
         "\"partial\": " + boolean(s.scoring.partial) + "\n" + indent + "}";
}

// One test of a submission's results; for a student, a hidden script's says only its points.
std::string test(const Result& r, const Script& s, bool for_student, const std::string& indent) {
  const bool hidden = s.scoring.hidden;
  const std::string in = ",\n" + indent + "  ";
  std::string t = "{\n" + indent + "  \"name\": " + json(s.name) + in + "\"score\": " + points(r.score) + in +
                  "\"max_score\": " + points(s.scoring.points) + in + "\"status\": " +
                  json(r.verdict == Verdict::Passed ? "passed" : "failed") + in + "\"output\": " +
                  json(hidden && for_student ? hidden_output(r, s) : test_output(r)) + in +
                  "\"visibility\": " + json(hidden ? "hidden" : "visible");
  if (!(hidden && for_student)) t += in + "\"extra_data\": " + run_record(r, s, indent + "  ");
  return t + "\n" + indent + "}";
}

std::string build_output(const Student& s) {
  std::string text = (s.build.error.empty() ? "Built" : "Failed to build") + std::string(" in ") +
                     seconds(s.build.seconds) + " s" +
                     (s.build.error.empty() ? "" : ": " + s.build.error) + "\n";
  if (s.build.output.bytes > 0)
    text += "\n" + heading("The compiler's output", s.build.output) + ":\n" + s.build.output.text;
  return text;
}

// A submission's results: the platform's fields, and in extra_data the student, its
// folder and its build.
std::string submission(const Graded& g, const Student& s, bool for_student, const std::string& indent) {
  double time = s.build.seconds;
  for (const Result& r : s.results) time += r.seconds;
  std::string tests;
  for (std::size_t k = 0; k < s.results.size(); ++k)
    tests += (k ? ",\n" : "") + indent + "    " + test(s.results[k], g.scripts[k], for_student, indent + "    ");
  const std::string in = ",\n" + indent + "  ";
  return "{\n" + indent + "  \"score\": " + points(total(s)) + in + "\"execution_time\": " + seconds(time) + in +
         "\"output\": " + json(build_output(s)) + in + "\"visibility\": \"visible\"" + in +
         "\"stdout_visibility\": \"hidden\"" + in + "\"tests\": [\n" + tests + "\n" + indent + "  ]" + in +
         "\"extra_data\": {\n" + indent + "    \"student\": " + json(s.name) + in + "  \"folder\": " +
         json(s.folder) + in + "  \"max_score\": " + points(most_points(g)) + in + "  \"build_seconds\": " +
         seconds(s.build.seconds) + in + "  \"build_error\": " + json(s.build.error) + in +
         "  \"build_output\": " + json(s.build.output.text) + in + "  \"build_output_bytes\": " +
         std::to_string(s.build.output.bytes) +
         (for_student ? "" : in + "  \"position\": " + std::to_string(s.position)) + "\n" + indent +
         "  }\n" + indent + "}";
}

// A CSV field (RFC 4180) that a spreadsheet takes for text: one that starts as a formula
// would (= + - @, or a tab or carriage return before one) gets a ' first.
std::string cell(std::string_view text) {
  std::string value = visible(text);
  if (!value.empty() && std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos)
    value.insert(0, "'");
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string out = "\"";
  for (const char c : value) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

bool write_student_json(const fs::path& path, const Graded& g, const Student& s, std::string* why) {
  return write_text(path, submission(g, s, true, "") + "\n", why);
}

bool write_class_json(const fs::path& path, const Graded& g, std::string* why) {
  std::string scripts, students;
  for (const Script& s : g.scripts)
    scripts += std::string(scripts.empty() ? "" : ",\n") + "    {\"name\": " + json(s.name) +
               ", \"points\": " + points(s.scoring.points) + ", \"hidden\": " + boolean(s.scoring.hidden) +
               ", \"partial\": " + boolean(s.scoring.partial) + "}";
  for (const Student& s : g.students)
    students += std::string(students.empty() ? "" : ",\n") + "    " + submission(g, s, false, "    ");
  return write_text(path,
                    "{\n  \"format\": \"" + std::string(kClassFormat) + "\",\n  \"unconfined\": " +
                        json(g.unconfined) + ",\n  \"class_size\": " + std::to_string(g.class_size) +
                        ",\n  \"shard\": " + json(g.shard) + ",\n  \"max_score\": " + points(most_points(g)) +
                        ",\n  \"scripts\": [\n" + scripts + "\n  ],\n  \"students\": [\n" + students +
                        "\n  ]\n}\n",
                    why);
}

bool write_grades_csv(const fs::path& path, const Graded& g, std::string* why) {
  std::string text = "student";
  for (const Script& s : g.scripts) text += "," + cell(s.name);
  text += ",total\r\n";
  for (const Student& s : g.students) {
    text += cell(s.name);
    for (const Result& r : s.results) text += "," + points(r.score);
    text += "," + points(total(s)) + "\r\n";
  }
  return write_text(path, text, why);
}

}  // namespace grade
