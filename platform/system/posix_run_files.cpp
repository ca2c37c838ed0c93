// A run's files on POSIX systems: each name opened relative to the folder before it with
// O_NOFOLLOW, files with O_NONBLOCK so that a FIFO is never waited on, then fstat.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "run_files.h"

namespace kx508::platform::process {

namespace {

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

Left failed(int error, std::string* why) {
  if (error == ENOENT) return Left::Missing;
  *why = error == ELOOP ? "a link" : error == ENOTDIR ? "not a folder" : std::strerror(error);
  return Left::Unusable;
}

}  // namespace

Left read_left(const std::string& folder, const std::string& relative, std::size_t most,
               std::string* data, std::string* why) {
  data->clear();
  Fd dir;
  dir.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir.fd < 0) return failed(errno, why);
  std::string rest = relative;
  for (std::size_t slash; (slash = rest.find('/')) != std::string::npos;) {
    Fd next;
    next.fd = ::openat(dir.fd, rest.substr(0, slash).c_str(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next.fd < 0) return failed(errno, why);
    std::swap(dir.fd, next.fd);
    rest.erase(0, slash + 1);
  }
  Fd file;
  file.fd =
      ::openat(dir.fd, rest.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file.fd < 0) return failed(errno, why);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) return failed(errno, why);
  if (!S_ISREG(st.st_mode)) {
    *why = S_ISDIR(st.st_mode) ? "a folder" : "not a regular file";
    return Left::Unusable;
  }
  char buffer[65536];
  while (data->size() <= most) {
    const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return failed(errno, why);
    if (got == 0) return Left::Whole;
    data->append(buffer, static_cast<std::size_t>(got));
  }
  data->resize(most);
  return Left::Cut;
}

}  // namespace kx508::platform::process
