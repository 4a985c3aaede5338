#include "dialer/form1.h"

#include <gtest/gtest.h>

#include <set>

#include "dialer/commands.h"
#include "tests/dialer/form_fakes.h"

namespace kit::dialer {
namespace {

using testing::FormRig;
using Lines = std::vector<std::string>;
using forms::WindowState;

const char kFirstRunBox[] =
    "box 警告！|第一次运行请先建立连接，如【优化】按钮可用，请先进行VPN优化后再建立连接，否则拨号将不正常！|64";
const char kRunningBox[] = "box 警告，程序已运行|澄岚VPN拨号工具，已经运行了。桌面上没有，请到系统托盘处看看|48";

std::string Settings(const BuildProfile& p) {
  return "Software\\VB and VBA Program Settings\\" + p.app_title + "\\settings";
}

std::string Stored(const testing::FakeRegistry::Value* v) {
  if (v == nullptr) return "(absent)";
  std::string s(v->data.begin(), v->data.end());
  return s.substr(0, s.find('\0'));
}

void StoreCredentials(FormRig& rig, const std::string& user, const std::string& password) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  auto bytes = [&](const std::string& t) {
    std::string e = Enc(cp, t, EncCode);
    std::vector<std::uint8_t> v(e.begin(), e.end());
    v.push_back(0);
    return v;
  };
  rig.registry.Put(RegRoot::kCurrentUser, Settings(rig.profile), "VpnUser", reg::kSz, bytes(user));
  rig.registry.Put(RegRoot::kCurrentUser, Settings(rig.profile), "VpnPassword", reg::kSz, bytes(password));
}

// Which of the named controls are enabled / visible, as "name=0/1" words.
std::string States(testing::FakeForm& w, const std::vector<std::string>& names, bool visible) {
  std::string r;
  for (const auto& n : names) {
    r += (r.empty() ? "" : " ") + n + "=" + ((visible ? w.Visible(n) : w.Enabled(n)) ? "1" : "0");
  }
  return r;
}

const std::vector<std::string> kSetUpButtons = {"Command1", "Command2", "Option3", "Option4", "Command6"};
const std::vector<std::string> kSetUpShown = {"Frame6", "Frame5", "Text1", "Text2", "Label1", "Label2", "Label5"};
const std::vector<std::string> kDialButtons = {"Command4", "mm_file_dial", "Command5", "mm_file_undial", "Command7"};

const char kCredsShown[] = "Frame6=1 Frame5=0 Text1=1 Text2=1 Label1=1 Label2=1 Label5=0";
const char kCredsHidden[] = "Frame6=0 Frame5=1 Text1=0 Text2=0 Label1=0 Label2=0 Label5=1";
const char kCreateOnly[] = "Command1=1 Command2=0 Option3=0 Option4=0 Command6=0";
const char kAllOff[] = "Command1=0 Command2=0 Option3=0 Option4=0 Command6=1";
const char kDialIdle[] = "Command4=1 mm_file_dial=1 Command5=0 mm_file_undial=0 Command7=0";

TEST(Form1StartUp, SequenceForEveryMachineStateInBothBuilds) {
  struct Case {
    const char* name;
    bool optimized, created, running, intranet;
    const char* gateway;
    const char* os;
    Lines boxes;
    const char* enabled;  // set-up buttons
    const char* shown;    // set-up area
    const char* dial;     // dial buttons
    const char* label7;
    bool texts_filled;
  } cases[] = {
      {"first run", false, false, false, false, "198.51.100.1", "5.1.2600", {kFirstRunBox},
       "Command1=0 Command2=1 Option3=1 Option4=1 Command6=0", kCredsShown, kDialIdle, "未拨号", false},
      {"optimized", true, false, false, false, "198.51.100.1", "5.1.2600", {kFirstRunBox}, kCreateOnly, kCredsShown,
       kDialIdle, "未拨号", false},
      {"after creation, tunnel up", true, true, false, true, "198.51.100.1", "5.1.2600", {}, kAllOff, kCredsHidden,
       "Command4=0 mm_file_dial=0 Command5=1 mm_file_undial=1 Command7=1", "已拨号", false},
      {"LAN on 10.x", true, true, false, false, "10.0.0.1", "5.1.2600", {"box @|10.1.X.X网段的局域网用户拨号后将不正常|0"},
       kAllOff, kCredsHidden, kDialIdle, "未拨号", false},
      {"Windows 7 fills the boxes", true, true, false, false, "198.51.100.1", "6.1.7601", {}, kAllOff, kCredsHidden,
       kDialIdle, "未拨号", true},
      {"Vista fills the boxes", true, false, false, false, "198.51.100.1", "6.0.6002", {kFirstRunBox}, kCreateOnly,
       kCredsShown, kDialIdle, "未拨号", true},
  };
  for (Build build : {Build::kTunnelgate, Build::kTunnelpost}) {
    for (const Case& c : cases) {
      FormRig rig(build);
      SCOPED_TRACE(std::string(c.name) + " / " + rig.profile.app_title);
      if (c.optimized) rig.Optimized();
      if (c.created) rig.Created();
      rig.mutexes.exists = c.running;
      rig.wmi.version = c.os;
      rig.wmi.SetGateway(c.gateway);
      if (c.intranet) rig.icmp.answering.insert("10.1.1.8");
      StoreCredentials(rig, "张三", "pw1");
      ASSERT_TRUE(rig.Load());
      Lines want;
      for (std::string b : c.boxes) {
        if (b.find('@') != std::string::npos) b.replace(b.find('@'), 1, rig.profile.app_title);
        want.push_back(b);
      }
      EXPECT_EQ(rig.j.With("box "), want);
      testing::FakeForm& w = rig.win();
      EXPECT_EQ(States(w, kSetUpButtons, false), c.enabled);
      EXPECT_EQ(States(w, kSetUpShown, true), c.shown);
      EXPECT_EQ(States(w, kDialButtons, false), c.dial);
      EXPECT_EQ(w.Caption("Label7"), c.label7);
      EXPECT_EQ(w.Caption(""), rig.profile.caption);
      EXPECT_EQ(w.Caption("Text1"), c.texts_filled ? "张三" : "");
      EXPECT_EQ(w.Caption("Text2"), c.texts_filled ? "pw1" : "");
      EXPECT_EQ(Stored(rig.registry.Get(RegRoot::kCurrentUser, Settings(rig.profile), "LocalGateway")), c.gateway);
      EXPECT_TRUE(w.model.tray);
      EXPECT_EQ(w.model.timers["Timer1"].enabled && w.model.timers["Timer2"].enabled, true);
      EXPECT_EQ(w.model.timers["Timer2"].interval_ms, 3000u);
      EXPECT_FALSE(w.model.timers["Timer3"].enabled);
      EXPECT_EQ(w.PanelText(1), "VPN尚未连接");
      // Order: the mutex before the gateway is read, the tray last but one.
      Lines order;
      for (const auto& l : rig.j.lines) {
        if (l == "mutex Test owned" || l == "tray add 2025" || l == "tray tip" || l.rfind("echo ", 0) == 0) {
          order.push_back(l.substr(0, 9));
        }
      }
      EXPECT_EQ(order, (Lines{"mutex Tes", "echo 10.1", "echo 114.", "tray add ", "tray tip", "echo 10.1",
                              "echo 114."}));
    }
  }
}

TEST(Form1StartUp, SecondCopyWarnsAndEndsBeforeWritingAnything) {
  for (Build build : {Build::kTunnelgate, Build::kTunnelpost}) {
    FormRig rig(build);
    rig.Optimized();
    rig.mutexes.exists = true;
    rig.wmi.SetGateway("10.0.0.1");
    auto before = rig.registry.keys;
    EXPECT_FALSE(rig.Load());
    EXPECT_TRUE(rig.form->Ended());
    EXPECT_EQ(rig.j.With("box "), Lines{kRunningBox});
    EXPECT_EQ(rig.registry.keys, before);
    EXPECT_EQ(rig.wmi.adapter_queries, 0);
    EXPECT_TRUE(rig.j.With("tray").empty());
    EXPECT_TRUE(rig.j.With("start").empty());
    EXPECT_TRUE(rig.win().unloaded);
  }
}

TEST(Form1, DurationPanelCountsHoursMinutesSeconds) {
  struct Case {
    int ticks;
    const char* text;
  } cases[] = {{1, "0时0分1秒"}, {65, "0时1分5秒"}, {3600, "1时0分0秒"}, {3661, "1时1分1秒"}};
  for (const Case& c : cases) {
    FormRig rig;
    ASSERT_TRUE(rig.Load());
    for (int i = 0; i < c.ticks; ++i) rig.form->OnTimer("Timer3");
    EXPECT_EQ(rig.win().PanelText(5), c.text);
  }
}

TEST(Form1, ClockAndStatisticsTimers) {
  FormRig rig;
  ASSERT_TRUE(rig.Load());
  rig.form->OnTimer("Timer1");
  EXPECT_EQ(rig.win().PanelText(6), "12:00:00");
  rig.iftable.rows = {testing::Ppp(2000000, 5000, 900, 3)};
  rig.form->OnTimer("Timer2");
  EXPECT_EQ(rig.win().PanelText(2), "收到 5000");
  EXPECT_EQ(rig.win().PanelText(4), "错误 3");
}

TEST(Form1, TrayTipIsCutAtAWholeCharacterAndTerminated) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  std::string caption = ProfileFor(Build::kTunnelgate).caption;
  std::string field = TrayTipField(cp, caption);
  ASSERT_EQ(field.size(), 64u);
  EXPECT_EQ(field[63], '\0');
  EXPECT_EQ(field.substr(0, cp.FromUtf8(caption).size()), cp.FromUtf8(caption));
  EXPECT_EQ(field.find_first_not_of(' ', cp.FromUtf8(caption).size()), 63u);  // blanks, then the NUL
  // 40 double-byte characters do not fit: 31 whole ones (62 bytes) do.
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "澄";
  field = TrayTipField(cp, long_text);
  EXPECT_EQ(field.size(), 64u);
  EXPECT_EQ(cp.ToUtf8(field.substr(0, field.find('\0'))), long_text.substr(0, 31 * 3));
  EXPECT_EQ(field.find('\0'), 62u);
}

