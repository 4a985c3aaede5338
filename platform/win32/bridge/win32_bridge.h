// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// Win32 adapters of NotaroBridge.exe only (Windows 10 and later, not the XP
// deliverables): who made a loopback connection, session tokens, the kit's
// settings as the package wrote them, a serving thread that keeps its
// windows alive, the controls' windows in front of the browser, and
// stopping the bridges that run. Free of <windows.h>.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ports/settings.h"

namespace kit::win32::bridge {

// The process owning the socket 127.0.0.1:peer_port that is connected to
// 127.0.0.1:local_port, from the system's TCP table; nothing when the table
// does not tell (under wine, a connection of a program that is not wine's).
std::optional<std::uint32_t> LoopbackPeerProcess(int peer_port, int local_port);

// Whether a socket listens on `port` of 127.0.0.1 or of every address.
bool SomeoneListensOn(int port);

// Whether `process_id` runs as the user this process runs as. False when
// its token cannot be read, as another user's processes' cannot.
bool RunsAsThisUser(std::uint32_t process_id);

// 128 bits from the system's random number generator, in hex.
std::string NewSessionToken();

// The kit's settings in the registry, read as the 32-bit controls and the
// package see them (the 32-bit view on 64-bit Windows), whichever build
// reads them. Key paths and names in UTF-8, string data in code page 936 as
// the controls read it; read only.
class SettingsRegistry : public ISettingsStore {
 public:
  bool KeyExists(RegRoot root, const std::string& key) override;
  KeyCreation CreateKey(RegRoot, const std::string&) override { return KeyCreation::kFailed; }
  std::optional<RegValue> ReadValue(RegRoot root, const std::string& key, const std::string& name) override;
  bool WriteValue(RegRoot, const std::string&, const std::string&, const RegValue&) override { return false; }
};

// The serving thread's wait between requests: it keeps processing its
// window messages (the controls' windows, COM's, the bridge's own), and
// another thread's Wake() ends the wait. While the thread is in another
// message loop instead (a call's modal window, a message box, a pop-up
// menu), Wake() reaches that loop through a window of this object's, which
// calls `meanwhile` there; never from Wait() itself, and never inside its
// own run. Made on the serving thread.
class MessageLoopWaiting {
 public:
  explicit MessageLoopWaiting(std::function<void()> meanwhile = nullptr);
  ~MessageLoopWaiting();
  MessageLoopWaiting(const MessageLoopWaiting&) = delete;
  MessageLoopWaiting& operator=(const MessageLoopWaiting&) = delete;
  // Returns when a message came (all are processed first), `ready` turned
  // true or `timeout` passed.
  void Wait(std::chrono::milliseconds timeout, const std::function<bool()>& ready);
  void Wake();
  // Whether WM_QUIT arrived.
  bool QuitSeen() const { return quit_; }

 private:
  friend struct WakeWindow;
  // The wake reached window_ in a loop that is not Wait()'s.
  void Woken();

  std::uint32_t thread_;
  std::function<void()> meanwhile_;
  void* window_ = nullptr;
  // A wake is on its way to window_; one at a time is enough.
  std::atomic<bool> posted_{false};
  bool answering_ = false;
  bool quit_ = false;
};

// While it lives, every window the calling thread makes active comes in
// front of the window that has the desktop's foreground, which a program in
// the background is not otherwise allowed: a page in the browser is in the
// foreground when it calls, and the control's window must show over it as
// it did over the page's own window.
class ForegroundWindows {
 public:
  ForegroundWindows();
  ~ForegroundWindows();
  ForegroundWindows(const ForegroundWindows&) = delete;
  ForegroundWindows& operator=(const ForegroundWindows&) = delete;

 private:
  void* hook_;
};

// Brings `window` (an HWND), already shown, in front of another program's
// foreground window, as the page that needs it again asks.
void ComeForward(void* window);

// The bridge's own window class: a window never shown, so that logging off,
// the installer and `--stop` can ask a running bridge to end.
constexpr const wchar_t* kWindowClass = L"NotaroBridge";

// Ends the bridges started from the program file `program`, except this
// process: those on this desktop are asked to close, the rest (other users'
// sessions, which an installer running with rights reaches) are ended.
// Returns how many are still running.
int StopBridges(const std::wstring& program);

}  // namespace kit::win32::bridge
