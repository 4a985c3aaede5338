// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/dialer/win32_dialer_records.h"

#include <ctime>
#include <vector>

#include "platform/win32/dialer/win32_dialer.h"

namespace kit::win32 {

Win32Phonebook::Win32Phonebook(const ICodePage& cp) : cp_(cp) {
  HMODULE m = LoadLibraryA("rasapi32.dll");
  module_ = m;
  if (m != nullptr) {
    set_entry_ = reinterpret_cast<SetEntryFn>(reinterpret_cast<void*>(GetProcAddress(m, "RasSetEntryPropertiesA")));
    set_credentials_ =
        reinterpret_cast<SetCredentialsFn>(reinterpret_cast<void*>(GetProcAddress(m, "RasSetCredentialsA")));
  }
}

Win32Phonebook::Win32Phonebook(const ICodePage& cp, SetEntryFn set_entry, SetCredentialsFn set_credentials)
    : cp_(cp), set_entry_(set_entry), set_credentials_(set_credentials) {}

Win32Phonebook::~Win32Phonebook() {
  if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
}

bool Win32Phonebook::CreateVpnEntry(const std::string& name, const std::string& server, const std::string& user,
                                    const std::string& password) {
  if (!available()) return false;
  const std::string entry = cp_.FromUtf8(name);
  // No phonebook path: the system's default phonebook.
  RASENTRYA record = VpnEntryRecord(cp_, server);
  if (set_entry_(nullptr, entry.c_str(), &record, record.dwSize, nullptr, 0) != 0) return false;
  RASCREDENTIALSA credentials = VpnCredentialsRecord(cp_, user, password);
  const bool ok = set_credentials_(nullptr, entry.c_str(), &credentials, FALSE) == 0;
  SecureZeroMemory(&credentials, sizeof credentials);
  return ok;
}

bool Win32ProcessStarter::Start(const std::string& command_line, int show_flag) {
  std::string ansi = cp_.FromUtf8(command_line);
  std::vector<char> line(ansi.begin(), ansi.end());
  line.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(show_flag == show::kHide ? SW_HIDE : SW_SHOWNORMAL);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  // Not waited for: the handles are not needed.
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

WindowHandle Win32WindowFinder::FindTopLevel(const std::string& class_name, const std::string& caption) {
  std::string c = cp_.FromUtf8(caption);
  return reinterpret_cast<WindowHandle>(FindWindowA(class_name.c_str(), c.c_str()));
}

WindowHandle Win32WindowFinder::FindChild(WindowHandle parent, WindowHandle after, const std::string& class_name) {
  return reinterpret_cast<WindowHandle>(
      FindWindowExA(reinterpret_cast<HWND>(parent), reinterpret_cast<HWND>(after), class_name.c_str(), nullptr));
}

std::string Win32WindowFinder::GetText(WindowHandle window, int max_chars) {
  if (max_chars <= 0) return std::string();
  std::vector<char> buf(static_cast<std::size_t>(max_chars) + 1, '\0');
  int n = GetWindowTextA(reinterpret_cast<HWND>(window), buf.data(), max_chars + 1);
  if (n <= 0) return std::string();
  return cp_.ToUtf8(std::string(buf.data(), static_cast<std::size_t>(n)));
}

void Win32WindowFinder::Click(WindowHandle button) {
  SendMessageA(reinterpret_cast<HWND>(button), BM_CLICK, 0, 0);
}

std::int64_t Win32WaitHost::NowSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

bool Win32WaitHost::Dispatch() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the program's own loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void Win32WaitHost::PumpMessages() {
  if (!Dispatch()) return;
  // Wait for the next message a little instead of spinning on the processor.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
}

std::int64_t Win32WaitHost::MonotonicMs() {
  LARGE_INTEGER frequency, count;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0 || !QueryPerformanceCounter(&count)) {
    return static_cast<std::int64_t>(GetTickCount());
  }
  return static_cast<std::int64_t>(count.QuadPart / frequency.QuadPart * 1000 +
                                   count.QuadPart % frequency.QuadPart * 1000 / frequency.QuadPart);
}

void Win32WaitHost::WaitForMessages(unsigned timeout_ms) {
  // Asleep until input or a message arrives, or the wait is over.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms, QS_ALLINPUT);
  Dispatch();
}

void Win32WaitHost::SleepMs(unsigned ms) { Sleep(ms); }

namespace {

// The platform id of GetVersionExA (2: the NT family).
DWORD PlatformId() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;  // 148 bytes
  static_assert(sizeof(OSVERSIONINFOA) == 148, "version record size");
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  if (!GetVersionExA(&v)) return 0;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return v.dwPlatformId;
}

bool EnablePrivilege(const char* name) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES tp{};
  bool ok = LookupPrivilegeValueA(nullptr, name, &tp.Privileges[0].Luid) != 0;
  if (ok) {
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Success of the call alone does not mean the privilege was granted.
    ok = AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) != 0 && GetLastError() == ERROR_SUCCESS;
  }
  CloseHandle(token);
  return ok;
}

}  // namespace

bool Win32Restart::Restart(bool force) {
  if (PlatformId() == VER_PLATFORM_WIN32_NT) EnablePrivilege("SeShutdownPrivilege");
  return ExitWindowsEx(EWX_REBOOT | (force ? EWX_FORCE : 0u), 0) != 0;
}

}  // namespace kit::win32
