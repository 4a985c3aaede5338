// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/bridge/win32_bridge.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
#include <iphlpapi.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>
#include <cwchar>
#include <stdexcept>
#include <vector>

#include "ports/text.h"

namespace kit::win32::bridge {
namespace {

constexpr unsigned kSettingsCodePage = 936;

std::wstring Wide(const std::string& s, unsigned codepage) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(codepage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codepage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w, unsigned codepage) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(codepage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codepage, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

// The user SID of a process's token, as bytes.
std::optional<std::vector<unsigned char>> UserOf(HANDLE process) {
  Handle token;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token.h)) return std::nullopt;
  DWORD size = 0;
  GetTokenInformation(token.h, TokenUser, nullptr, 0, &size);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  if (!GetTokenInformation(token.h, TokenUser, buffer.data(), size, &size)) return std::nullopt;
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  if (!IsValidSid(sid)) return std::nullopt;
  const auto* bytes = static_cast<const unsigned char*>(sid);
  return std::vector<unsigned char>(bytes, bytes + GetLengthSid(sid));
}

// The system's IPv4 TCP table of `kind` into `buffer`; false when it cannot
// be read.
bool ReadTcpTable(TCP_TABLE_CLASS kind, std::vector<unsigned char>& buffer) {
  DWORD size = 0;
  DWORD rc = ERROR_INSUFFICIENT_BUFFER;
  // The table may grow between asking its size and reading it.
  for (int attempt = 0; attempt < 4 && rc == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
    buffer.resize(size + 4096);
    size = static_cast<DWORD>(buffer.size());
    rc = GetExtendedTcpTable(buffer.data(), &size, FALSE, AF_INET, kind, 0);
  }
  return rc == NO_ERROR;
}

}  // namespace

std::optional<std::uint32_t> LoopbackPeerProcess(int peer_port, int local_port) {
  std::vector<unsigned char> buffer;
  if (!ReadTcpTable(TCP_TABLE_OWNER_PID_CONNECTIONS, buffer)) return std::nullopt;
  const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
  const DWORD loopback = htonl(INADDR_LOOPBACK);
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_TCPROW_OWNER_PID& row = table->table[i];
    if (row.dwState != MIB_TCP_STATE_ESTAB || row.dwLocalAddr != loopback || row.dwRemoteAddr != loopback) continue;
    if (ntohs(static_cast<u_short>(row.dwLocalPort)) != peer_port ||
        ntohs(static_cast<u_short>(row.dwRemotePort)) != local_port) {
      continue;
    }
    // 0 is no process: the system tells no owner.
    if (row.dwOwningPid == 0) return std::nullopt;
    return row.dwOwningPid;
  }
  return std::nullopt;
}

bool SomeoneListensOn(int port) {
  std::vector<unsigned char> buffer;
  // Not known: as if someone did.
  if (!ReadTcpTable(TCP_TABLE_OWNER_PID_LISTENER, buffer)) return true;
  const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_TCPROW_OWNER_PID& row = table->table[i];
    if (ntohs(static_cast<u_short>(row.dwLocalPort)) == port &&
        (row.dwLocalAddr == htonl(INADDR_LOOPBACK) || row.dwLocalAddr == htonl(INADDR_ANY))) {
      return true;
    }
  }
  return false;
}

bool RunsAsThisUser(std::uint32_t process_id) {
  static const std::optional<std::vector<unsigned char>> self = UserOf(GetCurrentProcess());
  if (!self) return false;
  Handle process;
  process.h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (process.h == nullptr) return false;
  const std::optional<std::vector<unsigned char>> user = UserOf(process.h);
  return user && *user == *self;
}

std::string NewSessionToken() {
  unsigned char bytes[16];
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    throw std::runtime_error("no random numbers for a session token");
  }
  return kit::LowerHex(bytes, sizeof bytes);
}

namespace {

struct Key {
  HKEY h = nullptr;
  ~Key() {
    if (h != nullptr) RegCloseKey(h);
  }
};

bool OpenSettingsKey(RegRoot root, const std::string& path, Key* key) {
  return RegOpenKeyExW(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(root)), Wide(path, CP_UTF8).c_str(), 0,
                       KEY_READ | KEY_WOW64_32KEY, &key->h) == ERROR_SUCCESS;
}

}  // namespace

bool SettingsRegistry::KeyExists(RegRoot root, const std::string& key) {
  Key k;
  return OpenSettingsKey(root, key, &k);
}

std::optional<RegValue> SettingsRegistry::ReadValue(RegRoot root, const std::string& key, const std::string& name) {
  Key k;
  if (!OpenSettingsKey(root, key, &k)) return std::nullopt;
  const std::wstring wname = Wide(name, CP_UTF8);
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(k.h, wname.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
  std::vector<BYTE> raw(bytes + sizeof(wchar_t));
  if (RegQueryValueExW(k.h, wname.c_str(), nullptr, &type, raw.data(), &bytes) != ERROR_SUCCESS) return std::nullopt;
  raw.resize(bytes);
  RegValue value;
  value.type = type;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    // UTF-16 in the registry; the controls read text in code page 936.
    std::wstring text(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
    text.resize(std::wcslen(text.c_str()));
    const std::string narrow = Narrow(text, kSettingsCodePage);
    value.data.assign(narrow.begin(), narrow.end());
    value.data.push_back(0);
  } else {
    value.data.assign(raw.begin(), raw.end());
  }
  return value;
}

// Posted to a MessageLoopWaiting's window: a request came.
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr const wchar_t* kWakeClass = L"NotaroBridgeWake";

struct WakeWindow {
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == kWakeMessage) {
      auto* self = reinterpret_cast<MessageLoopWaiting*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      if (self != nullptr) self->Woken();
      return 0;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  }
};

