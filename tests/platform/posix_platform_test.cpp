#include "ports/platform.h"

#include "platform/posix/posix_loopback_peer.h"
#include "platform/posix/posix_page_site.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <vector>

#include "ports/le_bytes.h"

namespace kit {
namespace {

std::vector<std::uint8_t> Sample() { return MakeEmfBits({0, 0, 21000, 29700}, u"Remark page", 64); }

// Held as a copy: the caller's buffer is overwritten and freed afterwards.
TEST(PosixMetafiles, ValidBitsAreHeldByteForByte) {
  const std::vector<std::uint8_t> bits = MakeEmfBits({10, 20, 5000, 7000}, u"x", 4097);
  std::vector<std::uint8_t> buffer = bits;
  EnhMetaFilePtr emf = DefaultPlatform().metafiles->FromBits(buffer.data(), buffer.size());
  ASSERT_NE(emf, nullptr);
  buffer.assign(buffer.size(), 0xEE);
  buffer.clear();
  buffer.shrink_to_fit();
  EXPECT_EQ(emf->Bits(), bits);
  EXPECT_EQ(emf->Header().nBytes, bits.size());
  EXPECT_EQ(emf->Header().rclFrame.right, 5000);
}

TEST(PosixMetafiles, TruncatedOrCorruptedBitsAreRejected) {
  IMetafileFactory& factory = *DefaultPlatform().metafiles;
  const std::vector<std::uint8_t> bits = Sample();
  EXPECT_EQ(factory.FromBits(nullptr, 0), nullptr);
  for (std::size_t size : {std::size_t{0}, kEmfHeaderMinSize - 1, std::size_t{100}, bits.size() - 20, bits.size() - 1}) {
    EXPECT_EQ(factory.FromBits(bits.data(), size), nullptr) << size;
  }
  struct Corruption {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  for (const Corruption& c : {Corruption{"record type", 0, 2}, Corruption{"signature", 40, 0x464D4521},
                              Corruption{"header size past the image", 4, 0x10000},
                              Corruption{"unaligned header size", 4, 109}, Corruption{"total size", 48, 12},
                              Corruption{"no records", 52, 0}, Corruption{"description outside", 64, 0x1000}}) {
    std::vector<std::uint8_t> bad = bits;
    Put32(bad, c.at, c.value);
    EXPECT_EQ(factory.FromBits(bad.data(), bad.size()), nullptr) << c.what;
  }
  // Trailing bytes the header does not account for.
  std::vector<std::uint8_t> longer = bits;
  longer.resize(longer.size() + 4);
  EXPECT_EQ(factory.FromBits(longer.data(), longer.size()), nullptr);
}

// The page notaro-host --site plays: loopback and private networks are the
// intranet; names are never looked up.
TEST(PosixPageSite, ZonesFollowTheAddressNotItsName) {
  const struct {
    const char* address;
    UrlZone zone;
  } cases[] = {
      {"http://localhost:8080/oa/desk.jsp", UrlZone::Intranet},
      {"http://127.0.0.1/", UrlZone::Intranet},
      {"http://10.20.30.40/", UrlZone::Intranet},
      {"http://172.16.0.9/", UrlZone::Intranet},
      {"http://172.31.255.1/", UrlZone::Intranet},
      {"http://192.168.1.20/oa/", UrlZone::Intranet},
      {"http://169.254.1.1/", UrlZone::Intranet},
      {"http://[::1]:8080/", UrlZone::Intranet},
      {"http://[fd00::5]/", UrlZone::Intranet},
      {"http://[::ffff:192.168.1.1]/", UrlZone::Intranet},
      {"http://172.32.0.1/", UrlZone::Internet},
      {"http://192.169.1.1/", UrlZone::Internet},
      {"http://203.0.113.7/", UrlZone::Internet},
      {"http://[2001:db8::1]/", UrlZone::Internet},
      {"http://10.1.2.3.evil.example/", UrlZone::Internet},
      {"http://oa.chenglan.gov.cn/", UrlZone::Internet},
      {"http://localhost@203.0.113.7/", UrlZone::Internet},
      {"file:///c:/temp/page.htm", UrlZone::LocalMachine},
      {"not an address", UrlZone::Internet},
  };
  for (const auto& c : cases) EXPECT_EQ(posix::ZoneOfAddress(c.address), c.zone) << c.address;
  posix::CommandLinePageSite none(std::nullopt, "");
  EXPECT_FALSE(none.OnPage());
  posix::CommandLinePageSite page(std::string("http://203.0.113.7/"), "http://203.0.113.7");
  EXPECT_TRUE(page.OnPage());
  EXPECT_EQ(page.PageAddress(), "http://203.0.113.7/");
  EXPECT_EQ(page.SiteList(), "http://203.0.113.7");
}

// A connection to a loopback listener from this process, and, where the test
// may change users, from a process of another user: the owner of each.
int Socket(int port, bool listen) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  if (!listen) return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? fd : -1;
  EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  EXPECT_EQ(::listen(fd, 4), 0);
  return fd;
}

int PortOf(int fd, bool peer) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) : ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

TEST(PosixLoopbackPeer, TellsWhoseTheConnectionIs) {
  const int fd = Socket(0, true);
  const int port = PortOf(fd, false);
  const int mine = Socket(port, false);
  ASSERT_GE(mine, 0);
  const int conn = ::accept(fd, nullptr, nullptr);
  const int peer = PortOf(conn, true);
  EXPECT_EQ(posix::LoopbackPeerUser(peer, port), ::getuid());
  EXPECT_EQ(posix::LoopbackPeerUser(peer, port + 1), std::nullopt);
  EXPECT_EQ(posix::LoopbackPeerUser(port, peer), ::getuid());  // the accepted end is ours too
  ::close(conn);
  ::close(mine);
  if (::geteuid() == 0) {
    const pid_t child = ::fork();
    if (child == 0) {
      // Connects whatever setuid says: a root connection fails the check below.
      (void)!::setuid(65534);
      Socket(port, false);
      ::pause();  // until the test has looked
    }
    const int other = ::accept(fd, nullptr, nullptr);
    EXPECT_EQ(posix::LoopbackPeerUser(PortOf(other, true), port), 65534u);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(other);
  }
  ::close(fd);
}

}  // namespace
}  // namespace kit
