// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include <arpa/inet.h>
#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/posix/dialer/posix_dialer.h"

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

void Put32(std::vector<std::uint8_t>& t, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) t[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
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

ProcWmi::ProcWmi(std::string route_file, std::string version)
    : route_file_(std::move(route_file)), version_(std::move(version)) {
  if (version_.empty()) {
    const char* v = std::getenv("KIT_WINDOWS_VERSION");
    version_ = (v != nullptr && *v != '\0') ? v : "5.1.2600";
  }
}

std::vector<WmiObject> ProcWmi::ExecQuery(const std::string& wql, const std::vector<std::string>&) {
  if (wql == "Select * from Win32_OperatingSystem") {
    WmiObject o;
    o["Version"] = version_;
    return {o};
  }
  if (wql != "Select * from Win32_NetworkAdapterConfiguration") throw WmiError("unsupported query: " + wql);

  std::ifstream probe(route_file_);
  if (!probe) throw WmiError("cannot read " + route_file_);
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
  std::vector<WmiObject> out;
  for (const std::string& n : names) {
    WmiObject o;
    o["Description"] = n;
    const std::vector<std::string>& ips = addresses[n];
    if (!ips.empty()) o["IPAddress"] = ips; else o["IPAddress"] = std::monostate{};
    std::vector<std::string> gws;
    for (const auto& g : gateways) {
      if (g.first == n) gws.push_back(g.second);
    }
    if (!gws.empty()) o["DefaultIPGateway"] = gws; else o["DefaultIPGateway"] = std::monostate{};
    out.push_back(std::move(o));
  }
  return out;
}

ProcInterfaceTable::ProcInterfaceTable(std::string sys_class_net, std::string proc_net_dev)
    : sys_(std::move(sys_class_net)), dev_(std::move(proc_net_dev)) {}

std::vector<std::uint8_t> ProcInterfaceTable::Snapshot() const {
  struct Counters {
    unsigned long long rx_bytes = 0, rx_packets = 0, rx_drop = 0, rx_errs = 0;
    unsigned long long tx_bytes = 0, tx_packets = 0, tx_drop = 0, tx_errs = 0;
  };
  std::vector<std::pair<std::string, Counters>> rows;
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
    Counters c;
    c.rx_bytes = v[0];
    c.rx_packets = v[1];
    c.rx_errs = v[2];
    c.rx_drop = v[3];
    c.tx_bytes = v[8];
    c.tx_packets = v[9];
    c.tx_errs = v[10];
    c.tx_drop = v[11];
    rows.emplace_back(name, c);
  }

  std::vector<std::uint8_t> t(4 + rows.size() * iftable::kRowSize, 0);
  Put32(t, 0, static_cast<std::uint32_t>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string& name = rows[i].first;
    const Counters& c = rows[i].second;
    const std::size_t b = 4 + i * iftable::kRowSize;
    const std::string dir = sys_ + "/" + name + "/";
    unsigned long long type = 0, mtu = 0, speed = 0, index = 0;
    ParseU64(Trim(ReadText(dir + "type")), &type);
    ParseU64(Trim(ReadText(dir + "mtu")), &mtu);
    ParseU64(Trim(ReadText(dir + "ifindex")), &index);
    // Mbit/s, or absent / -1 where the driver does not know.
    bool has_speed = ParseU64(Trim(ReadText(dir + "speed")), &speed);
    std::uint32_t if_type = 1;  // other
    if (type == 512 || name.compare(0, 3, "ppp") == 0) {
      if_type = iftable::kTypePpp;
    } else if (type == 772) {
      if_type = iftable::kTypeLoopback;
    } else if (type == 1) {
      if_type = iftable::kTypeEthernet;
    }
    for (std::size_t k = 0; k < name.size() && k < 255; ++k) {
      t[b + iftable::kNameOffset + 2 * k] = static_cast<std::uint8_t>(name[k]);
    }
    Put32(t, b + iftable::kIndexOffset, static_cast<std::uint32_t>(index));
    Put32(t, b + iftable::kTypeOffset, if_type);
    Put32(t, b + iftable::kMtuOffset, static_cast<std::uint32_t>(mtu));
    Put32(t, b + iftable::kSpeedOffset,
          has_speed && speed <= 4294 ? static_cast<std::uint32_t>(speed * 1000000ull) : 0u);
    std::string oper = Trim(ReadText(dir + "operstate"));
    Put32(t, b + iftable::kAdminStatusOffset, 1);
    Put32(t, b + iftable::kOperStatusOffset, oper == "up" || oper == "unknown" ? 5u : 1u);
    // The desktop's counters are 32 bits wide and wrap.
    Put32(t, b + iftable::kInOctetsOffset, static_cast<std::uint32_t>(c.rx_bytes));
    Put32(t, b + iftable::kInUcastOffset, static_cast<std::uint32_t>(c.rx_packets));
    Put32(t, b + iftable::kInDiscardsOffset, static_cast<std::uint32_t>(c.rx_drop));
    Put32(t, b + iftable::kInErrorsOffset, static_cast<std::uint32_t>(c.rx_errs));
    Put32(t, b + iftable::kOutOctetsOffset, static_cast<std::uint32_t>(c.tx_bytes));
    Put32(t, b + iftable::kOutUcastOffset, static_cast<std::uint32_t>(c.tx_packets));
    Put32(t, b + iftable::kOutDiscardsOffset, static_cast<std::uint32_t>(c.tx_drop));
    Put32(t, b + iftable::kOutErrorsOffset, static_cast<std::uint32_t>(c.tx_errs));
    std::size_t dl = name.size() < 255 ? name.size() : 255;
    Put32(t, b + iftable::kDescrLenOffset, static_cast<std::uint32_t>(dl + 1));
    std::memcpy(t.data() + b + iftable::kDescrOffset, name.data(), dl);
  }
  return t;
}

std::uint32_t ProcInterfaceTable::GetIfTable(std::uint8_t* table, std::uint32_t* size, bool) {
  if (size == nullptr) return iftable::kInsufficientBuffer;
  std::vector<std::uint8_t> t = Snapshot();
  if (table == nullptr || *size < t.size()) {
    *size = static_cast<std::uint32_t>(t.size());
    return iftable::kInsufficientBuffer;
  }
  std::memcpy(table, t.data(), t.size());
  *size = static_cast<std::uint32_t>(t.size());
  return iftable::kSuccess;
}

}  // namespace kit::posix
