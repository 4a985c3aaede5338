// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The network of a simulated desktop as the dialer's probes see it: which
// probe hosts answer, the gateway the adapters report before and after a
// dial, the OS version and the links' counters. It follows the dialer's
// commands: a dial brings the tunnel up when there is a tunnel gateway, a
// hang-up takes it down. What the probes find, when it changes, goes to the
// transcript.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/dialer/posix_dialer.h"
#include "ports/echo.h"
#include "ports/link_counters.h"
#include "ports/system_queries.h"

namespace kit::sim {

class SimulatedNetwork : public IEcho, public IOsVersion, public INetworkAdapters, public ILinkCounters {
 public:
  SimulatedNetwork(std::ostream& out, std::string intranet_host, std::string internet_host);

  // The machine: whether the intranet and internet hosts answer now, its
  // version, the local gateway and the one the tunnel brings (empty: the
  // tunnel never comes up).
  bool intranet = false, internet = true;
  std::string os = "5.1.2600";
  std::string gateway, tunnel_gateway;
  // Real echoes and the host's own link counters instead.
  bool real_probes = false;
  // The adapters before a dial when they are not the one of `gateway`; the
  // PPP and other links' counters; a system without ICMP or without its
  // management service.
  std::optional<std::vector<NetworkAdapter>> lan;
  std::vector<InterfaceCounters> links;
  bool echo_unavailable = false, management_unreachable = false;
  // Every echo on the transcript, not only a change of answer.
  bool report_every_probe = false;

  // What was asked: the echoes (dotted address, time-out) and the readings
  // of the adapters.
  std::vector<std::pair<std::string, std::uint32_t>> echoes;
  int adapter_readings = 0;
  bool dialled() const { return dialled_; }

  // A command line the dialer started.
  void Started(const std::string& command_line);

  EchoResult Echo(std::uint32_t address, std::uint32_t timeout_ms) override;
  std::string why() const override;
  std::string Version() override;
  std::vector<NetworkAdapter> Adapters() override;
  std::vector<InterfaceCounters> Interfaces() override;

 private:
  void Report(const std::string& host, bool answers);

  std::ostream& out_;
  std::string intranet_host_, internet_host_;
  bool dialled_ = false;
  std::optional<std::string> last_gateway_;
  std::map<std::string, bool> answered_;
  posix::SocketEcho real_;
  posix::ProcLinkCounters real_links_;
};

}  // namespace kit::sim
