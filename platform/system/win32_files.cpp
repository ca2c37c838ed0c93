// The file services on Windows: CreateFileW, whose share mode (with a byte-range lock) is
// the recorder's lock, GetFileType for what was opened, the volume and file index for
// same_file, and a named mutex as a run's claim on a folder. Every stream is binary, so
// the bytes written and read are the same as on other systems.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <cwctype>

#include "files.h"
#include "recording_lock.h"

namespace kx508::platform::files {

namespace {

// Names come in the program's code page, as the C library's fopen takes them.
std::wstring wide(const char* name) {
  const int n = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name, -1, w.data(), n);
  w.pop_back();  // the terminating NUL
  return w;
}

void set_reason(std::string* why, const char* reason) {
  if (why) *why = reason;
}

std::string system_reason(DWORD error) {
  char text[256] = "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, text, sizeof text, nullptr);
  std::string reason(text, n);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == '.' || reason.back() == ' '))
    reason.pop_back();
  return reason.empty() ? "error " + std::to_string(error) : reason;
}

void set_system_reason(std::string* why) {
  if (why) *why = system_reason(GetLastError());
}

// A stdio stream over the handle, or null with the handle closed.
std::FILE* stream_over(HANDLE h, int flags, const char* mode) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, mode);
  if (!f) _close(fd);  // closes the handle too
  return f;
}

HANDLE open_existing(const char* name, DWORD access, DWORD flags) {
  return CreateFileW(wide(name).c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

}  // namespace

Kind kind_of(const char* name) {
  const DWORD attributes = GetFileAttributesW(wide(name).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Devices (NUL, CON) have no attributes; opening tells what they are.
    HANDLE h = open_existing(name, 0, 0);
    if (h == INVALID_HANDLE_VALUE) return Kind::Missing;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_CHAR ? Kind::Device : Kind::Other;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Directory : Kind::Regular;
}

// A script being played may be written, replaced or deleted by others meanwhile, as on
// POSIX: the open file is read to its end.
std::FILE* open_for_reading(const char* name, std::string* why) {
  HANDLE h = open_existing(name, GENERIC_READ, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) {
    set_system_reason(why);
    return nullptr;
  }
  // A disk file only: a device, pipe or console named so is not one. A folder cannot be
  // opened without FILE_FLAG_BACKUP_SEMANTICS, so it never gets here.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    set_reason(why, "not a regular file");
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = stream_over(h, _O_RDONLY, "rb");
  if (!f) set_reason(why, "cannot make a stream of it");
  return f;
}

std::FILE* open_for_writing(const char* name, std::string* why) {
  const Kind before = kind_of(name);
  if (before == Kind::Directory || before == Kind::Other) {
    set_reason(why, before == Kind::Directory ? "a folder" : "not a regular file");
    return nullptr;
  }
  HANDLE h = CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    set_system_reason(why);
    return nullptr;
  }
  const DWORD type = GetFileType(h);
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_CHAR) {
    set_reason(why, "not a regular file");
    CloseHandle(h);
    return nullptr;
  }
  if (type == FILE_TYPE_DISK && !SetEndOfFile(h)) {
    set_system_reason(why);
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = stream_over(h, _O_WRONLY, "wb");
  if (!f) set_reason(why, "cannot make a stream of it");
  return f;
}

// Others may read the script while it is recorded, but no second writer may open it: the
// share mode keeps other Windows programs from writing it, and the byte-range lock on the
// byte every recorder locks (recording_lock.h) keeps out the programs of other systems
// that share the folder (Wine runs beside native ones). Both are taken before the file is
// emptied and held until it is closed.
std::FILE* open_locked_for_writing(const char* name, LockedOpen* result, bool renamable) {
  *result = LockedOpen::Failed;
  const DWORD share = FILE_SHARE_READ | (renamable ? FILE_SHARE_DELETE : 0);
  HANDLE h = CreateFileW(wide(name).c_str(), GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) *result = LockedOpen::Held;
    return nullptr;
  }
  OVERLAPPED byte{};
  byte.Offset = static_cast<DWORD>(kRecorderLockByte & 0xFFFFFFFF);
  byte.OffsetHigh = static_cast<DWORD>(kRecorderLockByte >> 32);
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &byte)) {
    if (GetLastError() == ERROR_LOCK_VIOLATION) *result = LockedOpen::Held;
    CloseHandle(h);
    return nullptr;
  }
  if (GetFileType(h) != FILE_TYPE_DISK || !SetEndOfFile(h)) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = stream_over(h, _O_WRONLY, "wb");
  if (f) *result = LockedOpen::Opened;
  return f;
}

// A named mutex for the folder's full path, held by this process until it ends: folders
// cannot be locked, and a lock file would be left among the frames. Named by a hash of
// the path (lower case: one folder, one name), since names are at most MAX_PATH long.
Claim claim_folder(const char* dir, std::string* why) {
  wchar_t full[MAX_PATH * 4];
  const DWORD n = GetFullPathNameW(wide(dir).c_str(), MAX_PATH * 4, full, nullptr);
  if (n == 0 || n >= MAX_PATH * 4) {
    set_system_reason(why);
    return Claim::Failed;
  }
  const DWORD attributes = GetFileAttributesW(full);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    set_reason(why, attributes == INVALID_FILE_ATTRIBUTES ? "no such folder" : "not a folder");
    return Claim::Failed;
  }
  std::wstring path(full, n);
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (wchar_t c : path) {
    const wchar_t folded = towlower(c == L'/' ? L'\\' : c);
    hash = (hash ^ static_cast<std::uint64_t>(folded)) * 1099511628211u;
  }
  wchar_t name[64];
  swprintf(name, 64, L"Local\\kx508-run-%016llx", static_cast<unsigned long long>(hash));
  HANDLE mutex = CreateMutexW(nullptr, TRUE, name);
  if (!mutex) {
    set_system_reason(why);
    return Claim::Failed;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    set_reason(why, "another program has it");
    return Claim::Held;
  }
  return Claim::Claimed;  // the handle stays open until the process ends
}

bool close(std::FILE* file) { return std::fclose(file) == 0; }

bool cut(std::FILE* file, long bytes) { return _chsize_s(_fileno(file), bytes) == 0; }

bool same_file(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  auto identify = [](const char* name, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE h = open_existing(name, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, info) != 0;
    CloseHandle(h);
    return ok;
  };
  return identify(a, &ia) && identify(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace kx508::platform::files
