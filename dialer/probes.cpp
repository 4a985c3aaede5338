#include "dialer/probes.h"

#include <cstdio>

namespace kit::dialer {

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
  switch (echo_.Echo(*addr, kEchoTimeoutMs)) {
    case EchoResult::kReply:
      return PingResult::kReply;
    case EchoResult::kNoReply:
      return PingResult::kNoReply;
    case EchoResult::kUnavailable:
      break;
  }
  why_ = echo_.why();
  return PingResult::kUnavailable;
}

std::string CProbes::GetOsversion() { return os_.Version().substr(0, 3); }

std::string CProbes::GetIpGateway() {
  // The first adapter with an address list whose first gateway is set.
  for (const NetworkAdapter& a : adapters_.Adapters()) {
    if (!a.has_addresses || a.gateways.empty()) continue;
    if (!a.gateways[0].empty()) return a.gateways[0];
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

LinkReading ReadingOf(const std::vector<InterfaceCounters>& interfaces) {
  LinkReading r;
  for (const InterfaceCounters& i : interfaces) {
    if (!i.ppp) continue;
    r.ppp = true;
    r.speed = static_cast<std::int32_t>(i.speed);
    r.received = static_cast<std::int32_t>(i.received);
    r.sent = static_cast<std::int32_t>(i.sent);
    r.discards = static_cast<std::int32_t>(i.discards);
  }
  return r;
}

LinkReading CProbes::ReadLinkStatistics() { return ReadingOf(links_.Interfaces()); }

LinkPanels CProbes::ShowLinkStatistics() { return PanelsFor(ReadLinkStatistics()); }

std::optional<LinkPanels> CProbes::UpdateLinkStatistics() {
  LinkReading r = ReadLinkStatistics();
  if (!r.ppp || r.received == 0 || r.sent == 0) return std::nullopt;
  return PanelsFor(r);
}

bool IsVistaOr7(const std::string& v) { return v == "6.0" || v == "6.1"; }
bool IsXpOr2003(const std::string& v) { return v == "5.1" || v == "5.2"; }

}  // namespace kit::dialer
