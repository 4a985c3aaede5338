// POSIX stand-ins for the dialer's system facilities. Nothing here changes
// the host: commands, the phonebook and the reboot are recorded, the
// registry is a file store under KIT_ROOT. The probes are real: ICMP echo,
// /proc/net/route, /sys/class/net and /proc/net/dev.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ports/codepage.h"
#include "ports/desktop.h"
#include "ports/icmp.h"
#include "ports/iftable.h"
#include "ports/process.h"
#include "ports/ras.h"
#include "ports/registry.h"
#include "ports/shutdown.h"
#include "ports/wmi.h"

namespace kit::posix {

// ---- registry ----

struct StoredValue {
  std::string name;  // code page 936, as written
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};
struct StoredKey {
  std::string path;  // code page 936, as first created
  std::vector<StoredValue> values;
};
// One root's keys, in the order created.
using RegistryImage = std::vector<StoredKey>;

// The file format: "KITREG1\n", then per key 'K' len path, per value
// 'V' len name type len data (lengths and type 32-bit little-endian).
std::vector<std::uint8_t> EncodeRegistryImage(const RegistryImage& image);
// False for anything that is not a whole, well-formed image.
bool DecodeRegistryImage(const std::uint8_t* bytes, std::size_t size, RegistryImage* image);

// Names compare with ASCII letters folded, and only outside double-byte
// characters (whose second byte may look like a letter).
std::string FoldName(const std::string& ansi);

// Each root is a file in `folder` (default KIT_ROOT/registry). A write goes
// to a new file that replaces the old one only when it is complete and
// flushed, so a crash leaves either the old or the new contents.
class FileRegistry : public IRegistry {
 public:
  explicit FileRegistry(std::string folder = "");
  long OpenKey(RegRoot root, const std::string& path, std::uint32_t access, RegKey* key) override;
  long CreateKey(RegRoot root, const std::string& path, RegKey* key, bool* existed) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long CloseKey(RegKey key) override;

  std::string FileFor(RegRoot root) const;
  std::size_t open_keys() const { return open_.size(); }

 private:
  struct Open {
    RegRoot root;
    std::string path;
  };
  bool Load(RegRoot root, RegistryImage* image) const;
  bool Save(RegRoot root, const RegistryImage& image) const;

  std::string folder_;
  std::map<RegKey, Open> open_;
  RegKey next_ = 0x1000;
};

// ---- ICMP ----

// Echo over an ICMP datagram socket; where the kernel refuses those (the
// ping group range), a raw socket when the process may open one. Neither:
// Create() gives null and why() says so.
class SocketIcmp : public IIcmp {
 public:
  std::unique_ptr<IIcmpHandle> Create() override;
  std::string why() const override { return why_; }

 private:
  std::string why_;
};

// ---- management queries ----

// Win32_OperatingSystem answers `version` (default: $KIT_WINDOWS_VERSION,
// else 5.1.2600, the desktops this stands in for). Adapters are the
// interfaces with an IPv4 address; default gateways come from `route_file`.
class ProcWmi : public IWmi {
 public:
  explicit ProcWmi(std::string route_file = "/proc/net/route", std::string version = "");
  std::vector<WmiObject> ExecQuery(const std::string& wql,
                                   const std::vector<std::string>& properties) override;

 private:
  std::string route_file_;
  std::string version_;
};

// Default gateways per interface, in the file's order.
std::vector<std::pair<std::string, std::string>> DefaultGateways(const std::string& route_text);

// ---- interface table ----

class ProcInterfaceTable : public IInterfaceTable {
 public:
  explicit ProcInterfaceTable(std::string sys_class_net = "/sys/class/net",
                              std::string proc_net_dev = "/proc/net/dev");
  std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) override;
  // The table as the call would fill it.
  std::vector<std::uint8_t> Snapshot() const;

 private:
  std::string sys_, dev_;
};

// ---- recorders ----

// Keeps the records it is given and writes them to KIT_ROOT/phonebook/ (the
// file names are the entry name's bytes in hex, so no name leaves it).
class RecordingRas : public IRas {
 public:
  explicit RecordingRas(std::string folder = "");
  std::uint32_t SetEntryProperties(const std::string& phonebook, const std::string& entry,
                                   const std::vector<std::uint8_t>& record) override;
  std::uint32_t SetCredentials(const std::string& phonebook, const std::string& entry,
                               const std::vector<std::uint8_t>& record, bool clear) override;
  std::string FileFor(const std::string& entry, const char* kind) const;

 private:
  std::string folder_;
};

// Runs nothing: writes "[dry-run] hidden: <line>" (or "normal") to `out`
// and keeps the lines.
class DryRunStarter : public IProcessStarter {
 public:
  explicit DryRunStarter(std::ostream& out) : out_(out) {}
  bool Start(const std::string& command_line, int show_flag) override;
  struct Started {
    std::string command_line;
    int show;
  };
  std::vector<Started> started;

 private:
  std::ostream& out_;
};

// No other program's windows exist here.
class NoWindows : public IWindowFinder {
 public:
  WindowHandle FindTopLevel(const std::string&, const std::string&) override { return 0; }
  WindowHandle FindChild(WindowHandle, WindowHandle, const std::string&) override { return 0; }
  std::string GetText(WindowHandle, int) override { return std::string(); }
  void Click(WindowHandle) override {}
};

// The clock; without a window a pump only yields the processor briefly.
class ClockWait : public IWaitHost {
 public:
  std::int64_t NowSeconds() override;
  void PumpMessages() override;
  void SleepMs(unsigned ms) override;
  std::int64_t MonotonicMs() override;
  void WaitForMessages(unsigned timeout_ms) override { SleepMs(timeout_ms); }
};

// Writes what a reboot would do and does nothing.
class DryRunPower : public ISystemPower {
 public:
  explicit DryRunPower(std::ostream& out) : out_(out) {}
  std::uint32_t PlatformId() override { return 2; }
  bool EnablePrivilege(const char* name) override;
  bool ExitSession(unsigned flags, std::uint32_t reason) override;

 private:
  std::ostream& out_;
};

}  // namespace kit::posix
