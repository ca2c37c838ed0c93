// The words and escapes every report shares: a name, a program's output or a compiler's is
// anyone's bytes, and is shown as text whatever it holds.
#include "grade_text.h"

#include <cstdio>
#include <fstream>

namespace grade {

namespace {

std::string hex(const char* prefix, unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%0*X", prefix, digits, value);
  return text;
}

}  // namespace

std::string visible(std::string_view text, bool lines) {
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

std::size_t width(const std::string& shown) {
  std::size_t n = 0;
  for (const char c : shown) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

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

std::string shown(std::string_view text, bool lines) {
  return escape(visible(text, lines));
}

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

bool verdict_named(std::string_view name, Verdict* v) {
  for (const Verdict each : kVerdicts)
    if (name == word(each)) {
      *v = each;
      return true;
    }
  return false;
}

std::string points(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string p = text;
  while (p.back() == '0') p.pop_back();
  if (p.back() == '.') p.pop_back();
  return p == "-0" ? "0" : p;
}

bool write_text(const fs::path& path, const std::string& text, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) *why = "cannot write " + path.string();
  return static_cast<bool>(out);
}

}  // namespace grade