TEST(Form1, TrayMessagesRestoreShowAndPopUp) {
  struct Case {
    WindowState before;  // state when sent to the tray
    bool minimized;      // minimized when the icon is clicked
    long lparam;
    WindowState after;
    bool shown;
    const char* journal;  // the popup line, if any
  } cases[] = {
      {WindowState::kMaximized, true, forms::kWmLButtonUp, WindowState::kMaximized, true, ""},
      {WindowState::kNormal, true, forms::kWmLButtonUp, WindowState::kNormal, true, ""},
      {WindowState::kMaximized, false, forms::kWmLButtonUp, WindowState::kNormal, true, ""},
      {WindowState::kNormal, true, forms::kWmRButtonUp, WindowState::kMinimized, false, "popup mnuTray"},
  };
  for (const Case& c : cases) {
    FormRig rig;
    ASSERT_TRUE(rig.Load());
    testing::FakeForm& w = rig.win();
    w.SetState(c.before);
    rig.form->OnClick("Command13");  // to the tray: minimized and hidden
    EXPECT_EQ(w.State(), WindowState::kMinimized);
    EXPECT_FALSE(w.Shown());
    EXPECT_FALSE(w.Enabled("mnuTrayMinimize"));
    EXPECT_TRUE(w.Enabled("mnuTrayRestore"));
    if (!c.minimized) w.SetState(WindowState::kNormal);
    rig.j.lines.clear();
    EXPECT_TRUE(rig.form->OnTrayMessage(2025, c.lparam));
    EXPECT_EQ(w.State(), c.after);
    EXPECT_EQ(w.Shown(), c.shown);
    EXPECT_EQ(rig.j.With("popup"), *c.journal ? Lines{c.journal} : Lines{});
  }
  FormRig rig;
  ASSERT_TRUE(rig.Load());
  EXPECT_FALSE(rig.form->OnTrayMessage(2025, 512));  // mouse move goes on to the window
  EXPECT_FALSE(rig.form->OnTrayMessage(2024, forms::kWmLButtonUp));
  rig.form->OnClick("mnuTrayMinimize");
  rig.form->OnClick("mnuTrayRestore");
  EXPECT_EQ(rig.j.With("syscommand"), Lines{"syscommand 61728"});
  EXPECT_TRUE(rig.win().Shown());
  EXPECT_TRUE(rig.win().Enabled("mnuTrayMinimize"));
}

