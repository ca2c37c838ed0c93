// The words and escapes every report shares: names and what programs and compilers printed
// shown as text, whatever bytes they hold.
#pragma once

#include <string>
#include <string_view>

#include "grade.h"

namespace grade {

// The text with every character a terminal or an XML reader would take for other than
// itself written as an escape (\x1B, \n): C0 and C1 controls (newlines and tabs kept with
// lines), bytes that are not UTF-8, and the two characters XML 1.0 excludes.
std::string visible(std::string_view text, bool lines = false);
// Characters across, for the table's columns.
std::size_t width(const std::string& shown);
// For HTML and XML, after visible().
std::string escape(const std::string& text);
// visible(), then escaped for HTML and XML.
std::string shown(std::string_view text, bool lines = false);
// "standard error, 1234 bytes", or what part of them is kept.
std::string heading(const char* what, const Printed& p);
std::string base64(const std::string& data);
// The verdict in one word: "passed", "differs", "crashed", "limit", "build", "status",
// "not run".
const char* word(Verdict v);
// The verdict a word() names; false for a word that names none.
bool verdict_named(std::string_view name, Verdict* v);
// Writes a whole file; false, with why, when it could not.
bool write_text(const fs::path& path, const std::string& text, std::string* why);
// Points as people write them: 2, 1.5, 0.33 (hundredths at most).
std::string points(double value);

}  // namespace grade
