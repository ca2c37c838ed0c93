// A run's files on Windows: every name on the way looked at without following reparse
// points (links, junctions), then the file opened and read up to the limit. Every process
// of the run has ended by then, so nothing changes the folder between the look and the read.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "run_files.h"

namespace kx508::platform::process {

Left read_left(const std::string& folder, const std::string& relative, std::size_t most,
               std::string* data, std::string* why) {
  namespace fs = std::filesystem;
  data->clear();
  fs::path path = fs::u8path(folder);
  std::string rest = relative;
  for (;;) {
    const std::size_t slash = rest.find('/');
    path /= fs::u8path(rest.substr(0, slash));
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (status.type() == fs::file_type::not_found) return Left::Missing;
    const fs::file_type wanted = slash == std::string::npos ? fs::file_type::regular
                                                            : fs::file_type::directory;
    if (ec || status.type() != wanted) {
      *why = ec ? ec.message()
                : status.type() == fs::file_type::symlink ? "a link"
                : wanted == fs::file_type::directory      ? "not a folder"
                                                          : "not a regular file";
      return Left::Unusable;
    }
    if (slash == std::string::npos) break;
    rest.erase(0, slash + 1);
  }
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) {
    *why = "cannot be opened";
    return Left::Unusable;
  }
  char buffer[65536];
  std::size_t got = 0;
  while (data->size() <= most && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    data->append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *why = "cannot be read";
    return Left::Unusable;
  }
  if (data->size() <= most) return Left::Whole;
  data->resize(most);
  return Left::Cut;
}

}  // namespace kx508::platform::process
