// Writing pictures as PNG files, for the frames a replay saves and the pictures of
// kx508-diff: never a cut or empty file under the picture's name.
#pragma once

#include <string>

#include "surface.h"

namespace kx508 {

// Writes 8-bit RGB pixels (rows top to bottom, three bytes a pixel) as a PNG file. The
// file is written under a temporary name beside it, every write and the close checked,
// and renamed only then, so that a full disk or a kill mid-write leaves no cut file
// carrying the name. False, with the system's reason in *why, when it cannot be written.
bool write_png(const std::string& path, int width, int height, const unsigned char* rgb,
               std::string* why);

// The same for a pixel surface's exact pixels.
bool write_png(const std::string& path, const platform::Surface& s, std::string* why);

// The temporary name a picture is written under until it is whole.
std::string png_part_name(const std::string& path);

}  // namespace kx508
