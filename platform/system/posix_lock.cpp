// The locks on POSIX systems: a byte-range lock on the recorder's file, and flock on a
// run's folder, each going with its descriptor.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files.h"
#include "recording_lock.h"

namespace kx508::platform::files {

namespace {

// Locks held by an open file description where the system has them (Linux): a second
// open in the same process is refused too, as another program's would be.
#ifdef F_OFD_SETLK
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

}  // namespace

Claim claim_folder(const char* dir, std::string* why) {
  const int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (why) *why = std::strerror(errno);
    return Claim::Failed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (why) *why = std::strerror(error);
    return error == EWOULDBLOCK ? Claim::Held : Claim::Failed;
  }
  // Kept open, and so claimed, until the process ends.
  return Claim::Claimed;
}

RecordingLock lock_for_recording(int fd) {
  struct flock byte {};
  byte.l_type = F_WRLCK;
  byte.l_whence = SEEK_SET;
  byte.l_start = kRecorderLockByte;
  byte.l_len = 1;
  if (::fcntl(fd, kSetLock, &byte) == 0) return RecordingLock::Taken;
  return errno == EAGAIN || errno == EACCES ? RecordingLock::Held : RecordingLock::Failed;
}

void unlock_recording(int) {}

// The holder may have made the file after this program looked: it is never removed here.
void forget_refused(const char*, bool) {}

}  // namespace kx508::platform::files
