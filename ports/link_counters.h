// The network interfaces' counters, as the dialer's link statistics read
// them: which interfaces are PPP links (the tunnel is one), their speed and
// what went through them. Counters are 32 bits wide and wrap.
#pragma once
#include <cstdint>
#include <vector>

namespace kit {

struct InterfaceCounters {
  bool ppp = false;
  std::uint32_t speed = 0;     // bits per second
  std::uint32_t received = 0;  // octets in
  std::uint32_t sent = 0;      // octets out
  std::uint32_t discards = 0;  // inbound packets discarded (not the errors)
};

class ILinkCounters {
 public:
  virtual ~ILinkCounters() = default;
  // Every interface in the system's order; empty when none can be read.
  virtual std::vector<InterfaceCounters> Interfaces() = 0;
};

}  // namespace kit
