// The dialer's view of the network from outside: ICMP echo, the operating
// system's version and default gateway, and the counters of the PPP links.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/echo.h"
#include "ports/link_counters.h"
#include "ports/system_queries.h"

namespace kit::dialer {

// Four dotted decimal numbers 0-255 -> the address in network byte order.
// Nothing else is an address here: no names, no short or octal forms, and
// not the broadcast address, which the address parser cannot tell apart
// from its failure value.
std::optional<std::uint32_t> ParseDottedIPv4(const std::string& text);
bool IsDottedIPv4(const std::string& text);

enum class PingResult { kReply, kNoReply, kBadAddress, kUnavailable };

constexpr std::uint32_t kEchoTimeoutMs = 500;

// What the last PPP row of the interface table says.
struct LinkReading {
  bool ppp = false;
  std::int32_t speed = 0, received = 0, sent = 0, discards = 0;
};

// Texts of status panels 1-4.
using LinkPanels = std::array<std::string, 4>;

// VB's Str$ of a whole number: a leading blank unless negative.
std::string NumberWithSign(std::int32_t n);
// Bits per second as megabits in the shortest decimal form, then "MB".
std::string SpeedText(std::int32_t bits_per_second);
LinkPanels PanelsFor(const LinkReading& r);
// The last PPP interface decides; counters read as signed 32-bit numbers.
LinkReading ReadingOf(const std::vector<InterfaceCounters>& interfaces);

class CProbes {
 public:
  CProbes(IEcho& echo, IOsVersion& os, INetworkAdapters& adapters, ILinkCounters& links)
      : echo_(echo), os_(os), adapters_(adapters), links_(links) {}

  PingResult Ping(const std::string& host);
  bool ping(const std::string& host) { return Ping(host) == PingResult::kReply; }
  // Why the last Ping gave kUnavailable.
  const std::string& unavailable_reason() const { return why_; }

  std::string GetOsversion();  // throws SystemQueryError
  std::string GetIpGateway();  // throws SystemQueryError

  LinkReading ReadLinkStatistics();
  LinkPanels ShowLinkStatistics();
  // Panels only while the link carries traffic both ways.
  std::optional<LinkPanels> UpdateLinkStatistics();

 private:
  IEcho& echo_;
  IOsVersion& os_;
  INetworkAdapters& adapters_;
  ILinkCounters& links_;
  std::string why_;
};

bool IsVistaOr7(const std::string& os_version);
bool IsXpOr2003(const std::string& os_version);

}  // namespace kit::dialer