MessageLoopWaiting::MessageLoopWaiting(std::function<void()> meanwhile)
    : thread_(GetCurrentThreadId()), meanwhile_(std::move(meanwhile)) {
  // A thread has a message queue once it asks for a message.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  const HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = WakeWindow::Proc;
  wc.hInstance = module;
  wc.lpszClassName = kWakeClass;
  RegisterClassW(&wc);  // a second one finds it registered
  const HWND window =
      CreateWindowExW(0, kWakeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  if (window != nullptr) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  window_ = window;
}

MessageLoopWaiting::~MessageLoopWaiting() {
  if (window_ != nullptr) DestroyWindow(static_cast<HWND>(window_));
}

void MessageLoopWaiting::Wait(std::chrono::milliseconds timeout, const std::function<bool()>& ready) {
  // A request queued after this look has posted a wake, which ends the wait.
  if (!ready() && !quit_) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(timeout.count()), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      break;
    }
    // Here the serving loop takes the request itself.
    if (msg.message == kWakeMessage && msg.hwnd == static_cast<HWND>(window_)) {
      posted_.store(false);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void MessageLoopWaiting::Wake() {
  // To a window: a modal loop would drop a message for the thread alone.
  if (window_ == nullptr) {
    PostThreadMessageW(thread_, WM_NULL, 0, 0);
  } else if (!posted_.exchange(true)) {
    PostMessageW(static_cast<HWND>(window_), kWakeMessage, 0, 0);
  }
}

void MessageLoopWaiting::Woken() {
  // Cleared first: a request coming while `meanwhile` runs posts again.
  posted_.store(false);
  if (!meanwhile_ || answering_) return;
  answering_ = true;
  try {
    meanwhile_();
  } catch (...) {
    // Nothing may unwind through the system's loop; the request stays
    // queued for the serving loop.
  }
  answering_ = false;
}

namespace {

thread_local bool t_comingForward = false;

// Over the foreground window when another program has it.
void BringOverForeground(HWND window) {
  const HWND foreground = GetForegroundWindow();
  DWORD foregroundProcess = 0;
  const DWORD foregroundThread = foreground != nullptr ? GetWindowThreadProcessId(foreground, &foregroundProcess) : 0;
  if (foregroundThread == 0 || foregroundProcess == GetCurrentProcessId()) return;
  // Sharing the foreground thread's input state for a moment lets this
  // thread take the foreground, as the browser's own windows could.
  t_comingForward = true;
  const DWORD self = GetCurrentThreadId();
  const bool attached = AttachThreadInput(self, foregroundThread, TRUE) != FALSE;
  BringWindowToTop(window);
  SetForegroundWindow(window);
  if (attached) AttachThreadInput(self, foregroundThread, FALSE);
  t_comingForward = false;
}

LRESULT CALLBACK ForegroundHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && !t_comingForward) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (GetAncestor(window, GA_ROOT) == window) BringOverForeground(window);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void ComeForward(void* window) {
  if (!t_comingForward) BringOverForeground(static_cast<HWND>(window));
}

ForegroundWindows::ForegroundWindows()
    : hook_(SetWindowsHookExW(WH_CBT, ForegroundHook, nullptr, GetCurrentThreadId())) {}

ForegroundWindows::~ForegroundWindows() {
  if (hook_ != nullptr) UnhookWindowsHookEx(static_cast<HHOOK>(hook_));
}

namespace {

std::wstring ImageOf(HANDLE process) {
  std::wstring path(32768, L'\0');
  DWORD n = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process, 0, path.data(), &n)) return {};
  path.resize(n);
  return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring FileName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The processes other than this one whose program is `program`.
std::vector<DWORD> BridgeProcesses(const std::wstring& program) {
  std::vector<DWORD> found;
  Handle snapshot;
  snapshot.h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot.h == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  const std::wstring name = FileName(program);
  for (BOOL more = Process32FirstW(snapshot.h, &entry); more; more = Process32NextW(snapshot.h, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId() || !SamePath(entry.szExeFile, name)) continue;
    Handle process;
    process.h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (process.h != nullptr && SamePath(ImageOf(process.h), program)) found.push_back(entry.th32ProcessID);
  }
  return found;
}

void WaitForExit(DWORD process_id, DWORD milliseconds) {
  Handle process;
  process.h = OpenProcess(SYNCHRONIZE, FALSE, process_id);
  if (process.h != nullptr) WaitForSingleObject(process.h, milliseconds);
}

}  // namespace

int StopBridges(const std::wstring& program) {
  // Those on this desktop close as they would when the user logs off.
  std::vector<DWORD> asked;
  for (HWND w = FindWindowExW(nullptr, nullptr, kWindowClass, nullptr); w != nullptr;
       w = FindWindowExW(nullptr, w, kWindowClass, nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId()) continue;
    PostMessageW(w, WM_CLOSE, 0, 0);
    asked.push_back(process);
  }
  for (DWORD process : asked) WaitForExit(process, 5000);
  // The rest are ended: nothing of theirs outlives them but the pages'
  // controls, which a page whose bridge is gone has lost anyway.
  int left = 0;
  for (DWORD id : BridgeProcesses(program)) {
    Handle process;
    process.h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (process.h == nullptr || !TerminateProcess(process.h, 1) || WaitForSingleObject(process.h, 5000) != WAIT_OBJECT_0) {
      ++left;
    }
  }
  return left;
}

}  // namespace kit::win32::bridge
