#include "tests/platform/dialer/posix_test_support.h"

#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "dialer/probes.h"
#include "platform/posix/dialer/posix_dialer.h"

namespace kit::posix::testing_support {
namespace {

bool PrepareNamespace(std::uint32_t address) {
  if (unshare(CLONE_NEWNET) != 0) return false;
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return false;
  ifreq ifr{};
  std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
  bool ok = ioctl(s, SIOCGIFFLAGS, &ifr) == 0;
  ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
  ok = ok && ioctl(s, SIOCSIFFLAGS, &ifr) == 0;
  rtentry rt{};
  auto* dst = reinterpret_cast<sockaddr_in*>(&rt.rt_dst);
  dst->sin_family = AF_INET;
  dst->sin_addr.s_addr = address;
  auto* mask = reinterpret_cast<sockaddr_in*>(&rt.rt_genmask);
  mask->sin_family = AF_INET;
  mask->sin_addr.s_addr = 0xFFFFFFFFu;
  rt.rt_flags = RTF_UP | RTF_HOST;
  char dev[] = "lo";
  rt.rt_dev = dev;
  ok = ok && ioctl(s, SIOCADDRT, &rt) == 0;
  close(s);
  return ok;
}

}  // namespace

NamespaceEchoResult EchoInPrivateNetwork(const std::string& address) {
  std::optional<std::uint32_t> a = dialer::ParseDottedIPv4(address);
  if (!a) return {NamespaceEcho::kUnavailable, 0};
  int fds[2];
  if (pipe(fds) != 0) return {NamespaceEcho::kNoNamespace, 0};
  pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return {NamespaceEcho::kNoNamespace, 0};
  }
  if (child == 0) {
    close(fds[0]);
    NamespaceEchoResult r{NamespaceEcho::kNoNamespace, 0};
    if (PrepareNamespace(*a)) {
      SocketEcho echo;
      auto t0 = std::chrono::steady_clock::now();
      const EchoResult p = echo.Echo(*a, dialer::kEchoTimeoutMs);
      r.elapsed_ms = static_cast<long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
      r.outcome = p == EchoResult::kReply     ? NamespaceEcho::kReply
                  : p == EchoResult::kNoReply ? NamespaceEcho::kNoReply
                                              : NamespaceEcho::kUnavailable;
    }
    ssize_t w = write(fds[1], &r, sizeof r);
    _exit(w == static_cast<ssize_t>(sizeof r) ? 0 : 1);
  }
  close(fds[1]);
  NamespaceEchoResult r{NamespaceEcho::kNoNamespace, 0};
  ssize_t n = read(fds[0], &r, sizeof r);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (n != static_cast<ssize_t>(sizeof r)) return {NamespaceEcho::kNoNamespace, 0};
  return r;
}

}  // namespace kit::posix::testing_support
