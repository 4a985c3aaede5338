// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>
#include <ras.h>

#include <cstddef>
#include <ctime>
#include <vector>

#include "dialer/vpn_entry.h"
#include "platform/win32/dialer/win32_dialer.h"

namespace kit::win32 {
namespace {

// The record bytes the core builds are the system's XP-layout structures.
static_assert(sizeof(RASENTRYA) == dialer::rasentry::kSize, "phonebook entry size");
static_assert(offsetof(RASENTRYA, szLocalPhoneNumber) == dialer::rasentry::kLocalPhoneNumber, "phone number");
static_assert(offsetof(RASENTRYA, dwfNetProtocols) == dialer::rasentry::kNetProtocols, "protocols");
static_assert(offsetof(RASENTRYA, szDeviceType) == dialer::rasentry::kDeviceType, "device type");
static_assert(offsetof(RASENTRYA, szDeviceName) == dialer::rasentry::kDeviceName, "device name");
static_assert(offsetof(RASENTRYA, dwDialMode) == dialer::rasentry::kDialMode, "dial mode");
static_assert(offsetof(RASENTRYA, dwType) == dialer::rasentry::kType, "type");
static_assert(offsetof(RASENTRYA, dwEncryptionType) == dialer::rasentry::kEncryptionType, "encryption");
static_assert(offsetof(RASENTRYA, dwVpnStrategy) == dialer::rasentry::kVpnStrategy, "strategy");
static_assert(offsetof(RASENTRYA, dwfOptions2) == dialer::rasentry::kOptions2, "options 2");
static_assert(offsetof(RASENTRYA, dwRedialCount) == dialer::rasentry::kRedialCount, "redial count");
static_assert(offsetof(RASENTRYA, dwRedialPause) == dialer::rasentry::kRedialPause, "redial pause");
static_assert(sizeof(RASCREDENTIALSA) == dialer::rascred::kSize, "credentials size");
static_assert(offsetof(RASCREDENTIALSA, szUserName) == dialer::rascred::kUserName, "user name");
static_assert(offsetof(RASCREDENTIALSA, szPassword) == dialer::rascred::kPassword, "password");
static_assert(offsetof(RASCREDENTIALSA, szDomain) == dialer::rascred::kDomain, "domain");

// The two phonebook calls, with the records as untyped buffers: the core
// builds the bytes of the XP-layout structures itself.
using SetEntryFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, void*, DWORD, LPBYTE, DWORD);
using SetCredentialsFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, void*, BOOL);

const char* Phonebook(const std::string& p) { return p.empty() ? nullptr : p.c_str(); }

}  // namespace

Win32Ras::Win32Ras() {
  HMODULE m = LoadLibraryA("rasapi32.dll");
  module_ = m;
  if (m != nullptr) {
    set_entry_ = reinterpret_cast<void*>(GetProcAddress(m, "RasSetEntryPropertiesA"));
    set_credentials_ = reinterpret_cast<void*>(GetProcAddress(m, "RasSetCredentialsA"));
  }
}

Win32Ras::~Win32Ras() {
  if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
}

std::uint32_t Win32Ras::SetEntryProperties(const std::string& phonebook, const std::string& entry,
                                           const std::vector<std::uint8_t>& record) {
  if (set_entry_ == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  std::vector<std::uint8_t> copy = record;  // the call takes a writable record
  auto fn = reinterpret_cast<SetEntryFn>(set_entry_);
  return fn(Phonebook(phonebook), entry.c_str(), copy.data(), static_cast<DWORD>(copy.size()), nullptr, 0);
}

std::uint32_t Win32Ras::SetCredentials(const std::string& phonebook, const std::string& entry,
                                       const std::vector<std::uint8_t>& record, bool clear) {
  if (set_credentials_ == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  std::vector<std::uint8_t> copy = record;
  auto fn = reinterpret_cast<SetCredentialsFn>(set_credentials_);
  DWORD rc = fn(Phonebook(phonebook), entry.c_str(), copy.data(), clear ? TRUE : FALSE);
  SecureZeroMemory(copy.data(), copy.size());
  return rc;
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

std::uint32_t Win32Power::PlatformId() {
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

bool Win32Power::EnablePrivilege(const char* name) {
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

bool Win32Power::ExitSession(unsigned flags, std::uint32_t reason) { return ExitWindowsEx(flags, reason) != 0; }

}  // namespace kit::win32
