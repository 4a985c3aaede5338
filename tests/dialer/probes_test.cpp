#include "dialer/probes.h"

#include <gtest/gtest.h>

#include "tests/dialer/desk.h"

namespace kit::dialer {
namespace {

using testing::Desk;

NetworkAdapter Adapter(std::vector<std::string> gateways, bool has_addresses = true) {
  NetworkAdapter a;
  a.has_addresses = has_addresses;
  a.gateways = std::move(gateways);
  return a;
}

InterfaceCounters Ppp(std::uint32_t speed, std::uint32_t in, std::uint32_t out, std::uint32_t discards) {
  return InterfaceCounters{true, speed, in, out, discards};
}

TEST(Probes, AddressParsing) {
  EXPECT_EQ(ParseDottedIPv4("127.0.0.1"), std::optional<std::uint32_t>(0x0100007Fu));
  EXPECT_EQ(ParseDottedIPv4("10.1.1.8"), std::optional<std::uint32_t>(0x0801010Au));
  for (const char* bad : {"localhost", "", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", "1..2.3",
                          "0x7f.0.0.1", "1.2.3.1234", "255.255.255.255", "-1.2.3.4"}) {
    EXPECT_FALSE(IsDottedIPv4(bad)) << bad;
  }
}

TEST(Probes, PingAsksOnlyForDottedAddresses) {
  Desk desk;
  CProbes& p = desk.dialer().probes();
  desk.net().intranet = true;
  EXPECT_TRUE(p.ping("10.1.1.8"));
  EXPECT_FALSE(p.ping("192.0.2.1"));
  EXPECT_EQ(desk.net().echoes,
            (std::vector<std::pair<std::string, std::uint32_t>>{{"10.1.1.8", 500}, {"192.0.2.1", 500}}));

  // Names are not sent at all.
  EXPECT_EQ(p.Ping("localhost"), PingResult::kBadAddress);
  EXPECT_EQ(desk.net().echoes.size(), 2u);
  desk.net().echo_unavailable = true;
  EXPECT_EQ(p.Ping("10.1.1.8"), PingResult::kUnavailable);
  EXPECT_EQ(p.unavailable_reason(), "probe unavailable: no ICMP on this desktop");
}

TEST(Probes, OsVersionAndGateway) {
  Desk desk;
  CProbes& p = desk.dialer().probes();
  desk.net().os = "6.1.7601";
  EXPECT_EQ(p.GetOsversion(), "6.1");
  EXPECT_TRUE(IsVistaOr7(p.GetOsversion()));
  EXPECT_FALSE(IsXpOr2003("6.1"));
  EXPECT_TRUE(IsXpOr2003("5.2"));

  // The first adapter has no gateway, one has no address list, the next has one.
  const NetworkAdapter no_ip = Adapter({"10.9.9.9"}, false);
  desk.net().lan = {no_ip, Adapter({}), Adapter({""}), Adapter({"192.168.1.1", "192.168.1.254"}), Adapter({"172.16.0.1"})};
  EXPECT_EQ(p.GetIpGateway(), "192.168.1.1");
  desk.net().lan = {no_ip};
  EXPECT_EQ(p.GetIpGateway(), "");
  desk.net().management_unreachable = true;
  EXPECT_THROW(p.GetOsversion(), SystemQueryError);
  EXPECT_THROW(p.GetIpGateway(), SystemQueryError);
}

TEST(Probes, LinkStatisticsPanels) {
  Desk desk;
  CProbes& p = desk.dialer().probes();
  std::vector<InterfaceCounters>& links = desk.net().links;
  EXPECT_EQ(p.ShowLinkStatistics(), (LinkPanels{"VPN尚未连接", "收到 0", "发送 0", "错误 0"}));
  EXPECT_FALSE(p.UpdateLinkStatistics());

  // Discards; an Ethernet row is ignored.
  links = {InterfaceCounters{false, 100000000, 77, 88, 1}, Ppp(64000, 5000, 900, 3)};
  EXPECT_EQ(p.ShowLinkStatistics(), (LinkPanels{"VPN连接0.064MB", "收到 5000", "发送 900", "错误 3"}));
  ASSERT_TRUE(p.UpdateLinkStatistics());

  // The later PPP row decides; counters above 2^31 read as negative numbers.
  links = {Ppp(64000, 5000, 900, 3), Ppp(100000000, 0xFFFFFFFEu, 12, 0)};
  EXPECT_EQ(p.ShowLinkStatistics(), (LinkPanels{"VPN连接100MB", "收到-2", "发送 12", "错误 0"}));

  // One direction idle: shown as connected, but the timer leaves the panels.
  links = {Ppp(1000000, 10, 0, 0)};
  EXPECT_EQ(p.ShowLinkStatistics()[0], "VPN连接1MB");
  EXPECT_FALSE(p.UpdateLinkStatistics());
  links = {Ppp(1000000, 0, 0, 0)};
  EXPECT_EQ(p.ShowLinkStatistics()[0], "VPN尚未连接");

  EXPECT_EQ(SpeedText(1), "1E-06MB");
  EXPECT_EQ(SpeedText(1500000), "1.5MB");
  EXPECT_EQ(NumberWithSign(0), " 0");
}

}  // namespace
}  // namespace kit::dialer
