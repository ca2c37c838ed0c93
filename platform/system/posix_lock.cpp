// The locks on POSIX systems: flock on the recorder's file and on a run's folder, each
// going with its descriptor.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files.h"
#include "recording_lock.h"

namespace platform::files {

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

RecordingLock lock_for_recording(int fd, const char*) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return RecordingLock::Taken;
  return errno == EWOULDBLOCK ? RecordingLock::Held : RecordingLock::Failed;
}

void unlock_recording(int) {}

}  // namespace platform::files
