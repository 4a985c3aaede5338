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

// Closes the socket on every way out.
class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// One echo without payload; true when its reply came before the time-out.
bool EchoOver(int fd, bool raw, std::uint32_t address, std::uint32_t timeout_ms) {
  static std::uint16_t sequence = 0;
  const std::uint16_t id = static_cast<std::uint16_t>(::getpid());
  const std::uint16_t seq = ++sequence;
  std::uint8_t packet[8] = {ICMP_ECHO, 0, 0, 0, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
                            static_cast<std::uint8_t>(seq >> 8), static_cast<std::uint8_t>(seq)};
  std::uint16_t sum = Checksum(packet, sizeof packet);
  packet[2] = static_cast<std::uint8_t>(sum >> 8);
  packet[3] = static_cast<std::uint8_t>(sum);

  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  const auto start = std::chrono::steady_clock::now();
  if (::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) return false;
  for (;;) {
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    long left = static_cast<long>(timeout_ms) - static_cast<long>(elapsed.count());
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    int rc = ::poll(&p, 1, static_cast<int>(left));
    if (rc < 0 && errno == EINTR) continue;
    if (rc <= 0) return false;
    std::uint8_t in[1500];
    sockaddr_in from{};
    socklen_t from_len = sizeof from;
    ssize_t n = ::recvfrom(fd, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &from_len);
    if (n < 0) continue;
    const std::uint8_t* icmp = in;
    std::size_t len = static_cast<std::size_t>(n);
    if (raw) {
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
    if (got_seq != seq || (raw && got_id != id)) continue;
    return true;
  }
}

}  // namespace

EchoResult SocketEcho::Echo(std::uint32_t address, std::uint32_t timeout_ms) {
  Socket dgram(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
  if (dgram.fd() >= 0) return EchoOver(dgram.fd(), false, address, timeout_ms) ? EchoResult::kReply : EchoResult::kNoReply;
  const int dgram_errno = errno;
  Socket raw(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
  if (raw.fd() >= 0) return EchoOver(raw.fd(), true, address, timeout_ms) ? EchoResult::kReply : EchoResult::kNoReply;
  why_ = std::string("probe unavailable: ICMP datagram socket refused (") + std::strerror(dgram_errno) +
         "; see net.ipv4.ping_group_range), raw socket refused (" + std::strerror(errno) + ")";
  return EchoResult::kUnavailable;
}

}  // namespace kit::posix
