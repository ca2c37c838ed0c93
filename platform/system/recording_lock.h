// The script recorder's lock on an open file, taken before the file is emptied and held
// until it is closed, so that two recorders never write one script. posix_lock.cpp locks
// a byte of the file, as win32_files.cpp does; web_lock.cpp, in the browser, where every
// tab has a file system of its own, locks the page's script for the whole origin. The
// same two files claim a run's folder (files.h's claim_folder).
#pragma once

namespace kx508::platform::files {

// The byte of the script that recorders lock, with a byte-range lock: what Windows and
// POSIX systems both have, so that a Windows program (under Wine too) and a native one
// recording in one folder see each other's lock. Far past any script's end, so that on
// Windows, where such a lock keeps others from reading the bytes it covers, readers of
// the script are never kept out.
constexpr long long kRecorderLockByte = 1LL << 62;

enum class RecordingLock { Taken, Held, Failed };  // Held: another recorder has it

RecordingLock lock_for_recording(int fd);
// Called before the descriptor closes.
void unlock_recording(int fd);

// A recorder refused the lock leaves the file as it found it. was_missing: the refused
// open made the file. Only where no other program can have made it meanwhile (a tab's own
// file system) is it removed again, so that a page never stores an empty script over the
// one another tab records.
void forget_refused(const char* name, bool was_missing);

}  // namespace kx508::platform::files
