#include "dialer/probes.h"

#include <gtest/gtest.h>

#include "tests/dialer/fakes.h"

namespace kit::dialer {
namespace {

using testing::FakeWmi;

struct ProbeRig : testing::PortFakes {
  CProbes p{icmp, wmi, wmi, iftable};
};

TEST(Probes, AddressParsing) {
  EXPECT_EQ(ParseDottedIPv4("127.0.0.1"), std::optional<std::uint32_t>(0x0100007Fu));
  EXPECT_EQ(ParseDottedIPv4("10.1.1.8"), std::optional<std::uint32_t>(0x0801010Au));
  for (const char* bad : {"localhost", "", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", "1..2.3",
                          "0x7f.0.0.1", "1.2.3.1234", "255.255.255.255", "-1.2.3.4"}) {
    EXPECT_FALSE(IsDottedIPv4(bad)) << bad;
  }
}

TEST(Probes, PingTrustsOnlyARealReply) {
  ProbeRig r;
  r.icmp.answering = {"127.0.0.1"};
  EXPECT_TRUE(r.p.ping("127.0.0.1"));
  EXPECT_FALSE(r.p.ping("10.1.1.8"));
  EXPECT_EQ(r.j.lines, (std::vector<std::string>{"echo 127.0.0.1 timeout 500", "echo 10.1.1.8 timeout 500"}));

  // Names are not sent at all.
  EXPECT_EQ(r.p.Ping("localhost"), PingResult::kBadAddress);
  EXPECT_EQ(r.j.lines.size(), 2u);
  r.icmp.unavailable = true;
  EXPECT_EQ(r.p.Ping("127.0.0.1"), PingResult::kUnavailable);
  EXPECT_EQ(r.p.unavailable_reason(), "no handle");
}

TEST(Probes, OsVersionAndGateway) {
  ProbeRig r;
  r.wmi.version = "6.1.7601";
  EXPECT_EQ(r.p.GetOsversion(), "6.1");
  EXPECT_TRUE(IsVistaOr7(r.p.GetOsversion()));
  EXPECT_FALSE(IsXpOr2003("6.1"));
  EXPECT_TRUE(IsXpOr2003("5.2"));

  // The first adapter has no gateway, one has no address list, the next has one.
  const NetworkAdapter no_ip = FakeWmi::Adapter({"10.9.9.9"}, false);
  r.wmi.adapters = {{no_ip, FakeWmi::Adapter({}), FakeWmi::Adapter({""}),
                     FakeWmi::Adapter({"192.168.1.1", "192.168.1.254"}), FakeWmi::Adapter({"172.16.0.1"})}};
  EXPECT_EQ(r.p.GetIpGateway(), "192.168.1.1");
  r.wmi.adapters = {{no_ip}};
  EXPECT_EQ(r.p.GetIpGateway(), "");
  r.wmi.unreachable = true;
  EXPECT_THROW(r.p.GetOsversion(), SystemQueryError);
  EXPECT_THROW(r.p.GetIpGateway(), SystemQueryError);
}

TEST(Probes, LinkStatisticsPanels) {
  ProbeRig r;
  EXPECT_EQ(r.p.ShowLinkStatistics(), (LinkPanels{"VPN尚未连接", "收到 0", "发送 0", "错误 0"}));
  EXPECT_FALSE(r.p.UpdateLinkStatistics());

  // Discards; an Ethernet row is ignored.
  r.iftable.rows = {InterfaceCounters{false, 100000000, 77, 88, 1}, testing::Ppp(64000, 5000, 900, 3)};
  EXPECT_EQ(r.p.ShowLinkStatistics(), (LinkPanels{"VPN连接0.064MB", "收到 5000", "发送 900", "错误 3"}));
  ASSERT_TRUE(r.p.UpdateLinkStatistics());

  // The later PPP row decides; counters above 2^31 read as negative numbers.
  r.iftable.rows = {testing::Ppp(64000, 5000, 900, 3), testing::Ppp(100000000, 0xFFFFFFFEu, 12, 0)};
  EXPECT_EQ(r.p.ShowLinkStatistics(), (LinkPanels{"VPN连接100MB", "收到-2", "发送 12", "错误 0"}));

  // One direction idle: shown as connected, but the timer leaves the panels.
  r.iftable.rows = {testing::Ppp(1000000, 10, 0, 0)};
  EXPECT_EQ(r.p.ShowLinkStatistics()[0], "VPN连接1MB");
  EXPECT_FALSE(r.p.UpdateLinkStatistics());
  r.iftable.rows = {testing::Ppp(1000000, 0, 0, 0)};
  EXPECT_EQ(r.p.ShowLinkStatistics()[0], "VPN尚未连接");

  EXPECT_EQ(SpeedText(1), "1E-06MB");
  EXPECT_EQ(SpeedText(1500000), "1.5MB");
  EXPECT_EQ(NumberWithSign(0), " 0");
}

}  // namespace
}  // namespace kit::dialer
