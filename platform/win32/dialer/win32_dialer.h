// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The dialer's facilities over the Win32 API. Kept free of <windows.h> so
// code outside platform/ can name these classes; the records they fill are
// in win32_dialer_records.h.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/codepage.h"
#include "ports/desktop.h"
#include "ports/echo.h"
#include "ports/link_counters.h"
#include "ports/phonebook.h"
#include "ports/process.h"
#include "ports/restart.h"
#include "ports/settings.h"
#include "ports/system_queries.h"

namespace kit::win32 {

// RegOpenKeyExA and friends, key paths and names in the system code page;
// keys are created for reading and writing.
class Win32Registry : public ISettingsStore {
 public:
  explicit Win32Registry(const ICodePage& cp) : cp_(cp) {}
  bool KeyExists(RegRoot root, const std::string& key) override;
  KeyCreation CreateKey(RegRoot root, const std::string& key) override;
  std::optional<RegValue> ReadValue(RegRoot root, const std::string& key, const std::string& name) override;
  bool WriteValue(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) override;

 private:
  const ICodePage& cp_;
};

// IcmpCreateFile / IcmpSendEcho / IcmpCloseHandle.
class Win32Echo : public IEcho {
 public:
  EchoResult Echo(std::uint32_t address, std::uint32_t timeout_ms) override;
  std::string why() const override { return why_; }

 private:
  std::string why_;
};

// GetIfTable.
class Win32LinkCounters : public ILinkCounters {
 public:
  std::vector<InterfaceCounters> Interfaces() override;
};

// WMI through the locator of the local machine's root\cimv2 namespace.
class Win32Wmi : public IOsVersion, public INetworkAdapters {
 public:
  std::string Version() override;
  std::vector<NetworkAdapter> Adapters() override;
};

// RasSetEntryPropertiesA / RasSetCredentialsA, loaded from rasapi32.dll on
// first use; without them every entry fails.
class Win32Phonebook : public IPhonebook {
 public:
  // The two calls as rasapi32 exports them, with the records untyped here.
  using SetEntryFn = unsigned long(__stdcall*)(const char* phonebook, const char* entry, void* record,
                                               unsigned long size, unsigned char* device, unsigned long device_size);
  using SetCredentialsFn = unsigned long(__stdcall*)(const char* phonebook, const char* entry, void* record,
                                                     int clear);
  explicit Win32Phonebook(const ICodePage& cp);
  // With calls of the caller's, for trying the phonebook without the system's.
  Win32Phonebook(const ICodePage& cp, SetEntryFn set_entry, SetCredentialsFn set_credentials);
  ~Win32Phonebook() override;
  Win32Phonebook(const Win32Phonebook&) = delete;
  Win32Phonebook& operator=(const Win32Phonebook&) = delete;
  bool available() const { return set_entry_ != nullptr && set_credentials_ != nullptr; }
  bool CreateVpnEntry(const std::string& name, const std::string& server, const std::string& user,
                      const std::string& password) override;

 private:
  const ICodePage& cp_;
  void* module_ = nullptr;
  SetEntryFn set_entry_ = nullptr;
  SetCredentialsFn set_credentials_ = nullptr;
};

// CreateProcessA; the command line converted to the system code page.
class Win32ProcessStarter : public IProcessStarter {
 public:
  explicit Win32ProcessStarter(const ICodePage& cp) : cp_(cp) {}
  bool Start(const std::string& command_line, int show_flag) override;

 private:
  const ICodePage& cp_;
};

// FindWindowA / FindWindowExA / GetWindowTextA / BM_CLICK.
class Win32WindowFinder : public IWindowFinder {
 public:
  explicit Win32WindowFinder(const ICodePage& cp) : cp_(cp) {}
  WindowHandle FindTopLevel(const std::string& class_name, const std::string& caption) override;
  WindowHandle FindChild(WindowHandle parent, WindowHandle after, const std::string& class_name) override;
  std::string GetText(WindowHandle window, int max_chars) override;
  void Click(WindowHandle button) override;

 private:
  const ICodePage& cp_;
};

// The clock and this thread's message queue.
class Win32WaitHost : public IWaitHost {
 public:
  std::int64_t NowSeconds() override;
  void PumpMessages() override;
  void SleepMs(unsigned ms) override;
  // The performance counter: it does not follow the date-time or wrap.
  std::int64_t MonotonicMs() override;
  void WaitForMessages(unsigned timeout_ms) override;

 private:
  bool Dispatch();  // false when the program's loop has a quit to see
};

// On the NT family the shutdown privilege first (GetVersionExA with the
// 148-byte record), then ExitWindowsEx.
class Win32Restart : public IRestart {
 public:
  bool Restart(bool force) override;
};

}  // namespace kit::win32
