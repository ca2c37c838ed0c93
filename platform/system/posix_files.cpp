// The file services on POSIX systems: O_NONBLOCK so that a FIFO is never waited on,
// fstat for what was opened, device and inode for same_file; the recorder's lock is
// recording_lock.h's.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files.h"
#include "recording_lock.h"

namespace kx508::platform::files {

namespace {

void set_reason(std::string* why, const char* reason) {
  if (why) *why = reason;
}

// Opens without ever blocking: a FIFO would otherwise hang the program until some other
// process opened its other end. Blocking is switched back on for the reads and writes.
int open_nonblocking(const char* name, int flags) {
  int fd = ::open(name, flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

Kind kind_of_mode(mode_t mode) {
  if (S_ISREG(mode)) return Kind::Regular;
  if (S_ISDIR(mode)) return Kind::Directory;
  if (S_ISCHR(mode)) return Kind::Device;
  return Kind::Other;
}

Kind kind_of_fd(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 ? kind_of_mode(st.st_mode) : Kind::Other;
}

std::FILE* stream_or_close(int fd, const char* mode, std::string* why) {
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) {
    set_reason(why, std::strerror(errno));
    ::close(fd);
  }
  return f;
}

}  // namespace

Kind kind_of(const char* name) {
  struct stat st;
  if (::stat(name, &st) != 0) return Kind::Missing;
  return kind_of_mode(st.st_mode);
}

std::FILE* open_for_reading(const char* name, std::string* why) {
  int fd = open_nonblocking(name, O_RDONLY);
  if (fd < 0) {
    set_reason(why, std::strerror(errno));
    return nullptr;
  }
  if (kind_of_fd(fd) != Kind::Regular) {
    set_reason(why, "not a regular file");
    ::close(fd);
    return nullptr;
  }
  return stream_or_close(fd, "rb", why);
}

// A pipe with a reader (a command's standard output in a pipeline, named /dev/stdout) is
// written as it is; one that nobody reads would hang the program, and is refused.
std::FILE* open_pipe_for_writing(const char* name, std::string* why) {
  const int fd = ::open(name, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    set_reason(why, errno == ENXIO ? "a FIFO that nobody reads" : std::strerror(errno));
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return stream_or_close(fd, "wb", why);
}

std::FILE* open_for_writing(const char* name, std::string* why) {
  struct stat st;
  if (::stat(name, &st) == 0 && S_ISFIFO(st.st_mode)) return open_pipe_for_writing(name, why);
  // Looked at first, so that a socket or folder is neither opened nor emptied.
  const Kind before = kind_of(name);
  if (before != Kind::Missing && before != Kind::Regular && before != Kind::Device) {
    set_reason(why, before == Kind::Directory ? "a folder" : "not a regular file");
    return nullptr;
  }
  int fd = open_nonblocking(name, O_WRONLY | O_CREAT | O_TRUNC);
  if (fd < 0) {
    set_reason(why, std::strerror(errno));
    return nullptr;
  }
  const Kind opened = kind_of_fd(fd);
  if (opened != Kind::Regular && opened != Kind::Device) {  // replaced meanwhile
    set_reason(why, "not a regular file");
    ::close(fd);
    return nullptr;
  }
  return stream_or_close(fd, "wb", why);
}

// A file open here can always be renamed.
std::FILE* open_locked_for_writing(const char* name, LockedOpen* result, bool) {
  *result = LockedOpen::Failed;
  const Kind before = kind_of(name);
  if (before != Kind::Missing && before != Kind::Regular) return nullptr;
  int fd = open_nonblocking(name, O_WRONLY | O_CREAT);
  if (fd < 0) return nullptr;
  if (kind_of_fd(fd) != Kind::Regular) {
    ::close(fd);
    return nullptr;
  }
  // The lock comes before the file is emptied, so that a second recorder in the same
  // folder cannot destroy the first one's script.
  const RecordingLock lock = lock_for_recording(fd);
  if (lock != RecordingLock::Taken) {
    if (lock == RecordingLock::Held) *result = LockedOpen::Held;
    ::close(fd);
    forget_refused(name, before == Kind::Missing);
    return nullptr;
  }
  std::FILE* f = ::ftruncate(fd, 0) == 0 ? ::fdopen(fd, "wb") : nullptr;
  if (!f) {
    unlock_recording(fd);
    ::close(fd);
    return nullptr;
  }
  *result = LockedOpen::Opened;
  return f;
}

bool close(std::FILE* file) {
  unlock_recording(::fileno(file));
  return std::fclose(file) == 0;
}

bool cut(std::FILE* file, long bytes) { return ::ftruncate(::fileno(file), bytes) == 0; }

bool same_file(const char* a, const char* b) {
  struct stat sa, sb;
  return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace kx508::platform::files
