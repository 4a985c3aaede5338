// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The dialer's facilities over the Win32 API. Kept free of <windows.h> so
// code outside platform/ can name these classes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "ports/codepage.h"
#include "ports/desktop.h"
#include "ports/icmp.h"
#include "ports/iftable.h"
#include "ports/process.h"
#include "ports/ras.h"
#include "ports/registry.h"
#include "ports/shutdown.h"
#include "ports/wmi.h"

namespace kit::win32 {

// RegOpenKeyExA and friends; keys created for reading and writing.
class Win32Registry : public IRegistry {
 public:
  long OpenKey(RegRoot root, const std::string& path, std::uint32_t access, RegKey* key) override;
  long CreateKey(RegRoot root, const std::string& path, RegKey* key, bool* existed) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long CloseKey(RegKey key) override;
};

// IcmpCreateFile / IcmpSendEcho / IcmpCloseHandle.
class Win32Icmp : public IIcmp {
 public:
  std::unique_ptr<IIcmpHandle> Create() override;
  std::string why() const override { return why_; }

 private:
  std::string why_;
};

// GetIfTable.
class Win32InterfaceTable : public IInterfaceTable {
 public:
  std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) override;
};

// WMI through the locator of the local machine's root\cimv2 namespace.
class Win32Wmi : public IWmi {
 public:
  std::vector<WmiObject> ExecQuery(const std::string& wql,
                                   const std::vector<std::string>& properties) override;
};

// RasSetEntryPropertiesA / RasSetCredentialsA, loaded from rasapi32.dll on
// first use; without them every call fails with ERROR_CALL_NOT_IMPLEMENTED.
class Win32Ras : public IRas {
 public:
  Win32Ras();
  ~Win32Ras() override;
  Win32Ras(const Win32Ras&) = delete;
  Win32Ras& operator=(const Win32Ras&) = delete;
  bool available() const { return set_entry_ != nullptr && set_credentials_ != nullptr; }
  std::uint32_t SetEntryProperties(const std::string& phonebook, const std::string& entry,
                                   const std::vector<std::uint8_t>& record) override;
  std::uint32_t SetCredentials(const std::string& phonebook, const std::string& entry,
                               const std::vector<std::uint8_t>& record, bool clear) override;

 private:
  void* module_ = nullptr;
  void* set_entry_ = nullptr;
  void* set_credentials_ = nullptr;
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

// GetVersionExA, the token privilege and ExitWindowsEx.
class Win32Power : public ISystemPower {
 public:
  std::uint32_t PlatformId() override;
  bool EnablePrivilege(const char* name) override;
  bool ExitSession(unsigned flags, std::uint32_t reason) override;
};

}  // namespace kit::win32