TEST(Form1, ButtonsOpenPagesHelpAndForms) {
  struct Case {
    const char* control;
    const char* line;
  } cases[] = {
      {"Command7", "shell [] http://10.1.1.8/ [] 1"},
      {"Command8", "shell [] http://www.chenglan.gov.cn/ [] 1"},
      {"Command10", "shell [] http://mail.chenglan.gov.cn/ [] 1"},
      {"Command11", "shell [] http://www.chenglan.gov.cn/nexcms/jsp/daohang.jsp [] 1"},
      {"mm_help_mustread", "shell [] http://www.chenglan.gov.cn/vpnhelp/vpnlan.htm [] 1"},
      {"mm_help_main", "help 500 C:\\Program Files\\Tunnelgate\\help.chm"},
  };
  for (const Case& c : cases) {
    FormRig rig;
    ASSERT_TRUE(rig.Load());
    rig.j.lines.clear();
    rig.form->OnClick(c.control);
    ASSERT_EQ(rig.j.lines.size(), 1u) << c.control;
    EXPECT_EQ(rig.j.lines[0], c.line);
  }
  EXPECT_EQ(HelpFilePath("/opt/kit"), "/opt/kit/help.chm");
  // Menu items without an action do nothing.
  FormRig rig;
  ASSERT_TRUE(rig.Load());
  rig.j.lines.clear();
  for (const char* n : {"mm_help_vpnerror", "mm_help_intlan", "mm_help_intadsl", "mm_help_intother",
                        "mm_help_nexdeskerror"}) {
    rig.form->OnClick(n);
  }
  EXPECT_TRUE(rig.j.lines.empty());
}

