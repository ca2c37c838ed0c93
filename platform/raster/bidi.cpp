// Lines of text put in the order they are drawn, through FriBidi (third_party/fribidi):
// the bidirectional algorithm's levels, Arabic joining and shaping, then reordering.
#include "bidi.h"

#include <fribidi.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <vector>

namespace kx508::platform {

// A letter or digit that is right to left or
// that FriBidi joins (Arabic's), or a control that opens a right-to-left run. A line of
// only other code points has no odd level: nothing in it is reversed, mirrored or shaped,
// and FriBidi gives it back as it was (so it did for every code point outside these
// ranges, in lines of 512, when they were chosen).
bool may_reorder(char32_t c) {
  if (c < 0x0590) return false;
  if (c <= 0x08FF) return true;             // Hebrew, Arabic (and U+061C), Syriac, Thaana, NKo
  return c == 0x200F                        // RIGHT-TO-LEFT MARK
         || c == 0x202B || c == 0x202E      // RIGHT-TO-LEFT EMBEDDING, OVERRIDE
         || c == 0x2067                     // RIGHT-TO-LEFT ISOLATE
         || (c >= 0xFB1D && c <= 0xFDFF)    // Hebrew and Arabic presentation forms
         || (c >= 0xFE70 && c <= 0xFEFF)    // Arabic presentation forms B
         || (c >= 0x10800 && c <= 0x10FFF)  // right-to-left scripts beyond the BMP
         || (c >= 0x1E800 && c <= 0x1EFFF);
}

std::u32string visual_order(std::u32string_view logical) {
  std::u32string line(logical);
  if (std::none_of(line.begin(), line.end(), may_reorder)) return line;
  if (line.size() > static_cast<std::size_t>(INT_MAX)) return line;  // FriBidi counts in int

  const auto n = static_cast<FriBidiStrIndex>(line.size());
  std::vector<FriBidiChar> text(line.begin(), line.end());
  std::vector<FriBidiCharType> types(line.size());
  std::vector<FriBidiBracketType> brackets(line.size());
  std::vector<FriBidiLevel> levels(line.size());
  std::vector<FriBidiArabicProp> joining(line.size());

  fribidi_get_bidi_types(text.data(), n, types.data());
  fribidi_get_bracket_types(text.data(), n, types.data(), brackets.data());
  FriBidiParType direction = FRIBIDI_PAR_ON;  // from the first strong letter
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction,
                                          levels.data()) == 0)
    return line;

  fribidi_get_joining_types(text.data(), n, joining.data());
  fribidi_join_arabic(types.data(), n, levels.data(), joining.data());
  // Mirroring, marks kept after their letter, Arabic presentation forms and ligatures.
  const FriBidiFlags flags = FRIBIDI_FLAGS_DEFAULT | FRIBIDI_FLAGS_ARABIC;
  fribidi_shape(flags, levels.data(), n, joining.data(), text.data());
  if (fribidi_reorder_line(flags, types.data(), n, 0, direction, levels.data(), text.data(),
                           nullptr) == 0)
    return line;
  return std::u32string(text.begin(), text.end());
}

}  // namespace kx508::platform
