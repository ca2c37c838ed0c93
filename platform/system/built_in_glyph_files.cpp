// Native builds have every glyph page built in (made from platform/raster/glyphs/ by the
// build): there is no file to fetch.
#include "glyph_files.h"

namespace kx508::platform::glyph_files {

std::span<const std::uint8_t> fetch(int, std::size_t) { return {}; }

}  // namespace kx508::platform::glyph_files
