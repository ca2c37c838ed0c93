// What a confined run left in its working folder, read as untrusted: no link is followed on
// the way, nothing but folders and regular files is opened, no open or read waits, and no
// more is read than asked. posix_run_files.cpp and win32_run_files.cpp implement it.
#pragma once

#include <cstddef>
#include <string>

namespace kx508::platform::process {

enum class Left {
  Whole,     // *data holds the file
  Cut,       // *data holds its first `most` bytes: it has more
  Missing,   // no such file, or a folder on the way is missing
  Unusable,  // a link, a FIFO, a folder, a device, or it cannot be read: *why says which
};

// Reads folder/relative, where folder is the caller's own and relative names what the run
// made in it, folders and file joined by '/'.
Left read_left(const std::string& folder, const std::string& relative, std::size_t most,
               std::string* data, std::string* why);

}  // namespace kx508::platform::process
