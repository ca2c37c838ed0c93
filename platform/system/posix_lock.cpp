// The recorder's lock on POSIX systems: flock on the file, which goes with its descriptor.
#include <sys/file.h>

#include <cerrno>

#include "recording_lock.h"

namespace platform::files {

RecordingLock lock_for_recording(int fd, const char*) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return RecordingLock::Taken;
  return errno == EWOULDBLOCK ? RecordingLock::Held : RecordingLock::Failed;
}

void unlock_recording(int) {}

}  // namespace platform::files