TEST(Form1, ForcedModeBringsBackTheCredentialFrame) {
  FormRig rig;
  rig.Optimized();
  rig.Created();
  ASSERT_TRUE(rig.Load());
  rig.form->OnClick("mm_file_force");
  EXPECT_EQ(States(rig.win(), kSetUpShown, true), kCredsShown);
  EXPECT_EQ(States(rig.win(), kSetUpButtons, false), "Command1=1 Command2=1 Option3=1 Option4=1 Command6=0");
}

TEST(Form1, CloseBoxOnlyUnloads) {
  struct Case {
    const char* os;
    const char *user, *password;
    bool saved;
  } cases[] = {{"6.1.7601", "zs", "pw", true}, {"6.1.7601", "zs", "", false}, {"5.1.2600", "zs", "pw", false}};
  for (const Case& c : cases) {
    FormRig rig;
    rig.wmi.version = c.os;
    rig.icmp.answering.insert("10.1.1.8");
    ASSERT_TRUE(rig.Load());
    rig.win().SetCaption("Text1", c.user);
    rig.win().SetCaption("Text2", c.password);
    rig.j.lines.clear();
    rig.form->OnClose();
    EXPECT_TRUE(rig.form->Ended());
    EXPECT_TRUE(rig.j.With("start").empty());  // the tunnel is neither checked nor hung up
    EXPECT_TRUE(rig.j.With("box").empty());
    EXPECT_EQ(rig.j.With("tray"), Lines{"tray remove"});
    EXPECT_EQ(rig.j.With("mutex"), Lines{"mutex close 9"});
    EXPECT_EQ(rig.registry.Get(RegRoot::kCurrentUser, Settings(rig.profile), "VpnUser") != nullptr, c.saved);
  }
}

