// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/posix_page_site.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstring>

#include "ports/text.h"
#include "sitelock/site_lock.h"

namespace kit::posix {
namespace {

bool PrivateV4(const std::uint8_t a[4]) {
  return a[0] == 127 || a[0] == 10 || (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
         (a[0] == 169 && a[1] == 254);
}

bool PrivateV6(const std::uint8_t a[16]) {
  static const std::uint8_t loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  if (std::memcmp(a, loopback, 16) == 0) return true;
  if ((a[0] & 0xFE) == 0xFC) return true;                // unique local
  if (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) return true;  // link local
  static const std::uint8_t mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  return std::memcmp(a, mapped, 12) == 0 && PrivateV4(a + 12);
}

}  // namespace

UrlZone ZoneOfAddress(const std::string& address) {
  if (StartsWith(address, "file:") || StartsWith(address, "FILE:")) {
    return UrlZone::LocalMachine;
  }
  const std::optional<sitelock::Origin> origin = sitelock::OriginOf(address);
  if (!origin) return UrlZone::Internet;
  const std::string& host = origin->host;
  if (host == "localhost") return UrlZone::Intranet;
  std::uint8_t bytes[16] = {};
  if (host.front() == '[') {
    const std::string inner = host.substr(1, host.size() - 2);
    if (inet_pton(AF_INET6, inner.c_str(), bytes) == 1 && PrivateV6(bytes)) return UrlZone::Intranet;
    return UrlZone::Internet;
  }
  if (inet_pton(AF_INET, host.c_str(), bytes) == 1 && PrivateV4(bytes)) return UrlZone::Intranet;
  return UrlZone::Internet;
}

}  // namespace kit::posix
