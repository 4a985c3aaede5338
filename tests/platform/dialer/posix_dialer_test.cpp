#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dialer/probes.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "tests/platform/dialer/posix_test_support.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::posix {
namespace {

void Write(const std::filesystem::path& p, const std::string& text) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

TEST(SocketIcmp, RealEchoOfLoopback) {
  SocketIcmp icmp;
  ProcWmi wmi;
  ProcInterfaceTable table;
  dialer::CProbes probes(icmp, wmi, table);
  dialer::PingResult r = probes.Ping("127.0.0.1");
  if (r == dialer::PingResult::kUnavailable) {
    // The kernel allows neither socket kind to this process: say so, never guess.
    EXPECT_NE(probes.unavailable_reason().find("probe unavailable"), std::string::npos);
    GTEST_SKIP() << probes.unavailable_reason();
  }
  EXPECT_EQ(r, dialer::PingResult::kReply);
  EXPECT_TRUE(probes.ping("127.0.0.2"));
  EXPECT_EQ(probes.Ping("localhost"), dialer::PingResult::kBadAddress);

  // A buffer too small for one reply record gets nothing.
  std::unique_ptr<IIcmpHandle> h = icmp.Create();
  ASSERT_TRUE(h);
  std::uint8_t tiny[8] = {};
  EXPECT_EQ(h->SendEcho(*dialer::ParseDottedIPv4("127.0.0.1"), 0, tiny, sizeof tiny, 500), 0u);
  std::uint8_t reply[270] = {};
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(h->SendEcho(*dialer::ParseDottedIPv4("127.0.0.1"), 0, reply, sizeof reply, 500), 1u);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
  EXPECT_EQ(reply[0], 127);
  EXPECT_EQ(reply[4] | reply[5] | reply[6] | reply[7], 0);
}

TEST(ProcWmi, GatewaysFromTheRouteFile) {
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
  ProcWmi wmi((root.dir() / "route").string(), "6.1.7601");
  SocketIcmp icmp;
  ProcInterfaceTable table;
  dialer::CProbes probes(icmp, wmi, table);
  EXPECT_EQ(probes.GetOsversion(), "6.1");
  // wlan9 has no address here, so it gives nothing; eth0 may have none either.
  std::string gw = probes.GetIpGateway();
  EXPECT_TRUE(gw.empty() || gw == "192.0.2.1") << gw;

  ProcWmi missing((root.dir() / "none").string());
  EXPECT_THROW(missing.ExecQuery("Select * from Win32_NetworkAdapterConfiguration", {}), WmiError);
  EXPECT_EQ(dialer::CProbes(icmp, missing, table).GetOsversion(), "5.1");

  // The machine's own table: a dotted address or nothing.
  ProcWmi real;
  std::string mine = dialer::CProbes(icmp, real, table).GetIpGateway();
  EXPECT_TRUE(mine.empty() || dialer::IsDottedIPv4(mine)) << mine;
}

TEST(ProcInterfaceTable, SyntheticAndReal) {
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
  ProcInterfaceTable table(sys.string(), (root.dir() / "dev").string());
  std::vector<std::uint8_t> t = table.Snapshot();
  ASSERT_EQ(t.size(), 4 + 3 * 860u);
  EXPECT_EQ(t[4 + 860 + iftable::kTypeOffset], iftable::kTypeEthernet);
  // 1000 Mbit/s as bits per second; counters wrap at 32 bits.
  std::uint32_t speed = 0, in = 0;
  std::memcpy(&speed, &t[4 + 860 + iftable::kSpeedOffset], 4);
  std::memcpy(&in, &t[4 + 860 + iftable::kInOctetsOffset], 4);
  EXPECT_EQ(speed, 1000000000u);
  EXPECT_EQ(in, 100u);

  SocketIcmp icmp;
  ProcWmi wmi;
  dialer::CProbes probes(icmp, wmi, table);
  EXPECT_EQ(probes.ShowLinkStatistics(), (dialer::LinkPanels{"VPN连接0MB", "收到 5000", "发送 900", "错误 3"}));

  std::uint32_t size = 10;
  EXPECT_EQ(table.GetIfTable(t.data(), &size, false), iftable::kInsufficientBuffer);
  EXPECT_EQ(size, 4 + 3 * 860u);

  // The machine's own table reads without a PPP link; loopback is typed.
  ProcInterfaceTable real;
  std::vector<std::uint8_t> mine = real.Snapshot();
  ASSERT_GE(mine.size(), 4u);
  std::uint32_t count = 0;
  std::memcpy(&count, mine.data(), 4);
  EXPECT_EQ(mine.size(), 4 + count * 860u);
  bool loopback = false;
  for (std::uint32_t i = 0; i < count; ++i) loopback |= mine[4 + i * 860 + iftable::kTypeOffset] == iftable::kTypeLoopback;
  EXPECT_TRUE(loopback);
  EXPECT_EQ(dialer::CProbes(icmp, wmi, real).ShowLinkStatistics()[0], "VPN尚未连接");
}

TEST(LockFileMutexes, SecondHolderSeesTheFirstUntilItCloses) {
  testing::TempKitRoot root;
  LockFileMutexes a((root.dir() / "m").string()), b((root.dir() / "m").string());
  std::uint32_t e1 = 1, e2 = 0, e3 = 1;
  std::uintptr_t h1 = a.Create("Test", true, &e1);
  std::uintptr_t h2 = b.Create("Test", true, &e2);
  EXPECT_NE(h1, 0u);
  EXPECT_EQ(e1, 0u);
  EXPECT_EQ(e2, forms::kErrorAlreadyExists);
  b.Close(h2);
  a.Close(h1);
  std::uintptr_t h3 = b.Create("Test", true, &e3);
  EXPECT_EQ(e3, 0u);
  b.Close(h3);
}

// In a network namespace of its own with only loopback up and one host
// route into it, an echo to that address goes nowhere outside and gets no
// answer: the probe must give up after its 500 ms.
TEST(SocketIcmp, TimesOutAfterHalfASecondInAPrivateNetwork) {
  testing_support::NamespaceEchoResult r = testing_support::EchoInPrivateNetwork("192.0.2.77");
  if (r.outcome == testing_support::NamespaceEcho::kNoNamespace ||
      r.outcome == testing_support::NamespaceEcho::kUnavailable) {
    GTEST_SKIP() << "no private network namespace with a usable echo here";
  }
  EXPECT_EQ(r.outcome, testing_support::NamespaceEcho::kNoReply);
  EXPECT_GE(r.elapsed_ms, 450);
  EXPECT_LE(r.elapsed_ms, 1000);
}

}  // namespace
}  // namespace kit::posix
