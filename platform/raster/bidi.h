// The order a line of text is drawn in: right-to-left runs (Hebrew, Arabic, ...) put in
// visual order by the Unicode bidirectional algorithm, and Arabic letters joined.
#pragma once

#include <string>
#include <string_view>

namespace kx508::platform {

// One line's code points in logical order (as typed) returned in visual order, left to
// right as they are drawn, one for one, by FriBidi:
// - the paragraph's direction is its first strong letter's, left to right when none is;
// - Arabic letters take their joined presentation forms (U+FB50..U+FEFC), and lam-alef
//   its mandatory ligature, which leaves U+FEFF (drawn with no width) in the second of
//   its two places;
// - in a right-to-left run a combining mark stays after the letter it belongs to, and
//   mirrored characters (brackets) are mirrored;
// - explicit direction controls stay where the algorithm puts them.
// A line in which nothing can be right to left or join (Latin, Latin-1, CJK, ...) comes
// back as it is, without calling FriBidi; so does any line FriBidi fails on (it could not
// allocate).
std::u32string visual_order(std::u32string_view logical);

// Whether c could make visual_order change a line; a line without one is drawn as it is.
bool may_reorder(char32_t c);

}  // namespace kx508::platform
