// ICMP echo as the dialer's probes send it: one request without payload to
// an IPv4 address, and whether a reply with status success came back in
// time.
#pragma once
#include <cstdint>
#include <string>

namespace kit {

enum class EchoResult { kReply, kNoReply, kUnavailable };

class IEcho {
 public:
  virtual ~IEcho() = default;
  // `address` in network byte order. kUnavailable: the system gave no means
  // of sending one; why() says what it said.
  virtual EchoResult Echo(std::uint32_t address, std::uint32_t timeout_ms) = 0;
  virtual std::string why() const = 0;
};

}  // namespace kit
