// kx508-grade's reports: a table on standard output, one self-contained HTML page with the
// pictures of the differences embedded, and JUnit XML for CI services. Names and what runs
// printed are anyone's bytes: control characters and broken UTF-8 are shown as escapes.
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>
#include <tuple>
#include <utility>

#include "grade.h"

namespace grade {

namespace {

std::string hex(const char* prefix, unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%0*X", prefix, digits, value);
  return text;
}

// The text with every character a terminal or an XML reader would take for other than
// itself written as an escape: C0 and C1 controls (newlines and tabs kept where lines are),
// bytes that are not UTF-8, and the two characters XML 1.0 excludes.
std::string visible(std::string_view text, bool lines = false) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (lines && (c == '\n' || c == '\t')) out += static_cast<char>(c);
      else if (c == '\n') out += "\\n";
      else if (c == '\t') out += "\\t";
      else if (c == '\r') out += "\\r";
      else if (c < 0x20 || c == 0x7F) out += hex("\\x", c, 2);
      else out += static_cast<char>(c);
      ++i;
      continue;
    }
    const std::size_t n = c >= 0xF5 ? 0 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    char32_t code = n == 0 ? 0 : c & (0x7F >> n);
    bool whole = n > 0 && i + n <= text.size();
    for (std::size_t k = 1; whole && k < n; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      whole = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode's are not UTF-8.
    whole = whole && !(n == 3 && code < 0x800) &&
            !(n == 4 && (code < 0x10000 || code > 0x10FFFF)) && !(code >= 0xD800 && code <= 0xDFFF);
    if (!whole) {
      out += hex("\\x", c, 2);
      ++i;
    } else if (code < 0xA0 || code == 0xFFFE || code == 0xFFFF) {
      out += hex("\\u", static_cast<unsigned>(code), 4);
      i += n;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

// Characters across, for the table's columns.
std::size_t width(const std::string& shown) {
  std::size_t n = 0;
  for (const char c : shown) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// For HTML and XML, after visible().
std::string escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string shown(std::string_view text, bool lines = false) {
  return escape(visible(text, lines));
}

// "standard error, 1234 bytes", or what part of them is kept.
std::string heading(const char* what, const Printed& p) {
  std::string h =
      std::string(what) + ", " + std::to_string(p.bytes) + (p.bytes == 1 ? " byte" : " bytes");
  if (static_cast<long long>(p.text.size()) < p.bytes)
    h += ", cut: the last " + std::to_string(p.text.size()) + " shown";
  return h;
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
    case Verdict::Trouble: return "not run";
    case Verdict::Unsteady: return "draws differently";
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

bool write_html(const fs::path& path, const std::vector<Result>& results,
                const std::string& unconfined, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::size_t passed = 0;
  for (const Result& r : results) passed += r.verdict == Verdict::Passed;
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
         "<title>kx508-grade report</title>\n<style>\n"
         "body{font-family:sans-serif;margin:1.5em} table{border-collapse:collapse}\n"
         "td,th{border:1px solid #bbb;padding:.3em .6em;text-align:left;vertical-align:top}\n"
         ".passed{background:#d8f5d0} .failed{background:#fbd9d3}\n"
         "pre{background:#f4f4f4;padding:.5em;white-space:pre-wrap} img{max-width:100%;image-rendering:pixelated}\n"
         ".unconfined{background:#fbd9d3;padding:.5em;border:2px solid #c00}\n"
         "</style></head><body>\n<h1>kx508-grade report</h1>\n";
  if (!unconfined.empty())
    out << "<p class=\"unconfined\"><strong>The runs were NOT confined</strong> (--unsafe): "
        << shown(unconfined) << ". A program may have read the expected runs.</p>\n";
  out << "<p>"
      << passed << " of " << results.size() << " runs passed.</p>\n<table>\n<tr><th>Program</th>";
  const auto rows = by_program(results);
  if (!rows.empty())
    for (const Result* r : rows.front().second) out << "<th>" << shown(r->script) << "</th>";
  out << "</tr>\n";
  int id = 0;
  for (const auto& [program, runs] : rows) {
    out << "<tr><th>" << shown(program) << "</th>";
    for (const Result* r : runs) {
      ++id;
      const bool ok = r->verdict == Verdict::Passed;
      out << "<td class=\"" << (ok ? "passed" : "failed") << "\">";
      if (ok) out << "passed";
      else out << "<a href=\"#run" << id << "\">" << shown(r->summary) << "</a>";
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
      out << "<h2 id=\"run" << id << "\">" << shown(program) << " on " << shown(r->script) << ": "
          << shown(word(r->verdict)) << "</h2>\n<p>" << shown(r->summary) << "</p>\n";
      if (r->details.size() > 1) {
        out << "<pre>";
        for (const std::string& line : r->details) out << shown(line) << "\n";
        out << "</pre>\n";
      }
      for (const auto& [what, p] : {std::pair{"Standard output", &r->out}, {"Standard error", &r->err}})
        if (p->bytes > 0)
          out << "<p>" << heading(what, *p) << ":</p>\n<pre>" << shown(p->text, true) << "</pre>\n";
      if (!r->picture.empty())
        out << "<p>Expected | got | difference:</p>\n<img alt=\"expected, got and their difference\" "
               "src=\"data:image/png;base64,"
            << base64(r->picture) << "\">\n";
    }
  out << "</body></html>\n";
  return finish(out, path, why);
}

bool write_junit(const fs::path& path, const std::vector<Result>& results,
                 const std::string& unconfined, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto rows = by_program(results);
  std::size_t failures = 0;
  for (const Result& r : results) failures += r.verdict != Verdict::Passed;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  // Said first, for people who open the file; each suite says it too, for the tools.
  if (!unconfined.empty()) out << "<!-- The runs were NOT confined (unsafe). -->\n";
  out << "<testsuites name=\"kx508-grade\" tests=\"" << results.size() << "\" failures=\"" << failures
      << "\">\n";
  for (const auto& [program, runs] : rows) {
    std::size_t failed = 0;
    double seconds = 0;
    for (const Result* r : runs) {
      failed += r->verdict != Verdict::Passed;
      seconds += r->seconds;
    }
    out << "  <testsuite name=\"" << shown(program) << "\" tests=\"" << runs.size() << "\" failures=\""
        << failed << "\" time=\"" << seconds << "\">\n";
    if (!unconfined.empty())
      out << "    <properties><property name=\"confinement\" value=\"NOT confined: " << shown(unconfined)
          << "\"/></properties>\n";
    for (const Result* r : runs) {
      out << "    <testcase classname=\"" << shown(program) << "\" name=\"" << shown(r->script)
          << "\" time=\"" << r->seconds << "\"";
      out << ">\n";
      if (r->verdict != Verdict::Passed) {
        out << "      <failure type=\"" << shown(word(r->verdict)) << "\" message=\"" << shown(r->summary)
            << "\">";
        for (const std::string& line : r->details) out << shown(line) << "\n";
        out << "</failure>\n";
      }
      for (const auto& [element, what, p] : {std::tuple{"system-out", "standard output", &r->out},
                                             {"system-err", "standard error", &r->err}})
        if (p->bytes > 0)
          out << "      <" << element << ">" << heading(what, *p) << ":\n" << shown(p->text, true)
              << "</" << element << ">\n";
      out << "    </testcase>\n";
    }
    out << "  </testsuite>\n";
  }
  out << "</testsuites>\n";
  return finish(out, path, why);
}

}  // namespace grade
