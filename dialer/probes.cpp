#include "dialer/probes.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace kit::dialer {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t LeI32(const std::uint8_t* p) { return static_cast<std::int32_t>(Le32(p)); }

}  // namespace

std::optional<std::uint32_t> ParseDottedIPv4(const std::string& text) {
  std::uint32_t host = 0;
  std::size_t i = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (i >= text.size() || text[i] != '.') return std::nullopt;
      ++i;
    }
    std::size_t start = i;
    unsigned v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3) {
      v = v * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
    }
    if (i == start || v > 255) return std::nullopt;
    host = host << 8 | v;
  }
  if (i != text.size() || host == 0xFFFFFFFFu) return std::nullopt;
  // Network byte order as the address parser gives it: first octet lowest.
  return (host >> 24) | ((host >> 8) & 0xFF00u) | ((host << 8) & 0xFF0000u) | (host << 24);
}

bool IsDottedIPv4(const std::string& text) { return ParseDottedIPv4(text).has_value(); }

PingResult CProbes::Ping(const std::string& host) {
  std::optional<std::uint32_t> addr = ParseDottedIPv4(host);
  if (!addr) return PingResult::kBadAddress;
  std::unique_ptr<IIcmpHandle> h = icmp_.Create();
  if (!h) {
    why_ = icmp_.why();
    return PingResult::kUnavailable;
  }
  std::vector<std::uint8_t> reply(kEchoReplyBufferSize, 0);
  std::uint32_t n = h->SendEcho(*addr, 0, reply.data(), kEchoReplyBufferSize, kEchoTimeoutMs);
  h.reset();
  // Only a reply that was really written counts; the buffer's zeroes would
  // read as success otherwise.
  if (n == 0) return PingResult::kNoReply;
  return Le32(reply.data() + kEchoReplyStatusOffset) == kIpSuccess ? PingResult::kReply
                                                                    : PingResult::kNoReply;
}

std::string CProbes::GetOsversion() {
  std::vector<WmiObject> objects = wmi_.ExecQuery("Select * from Win32_OperatingSystem", {"Version"});
  std::string version;
  for (const WmiObject& o : objects) {
    auto it = o.find("Version");
    if (it == o.end()) continue;
    if (const auto* s = std::get_if<std::string>(&it->second)) version = *s;
  }
  return version.substr(0, 3);
}

std::string CProbes::GetIpGateway() {
  std::vector<WmiObject> objects = wmi_.ExecQuery("Select * from Win32_NetworkAdapterConfiguration",
                                                  {"IPAddress", "DefaultIPGateway"});
  for (const WmiObject& o : objects) {
    auto addresses = o.find("IPAddress");
    if (addresses == o.end() || !std::holds_alternative<std::vector<std::string>>(addresses->second)) {
      continue;
    }
    auto gateways = o.find("DefaultIPGateway");
    if (gateways == o.end()) continue;
    const auto* list = std::get_if<std::vector<std::string>>(&gateways->second);
    if (list == nullptr || list->empty()) continue;
    if (!(*list)[0].empty()) return (*list)[0];
  }
  return std::string();
}

std::string NumberWithSign(std::int32_t n) {
  std::string s = std::to_string(n);
  return n < 0 ? s : " " + s;
}

std::string SpeedText(std::int32_t bits_per_second) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", static_cast<double>(bits_per_second) / 1000000.0);
  std::string s = buf;
  for (char& c : s) {
    if (c == 'e') c = 'E';
  }
  return s + "MB";
}

LinkPanels PanelsFor(const LinkReading& r) {
  if (!r.ppp || (r.received == 0 && r.sent == 0)) {
    return {"VPN尚未连接", "收到 0", "发送 0", "错误 0"};
  }
  return {"VPN连接" + SpeedText(r.speed), "收到" + NumberWithSign(r.received),
          "发送" + NumberWithSign(r.sent), "错误" + NumberWithSign(r.discards)};
}

LinkReading ParseInterfaceTable(const std::uint8_t* table, std::size_t size) {
  LinkReading r;
  if (table == nullptr || size < 4) return r;
  std::size_t count = Le32(table);
  std::size_t room = (size - 4) / iftable::kRowSize;
  if (count > room) count = room;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* row = table + 4 + i * iftable::kRowSize;
    if (Le32(row + iftable::kTypeOffset) != iftable::kTypePpp) continue;
    r.ppp = true;
    r.speed = LeI32(row + iftable::kSpeedOffset);
    r.received = LeI32(row + iftable::kInOctetsOffset);
    r.sent = LeI32(row + iftable::kOutOctetsOffset);
    r.discards = LeI32(row + iftable::kInDiscardsOffset);
  }
  return r;
}

LinkReading CProbes::ReadLinkStatistics() {
  std::uint32_t size = 0;
  if (iftable_.GetIfTable(nullptr, &size, false) != iftable::kInsufficientBuffer || size == 0) {
    return LinkReading();
  }
  // The table may grow between the two calls; ask again a few times.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::vector<std::uint8_t> buf(size, 0);
    std::uint32_t got = size;
    std::uint32_t rc = iftable_.GetIfTable(buf.data(), &got, false);
    if (rc == iftable::kSuccess) return ParseInterfaceTable(buf.data(), got < size ? got : size);
    if (rc != iftable::kInsufficientBuffer || got <= size) break;
    size = got;
  }
  return LinkReading();
}

LinkPanels CProbes::ShowLinkStatistics() { return PanelsFor(ReadLinkStatistics()); }

std::optional<LinkPanels> CProbes::UpdateLinkStatistics() {
  LinkReading r = ReadLinkStatistics();
  if (!r.ppp || r.received == 0 || r.sent == 0) return std::nullopt;
  return PanelsFor(r);
}

bool IsVistaOr7(const std::string& v) { return v == "6.0" || v == "6.1"; }
bool IsXpOr2003(const std::string& v) { return v == "5.1" || v == "5.2"; }

}  // namespace kit::dialer
