// kx508-grade's reports: a table on standard output, one self-contained HTML page with the
// pictures of the differences embedded, and JUnit XML for CI services.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "grade.h"

namespace grade {

namespace {

std::string escape(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        // Control bytes are not allowed in XML 1.0, even escaped.
        if (c < 32 && c != '\n' && c != '\t') out += "?";
        else out += static_cast<char>(c);
    }
  }
  return out;
}

std::string base64(const std::string& data) {
  static const char* const digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                       (static_cast<unsigned char>(data[i + 1]) << 8) | static_cast<unsigned char>(data[i + 2]);
    for (int shift : {18, 12, 6, 0}) out += digits[(v >> shift) & 63];
  }
  if (i < data.size()) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += digits[(v >> 18) & 63];
    out += digits[(v >> 12) & 63];
    out += i + 1 < data.size() ? digits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

const char* word(Verdict v) {
  switch (v) {
    case Verdict::Passed: return "passed";
    case Verdict::Differs: return "differs";
    case Verdict::Crashed: return "crashed";
    case Verdict::Limit: return "limit";
    case Verdict::BuildFailed: return "build";
    case Verdict::Status: return "status";
    case Verdict::NotCompared: return "not compared";
    case Verdict::Trouble: return "not run";
  }
  return "";
}

bool finish(std::ofstream& out, const fs::path& path, std::string* why) {
  out.close();
  if (!out) *why = "cannot write " + path.string();
  return static_cast<bool>(out);
}

// Results by program, in the order given, then by script.
std::vector<std::pair<std::string, std::vector<const Result*>>> by_program(const std::vector<Result>& results) {
  std::vector<std::pair<std::string, std::vector<const Result*>>> rows;
  for (const Result& r : results) {
    if (rows.empty() || rows.back().first != r.program) rows.push_back({r.program, {}});
    rows.back().second.push_back(&r);
  }
  return rows;
}

}  // namespace

void print_table(const std::vector<Result>& results) {
  std::size_t program_width = 7, script_width = 6;
  for (const Result& r : results) {
    program_width = std::max(program_width, r.program.size());
    script_width = std::max(script_width, r.script.size());
  }
  const int pw = static_cast<int>(program_width), sw = static_cast<int>(script_width);
  std::printf("%-*s  %-*s  %s\n", pw, "Program", sw, "Script", "Result");
  for (const Result& r : results)
    std::printf("%-*s  %-*s  %s\n", pw, r.program.c_str(), sw, r.script.c_str(), r.summary.c_str());
}

bool write_html(const fs::path& path, const std::vector<Result>& results, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::size_t passed = 0;
  for (const Result& r : results) passed += r.verdict == Verdict::Passed;
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
         "<title>kx508-grade report</title>\n<style>\n"
         "body{font-family:sans-serif;margin:1.5em} table{border-collapse:collapse}\n"
         "td,th{border:1px solid #bbb;padding:.3em .6em;text-align:left;vertical-align:top}\n"
         ".passed{background:#d8f5d0} .failed{background:#fbd9d3}\n"
         "pre{background:#f4f4f4;padding:.5em;white-space:pre-wrap} img{max-width:100%;image-rendering:pixelated}\n"
         "</style></head><body>\n<h1>kx508-grade report</h1>\n<p>"
      << passed << " of " << results.size() << " runs passed.</p>\n<table>\n<tr><th>Program</th>";
  const auto rows = by_program(results);
  if (!rows.empty())
    for (const Result* r : rows.front().second) out << "<th>" << escape(r->script) << "</th>";
  out << "</tr>\n";
  int id = 0;
  for (const auto& [program, runs] : rows) {
    out << "<tr><th>" << escape(program) << "</th>";
    for (const Result* r : runs) {
      ++id;
      const bool ok = r->verdict == Verdict::Passed;
      out << "<td class=\"" << (ok ? "passed" : "failed") << "\">";
      if (ok) out << "passed";
      else out << "<a href=\"#run" << id << "\">" << escape(r->summary) << "</a>";
      out << "</td>";
    }
    out << "</tr>\n";
  }
  out << "</table>\n";
  id = 0;
  for (const auto& [program, runs] : rows)
    for (const Result* r : runs) {
      ++id;
      if (r->verdict == Verdict::Passed) continue;
      out << "<h2 id=\"run" << id << "\">" << escape(program) << " on " << escape(r->script) << ": "
          << escape(word(r->verdict)) << "</h2>\n<p>" << escape(r->summary) << "</p>\n";
      if (!r->details.empty()) {
        out << "<pre>";
        for (const std::string& line : r->details) out << escape(line) << "\n";
        out << "</pre>\n";
      }
      if (!r->picture.empty())
        out << "<p>Expected | got | difference:</p>\n<img alt=\"expected, got and their difference\" "
               "src=\"data:image/png;base64,"
            << base64(r->picture) << "\">\n";
    }
  out << "</body></html>\n";
  return finish(out, path, why);
}

bool write_junit(const fs::path& path, const std::vector<Result>& results, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto rows = by_program(results);
  std::size_t failures = 0;
  for (const Result& r : results) failures += r.verdict != Verdict::Passed;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"kx508-grade\" tests=\""
      << results.size() << "\" failures=\"" << failures << "\">\n";
  for (const auto& [program, runs] : rows) {
    std::size_t failed = 0;
    double seconds = 0;
    for (const Result* r : runs) {
      failed += r->verdict != Verdict::Passed;
      seconds += r->seconds;
    }
    out << "  <testsuite name=\"" << escape(program) << "\" tests=\"" << runs.size() << "\" failures=\""
        << failed << "\" time=\"" << seconds << "\">\n";
    for (const Result* r : runs) {
      out << "    <testcase classname=\"" << escape(program) << "\" name=\"" << escape(r->script)
          << "\" time=\"" << r->seconds << "\"";
      if (r->verdict == Verdict::Passed) {
        out << "/>\n";
        continue;
      }
      out << ">\n      <failure type=\"" << escape(word(r->verdict)) << "\" message=\"" << escape(r->summary)
          << "\">";
      for (const std::string& line : r->details) out << escape(line) << "\n";
      out << "</failure>\n    </testcase>\n";
    }
    out << "  </testsuite>\n";
  }
  out << "</testsuites>\n";
  return finish(out, path, why);
}

}  // namespace grade
