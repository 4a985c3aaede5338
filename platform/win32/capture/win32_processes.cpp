// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>
#include <tlhelp32.h>

#include "platform/win32/capture/win32_capture.h"

namespace kit::win32 {

std::optional<std::vector<ProcessEntry>> Win32Processes::Snapshot() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<ProcessEntry> list;
  PROCESSENTRY32 pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe)) {
    pe.szExeFile[sizeof pe.szExeFile - 1] = '\0';
    list.push_back({pe.th32ProcessID, pe.szExeFile});
    pe.dwSize = sizeof pe;
  }
  CloseHandle(snap);
  if (list.empty()) return std::nullopt;
  return list;
}

bool Win32Processes::Terminate(std::uint32_t pid, std::uint32_t exitCode) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  if (h == nullptr) return false;
  BOOL ok = TerminateProcess(h, exitCode);
  CloseHandle(h);
  return ok != FALSE;
}

std::uint32_t Win32Processes::CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace kit::win32