TEST(Form1, WaitsKeepOtherStepsOutAndEndWhenClosing) {
  FormRig rig;
  rig.wmi.version = "6.1.7601";
  rig.wmi.SetGateway("192.0.2.1");
  ASSERT_TRUE(rig.Load());
  rig.win().SetCaption("Text1", "zs");
  rig.win().SetCaption("Text2", "pw");
  rig.j.lines.clear();
  // Inside the dial's first wait: dial, hang-up and exit are off and ignored.
  std::string during;
  rig.wait.on_pump = [&] {
    during = States(rig.win(), {"Command4", "Command5", "Command3", "mm_file_exit", "mnuTrayClose"}, false);
    rig.form->OnClick("Command4");
    rig.form->OnClick("Command3");
    rig.form->OnClick("mnuTrayClose");
  };
  rig.form->OnClick("Command4");
  EXPECT_EQ(during, "Command4=0 Command5=0 Command3=0 mm_file_exit=0 mnuTrayClose=0");
  EXPECT_EQ(rig.j.With("start"), (Lines{"start 0 cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw",
                                        "start 0 cmd /c route add 198.18.0.0 mask 255.255.0.0 192.0.2.1"}));
  EXPECT_FALSE(rig.form->Ended());
  EXPECT_TRUE(rig.win().Enabled("Command3"));

  // The close box during a wait: the waits end, the step finishes on a live
  // window, then the window unloads.
  rig.j.lines.clear();
  rig.wait.on_pump = [&] { rig.form->OnClose(); };
  rig.form->OnClick("Command5");
  EXPECT_EQ(rig.j.With("wait"), Lines{"wait 1"});
  EXPECT_TRUE(rig.form->Ended());
  EXPECT_EQ(rig.j.lines.back(), "unload Form1");
  EXPECT_NE(rig.registry.Get(RegRoot::kCurrentUser, Settings(rig.profile), "VpnUser"), nullptr);
}

TEST(Form1, UnexpectedErrorEndsTheProgram) {
  FormRig rig;
  ASSERT_TRUE(rig.Load());
  rig.wmi.unreachable = true;
  rig.j.lines.clear();
  rig.form->OnClick("Command4");
  EXPECT_TRUE(rig.form->Ended());
  ASSERT_EQ(rig.j.With("box").size(), 1u);
  EXPECT_NE(rig.j.With("box")[0].find("cannot reach the management service"), std::string::npos);
  EXPECT_EQ(rig.j.With("tray"), Lines{"tray remove"});
}

// ---- the two builds ----

TEST(Builds, FormsDifferOnlyWhereTheSecondBuildSays) {
  forms::FormLayout gate = Form1Spec(ProfileFor(Build::kTunnelgate));
  forms::FormLayout post = Form1Spec(ProfileFor(Build::kTunnelpost));
  std::map<std::string, forms::Control> g, p;
  for (const auto& c : gate.controls) g[c.name] = c;
  for (const auto& c : post.controls) p[c.name] = c;
  std::vector<std::string> only_gate, only_post, differ;
  for (const auto& [n, c] : g) {
    if (!p.count(n)) only_gate.push_back(n);
    else if (p[n].caption != c.caption || p[n].container != c.container || p[n].visible != c.visible ||
             p[n].enabled != c.enabled || p[n].value != c.value) differ.push_back(n);
  }
  for (const auto& [n, c] : p) {
    if (!g.count(n)) only_post.push_back(n);
  }
  EXPECT_EQ(only_gate, Lines{"Check1"});
  EXPECT_EQ(only_post, Lines{"Label6"});
  EXPECT_EQ(p["Label6"].container, "Frame3");
  EXPECT_EQ(p["Label6"].caption, "");
  EXPECT_EQ(differ, Lines{"Label3"});
  EXPECT_EQ(p["Label3"].caption, "澄岚市电子政务办公室 2010.07.18纯净版");
  EXPECT_EQ(g["Check1"].caption, "拨号后提高访问澄岚政府网速度");
  EXPECT_EQ(g["Check1"].value, 1);
  EXPECT_EQ(gate.caption, "澄岚市电子政务办公网VPN拨号工具V1.1Build 20100707");
  EXPECT_EQ(post.caption, "澄岚市协同办公网VPN拨号工具纯净版V1.1Build 20100718");
  ASSERT_EQ(gate.menus.size(), post.menus.size());
  for (std::size_t i = 0; i < gate.menus.size(); ++i) EXPECT_EQ(gate.menus[i].caption, post.menus[i].caption);
}

// Dial with the split-route gateways, hang up, dial again, exit answering
// Yes: the commands, waits and boxes of each build.
Lines Session(Build build, const char* os) {
  FormRig rig(build);
  rig.Optimized();
  rig.Created();
  rig.wmi.version = os;
  rig.wmi.SetGateways({"198.51.100.1", "172.16.0.9"});
  EXPECT_TRUE(rig.Load());
  rig.win().SetCaption("Text1", "zs");
  rig.win().SetCaption("Text2", "pw");
  rig.j.lines.clear();
  rig.form->OnClick("mm_file_dial");
  rig.icmp.answering.insert("10.1.1.8");
  rig.form->OnClick("Command5");
  rig.dialogs.answers = {id::kYes};
  rig.form->OnClick("Command3");
  EXPECT_TRUE(rig.form->Ended());
  Lines r;
  for (const auto& l : rig.j.lines) {
    if (l.rfind("start", 0) == 0 || l.rfind("wait", 0) == 0 || l.rfind("box", 0) == 0 || l.rfind("sleep", 0) == 0) {
      r.push_back(l);
    }
  }
  r.push_back("Label6 " + rig.win().Caption("Label6"));
  return r;
}

