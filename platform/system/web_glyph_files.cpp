// The glyph pages in the browser: fetched from the page's site (glyphs/PP.bin beside the
// page) the first time a program draws from one, while the program waits; the browser's
// cache keeps them for the next visit.
#include <emscripten.h>

#include <memory>
#include <vector>

#include "glyph_files.h"

namespace kx508::platform::glyph_files {

namespace {

// 1 when the file was there, whole, and is copied into `into`.
EM_ASYNC_JS(int, kx508_glyphs_fetch, (int page, std::uint8_t* into, int size), {
  var name = 'glyphs/' + (page < 16 ? '0' : '') + page.toString(16) + '.bin';
  try {
    var response = await fetch(name);
    if (!response.ok) return 0;
    var bytes = new Uint8Array(await response.arrayBuffer());
    if (bytes.length !== size) return 0;
    HEAPU8.set(bytes, into);
    return 1;
  } catch (e) {
    return 0;  // offline, or a page opened from a file: no site to fetch from
  }
});

}  // namespace

std::span<const std::uint8_t> fetch(int page, std::size_t size) {
  static std::vector<std::unique_ptr<std::uint8_t[]>> kept;
  auto bytes = std::make_unique<std::uint8_t[]>(size);
  if (!kx508_glyphs_fetch(page, bytes.get(), static_cast<int>(size))) return {};
  kept.push_back(std::move(bytes));
  return {kept.back().get(), size};
}

}  // namespace kx508::platform::glyph_files
