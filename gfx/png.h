// Writing a pixel surface as a PNG file, for the frames a replay saves.
#pragma once

#include <string>

#include "platform.h"

namespace kx508 {

// Writes the surface's exact pixels as an 8-bit RGB PNG, compressed for speed. False
// when the file cannot be written.
bool write_png(const std::string& path, const platform::Surface& s);

}  // namespace kx508