TEST(Builds, SecondBuildLeavesRoutesAloneAndAsksItsOwnQuestion) {
  const std::string dialog = "start 1 rasphone  -d 澄岚市电子政务内网VPN连接";
  const std::string hangup = std::string("start 0 ") + kHangUpCommand;
  const std::string del_intranet = "start 0 cmd /c route delete 10.1.0.0 ";
  const std::string del_servers = "start 0 cmd /c route delete 198.18.0.0 mask 255.255.0.0 ";
  EXPECT_EQ(Session(Build::kTunnelgate, "5.1.2600"),
            (Lines{dialog, "wait 1", "sleep 1000", "wait 1", "start 0 cmd /c route delete 0.0.0.0 ", "sleep 1000",
                   "wait 1", "start 0 cmd /c route add 0.0.0.0 mask 0.0.0.0 198.51.100.1", "sleep 1000", "wait 1",
                   "start 0 cmd /c route add 10.1.0.0 mask 255.255.0.0 172.16.0.9", "wait 1",
                   "start 0 cmd /c route add 198.18.0.0 mask 255.255.0.0 198.51.100.1", "wait 3", del_intranet,
                   del_servers, "wait 1", hangup, "wait 8",
                   "box 断开后退出？|您的VPN拨号仍处在连接状态中，这对办公网的安全和您的计算机路由有严重危害，是否断开后退出？|68",
                   del_intranet, del_servers, "wait 2", hangup, "wait 8", "Label6 "}));
  EXPECT_EQ(Session(Build::kTunnelpost, "6.1.7601"),
            (Lines{"start 0 cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw", "wait 6", hangup, "wait 8",
                   "box 断开后退出？|您的VPN拨号仍处在连接状态中，是否断开后退出？|68", hangup, "wait 5",
                   "Label6 "}));
}

TEST(Builds, SecondBuildWarnsOfASlowLinkInItsLabel) {
  FormRig rig(Build::kTunnelpost);
  rig.wmi.SetGateway("198.51.100.1");
  ASSERT_TRUE(rig.Load());
  rig.j.lines.clear();
  rig.form->OnClick("Command4");
  EXPECT_EQ(rig.win().Caption("Label6"), "VPN连接速度太慢了，会影响使用的效果。");
  EXPECT_TRUE(rig.j.With("box").empty());
  EXPECT_TRUE(rig.win().model.timers["Timer3"].enabled);
}

// ---- about forms ----

