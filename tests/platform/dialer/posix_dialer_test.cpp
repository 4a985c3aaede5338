#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "dialer/probes.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::posix {
namespace {

void Write(const std::filesystem::path& p, const std::string& text) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

// Only probes the machine can answer without a tunnel; the OS version is
// not asked here.
class Probes {
 public:
  explicit Probes(INetworkAdapters& adapters, ILinkCounters& links) : probes(echo, os, adapters, links) {}
  struct NoVersion : IOsVersion {
    std::string Version() override { return std::string(); }
  } os;
  SocketEcho echo;
  dialer::CProbes probes;
};

TEST(SocketEcho, RealEchoOfLoopback) {
  ProcNetworkAdapters adapters;
  ProcLinkCounters links;
  Probes p(adapters, links);
  auto t0 = std::chrono::steady_clock::now();
  dialer::PingResult r = p.probes.Ping("127.0.0.1");
  if (r == dialer::PingResult::kUnavailable) {
    // The kernel allows neither socket kind to this process: say so, never guess.
    EXPECT_NE(p.probes.unavailable_reason().find("probe unavailable"), std::string::npos);
    GTEST_SKIP() << p.probes.unavailable_reason();
  }
  EXPECT_EQ(r, dialer::PingResult::kReply);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
  EXPECT_TRUE(p.probes.ping("127.0.0.2"));
  EXPECT_EQ(p.probes.Ping("localhost"), dialer::PingResult::kBadAddress);
}

TEST(ProcNetworkAdapters, GatewaysFromTheRouteFile) {
  const std::string route =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
      "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
      "ppp0\t00000000\t0100A8C0\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
      "wlan9\t00000000\t0101A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
      "junk line\n";
  auto g = DefaultGateways(route);
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(g[0], std::make_pair(std::string("eth0"), std::string("192.0.2.1")));
  EXPECT_EQ(g[1], std::make_pair(std::string("wlan9"), std::string("192.168.1.1")));

  testing::TempKitRoot root;
  Write(root.dir() / "route", route);
  ProcNetworkAdapters adapters((root.dir() / "route").string());
  // wlan9 is not an interface here: it comes last, without addresses.
  std::vector<NetworkAdapter> all = adapters.Adapters();
  ASSERT_FALSE(all.empty());
  EXPECT_FALSE(all.back().has_addresses);
  EXPECT_EQ(all.back().gateways, std::vector<std::string>{"192.168.1.1"});
  ProcLinkCounters links;
  Probes p(adapters, links);
  // wlan9 has no address here, so it gives nothing; eth0 may have none either.
  std::string gw = p.probes.GetIpGateway();
  EXPECT_TRUE(gw.empty() || gw == "192.0.2.1") << gw;

  ProcNetworkAdapters missing((root.dir() / "none").string());
  EXPECT_THROW(missing.Adapters(), SystemQueryError);

  // The machine's own table: a dotted address or nothing.
  ProcNetworkAdapters real;
  Probes mine(real, links);
  std::string own = mine.probes.GetIpGateway();
  EXPECT_TRUE(own.empty() || dialer::IsDottedIPv4(own)) << own;
}

TEST(ProcLinkCounters, SyntheticAndReal) {
  testing::TempKitRoot root;
  const auto sys = root.dir() / "sys";
  Write(sys / "ppp0" / "type", "512\n");
  Write(sys / "eth0" / "type", "1\n");
  Write(sys / "eth0" / "speed", "1000\n");
  Write(sys / "lo" / "type", "772\n");
  Write(root.dir() / "dev",
        "Inter-|   Receive                                                |  Transmit\n"
        " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
        "    lo:  100 1 0 0 0 0 0 0 100 1 0 0 0 0 0 0\n"
        "  eth0: 4294967396 9 0 0 0 0 0 0 77 7 0 0 0 0 0 0\n"
        "  ppp0: 5000 50 9 3 0 0 0 0 900 9 0 0 0 0 0 0\n");
  ProcLinkCounters links(sys.string(), (root.dir() / "dev").string());
  std::vector<InterfaceCounters> rows = links.Interfaces();
  ASSERT_EQ(rows.size(), 3u);
  // 1000 Mbit/s as bits per second; counters wrap at 32 bits.
  EXPECT_FALSE(rows[1].ppp);
  EXPECT_EQ(rows[1].speed, 1000000000u);
  EXPECT_EQ(rows[1].received, 100u);
  // Discards, not errors.
  EXPECT_TRUE(rows[2].ppp);
  EXPECT_EQ(rows[2].discards, 3u);

  ProcNetworkAdapters adapters;
  Probes p(adapters, links);
  EXPECT_EQ(p.probes.ShowLinkStatistics(), (dialer::LinkPanels{"VPN连接0MB", "收到 5000", "发送 900", "错误 3"}));

  // The machine's own interfaces read, loopback among them, without a PPP link.
  ProcLinkCounters real;
  EXPECT_FALSE(real.Interfaces().empty());
  Probes own(adapters, real);
  EXPECT_EQ(own.probes.ShowLinkStatistics()[0], "VPN尚未连接");
}

TEST(ClockWait, SleepsOnTheClock) {
  ClockWait wait;
  const std::int64_t t0 = wait.MonotonicMs();
  wait.SleepMs(20);
  wait.PumpMessages();
  EXPECT_GE(wait.MonotonicMs() - t0, 30);
}

}  // namespace
}  // namespace kit::posix
