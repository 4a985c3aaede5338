// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// The dialer's probes on POSIX hosts, all real: ICMP echo, /proc/net/route,
// /sys/class/net and /proc/net/dev; and the clock and named mutexes of a
// program without a window.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/desktop.h"
#include "ports/forms.h"
#include "ports/icmp.h"
#include "ports/iftable.h"
#include "ports/wmi.h"

namespace kit::posix {

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

// The clock; without a window a pump only yields the processor briefly.
class ClockWait : public IWaitHost {
 public:
  std::int64_t NowSeconds() override;
  void PumpMessages() override;
  void SleepMs(unsigned ms) override;
  std::int64_t MonotonicMs() override;
  void WaitForMessages(unsigned timeout_ms) override { SleepMs(timeout_ms); }
};

// A lock file per name under KIT_ROOT/mutex (the name's bytes in hex): held
// while the handle is open, by this or another process.
class LockFileMutexes : public forms::IMutexes {
 public:
  explicit LockFileMutexes(std::string folder = "");
  std::uintptr_t Create(const std::string& name, bool initially_owned, std::uint32_t* last_error) override;
  void Close(std::uintptr_t handle) override;

 private:
  std::string folder_;
};

}  // namespace kit::posix