TEST(AboutForms, OwnerLabelsVersionAndTopmostOnce) {
  struct Case {
    bool owner_keys;
    const char *user, *company;
  } cases[] = {{true, "王五", "澄岚市某局"}, {false, "", ""}};
  for (const Case& c : cases) {
    FormRig rig;
    ASSERT_TRUE(rig.Load());
    if (c.owner_keys) {
      auto sz = [&](const char* t) {
        std::string a = rig.LocalKey(t);
        std::vector<std::uint8_t> v(a.begin(), a.end());
        v.push_back(0);
        return v;
      };
      rig.registry.Put(RegRoot::kLocalMachine, kOwnerKey, "UserName", reg::kSz, sz(c.user));
      rig.registry.Put(RegRoot::kLocalMachine, kOwnerKey, "CompanyName", reg::kSz, sz(c.company));
    }
    rig.j.lines.clear();
    rig.form->OnClick("mm_help_aboutme");
    testing::FakeForm* about = rig.host.Last("frmAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->Caption(""), "关于澄岚市电子政务办公网VPN拨号工具");
    EXPECT_EQ(about->Caption("lblVersion"), "版本 1.1.5 Build 20100610");
    EXPECT_EQ(about->Caption("lblTitle"), "澄岚市电子政务办公网VPN拨号工具");
    EXPECT_EQ(about->Caption("Label2"), c.user);
    EXPECT_EQ(about->Caption("Label3"), c.company);
    about->events->OnClick("cmdOK");
    EXPECT_EQ(rig.host.Last("frmAbout"), nullptr);
    EXPECT_EQ(rig.j.With("unload"), Lines{"unload frmAbout"});
    rig.form->OnClick("mm_help_aboutme");
    EXPECT_NE(rig.host.Last("frmAbout"), nullptr);
    EXPECT_EQ(rig.j.With("topmost"), Lines{"topmost frmAbout"});  // the first load only
  }
}

TEST(AboutForms, SystemInformationFromEitherKeyQuoted) {
  struct Case {
    const char* path;      // MSINFO PATH
    const char* location;  // Shared Tools Location MSINFO
    bool exe_there;
    Lines want;
  } cases[] = {
      {"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe", nullptr,
       false, {"start 1 \"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\""}},
      {nullptr, nullptr, false, {"box Tunnelgate|此时系统信息不可用|0"}},
      {nullptr, "C:\\Shared Tools\\MSInfo", false, {"box Tunnelgate|此时系统信息不可用|0"}},
      {nullptr, "C:\\Shared Tools\\MSInfo", true, {"start 1 \"C:\\Shared Tools\\MSInfo\\MSINFO32.EXE\""}},
      {"C:\\a\"&calc", nullptr, false, {"box Tunnelgate|此时系统信息不可用|0"}},
  };
  for (const Case& c : cases) {
    FormRig rig;
    ASSERT_TRUE(rig.Load());
    auto sz = [](const char* t) {
      std::vector<std::uint8_t> v(t, t + std::strlen(t));
      v.push_back(0);
      return v;
    };
    if (c.path) rig.registry.Put(RegRoot::kLocalMachine, kMsinfoKey, "PATH", reg::kSz, sz(c.path));
    if (c.location) rig.registry.Put(RegRoot::kLocalMachine, kMsinfoLocationKey, "MSINFO", reg::kSz, sz(c.location));
    if (c.exe_there) rig.files.existing.insert("C:\\Shared Tools\\MSInfo\\MSINFO32.EXE");
    rig.form->OnClick("mm_help_aboutme");
    rig.j.lines.clear();
    rig.host.Last("frmAbout")->events->OnClick("cmdSysInfo");
    EXPECT_EQ(rig.j.lines, c.want);
  }
}

TEST(AboutForms, AuthorLinks) {
  FormRig rig;
  ASSERT_TRUE(rig.Load());
  rig.form->OnClick("mm_help_sam");
  testing::FakeForm* me = rig.host.Last("Aboutme");
  ASSERT_NE(me, nullptr);
  EXPECT_EQ(me->Caption(""), "关于作者");
  rig.j.lines.clear();
  me->events->OnClick("Label4");
  me->events->OnClick("Label5");
  EXPECT_EQ(rig.j.lines, (Lines{"shell [] http://www.chenglan.gov.cn/ [] 1", "shell [] mailto:vpn@chenglan.gov.cn [] 1"}));
}

// The date-time set back an hour during a wait changes nothing: the wait
// follows the monotonic clock and sleeps for the time that is left.
class SteppingWait : public IWaitHost {
 public:
  std::int64_t date = 5000, mono = 0;
  std::vector<unsigned> timeouts;
  std::int64_t NowSeconds() override { return date; }
  void PumpMessages() override {}
  void SleepMs(unsigned) override {}
  std::int64_t MonotonicMs() override { return mono; }
  void WaitForMessages(unsigned timeout_ms) override {
    timeouts.push_back(timeout_ms);
    date -= 3600;
    mono += timeout_ms < 1000 ? timeout_ms : 1000;
  }
};

TEST(Delay, FollowsTheMonotonicClockAndSleepsForTheRest) {
  testing::FormRig rig;
  SteppingWait wait;
  rig.ports.wait = &wait;
  ASSERT_TRUE(rig.Load());
  rig.form->dialer().Delay(3);
  EXPECT_EQ(wait.timeouts, (std::vector<unsigned>{3000, 2000, 1000}));
  wait.timeouts.clear();
  rig.form->dialer().Delay(0);
  EXPECT_TRUE(wait.timeouts.empty());
}

}  // namespace
}  // namespace kit::dialer
