// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/posix/dialer/posix_dialer.h"

namespace kit::posix {
namespace {

std::uint16_t Checksum(const std::uint8_t* p, std::size_t n) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < n; i += 2) sum += static_cast<std::uint32_t>(p[i] << 8 | p[i + 1]);
  if (n & 1) sum += static_cast<std::uint32_t>(p[n - 1] << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

void Put32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

class SocketHandle : public IIcmpHandle {
 public:
  SocketHandle(int fd, bool raw) : fd_(fd), raw_(raw) {}
  ~SocketHandle() override { ::close(fd_); }

  std::uint32_t SendEcho(std::uint32_t address, std::uint16_t request_size, std::uint8_t* reply,
                         std::uint32_t reply_size, std::uint32_t timeout_ms) override {
    if (reply == nullptr || reply_size < kEchoReplyMinimumSize + request_size) return 0;
    const std::uint16_t id = static_cast<std::uint16_t>(::getpid());
    const std::uint16_t seq = ++seq_;
    std::vector<std::uint8_t> packet(8 + request_size, 0);
    packet[0] = ICMP_ECHO;
    packet[4] = static_cast<std::uint8_t>(id >> 8);
    packet[5] = static_cast<std::uint8_t>(id);
    packet[6] = static_cast<std::uint8_t>(seq >> 8);
    packet[7] = static_cast<std::uint8_t>(seq);
    for (std::size_t i = 8; i < packet.size(); ++i) packet[i] = static_cast<std::uint8_t>('a' + i % 23);
    std::uint16_t sum = Checksum(packet.data(), packet.size());
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    const auto start = std::chrono::steady_clock::now();
    if (::sendto(fd_, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
      return 0;
    }
    for (;;) {
      auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
      long left = static_cast<long>(timeout_ms) - static_cast<long>(elapsed.count());
      if (left <= 0) return 0;
      pollfd p{fd_, POLLIN, 0};
      int rc = ::poll(&p, 1, static_cast<int>(left));
      if (rc < 0 && errno == EINTR) continue;
      if (rc <= 0) return 0;
      std::uint8_t in[1500];
      sockaddr_in from{};
      socklen_t from_len = sizeof from;
      ssize_t n = ::recvfrom(fd_, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &from_len);
      if (n < 0) continue;
      const std::uint8_t* icmp = in;
      std::size_t len = static_cast<std::size_t>(n);
      if (raw_) {
        // A raw socket hands over the IP header and every ICMP message.
        if (len < 20) continue;
        std::size_t ihl = static_cast<std::size_t>(in[0] & 0x0F) * 4;
        if (ihl < 20 || len < ihl) continue;
        icmp += ihl;
        len -= ihl;
      }
      if (len < 8 || icmp[0] != ICMP_ECHOREPLY || from.sin_addr.s_addr != address) continue;
      std::uint16_t got_seq = static_cast<std::uint16_t>(icmp[6] << 8 | icmp[7]);
      std::uint16_t got_id = static_cast<std::uint16_t>(icmp[4] << 8 | icmp[5]);
      // The datagram socket's kernel replaces the identifier with its own.
      if (got_seq != seq || (raw_ && got_id != id)) continue;
      auto rtt = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
      std::memset(reply, 0, reply_size);
      Put32(reply, address);
      Put32(reply + kEchoReplyStatusOffset, kIpSuccess);
      Put32(reply + 8, static_cast<std::uint32_t>(rtt.count()));
      reply[12] = static_cast<std::uint8_t>(request_size);
      reply[13] = static_cast<std::uint8_t>(request_size >> 8);
      return 1;
    }
  }

 private:
  int fd_;
  bool raw_;
  std::uint16_t seq_ = 0;
};

}  // namespace

std::unique_ptr<IIcmpHandle> SocketIcmp::Create() {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd >= 0) return std::make_unique<SocketHandle>(fd, false);
  int dgram_errno = errno;
  fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd >= 0) return std::make_unique<SocketHandle>(fd, true);
  why_ = std::string("probe unavailable: ICMP datagram socket refused (") + std::strerror(dgram_errno) +
         "; see net.ipv4.ping_group_range), raw socket refused (" + std::strerror(errno) + ")";
  return nullptr;
}

}  // namespace kit::posix
