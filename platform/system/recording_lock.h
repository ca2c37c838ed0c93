// The script recorder's lock on an open file, taken before the file is emptied and held
// until it is closed, so that two recorders never write one script. posix_lock.cpp locks
// the file (flock); web_lock.cpp, in the browser, where every tab has a file system of its
// own, locks the page's script for the whole origin. The same two files claim a run's
// folder (files.h's claim_folder).
#pragma once

namespace platform::files {

enum class RecordingLock { Taken, Held, Failed };  // Held: another recorder has it

RecordingLock lock_for_recording(int fd, const char* name);
// Called before the descriptor closes.
void unlock_recording(int fd);

}  // namespace platform::files
