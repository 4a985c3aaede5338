#include "dialer/dialer.h"

#include <gtest/gtest.h>

#include "dialer/commands.h"
#include "tests/dialer/fakes.h"

namespace kit::dialer {
namespace {

using testing::Rig;
using Lines = std::vector<std::string>;

const Lines kIdlePanels = {"panel1 VPN尚未连接", "panel2 收到 0", "panel3 发送 0", "panel4 错误 0"};

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// How an XP dial starts, and how every dial ends.
const Lines kXpDialHead = {"Label8 正在拨号", "panel1 正在拨号,请稍候…", "start 1 rasphone  -d 澄岚市电子政务内网VPN连接",
                           "wait 1", "sleep 1000", "find #32770 连接 澄岚市电子政务内网VPN连接", "click 连接(&C)"};
const Lines kDialTail = Join({"refresh"}, Join(kIdlePanels, {"counters 0", "Timer3 on 1000"}));

// The local gateway is read at start-up; the journal starts after it.
void StartWithGateways(Rig& rig, const std::vector<std::string>& gateways) {
  rig.wmi.SetGateways(gateways);
  rig.dialer.ReadLocalGateway();
  rig.j.lines.clear();
}

TEST(Commands, Literals) {
  EXPECT_EQ(DialCommand("zs", "pw"), std::optional<std::string>("cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw"));
  EXPECT_EQ(std::string(kHangUpCommand), "cmd /c rasdial 澄岚市电子政务内网VPN连接 /DISCONNECT");
  EXPECT_EQ(RouteAddServerNetwork("198.18.0.0", "1.2.3.4"), "cmd /c route add 198.18.0.0 mask 255.255.0.0 1.2.3.4");
  EXPECT_EQ(RouteAddDefault("1.2.3.4"), "cmd /c route add 0.0.0.0 mask 0.0.0.0 1.2.3.4");
  EXPECT_EQ(RouteAddIntranet("172.16.0.1"), "cmd /c route add 10.1.0.0 mask 255.255.0.0 172.16.0.1");
  EXPECT_EQ(RouteDeleteServerNetwork("198.18.0.0"), "cmd /c route delete 198.18.0.0 mask 255.255.0.0 ");
  EXPECT_EQ(std::string(kRouteDeleteDefault), "cmd /c route delete 0.0.0.0 ");
  EXPECT_EQ(std::string(kRouteDeleteIntranet), "cmd /c route delete 10.1.0.0 ");
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

TEST(Dial, XpSplitRoutesInOrder) {
  Rig rig;
  StartWithGateways(rig, {"198.51.100.1", "198.51.100.1", "172.16.1.1"});
  EXPECT_EQ(rig.dialer.oldgateway(), "198.51.100.1");
  rig.dialer.DialStep();
  EXPECT_EQ(rig.j.lines,
            Join(Join(kXpDialHead, {"panel1 设置路由表,请稍候……", "wait 2", "start 0 cmd /c route delete 0.0.0.0 ", "sleep 1000",
                                    "wait 1", "start 0 cmd /c route add 0.0.0.0 mask 0.0.0.0 198.51.100.1", "sleep 1000",
                                    "wait 1", "start 0 cmd /c route add 10.1.0.0 mask 255.255.0.0 172.16.1.1", "wait 1",
                                    "start 0 cmd /c route add 198.18.0.0 mask 255.255.0.0 198.51.100.1", "wait 3"}),
                 kDialTail));
  EXPECT_EQ(rig.dialer.interopti(), 1);
  EXPECT_EQ(rig.dialer.settings().Get("RomteGateway"), "172.16.1.1");
  EXPECT_EQ(rig.dialer.settings().Get("LocalGateway"), "198.51.100.1");
}

TEST(Dial, XpHomeRouterAddsOnlyTheServerRoute) {
  Rig rig;
  StartWithGateways(rig, {"192.168.1.1", "172.16.1.1"});
  rig.dialer.DialStep();
  EXPECT_EQ(rig.j.With("start 0"), (Lines{"start 0 cmd /c route add 198.18.0.0 mask 255.255.0.0 192.168.1.1"}));
  EXPECT_EQ(rig.dialer.interopti(), 0);

  // Route option off: nothing touched.
  Rig off;
  StartWithGateways(off, {"198.51.100.1", "172.16.1.1"});
  off.view.check1 = false;
  off.dialer.DialStep();
  EXPECT_TRUE(off.j.With("start 0").empty());
}

TEST(Dial, XpGatewayWaitTimesOut) {
  Rig rig;
  StartWithGateways(rig, {"198.51.100.1"});
  rig.dialer.DialStep();
  EXPECT_EQ(rig.j.lines,
            Join(Join(kXpDialHead, {"panel1 设置路由表,请稍候……", "wait 61",
                                    "box 警告，设置失败|拨号后网络设置失败，无法正常访问办公网，请退出拨号并重新运行|48",
                                    "wait 3"}),
                 kDialTail));
  // 1 at start-up, 1 after the first pause, 60 rounds.
  EXPECT_EQ(rig.wmi.adapter_queries, 62);
  EXPECT_EQ(rig.dialer.interopti(), 0);
  EXPECT_EQ(rig.dialer.last_route_decision().choice, RouteChoice::kRefused);
}

TEST(Dial, XpUnusableLocalGatewayIsReported) {
  Rig rig;
  StartWithGateways(rig, {"", "172.16.1.1"});
  rig.dialer.DialStep();
  EXPECT_TRUE(rig.j.With("start 0").empty());
  EXPECT_EQ(rig.j.With("box").size(), 1u);
  EXPECT_EQ(rig.j.With("box")[0], std::string("box 警告，设置失败|") + text::kRoutesRefused + "|48");
}

TEST(Dial, XpDialogWithoutConnectButton) {
  Rig rig;
  StartWithGateways(rig, {"192.168.1.1", "172.16.1.1"});
  rig.windows.buttons = {"取消", "帮助"};
  rig.dialer.DialWithPhonebookDialog();
  EXPECT_TRUE(rig.j.With("click").empty());
  rig.windows.shown = false;
  rig.dialer.DialWithPhonebookDialog();
  EXPECT_TRUE(rig.j.With("click").empty());
}

TEST(Dial, VistaTranscript) {
  Rig rig;
  rig.wmi.version = "6.1.7601";
  StartWithGateways(rig, {"192.168.1.1"});
  rig.view.user = "zs";
  rig.view.password = "pw";
  rig.dialer.DialStep();
  EXPECT_EQ(rig.j.lines, Join({"Label8 正在拨号", "panel1 正在拨号,请稍候……",
                               "start 0 cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw", "wait 5",
                               "start 0 cmd /c route add 198.18.0.0 mask 255.255.0.0 192.168.1.1", "wait 5"},
                              kDialTail));

  // Quoted where that keeps the line whole; refused where it can not.
  rig.j.lines.clear();
  rig.view.user = "my name";
  rig.dialer.DialStep();
  EXPECT_EQ(rig.j.lines[2], "start 0 cmd /c rasdial 澄岚市电子政务内网VPN连接  \"my name\" pw");
  rig.j.lines.clear();
  rig.view.password = "50%off";
  rig.dialer.DialStep();
  EXPECT_EQ(rig.j.lines, (Lines{std::string("box Tunnelgate|") + text::kUnsafeCredentials + "|48"}));
}

TEST(Dial, SecondBuildNeverRoutes) {
  Rig rig(Build::kTunnelpost);
  StartWithGateways(rig, {"198.51.100.1", "172.16.1.1"});
  rig.view.check1 = false;
  rig.dialer.DialStep();
  EXPECT_EQ(rig.j.lines, Join(Join(kXpDialHead, {"wait 1"}), kDialTail));
  EXPECT_EQ(rig.dialer.settings().Get("RomteGateway"), "");
  EXPECT_EQ(rig.dialer.interopti(), 0);

  // A second dial starts from the tunnel gateway it already holds.
  rig.j.lines.clear();
  rig.dialer.DialStep();
  EXPECT_TRUE(rig.j.With("wait").size() == 1u);

  Rig slow(Build::kTunnelpost);
  slow.wmi.version = "6.0.6002";
  StartWithGateways(slow, {"198.51.100.1"});
  slow.view.user = "zs";
  slow.view.password = "pw";
  slow.dialer.DialStep();
  EXPECT_EQ(slow.j.lines, Join({"Label8 正在拨号", "panel1 正在拨号,请稍候……",
                                "start 0 cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw", "wait 65",
                                "Label6 VPN连接速度太慢了，会影响使用的效果。"},
                               kDialTail));
}

TEST(HangUp, BothBuilds) {
  const Lines tail = Join({"start 0 cmd /c rasdial 澄岚市电子政务内网VPN连接 /DISCONNECT", "Label7 正在断开",
                           "panel1 正在断开,请稍候……", "wait 8", "refresh"},
                          kIdlePanels);
  const Lines deletes = {"start 0 cmd /c route delete 10.1.0.0 ", "start 0 cmd /c route delete 198.18.0.0 mask 255.255.0.0 ",
                         "wait 1"};
  // With Check1 cleared and no split routes, or in the second build: no deletes.
  struct Case {
    Build build;
    bool check1;
    Lines want;
  } cases[] = {{Build::kTunnelgate, true, Join(Join({"Timer3 off"}, deletes), tail)},
               {Build::kTunnelgate, false, Join({"Timer3 off"}, tail)},
               {Build::kTunnelpost, true, Join({"Timer3 off"}, tail)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.check1);
    Rig rig(c.build);
    rig.view.check1 = c.check1;
    rig.dialer.HangUpStep();
    EXPECT_EQ(rig.j.lines, c.want);
  }

  // After a split-route dial the deletes come even with Check1 cleared.
  Rig split;
  StartWithGateways(split, {"198.51.100.1", "172.16.1.1"});
  split.dialer.DialStep();
  split.view.check1 = false;
  split.j.lines.clear();
  split.dialer.HangUpStep();
  EXPECT_EQ(split.j.With("start 0 cmd /c route delete").size(), 2u);
}

TEST(Exit, AsksWhileConnected) {
  const std::string echo = "echo 10.1.1.8 timeout 500";
  const std::string gate_box =
      "box 断开后退出？|您的VPN拨号仍处在连接状态中，这对办公网的安全和您的计算机路由有严重危害，是否断开后退出？|68";
  const std::string hangup = "start 0 cmd /c rasdial 澄岚市电子政务内网VPN连接 /DISCONNECT";
  struct Case {
    Build build;
    bool connected;
    int answer;
    Lines want;
  } cases[] = {
      {Build::kTunnelgate, true, id::kYes,
       {echo, gate_box, "start 0 cmd /c route delete 10.1.0.0 ", "start 0 cmd /c route delete 198.18.0.0 mask 255.255.0.0 ",
        "wait 2", hangup, "Label7 正在断开", "panel1 正在断开VPN…", "wait 8"}},
      {Build::kTunnelgate, true, id::kNo, {echo, gate_box}},
      {Build::kTunnelgate, false, id::kYes, {echo, hangup}},
      {Build::kTunnelpost, true, id::kYes,
       {echo, "box 断开后退出？|您的VPN拨号仍处在连接状态中，是否断开后退出？|68", hangup, "Label7 正在断开",
        "panel1 正在断开VPN…", "wait 5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want.size());
    Rig rig(c.build);
    if (c.connected) rig.icmp.answering = {"10.1.1.8"};
    rig.dialogs.answers = {c.answer};
    rig.dialer.ExitStep();
    EXPECT_EQ(rig.j.lines, c.want);
  }
}

TEST(Exit, VistaSavesCompleteCredentials) {
  Rig rig;
  rig.wmi.version = "6.1.7601";
  rig.view.user = "张三";
  rig.view.password = "";
  rig.dialer.ExitStep();
  EXPECT_EQ(rig.dialer.StoredCredentials(), std::make_optional(std::make_pair(std::string(), std::string())));
  rig.view.password = "pw";
  rig.dialer.ExitStep();
  EXPECT_EQ(rig.dialer.StoredCredentials(), std::make_optional(std::make_pair(std::string("张三"), std::string("pw"))));
  // The first build's credentials stay its own.
  Rig post(Build::kTunnelpost);
  post.registry.keys = rig.registry.keys;
  post.wmi.version = "6.1.7601";
  EXPECT_EQ(post.dialer.StoredCredentials(), std::make_optional(std::make_pair(std::string(), std::string())));

  Rig xp;
  xp.view.user = "u";
  xp.view.password = "p";
  xp.dialer.ExitStep();
  EXPECT_TRUE(xp.registry.keys.empty());
  EXPECT_EQ(xp.dialer.StoredCredentials(), std::nullopt);
}

TEST(Startup, PiecesForTheWindow) {
  Rig rig;
  EXPECT_FALSE(rig.dialer.IsOptimized());
  EXPECT_FALSE(rig.dialer.IsEntryRecorded());
  rig.wmi.SetGateway("10.2.0.1");
  rig.dialer.ReadLocalGateway();
  EXPECT_EQ(rig.j.lines, (Lines{"box Tunnelgate|10.1.X.X网段的局域网用户拨号后将不正常|0"}));
  EXPECT_EQ(rig.dialer.settings().Get("LocalGateway"), "10.2.0.1");
  rig.dialer.OpenWebPage("http://10.1.1.8");
  EXPECT_EQ(rig.j.lines.back(), "shell [] http://10.1.1.8 [] 1");

  // Link statistics reach panels 1-4; the timer only while traffic flows.
  rig.j.lines.clear();
  rig.iftable.rows = {testing::Ppp(1000000, 5000, 900, 3)};
  rig.dialer.ShowLinkStatistics();
  rig.dialer.UpdateLinkStatistics();
  rig.iftable.rows = {};
  rig.dialer.UpdateLinkStatistics();
  Lines busy = {"panel1 VPN连接1MB", "panel2 收到 5000", "panel3 发送 900", "panel4 错误 3"};
  EXPECT_EQ(rig.j.lines, Join(busy, busy));
}

TEST(Delay, WaitsWholeSecondsPumping) {
  Rig rig;
  rig.dialer.Delay(3);
  rig.dialer.Delay(0);
  EXPECT_EQ(rig.j.lines, (Lines{"wait 3"}));
  EXPECT_EQ(rig.wait.now, 1003);
}

}  // namespace
}  // namespace kit::dialer
