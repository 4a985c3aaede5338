// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/dialer/network.h"

#include "dialer/commands.h"
#include "ports/text.h"

namespace kit::sim {

SimulatedNetwork::SimulatedNetwork(std::ostream& out, std::string intranet_host, std::string internet_host)
    : out_(out), intranet_host_(std::move(intranet_host)), internet_host_(std::move(internet_host)) {}

void SimulatedNetwork::Started(const std::string& line) {
  if (line == dialer::kHangUpCommand) {
    if (dialled_ || intranet) out_ << "simulation: the tunnel is down\n";
    dialled_ = false;
    intranet = false;
  } else if (StartsWith(line, "cmd /c rasdial ") || line == dialer::kRasphoneCommand) {
    dialled_ = true;
    if (tunnel_gateway.empty()) {
      out_ << "simulation: no tunnel gateway given, the tunnel does not come up\n";
    } else {
      intranet = true;
      out_ << "simulation: the tunnel is up\n";
    }
  }
}

EchoResult SimulatedNetwork::Echo(std::uint32_t address, std::uint32_t timeout_ms) {
  const std::string dotted = std::to_string(address & 0xFF) + "." + std::to_string((address >> 8) & 0xFF) + "." +
                             std::to_string((address >> 16) & 0xFF) + "." + std::to_string(address >> 24);
  echoes.emplace_back(dotted, timeout_ms);
  if (echo_unavailable) return EchoResult::kUnavailable;
  if (real_probes) {
    // A real echo, reported like a simulated one.
    const EchoResult r = real_.Echo(address, timeout_ms);
    if (r != EchoResult::kUnavailable) Report(dotted, r == EchoResult::kReply);
    return r;
  }
  const bool answers = dotted == intranet_host_ ? intranet : dotted == internet_host_ ? internet : false;
  Report(dotted, answers);
  return answers ? EchoResult::kReply : EchoResult::kNoReply;
}

std::string SimulatedNetwork::why() const {
  return echo_unavailable ? "probe unavailable: no ICMP on this desktop" : real_.why();
}

void SimulatedNetwork::Report(const std::string& host, bool answers) {
  auto it = answered_.find(host);
  if (report_every_probe || it == answered_.end() || it->second != answers) {
    out_ << "probe: " << host << (answers ? " answers" : " does not answer") << "\n";
  }
  answered_[host] = answers;
}

std::string SimulatedNetwork::Version() {
  if (management_unreachable) throw SystemQueryError("cannot reach the management service");
  return os;
}

std::vector<NetworkAdapter> SimulatedNetwork::Adapters() {
  if (management_unreachable) throw SystemQueryError("cannot reach the management service");
  ++adapter_readings;
  std::vector<NetworkAdapter> adapters;
  if (dialled_ || !lan) {
    // One adapter with an address; after a dial the tunnel's.
    NetworkAdapter a;
    a.has_addresses = true;
    const std::string& gw = dialled_ ? tunnel_gateway : gateway;
    if (!gw.empty()) a.gateways.push_back(gw);
    adapters.push_back(a);
  } else {
    adapters = *lan;
  }
  std::string first;
  for (const NetworkAdapter& a : adapters) {
    if (first.empty() && a.has_addresses && !a.gateways.empty()) first = a.gateways[0];
  }
  if (first != last_gateway_) out_ << "probe: the adapters report gateway " << (first.empty() ? "(none)" : first) << "\n";
  last_gateway_ = first;
  return adapters;
}

std::vector<InterfaceCounters> SimulatedNetwork::Interfaces() {
  if (real_probes) return real_links_.Interfaces();
  return links;
}

}  // namespace kit::sim
