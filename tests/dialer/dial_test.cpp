#include "dialer/dialer.h"

#include <gtest/gtest.h>

#include "dialer/commands.h"
#include "tests/dialer/desk.h"

namespace kit::dialer {
namespace {

using testing::Desk;
using testing::Lines;

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const char kRasphoneWhy[] = "why: open the system dial dialog of the entry, which dials with its stored credentials";
const char kHangUp[] = "run: cmd /c rasdial 澄岚市电子政务内网VPN连接 /DISCONNECT";

// How an XP dial starts, through the system's dial dialog.
Lines XpDialHead(bool tunnel) {
  return {"label: Label8 = 正在拨号", "panel 1: 正在拨号,请稍候…", kRasphoneWhy, "run: rasphone  -d 澄岚市电子政务内网VPN连接",
          tunnel ? "simulation: the tunnel is up" : "simulation: no tunnel gateway given, the tunnel does not come up",
          "wait: 1 s", "click: 连接(&C)"};
}
// How every dial ends: the status refreshed (Label7 stays "未拨号" without a
// tunnel), the link panels, the duration timer.
Lines DialTail(bool tunnel) {
  Lines r = {tunnel ? "probe: 10.1.1.8 answers" : "probe: 10.1.1.8 does not answer"};
  if (tunnel) r.push_back("label: Label7 = 已拨号");
  return Join(r, {"probe: 114.114.114.114 answers", "label: Label8 = 互联网通", "panel 1: VPN尚未连接", "panel 2: 收到 0",
                  "panel 3: 发送 0", "panel 4: 错误 0", "form: Timer3 on"});
}

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
  struct Case {
    const char *old_gw, *new_gw;
    bool check1, timed_out;
    RouteChoice want;
  } cases[] = {
      {"192.168.1.1", "172.16.0.1", true, false, RouteChoice::kServerNetwork},
      {"192.168.1.1", "172.16.0.1", false, false, RouteChoice::kServerNetwork},
      {"198.51.100.1", "192.168.0.1", true, true, RouteChoice::kServerNetwork},
      {"198.51.100.1", "10.0.0.1", true, false, RouteChoice::kServerNetwork},
      {"", "10.0.0.1", true, false, RouteChoice::kRefused},
      {"198.51.100.1", "172.16.0.1", true, false, RouteChoice::kSplit},
      {"198.51.100.1", "172.16.0.1", false, false, RouteChoice::kNone},
      {"198.51.100.1", "198.51.100.1", true, true, RouteChoice::kRefused},
      {"198.51.100.1", "172.16.0.1", true, true, RouteChoice::kRefused},
      {"", "172.16.0.1", true, false, RouteChoice::kRefused},
      {"198.51.100.1", "172junk", true, false, RouteChoice::kRefused},
      {"198.51.100.1", "1720.1.1.1", true, false, RouteChoice::kRefused},
      {"172.16.0.1", "172.16.0.1", true, false, RouteChoice::kRefused},
      {"198.51.100.1", "", true, false, RouteChoice::kRefused},
      {"198.51.100.1", "", false, true, RouteChoice::kNone},
  };
  for (const Case& c : cases) {
    RouteDecision d = DecideRoutes(c.old_gw, c.new_gw, c.check1, c.timed_out);
    EXPECT_EQ(d.choice, c.want) << c.old_gw << " -> " << c.new_gw << " check " << c.check1 << " timeout " << c.timed_out;
    EXPECT_EQ(d.reason.empty(), c.want != RouteChoice::kRefused);
  }
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
  EXPECT_EQ(desk.Transcript(),
            Join(Join(XpDialHead(false),
                      Join(Join({"panel 1: 设置路由表,请稍候……", "wait: 1 s", "probe: the adapters report gateway (none)"},
                                Lines(60, "wait: 1 s")),
                           {"box: [警告，设置失败] 拨号后网络设置失败，无法正常访问办公网，请退出拨号并重新运行 (style 48)",
                            "answer: ok", "wait: 3 s"})),
                 DialTail(false)));
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
  EXPECT_EQ(desk.Transcript(),
            Join({"label: Label8 = 正在拨号", "panel 1: 正在拨号,请稍候……",
                  "why: dial the tunnel with the user name and password of the boxes",
                  "run: cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw", "simulation: the tunnel is up", "wait: 5 s",
                  "why: the VPN servers' network through the local gateway, outside the tunnel",
                  "run: cmd /c route add 198.18.0.0 mask 255.255.0.0 192.168.1.1", "wait: 2 s", "wait: 3 s"},
                 DialTail(true)));

  // Quoted where that keeps the line whole; refused where it can not.
  desk.Boxes("my name", "pw");
  desk.dialer().DialStep();
  EXPECT_EQ(desk.With("run: cmd /c rasdial"), Lines{"run: cmd /c rasdial 澄岚市电子政务内网VPN连接  \"my name\" pw"});
  desk.Boxes("my name", "50%off");
  desk.dialer().DialStep();
  EXPECT_EQ(desk.Transcript(), (Lines{std::string("box: [Tunnelgate] ") + text::kUnsafeCredentials + " (style 48)",
                                      "answer: ok"}));
}

TEST(Dial, SecondBuildNeverRoutes) {
  Desk desk(Build::kTunnelpost);
  Machine(desk, "198.51.100.1", "172.16.1.1");
  desk.dialer().DialStep();
  EXPECT_EQ(desk.Transcript(),
            Join(Join(XpDialHead(true), {"wait: 1 s", "probe: the adapters report gateway 172.16.1.1"}), DialTail(true)));
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
  EXPECT_EQ(slow.Transcript(),
            Join(Join({"label: Label8 = 正在拨号", "panel 1: 正在拨号,请稍候……",
                       "why: dial the tunnel with the user name and password of the boxes",
                       "run: cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw",
                       "simulation: no tunnel gateway given, the tunnel does not come up", "wait: 5 s", "wait: 1 s",
                       "probe: the adapters report gateway (none)"},
                      Join(Lines(59, "wait: 1 s"), {"label: Label6 = VPN连接速度太慢了，会影响使用的效果。"})),
                 DialTail(false)));
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
  const std::string gate_box =
      "box: [断开后退出？] 您的VPN拨号仍处在连接状态中，这对办公网的安全和您的计算机路由有严重危害，是否断开后退出？ (style 68)";
  const Lines deletes = {"why: remove the intranet route through the tunnel", "run: cmd /c route delete 10.1.0.0 ",
                         "why: remove the route to the VPN servers' network",
                         "run: cmd /c route delete 198.18.0.0 mask 255.255.0.0 ", "wait: 2 s"};
  const Lines hangup = {"why: hang up the tunnel", kHangUp};
  struct Case {
    Build build;
    bool connected;
    int answer;
    Lines want;
  } cases[] = {
      {Build::kTunnelgate, true, id::kYes,
       Join(Join(Join({"probe: 10.1.1.8 answers", gate_box, "answer: yes"}, deletes), hangup),
            {"simulation: the tunnel is down", "label: Label7 = 正在断开", "panel 1: 正在断开VPN…", "wait: 8 s"})},
      {Build::kTunnelgate, true, id::kNo, {"probe: 10.1.1.8 answers", gate_box, "answer: no"}},
      {Build::kTunnelgate, false, id::kYes, Join({"probe: 10.1.1.8 does not answer"}, hangup)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want.size());
    Desk desk(c.build);
    desk.net().intranet = c.connected;
    desk.desktop.dialogs.answers = {c.answer};
    desk.dialer().ExitStep();
    EXPECT_EQ(desk.Transcript(), c.want);
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
