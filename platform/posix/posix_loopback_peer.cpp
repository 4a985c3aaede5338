// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/posix_loopback_peer.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace kit::posix {

std::optional<unsigned> LoopbackPeerUser(int peer_port, int local_port) {
  const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
  if (fd < 0) return std::nullopt;
  // One socket looked up by its four addresses, not a dump of the table.
  struct {
    nlmsghdr header;
    inet_diag_req_v2 request;
  } ask{};
  ask.header.nlmsg_len = sizeof ask;
  ask.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  ask.header.nlmsg_flags = NLM_F_REQUEST;
  ask.request.sdiag_family = AF_INET;
  ask.request.sdiag_protocol = IPPROTO_TCP;
  ask.request.idiag_states = ~0u;
  ask.request.id.idiag_sport = htons(static_cast<std::uint16_t>(peer_port));
  ask.request.id.idiag_dport = htons(static_cast<std::uint16_t>(local_port));
  ask.request.id.idiag_src[0] = htonl(INADDR_LOOPBACK);
  ask.request.id.idiag_dst[0] = htonl(INADDR_LOOPBACK);
  ask.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
  ask.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  std::optional<unsigned> user;
  if (::sendto(fd, &ask, sizeof ask, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) ==
      static_cast<ssize_t>(sizeof ask)) {
    alignas(nlmsghdr) char answer[8192];
    const ssize_t n = ::recv(fd, answer, sizeof answer, 0);
    // The answer is the socket's record, or an error when there is none.
    const auto* h = reinterpret_cast<const nlmsghdr*>(answer);
    if (n >= static_cast<ssize_t>(NLMSG_LENGTH(sizeof(inet_diag_msg))) && h->nlmsg_type == SOCK_DIAG_BY_FAMILY &&
        h->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg))) {
      const auto* msg = static_cast<const inet_diag_msg*>(NLMSG_DATA(h));
      if (ntohs(msg->id.idiag_sport) == peer_port && ntohs(msg->id.idiag_dport) == local_port) user = msg->idiag_uid;
    }
  }
  ::close(fd);
  return user;
}

}  // namespace kit::posix
