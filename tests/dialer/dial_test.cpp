#include "dialer/dialer.h"

#include <gtest/gtest.h>

#include "dialer/commands.h"
#include "tests/dialer/desk.h"

namespace kit::dialer {
namespace {

using testing::Desk;
using testing::ExpectSteps;
using testing::Lines;

const char kHangUp[] = "run: cmd /c rasdial 澄岚市电子政务内网VPN连接 /DISCONNECT";

// The machine's gateways and its dial dialog; the local gateway is read at
// start-up, and the transcript starts after it.
void Machine(Desk& desk, const std::string& gateway, const std::string& tunnel_gateway,
             std::vector<std::string> buttons = {"属性(&O)", "连接(&C)", "取消"}) {
  desk.net().gateway = gateway;
  desk.net().tunnel_gateway = tunnel_gateway;
  desk.desktop.windows.windows = {{"#32770", "连接 澄岚市电子政务内网VPN连接", std::move(buttons)}};
  desk.dialer().ReadLocalGateway();
  desk.Clear();
}

TEST(Commands, CredentialsNeverSplitTheLine) {
  EXPECT_EQ(ClassifyArgument("张三_01.x@y"), ArgumentSafety::kPlain);
  EXPECT_EQ(ClassifyArgument(""), ArgumentSafety::kPlain);
  for (const char* q : {"a b", "a&b", "a|b", "a<b", "a>b", "a^b"}) {
    EXPECT_EQ(ClassifyArgument(q), ArgumentSafety::kQuoted) << q;
  }
  for (const char* r : {"50%", "a\"b", "a\tb", "a\nb", "\x7f"}) {
    EXPECT_EQ(ClassifyArgument(r), ArgumentSafety::kRefused) << r;
  }
  EXPECT_EQ(DialCommand("my name", "p&w\\"),
            std::optional<std::string>("cmd /c rasdial 澄岚市电子政务内网VPN连接  \"my name\" \"p&w\\\\\""));
  EXPECT_EQ(DialCommand("zs", "100%"), std::nullopt);
  EXPECT_EQ(DialCommand("a\"&calc", "x"), std::nullopt);
}

TEST(Routing, DecisionMatrix) {
  kit::testing::ExpectTable(KIT_TESTS_DIR "/dialer/routes.table", [](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    const RouteDecision d = DecideRoutes(f.at(0), f.at(1), f.at(2) == "check", f.at(3) == "timed-out");
    EXPECT_EQ(d.reason.empty(), d.choice != RouteChoice::kRefused) << in;
    switch (d.choice) {
      case RouteChoice::kServerNetwork: return "server network";
      case RouteChoice::kSplit: return "split";
      case RouteChoice::kNone: return "none";
      default: return "refused";
    }
  });
}

// The split-route dial's transcript is the XP session's under tests/apps;
// here what it leaves that no transcript shows.
TEST(Dial, XpSplitRoutesShowOnlyTheDialDialogAndKeepTheGateways) {
  Desk desk;
  Machine(desk, "198.51.100.1", "172.16.1.1");
  desk.dialer().DialStep();
  ASSERT_EQ(desk.desktop.starter.lines.size(), 5u);
  EXPECT_EQ(desk.desktop.starter.lines[0].show, show::kNormalFocus);
  for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(desk.desktop.starter.lines[i].show, show::kHide);
  EXPECT_EQ(desk.dialer().interopti(), 1);
  EXPECT_EQ(desk.dialer().settings().Get("RomteGateway"), "172.16.1.1");
  EXPECT_EQ(desk.dialer().settings().Get("LocalGateway"), "198.51.100.1");
}

TEST(Dial, XpHomeRouterAddsOnlyTheServerRoute) {
  Desk desk;
  Machine(desk, "192.168.1.1", "172.16.1.1");
  desk.dialer().DialStep();
  EXPECT_EQ(desk.With("run: cmd /c route"), (Lines{"run: cmd /c route add 198.18.0.0 mask 255.255.0.0 192.168.1.1"}));
  EXPECT_EQ(desk.dialer().interopti(), 0);

  // Route option off: nothing touched.
  Desk off;
  Machine(off, "198.51.100.1", "172.16.1.1");
  off.win().SetValue("Check1", 0);
  off.dialer().DialStep();
  EXPECT_TRUE(off.With("run: cmd /c route").empty());
}

TEST(Dial, XpGatewayWaitTimesOut) {
  Desk desk;
  Machine(desk, "198.51.100.1", "");
  desk.dialer().DialStep();
  ExpectSteps("xp dial, the tunnel gateway never comes", desk.Transcript());
  // 1 at start-up, 1 after the first pause, 60 rounds.
  EXPECT_EQ(desk.net().adapter_readings, 62);
  EXPECT_EQ(desk.dialer().interopti(), 0);
  EXPECT_EQ(desk.dialer().last_route_decision().choice, RouteChoice::kRefused);
}

TEST(Dial, XpUnusableLocalGatewayIsReported) {
  Desk desk;
  Machine(desk, "", "172.16.1.1");
  desk.dialer().DialStep();
  EXPECT_TRUE(desk.With("run: cmd /c route").empty());
  EXPECT_EQ(desk.With("box:"), Lines{std::string("box: [警告，设置失败] ") + text::kRoutesRefused + " (style 48)"});
}

TEST(Dial, XpDialogWithoutConnectButton) {
  Desk desk;
  Machine(desk, "192.168.1.1", "172.16.1.1", {"取消", "帮助"});
  desk.dialer().DialWithPhonebookDialog();
  EXPECT_TRUE(desk.With("click:").empty());
  desk.desktop.windows.windows.clear();
  desk.dialer().DialWithPhonebookDialog();
  EXPECT_TRUE(desk.With("click:").empty());
}

TEST(Dial, VistaTranscript) {
  Desk desk;
  desk.net().os = "6.1.7601";
  Machine(desk, "192.168.1.1", "172.16.1.1");
  desk.Boxes("zs", "pw");
  desk.dialer().DialStep();
  ExpectSteps("vista dial with routes", desk.Transcript());

  // Quoted where that keeps the line whole; refused where it can not.
  desk.Boxes("my name", "pw");
  desk.dialer().DialStep();
  EXPECT_EQ(desk.With("run: cmd /c rasdial"), Lines{"run: cmd /c rasdial 澄岚市电子政务内网VPN连接  \"my name\" pw"});
  desk.Boxes("my name", "50%off");
  desk.dialer().DialStep();
  ExpectSteps("vista dial, credentials the command line cannot carry", desk.Transcript());
}

TEST(Dial, SecondBuildNeverRoutes) {
  Desk desk(Build::kTunnelpost);
  Machine(desk, "198.51.100.1", "172.16.1.1");
  desk.dialer().DialStep();
  ExpectSteps("second build, xp dial", desk.Transcript());
  EXPECT_EQ(desk.dialer().settings().Get("RomteGateway"), "");
  EXPECT_EQ(desk.dialer().interopti(), 0);

  // A second dial starts from the tunnel gateway it already holds.
  desk.Clear();
  desk.dialer().DialStep();
  EXPECT_EQ(desk.With("wait:"), Lines{"wait: 1 s"});

  // A tunnel that never shows its gateway: the slow link is said in Label6.
  Desk slow(Build::kTunnelpost);
  slow.net().os = "6.0.6002";
  Machine(slow, "198.51.100.1", "");
  slow.Boxes("zs", "pw");
  slow.dialer().DialStep();
  ExpectSteps("second build, vista dial, the tunnel gateway never comes", slow.Transcript());
}

// The whole hang-up with the deletes is the XP session's; here who deletes.
TEST(HangUp, OnlyTheFirstBuildDeletesAndOnlyWithCheck1OrSplitRoutes) {
  struct Case {
    Build build;
    bool check1, split;
    std::size_t deletes;
  } cases[] = {{Build::kTunnelgate, true, false, 2},
               {Build::kTunnelgate, false, false, 0},
               {Build::kTunnelgate, false, true, 2},
               {Build::kTunnelpost, true, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.check1) + std::to_string(c.split));
    Desk desk(c.build);
    Machine(desk, c.split ? "198.51.100.1" : "192.168.1.1", "172.16.1.1");
    if (c.split) desk.dialer().DialStep();
    desk.win().SetValue("Check1", c.check1 ? 1 : 0);
    desk.Clear();
    desk.dialer().HangUpStep();
    EXPECT_EQ(desk.With("run: cmd /c route delete").size(), c.deletes);
    EXPECT_EQ(desk.With("run: cmd /c rasdial"), Lines{kHangUp});
  }
}

// The second build's exit is in the Windows 7 session.
TEST(Exit, AsksWhileConnected) {
  const struct {
    bool connected;
    int answer;
    const char* steps;
  } cases[] = {{true, id::kYes, "exit connected, yes"}, {true, id::kNo, "exit connected, no"},
               {false, id::kYes, "exit not connected"}};
  for (const auto& c : cases) {
    Desk desk;
    desk.net().intranet = c.connected;
    desk.desktop.dialogs.answers = {c.answer};
    desk.dialer().ExitStep();
    ExpectSteps(c.steps, desk.Transcript());
    EXPECT_EQ(desk.net().echoes, (std::vector<std::pair<std::string, std::uint32_t>>{{"10.1.1.8", 500}}));
  }
}

// Credentials are kept at exit on Vista and 7 only when both boxes are filled.
TEST(Exit, VistaKeepsOnlyCompleteCredentials) {
  Desk desk;
  desk.net().os = "6.1.7601";
  desk.Boxes("张三", "");
  desk.dialer().ExitStep();
  EXPECT_EQ(desk.dialer().StoredCredentials(), std::make_optional(std::make_pair(std::string(), std::string())));
}

}  // namespace
}  // namespace kit::dialer
