// The files of the shared font's glyph pages where a build does not have them built in:
// the page's site holds them beside the program (glyphs/PP.bin), fetched on first need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kx508::platform::glyph_files {

// The page's file, `size` bytes, which stay for the rest of the process; empty when it
// cannot be had. The program waits for it. Natively every page is built in: always empty.
std::span<const std::uint8_t> fetch(int page, std::size_t size);

}  // namespace kx508::platform::glyph_files
