// The parts of kx508-grade's HTML pages that the class's page and each student's share.
#include "grade_html.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "grade_text.h"

namespace grade {

namespace {

std::string seconds(double s) {
  std::ostringstream o;
  o.precision(s < 10 ? 2 : 3);
  o << s << " s";
  return o.str();
}

std::string printed(const char* what, const Printed& p) {
  if (p.bytes == 0) return "";
  return "<p>" + heading(what, p) + ":</p>\n<pre>" + shown(p.text, true) + "</pre>\n";
}

std::string picture(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string png(std::istreambuf_iterator<char>(in), {});
  if (png.empty()) return "";
  return "<p>Expected | got | difference:</p>\n<img alt=\"expected, got and their difference\" "
         "src=\"data:image/png;base64," + base64(png) + "\">\n";
}

}  // namespace

std::string html_start(const std::string& title, const std::string& unconfined) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>" + shown(title) +
      "</title>\n<style>\n"
      "body{font-family:sans-serif;margin:1.5em} table{border-collapse:collapse;margin-bottom:1em}\n"
      "td,th{border:1px solid #bbb;padding:.3em .6em;text-align:left;vertical-align:top}\n"
      ".passed{background:#d8f5d0} .partial{background:#fbeec0} .failed{background:#fbd9d3}\n"
      "pre{background:#f4f4f4;padding:.5em;white-space:pre-wrap} img{max-width:100%;image-rendering:pixelated}\n"
      ".unconfined{background:#fbd9d3;padding:.5em;border:2px solid #c00}\n"
      "</style></head><body>\n<h1>" + shown(title) + "</h1>\n";
  if (!unconfined.empty())
    page += "<p class=\"unconfined\"><strong>The runs were NOT confined</strong> (--unsafe): " +
            shown(unconfined) + ". A program may have read the expected runs.</p>\n";
  return page;
}

std::string html_end() { return "</body></html>\n"; }

std::string html_build(const Student& s) {
  const Built& b = s.build;
  std::string part = "<p>" + std::string(b.error.empty() ? "Built" : "Failed to build") + " in " +
                     seconds(b.seconds) + (b.error.empty() ? "" : ": " + shown(b.error)) + ".</p>\n";
  return part + printed("The compiler's output", b.output);
}

std::string html_run(const Result& r, const fs::path& out, bool commands) {
  std::string part = "<p>" + shown(r.summary) + "</p>\n";
  if (r.details.size() > 1) {
    part += "<pre>";
    for (const std::string& line : r.details) part += shown(line) + "\n";
    part += "</pre>\n";
  }
  part += printed("Standard output", r.out) + printed("Standard error", r.err);
  if (!r.picture_file.empty()) part += picture(out / r.picture_file);
  if (commands && !r.reproduce.empty())
    part += "<p>To see it again, with the script and its expected run:</p>\n<pre>" +
            shown(r.reproduce, true) + "</pre>\n";
  return part;
}

const char* html_mark(const Result& r) {
  return r.verdict == Verdict::Passed ? "passed" : r.score > 0 ? "partial" : "failed";
}

}  // namespace grade
