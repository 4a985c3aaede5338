// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include <arpa/inet.h>
#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/posix/dialer/posix_dialer.h"
#include "ports/text.h"

namespace kit::posix {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool ParseU64(const std::string& s, unsigned long long* v) {
  if (s.empty()) return false;
  char* end = nullptr;
  *v = std::strtoull(s.c_str(), &end, 10);
  return end != nullptr && *end == '\0';
}

}  // namespace

std::vector<std::pair<std::string, std::string>> DefaultGateways(const std::string& route_text) {
  std::vector<std::pair<std::string, std::string>> r;
  std::istringstream in(route_text);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string iface, dest, gw, flags;
    if (!(f >> iface >> dest >> gw >> flags)) continue;
    unsigned long d = 0, g = 0, fl = 0;
    char* end = nullptr;
    d = std::strtoul(dest.c_str(), &end, 16);
    if (*end != '\0') continue;
    g = std::strtoul(gw.c_str(), &end, 16);
    if (*end != '\0') continue;
    fl = std::strtoul(flags.c_str(), &end, 16);
    if (*end != '\0') continue;
    const unsigned long kUp = 0x1, kGateway = 0x2;
    if (d != 0 || (fl & (kUp | kGateway)) != (kUp | kGateway) || g == 0) continue;
    // The file holds the address in network order, printed as a host number.
    in_addr a{};
    a.s_addr = static_cast<std::uint32_t>(g);
    char buf[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &a, buf, sizeof buf) == nullptr) continue;
    r.emplace_back(iface, buf);
  }
  return r;
}

std::vector<NetworkAdapter> ProcNetworkAdapters::Adapters() {
  std::ifstream probe(route_file_);
  if (!probe) throw SystemQueryError("cannot read " + route_file_);
  std::vector<std::pair<std::string, std::string>> gateways = DefaultGateways(ReadText(route_file_));

  // One adapter per interface, in the kernel's order, with its IPv4 addresses.
  std::vector<std::string> names;
  std::map<std::string, std::vector<std::string>> addresses;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) {
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
      if (i->ifa_name == nullptr) continue;
      std::string n = i->ifa_name;
      if (addresses.find(n) == addresses.end()) {
        names.push_back(n);
        addresses[n];
      }
      if (i->ifa_addr != nullptr && i->ifa_addr->sa_family == AF_INET) {
        char buf[INET_ADDRSTRLEN];
        const auto* sin = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
        if (inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf)) addresses[n].push_back(buf);
      }
    }
    freeifaddrs(list);
  }
  // Interfaces named by the routes but not seen here still appear.
  for (const auto& g : gateways) {
    if (addresses.find(g.first) == addresses.end()) {
      names.push_back(g.first);
      addresses[g.first];
    }
  }
  std::vector<NetworkAdapter> out;
  for (const std::string& n : names) {
    NetworkAdapter a;
    a.has_addresses = !addresses[n].empty();
    for (const auto& g : gateways) {
      if (g.first == n) a.gateways.push_back(g.second);
    }
    out.push_back(std::move(a));
  }
  return out;
}

ProcLinkCounters::ProcLinkCounters(std::string sys_class_net, std::string proc_net_dev)
    : sys_(std::move(sys_class_net)), dev_(std::move(proc_net_dev)) {}

std::vector<InterfaceCounters> ProcLinkCounters::Interfaces() {
  std::vector<InterfaceCounters> out;
  std::istringstream in(ReadText(dev_));
  std::string line;
  while (std::getline(in, line)) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = Trim(line.substr(0, colon));
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") continue;
    std::istringstream f(line.substr(colon + 1));
    unsigned long long v[16] = {};
    int got = 0;
    while (got < 16 && (f >> v[got])) ++got;
    if (got < 16) continue;
    const std::string dir = sys_ + "/" + name + "/";
    unsigned long long type = 0, speed = 0;
    ParseU64(Trim(ReadText(dir + "type")), &type);
    // Mbit/s, or absent / -1 where the driver does not know.
    const bool has_speed = ParseU64(Trim(ReadText(dir + "speed")), &speed);
    InterfaceCounters c;
    c.ppp = type == 512 || StartsWith(name, "ppp");
    c.speed = has_speed && speed <= 4294 ? static_cast<std::uint32_t>(speed * 1000000ull) : 0u;
    // The desktop's counters are 32 bits wide and wrap.
    c.received = static_cast<std::uint32_t>(v[0]);
    c.sent = static_cast<std::uint32_t>(v[8]);
    c.discards = static_cast<std::uint32_t>(v[3]);
    out.push_back(c);
  }
  return out;
}

}  // namespace kit::posix
