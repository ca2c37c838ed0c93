// Opening the script file, the one part of scripts that differs between systems: only a
// regular file is read or written, opening never blocks, and a recording keeps other
// writers out of its file. POSIX does this with O_NONBLOCK, fstat and flock; Windows
// with CreateFileW's share mode and GetFileType. Both hand back a binary stdio stream,
// so the bytes written and read are the same everywhere.
#include <string>

#include "internal.h"

// After the library's headers: windows.h defines macros named like some of them.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kx508 {

#ifdef _WIN32

namespace {

std::wstring wide(const char* name) {
  std::wstring w;
  for (; *name; ++name) w += static_cast<wchar_t>(static_cast<unsigned char>(*name));
  return w;
}

// A disk file only: a device, pipe or console named like the script is not one. A
// folder cannot be opened without FILE_FLAG_BACKUP_SEMANTICS, so it never gets here.
std::FILE* stream_over(HANDLE h, int flags, const char* mode) {
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, mode);
  if (!f) _close(fd);  // closes the handle too
  return f;
}

}  // namespace

// Others may read the script while it is recorded, but no second writer may open it: the
// share mode is the lock, taken before the file is emptied and held until it is closed.
std::FILE* open_script_for_writing(const char* name) {
  HANDLE h = CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_DISK && !SetEndOfFile(h)) {
    CloseHandle(h);
    return nullptr;
  }
  return stream_over(h, _O_WRONLY, "wb");
}

// A script being played may be written, replaced or deleted by others meanwhile, as on
// POSIX: the open file is read to its end.
std::FILE* open_script_for_reading(const char* name) {
  HANDLE h = CreateFileW(wide(name).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return stream_over(h, _O_RDONLY, "rb");
}

bool cut_script_file(std::FILE* file, long bytes) {
  return _chsize_s(_fileno(file), bytes) == 0;
}

#else

namespace {

// Opens the script without ever blocking: a FIFO named like the script would otherwise
// hang the program until some other process opened its other end.
int open_nonblocking(const char* name, int flags) {
  int fd = ::open(name, flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool is_regular_file(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

// Only a regular file is written: a device or FIFO named like the script would swallow
// the recording or block in a write. The file is locked before it is emptied, so that a
// second program recording in the same folder cannot destroy this one's script.
std::FILE* open_script_for_writing(const char* name) {
  struct stat st;
  if (::stat(name, &st) == 0 && !S_ISREG(st.st_mode)) return nullptr;
  int fd = open_nonblocking(name, O_WRONLY | O_CREAT);
  if (fd < 0) return nullptr;
  std::FILE* f = nullptr;
  if (is_regular_file(fd) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ftruncate(fd, 0) == 0)
    f = ::fdopen(fd, "w");
  if (!f) ::close(fd);  // the lock, if taken, goes with the descriptor
  return f;
}

// Only a regular file is read: a directory, device or FIFO named like the script is
// reported as a file that cannot be opened, rather than read forever or waited on.
std::FILE* open_script_for_reading(const char* name) {
  int fd = open_nonblocking(name, O_RDONLY);
  if (fd < 0) return nullptr;
  std::FILE* f = is_regular_file(fd) ? ::fdopen(fd, "r") : nullptr;
  if (!f) ::close(fd);
  return f;
}

bool cut_script_file(std::FILE* file, long bytes) {
  return ::ftruncate(::fileno(file), bytes) == 0;
}

#endif

}  // namespace kx508
