// Child processes on Windows: each run in a job object that limits its memory, its
// processes and its CPU time together, and ends everything in it when the run ends. Windows
// gives one process no view of the file system of its own, so runs are not confined: a run
// may read and write what the user may, and tools refuse to start one unless they are told
// to go on (allow_partial_confinement).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "process.h"

namespace kx508::platform::process {

namespace {

std::atomic<bool> partial_allowed{false};

std::wstring wide(const std::string& s) {
  if (s.empty()) return L"";
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// One argument quoted as the C runtime reads it back: backslashes doubled before quotes.
void append_quoted(std::wstring& line, const std::wstring& arg) {
  if (!line.empty()) line += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    line.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    line += c;
  }
  line.append(2 * slashes, L'\\');
  line += L'"';
}

std::wstring environment_block(const std::vector<std::string>& env) {
  std::wstring block;
  for (const std::string& v : env) {
    block += wide(v);
    block += L'\0';
  }
  block += L'\0';
  return block;
}

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

HANDLE open_inheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, write ? CREATE_ALWAYS : OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string last_error(const char* what) {
  return std::string(what) + ": Windows error " + std::to_string(GetLastError());
}

bool limit_job(HANDLE job, HANDLE port, const Limits& l) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
  auto& basic = info.BasicLimitInformation;
  basic.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (l.memory_bytes > 0) {
    basic.LimitFlags |= JOB_OBJECT_LIMIT_JOB_MEMORY;
    info.JobMemoryLimit = static_cast<SIZE_T>(l.memory_bytes);
  }
  if (l.processes > 0) {
    basic.LimitFlags |= JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
    basic.ActiveProcessLimit = static_cast<DWORD>(l.processes);
  }
  if (l.cpu_seconds > 0) {
    basic.LimitFlags |= JOB_OBJECT_LIMIT_JOB_TIME;
    basic.PerJobUserTimeLimit.QuadPart = static_cast<LONGLONG>(l.cpu_seconds * 1e7);
  }
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job, port};
  return SetInformationJobObject(job, JobObjectExtendedLimitInformation, &info, sizeof info) &&
         SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &association,
                                 sizeof association);
}

// The limit the job's messages say was met, if any.
End limit_met(HANDLE port) {
  DWORD message = 0;
  ULONG_PTR key = 0;
  LPOVERLAPPED data = nullptr;
  End met = End::Exited;
  while (GetQueuedCompletionStatus(port, &message, &key, &data, 0)) {
    if (message == JOB_OBJECT_MSG_END_OF_JOB_TIME) met = End::CpuTime;
    if (message == JOB_OBJECT_MSG_JOB_MEMORY_LIMIT || message == JOB_OBJECT_MSG_PROCESS_MEMORY_LIMIT)
      met = End::Memory;
    if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_LIMIT && met == End::Exited) met = End::Processes;
  }
  return met;
}

double cpu_seconds(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
  if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr))
    return 0;
  return static_cast<double>(info.TotalUserTime.QuadPart + info.TotalKernelTime.QuadPart) / 1e7;
}

// Ends whatever the program started with it, and waits until the job holds no process.
void end_job(HANDLE job) {
  TerminateJobObject(job, 1);
  for (int i = 0; i < 500; ++i) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr) ||
        info.ActiveProcesses == 0)
      return;
    Sleep(10);
  }
}

// The inputs, copied into the working folder: there is no sandbox to put them in.
bool copy_inputs(const Command& c, std::string* why) {
  for (const std::string& input : c.inputs) {
    std::error_code ec;
    const std::filesystem::path from = std::filesystem::u8path(input);
    const std::filesystem::path to = std::filesystem::u8path(c.folder) / from.filename();
    // MinGW's copy_file fails on a file that is there, whatever the options say.
    std::filesystem::remove(to, ec);
    std::filesystem::copy_file(from, to, ec);
    if (ec) {
      *why = "cannot copy " + input + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace

Confinement confinement() {
  Confinement c;
  c.how = "runs NOT confined: each in a job object that limits its memory, processes and CPU "
          "time together and ends all of it, but that sees and may change what you may";
  c.missing = "Windows gives a run no file system of its own: grade on Linux for confined runs";
  return c;
}

void allow_partial_confinement() { partial_allowed = true; }

void start_again_in_own_group(char**) {}  // no control groups: the job objects limit runs

Ending run(const Command& c) {
  Ending e;
  if (!partial_allowed) {
    e.why = "runs cannot be confined here: " + confinement().missing;
    return e;
  }
  if (!copy_inputs(c, &e.why)) return e;
  Handle job{CreateJobObjectW(nullptr, nullptr)};
  Handle port{CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)};
  Handle in{open_inheritable("NUL", false)}, out{open_inheritable(c.output, true)},
      err{open_inheritable(c.errors, true)};
  if (!job.h || !port.h || in.h == INVALID_HANDLE_VALUE || out.h == INVALID_HANDLE_VALUE ||
      err.h == INVALID_HANDLE_VALUE || !limit_job(job.h, port.h, c.limits)) {
    e.why = last_error("cannot prepare the run");
    return e;
  }
  // Only these three handles are inherited: never another run's files.
  HANDLE inherited[3] = {in.h, out.h, err.h};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::unique_ptr<char[]> storage(new char[size]);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.get());
  InitializeProcThreadAttributeList(attributes, 1, 0, &size);
  UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                            nullptr, nullptr);
  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = in.h;
  si.StartupInfo.hStdOutput = out.h;
  si.StartupInfo.hStdError = err.h;
  si.lpAttributeList = attributes;
  std::wstring line;
  append_quoted(line, wide(c.program));
  for (const std::string& a : c.arguments) append_quoted(line, wide(a));
  std::wstring env = environment_block(c.environment);
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(
      nullptr, line.data(), nullptr, nullptr, TRUE,
      CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT,
      env.data(), wide(c.folder).c_str(), &si.StartupInfo, &pi);
  DeleteProcThreadAttributeList(attributes);
  if (!started) {
    e.why = last_error("cannot start the program");
    return e;
  }
  Handle process{pi.hProcess}, thread{pi.hThread};
  if (!AssignProcessToJobObject(job.h, process.h)) {
    TerminateProcess(process.h, 1);
    e.why = last_error("cannot confine the program");
    return e;
  }
  ResumeThread(thread.h);
  const DWORD wait = c.limits.wall_seconds > 0 ? static_cast<DWORD>(c.limits.wall_seconds * 1000) : INFINITE;
  const bool timed_out = WaitForSingleObject(process.h, wait) == WAIT_TIMEOUT;
  end_job(job.h);
  e.cpu_seconds = cpu_seconds(job.h);
  const End met = limit_met(port.h);
  if (timed_out) {
    e.how = End::WallTime;
    return e;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.h, &code);
  if (met != End::Exited) {
    e.how = met;
  } else if (code >= 0xC0000000u) {  // an exception the program did not handle
    char text[64];
    std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
    e.how = End::Signalled;
    e.code = static_cast<int>(code);
    e.why = code == 0xC0000005u ? "access violation" : code == 0xC00000FDu ? "stack overflow" : text;
  } else {
    e.how = End::Exited;
    e.code = static_cast<int>(code);
  }
  return e;
}

}  // namespace kx508::platform::process
