// ICMP echo, in the shape of the system's ICMP helper.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace kit {

// The leading fields of the reply record the echo call writes into the
// caller's buffer: address (network order), status, round trip in ms.
constexpr std::size_t kEchoReplyStatusOffset = 4;
constexpr std::size_t kEchoReplyMinimumSize = 28;  // the record on 32-bit desktops
constexpr std::uint32_t kIpSuccess = 0;
constexpr std::uint32_t kIpReqTimedOut = 11010;
constexpr std::uint32_t kIpDestHostUnreachable = 11003;

class IIcmpHandle {
 public:
  virtual ~IIcmpHandle() = default;
  // Sends one echo to `address` (network byte order) and waits up to
  // timeout_ms. Returns the number of reply records written to `reply`
  // (0 on time-out or failure).
  virtual std::uint32_t SendEcho(std::uint32_t address, std::uint16_t request_size,
                                 std::uint8_t* reply, std::uint32_t reply_size,
                                 std::uint32_t timeout_ms) = 0;
};

class IIcmp {
 public:
  virtual ~IIcmp() = default;
  // Null when the system gives no ICMP handle; why() says what it said.
  virtual std::unique_ptr<IIcmpHandle> Create() = 0;
  virtual std::string why() const = 0;
};

}  // namespace kit
