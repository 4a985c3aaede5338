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
#include "ports/echo.h"
#include "ports/forms.h"
#include "ports/link_counters.h"
#include "ports/system_queries.h"

namespace kit::posix {

// Echo over an ICMP datagram socket; where the kernel refuses those (the
// ping group range), a raw socket when the process may open one. Neither:
// kUnavailable, and why() says so.
class SocketEcho : public IEcho {
 public:
  EchoResult Echo(std::uint32_t address, std::uint32_t timeout_ms) override;
  std::string why() const override { return why_; }

 private:
  std::string why_;
};

// The interfaces with their IPv4 addresses, in the kernel's order; default
// gateways come from `route_file`. Interfaces only the routes name come last.
class ProcNetworkAdapters : public INetworkAdapters {
 public:
  explicit ProcNetworkAdapters(std::string route_file = "/proc/net/route") : route_file_(std::move(route_file)) {}
  // Throws SystemQueryError when the route file can not be read.
  std::vector<NetworkAdapter> Adapters() override;

 private:
  std::string route_file_;
};

// Default gateways per interface, in the file's order.
std::vector<std::pair<std::string, std::string>> DefaultGateways(const std::string& route_text);

// The counters of /proc/net/dev, typed from /sys/class/net: ARP type 512 or
// a "ppp" name is a PPP link; speeds in Mbit/s become bits per second.
class ProcLinkCounters : public ILinkCounters {
 public:
  explicit ProcLinkCounters(std::string sys_class_net = "/sys/class/net",
                            std::string proc_net_dev = "/proc/net/dev");
  std::vector<InterfaceCounters> Interfaces() override;

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
