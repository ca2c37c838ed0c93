// How the library reads the bytes of its texts (log lines, the prompt): UTF-8 where they
// are well-formed UTF-8, and every other byte as the Latin-1 character of its value. So
// UTF-8 text reads as written, Latin-1 text does too, and no byte is ever lost or merged.
#pragma once

#include <cstddef>
#include <string_view>

namespace kx508::platform {

// Decodes the character that starts at s[i] and moves i past it. A well-formed UTF-8
// sequence gives its code point. A byte that does not begin one (a stray continuation
// byte, a lead byte cut short, an overlong form, a surrogate, a value past U+10FFFF) gives
// the Latin-1 character of its value and consumes that one byte only, so the next
// well-formed character still reads right.
char32_t next_char(std::string_view s, std::size_t& i);

}  // namespace kx508::platform
