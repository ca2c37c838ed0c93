// Files as the library opens them: never blocking on a FIFO or a device, a regular file
// where a name must be one, the script recorder's lock, a run's claim on its frames
// folder, and whether two names are one file. One interface over the system's calls: posix_files.cpp (with posix_lock.cpp, or
// web_lock.cpp in the browser) and win32_files.cpp.
#pragma once

#include <cstdio>
#include <string>

namespace kx508::platform::files {

// What a name is, links followed.
enum class Kind { Missing, Regular, Directory, Device, Other };  // Other: FIFO, socket
Kind kind_of(const char* name);

// Opens an existing regular file for reading, in binary. Null, with *why (when given)
// set to the reason, for a name that is missing, no regular file, or cannot be read.
std::FILE* open_for_reading(const char* name, std::string* why = nullptr);

// Opens a file for writing in binary, created when missing and emptied: a regular file, a
// character device (a terminal, the null device) or, on POSIX systems, a pipe that
// something reads (never one nobody reads, a socket or a folder).
// Null, with the reason, when it cannot be.
std::FILE* open_for_writing(const char* name, std::string* why = nullptr);

// The script recorder's open: a regular file only, locked against other recorders before
// it is emptied, and held locked until it is closed.
enum class LockedOpen { Opened, Held, Failed };  // Held: another program holds the lock
// With renamable, the file (written under a temporary name) may be given its own name
// while it is open, so while it is still held.
std::FILE* open_locked_for_writing(const char* name, LockedOpen* result, bool renamable = false);

// Claims a folder for this process's output until it ends (a replay's frames), so that
// two runs never write into one folder: Held when another process has claimed it.
enum class Claim { Claimed, Held, Failed };
Claim claim_folder(const char* dir, std::string* why = nullptr);

// Closes a file opened here; the recorder's lock goes with it. False when what was
// buffered could not be written.
bool close(std::FILE* file);

// Cuts an open file to its first bytes; false when it cannot be.
bool cut(std::FILE* file, long bytes);

// Whether both names exist and are one file (through links, or under two names).
bool same_file(const char* a, const char* b);

}  // namespace kx508::platform::files
