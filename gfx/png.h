// Writing pictures as PNG files, for the frames a replay saves and the pictures of
// kx508-diff: never a cut or empty file under the picture's name.
#pragma once

#include <string>
#include <vector>

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

// The PNG file's bytes for 8-bit RGB pixels; false when stb could not make its buffers.
bool encode_png(int width, int height, const unsigned char* rgb, std::vector<unsigned char>* out);

// Writes bytes as a file the way the writers above do: under the temporary name, renamed
// when every write and the close succeeded.
bool write_file(const std::string& path, const std::vector<unsigned char>& bytes,
                std::string* why);

// Reads a PNG file as 8-bit RGB, refusing pictures over max_side pixels across from their
// header. False, with the reason, when it cannot be read.
struct RgbPicture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};
bool read_png(const std::string& path, RgbPicture* out, std::string* why, int max_side = 4096);
// The same for a PNG file's bytes in memory.
bool decode_png(const unsigned char* data, std::size_t size, RgbPicture* out, std::string* why,
                int max_side = 4096);
// The size a PNG file's header gives, without decoding it.
bool png_size(const std::string& path, int* width, int* height, std::string* why);

}  // namespace kx508
