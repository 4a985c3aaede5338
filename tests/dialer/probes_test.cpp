#include "dialer/probes.h"

#include <gtest/gtest.h>

#include "tests/dialer/fakes.h"

namespace kit::dialer {
namespace {

using testing::FakeWmi;

struct ProbeRig : testing::PortFakes {
  CProbes p{icmp, wmi, iftable};
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
  EXPECT_EQ(r.j.lines, (std::vector<std::string>{"echo 127.0.0.1 size 0 buffer 270 timeout 500",
                                               "echo 10.1.1.8 size 0 buffer 270 timeout 500"}));
  EXPECT_EQ(r.icmp.created, 2);
  EXPECT_EQ(r.icmp.closed, 2);

  // Names are not sent at all.
  EXPECT_EQ(r.p.Ping("localhost"), PingResult::kBadAddress);
  EXPECT_EQ(r.j.lines.size(), 2u);
  // No reply counted: the zeroed buffer must not read as success.
  r.icmp.write_reply_without_count = true;
  EXPECT_EQ(r.p.Ping("127.0.0.1"), PingResult::kNoReply);
  r.icmp.fail_create = true;
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
  WmiObject no_ip;
  no_ip["DefaultIPGateway"] = std::vector<std::string>{"10.9.9.9"};
  WmiObject no_list;
  no_list["IPAddress"] = std::vector<std::string>{"192.168.1.5"};
  no_list["DefaultIPGateway"] = std::monostate{};
  r.wmi.adapters = {{no_ip, no_list, FakeWmi::Adapter({"192.168.1.5"}, {}),
                   FakeWmi::Adapter({"192.168.1.6"}, {"192.168.1.1", "192.168.1.254"}),
                   FakeWmi::Adapter({"172.16.0.2"}, {"172.16.0.1"})}};
  EXPECT_EQ(r.p.GetIpGateway(), "192.168.1.1");
  r.wmi.adapters = {{no_ip}};
  EXPECT_EQ(r.p.GetIpGateway(), "");
  r.wmi.unreachable = true;
  EXPECT_THROW(r.p.GetOsversion(), WmiError);
  EXPECT_THROW(r.p.GetIpGateway(), WmiError);
}

TEST(Probes, LinkStatisticsPanels) {
  ProbeRig r;
  EXPECT_EQ(r.p.ShowLinkStatistics(), (LinkPanels{"VPN尚未连接", "收到 0", "发送 0", "错误 0"}));
  EXPECT_FALSE(r.p.UpdateLinkStatistics());

  // Discards, not errors; an Ethernet row is ignored.
  r.iftable.rows = {{iftable::kTypeEthernet, 100000000, 77, 88, 1, 1}, {iftable::kTypePpp, 64000, 5000, 900, 3, 44}};
  EXPECT_EQ(r.p.ShowLinkStatistics(), (LinkPanels{"VPN连接0.064MB", "收到 5000", "发送 900", "错误 3"}));
  ASSERT_TRUE(r.p.UpdateLinkStatistics());

  // The later PPP row decides; counters above 2^31 read as negative numbers.
  r.iftable.rows = {{iftable::kTypePpp, 64000, 5000, 900, 3, 0}, {iftable::kTypePpp, 100000000, 0xFFFFFFFEu, 12, 0, 0}};
  EXPECT_EQ(r.p.ShowLinkStatistics(), (LinkPanels{"VPN连接100MB", "收到-2", "发送 12", "错误 0"}));

  // One direction idle: shown as connected, but the timer leaves the panels.
  r.iftable.rows = {{iftable::kTypePpp, 1000000, 10, 0, 0, 0}};
  EXPECT_EQ(r.p.ShowLinkStatistics()[0], "VPN连接1MB");
  EXPECT_FALSE(r.p.UpdateLinkStatistics());
  r.iftable.rows = {{iftable::kTypePpp, 1000000, 0, 0, 0, 0}};
  EXPECT_EQ(r.p.ShowLinkStatistics()[0], "VPN尚未连接");

  EXPECT_EQ(SpeedText(1), "1E-06MB");
  EXPECT_EQ(SpeedText(1500000), "1.5MB");
  EXPECT_EQ(NumberWithSign(0), " 0");
}

TEST(Probes, TableReaderTrustsOnlyTheBytes) {
  std::vector<std::uint8_t> t = testing::TableBytes({{iftable::kTypePpp, 1, 5, 6, 7, 0}});
  // A count far beyond the rows present.
  testing::Put32(t, 0, 0x7FFFFFFF);
  LinkReading r = ParseInterfaceTable(t.data(), t.size());
  EXPECT_TRUE(r.ppp);
  EXPECT_EQ(r.received, 5);
  // A row cut short is not read.
  r = ParseInterfaceTable(t.data(), t.size() - 1);
  EXPECT_FALSE(r.ppp);
  EXPECT_FALSE(ParseInterfaceTable(t.data(), 3).ppp);
}

}  // namespace
}  // namespace kit::dialer
