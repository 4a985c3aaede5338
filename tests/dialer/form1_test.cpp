#include "dialer/form1.h"

#include <gtest/gtest.h>

#include "ports/platform.h"
#include "tests/dialer/desk.h"

namespace kit::dialer {
namespace {

using testing::Desk;
using testing::Lines;
using forms::WindowState;

const char kFirstRunBox[] =
    "box: [警告！] 第一次运行请先建立连接，如【优化】按钮可用，请先进行VPN优化后再建立连接，否则拨号将不正常！ (style 64)";

void StoreCredentials(Desk& desk, const std::string& user, const std::string& password) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  desk.PutText(RegRoot::kCurrentUser, desk.SettingsKey(), "VpnUser", Enc(cp, user, EncCode));
  desk.PutText(RegRoot::kCurrentUser, desk.SettingsKey(), "VpnPassword", Enc(cp, password, EncCode));
}

// Which of the named controls are enabled / visible, as "name=0/1" words.
std::string States(forms::IForm& w, const std::vector<std::string>& names, bool visible) {
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
      {"LAN on 10.x", true, true, false, false, "10.0.0.1", "5.1.2600", {"box: [@] 10.1.X.X网段的局域网用户拨号后将不正常 (style 0)"},
       kAllOff, kCredsHidden, kDialIdle, "未拨号", false},
      {"Windows 7 fills the boxes", true, true, false, false, "198.51.100.1", "6.1.7601", {}, kAllOff, kCredsHidden,
       kDialIdle, "未拨号", true},
      {"Vista fills the boxes", true, false, false, false, "198.51.100.1", "6.0.6002", {kFirstRunBox}, kCreateOnly,
       kCredsShown, kDialIdle, "未拨号", true},
  };
  for (Build build : {Build::kTunnelgate, Build::kTunnelpost}) {
    for (const Case& c : cases) {
      Desk desk(build);
      SCOPED_TRACE(std::string(c.name) + " / " + desk.profile.app_title);
      if (c.optimized) desk.Optimized();
      if (c.created) desk.Created();
      desk.net().os = c.os;
      desk.net().gateway = c.gateway;
      desk.net().intranet = c.intranet;
      desk.net().report_every_probe = true;
      StoreCredentials(desk, "张三", "pw1");
      ASSERT_TRUE(desk.Load());
      Lines want;
      for (std::string b : c.boxes) {
        if (b.find('@') != std::string::npos) b.replace(b.find('@'), 1, desk.profile.app_title);
        want.push_back(b);
      }
      EXPECT_EQ(desk.With("box:"), want);
      sim::HeadlessForm& w = desk.win();
      EXPECT_EQ(States(w, kSetUpButtons, false), c.enabled);
      EXPECT_EQ(States(w, kSetUpShown, true), c.shown);
      EXPECT_EQ(States(w, kDialButtons, false), c.dial);
      EXPECT_EQ(w.Caption("Label7"), c.label7);
      EXPECT_EQ(w.Caption("Text1"), c.texts_filled ? "张三" : "");
      EXPECT_EQ(w.Caption("Text2"), c.texts_filled ? "pw1" : "");
      const auto& timers = w.model().timers;
      EXPECT_EQ(timers.at("Timer1").enabled && timers.at("Timer2").enabled, true);
      EXPECT_EQ(timers.at("Timer2").interval_ms, 3000u);
      EXPECT_FALSE(timers.count("Timer3") != 0 && timers.at("Timer3").enabled);
      // Order: the gateway once, both networks, the tray, both networks again.
      Lines order;
      for (const auto& l : desk.Transcript()) {
        if (l.rfind("probe: ", 0) == 0 || l.rfind("tray: ", 0) == 0) order.push_back(l.substr(0, 13));
      }
      EXPECT_EQ(order, (Lines{"probe: the ad", "probe: 10.1.1", "probe: 114.11", "tray: added, ", "tray: tip 澄",
                              "probe: 10.1.1", "probe: 114.11"}));
    }
  }
}

TEST(Form1, DurationPanelCountsHoursMinutesSeconds) {
  struct Case {
    int ticks;
    const char* text;
  } cases[] = {{1, "0时0分1秒"}, {65, "0时1分5秒"}, {3600, "1时0分0秒"}, {3661, "1时1分1秒"}};
  for (const Case& c : cases) {
    Desk desk;
    ASSERT_TRUE(desk.Load());
    for (int i = 0; i < c.ticks; ++i) desk.form.OnTimer("Timer3");
    EXPECT_EQ(desk.win().PanelText(5), c.text);
  }
}

TEST(Form1, ClockAndStatisticsTimers) {
  Desk desk;
  ASSERT_TRUE(desk.Load());
  desk.form.OnTimer("Timer1");
  EXPECT_EQ(desk.win().PanelText(6), "12:00:00");
  desk.net().links = {InterfaceCounters{true, 2000000, 5000, 900, 3}};
  desk.form.OnTimer("Timer2");
  EXPECT_EQ(desk.win().PanelText(2), "收到 5000");
  EXPECT_EQ(desk.win().PanelText(4), "错误 3");
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
  const std::string popup = "form: popup mnuTray: mnuTrayRestore mnuTrayMinimize mnuTrayClose";
  struct Case {
    WindowState before;  // state when sent to the tray
    bool minimized;      // minimized when the icon is clicked
    long lparam;
    WindowState after;
    bool shown;
    bool popped;
  } cases[] = {
      {WindowState::kMaximized, true, forms::kWmLButtonUp, WindowState::kMaximized, true, false},
      {WindowState::kNormal, true, forms::kWmLButtonUp, WindowState::kNormal, true, false},
      {WindowState::kMaximized, false, forms::kWmLButtonUp, WindowState::kNormal, true, false},
      {WindowState::kNormal, true, forms::kWmRButtonUp, WindowState::kMinimized, false, true},
  };
  for (const Case& c : cases) {
    Desk desk;
    ASSERT_TRUE(desk.Load());
    sim::HeadlessForm& w = desk.win();
    w.SetState(c.before);
    desk.form.OnClick("Command13");  // to the tray: minimized and hidden
    EXPECT_EQ(w.State(), WindowState::kMinimized);
    EXPECT_FALSE(w.Shown());
    EXPECT_FALSE(w.Enabled("mnuTrayMinimize"));
    EXPECT_TRUE(w.Enabled("mnuTrayRestore"));
    if (!c.minimized) w.SetState(WindowState::kNormal);
    desk.Clear();
    EXPECT_TRUE(desk.form.OnTrayMessage(2025, c.lparam));
    EXPECT_EQ(w.State(), c.after);
    EXPECT_EQ(w.Shown(), c.shown);
    EXPECT_EQ(desk.With("form: popup"), c.popped ? Lines{popup} : Lines{});
  }
  Desk desk;
  ASSERT_TRUE(desk.Load());
  EXPECT_FALSE(desk.form.OnTrayMessage(2025, 512));  // mouse move goes on to the window
  EXPECT_FALSE(desk.form.OnTrayMessage(2024, forms::kWmLButtonUp));
  desk.form.OnClick("mnuTrayMinimize");
  desk.form.OnClick("mnuTrayRestore");
  EXPECT_EQ(desk.win().State(), WindowState::kNormal);
  EXPECT_TRUE(desk.win().Shown());
  EXPECT_TRUE(desk.win().Enabled("mnuTrayMinimize"));
}

TEST(Form1, ButtonsOpenPagesHelpAndForms) {
  struct Case {
    const char* control;
    const char* line;
  } cases[] = {
      {"Command7", "open: http://10.1.1.8/"},
      {"Command8", "open: http://www.chenglan.gov.cn/"},
      {"Command10", "open: http://mail.chenglan.gov.cn/"},
      {"Command11", "open: http://www.chenglan.gov.cn/nexcms/jsp/daohang.jsp"},
      {"mm_help_mustread", "open: http://www.chenglan.gov.cn/vpnhelp/vpnlan.htm"},
      {"mm_help_main", "help: C:\\Program Files\\Tunnelgate\\help.chm"},
  };
  for (const Case& c : cases) {
    Desk desk;
    ASSERT_TRUE(desk.Load());
    desk.Clear();
    desk.form.OnClick(c.control);
    EXPECT_EQ(desk.Transcript(), Lines{c.line}) << c.control;
  }
  EXPECT_EQ(HelpFilePath("/opt/kit"), "/opt/kit/help.chm");
  // Menu items without an action do nothing.
  Desk desk;
  ASSERT_TRUE(desk.Load());
  desk.Clear();
  for (const char* n : {"mm_help_vpnerror", "mm_help_intlan", "mm_help_intadsl", "mm_help_intother",
                        "mm_help_nexdeskerror"}) {
    desk.form.OnClick(n);
  }
  EXPECT_TRUE(desk.Transcript().empty());
}

TEST(Form1, ForcedModeBringsBackTheCredentialFrame) {
  Desk desk;
  desk.Optimized();
  desk.Created();
  ASSERT_TRUE(desk.Load());
  desk.form.OnClick("mm_file_force");
  EXPECT_EQ(States(desk.win(), kSetUpShown, true), kCredsShown);
  EXPECT_EQ(States(desk.win(), kSetUpButtons, false), "Command1=1 Command2=1 Option3=1 Option4=1 Command6=0");
}

TEST(Form1, WaitsKeepOtherStepsOutAndEndWhenClosing) {
  Desk desk;
  desk.net().os = "6.1.7601";
  desk.net().gateway = "192.0.2.1";
  ASSERT_TRUE(desk.Load());
  desk.Boxes("zs", "pw");
  // Inside the dial's first wait: dial, hang-up and exit are off and ignored.
  std::string during;
  desk.desktop.wait.during_wait = [&] {
    during = States(desk.win(), {"Command4", "Command5", "Command3", "mm_file_exit", "mnuTrayClose"}, false);
    desk.form.OnClick("Command4");
    desk.form.OnClick("Command3");
    desk.form.OnClick("mnuTrayClose");
  };
  desk.form.OnClick("Command4");
  EXPECT_EQ(during, "Command4=0 Command5=0 Command3=0 mm_file_exit=0 mnuTrayClose=0");
  EXPECT_EQ(desk.With("run:"), (Lines{"run: cmd /c rasdial 澄岚市电子政务内网VPN连接  zs pw",
                                      "run: cmd /c route add 198.18.0.0 mask 255.255.0.0 192.0.2.1"}));
  EXPECT_FALSE(desk.form.Ended());
  EXPECT_TRUE(desk.win().Enabled("Command3"));

  // The close box during a wait: the waits end, the step finishes on a live
  // window, then the window unloads.
  desk.Clear();
  desk.desktop.wait.during_wait = [&] { desk.form.OnClose(); };
  const std::int64_t t0 = desk.desktop.wait.MonotonicMs();
  desk.form.OnClick("Command5");
  EXPECT_LT(desk.desktop.wait.MonotonicMs() - t0, 1500);
  EXPECT_TRUE(desk.form.Ended());
  EXPECT_EQ(desk.Transcript().back(), "form: Form1 unloaded");
  EXPECT_TRUE(desk.Get(RegRoot::kCurrentUser, desk.SettingsKey(), "VpnUser").has_value());
}

TEST(Form1, UnexpectedErrorEndsTheProgram) {
  Desk desk;
  ASSERT_TRUE(desk.Load());
  desk.net().management_unreachable = true;
  desk.Clear();
  desk.form.OnClick("Command4");
  EXPECT_TRUE(desk.form.Ended());
  EXPECT_EQ(desk.With("box:"), Lines{"box: [Tunnelgate] 实时错误“-2147217405”："});
  EXPECT_NE(desk.out.str().find("\n\ncannot reach the management service (style 16)\n"), std::string::npos);
  EXPECT_EQ(desk.With("tray:"), Lines{"tray: removed"});
}

// ---- about forms ----

// Version, title and unloading are in the forms session under tests/apps;
// the owner's labels come from the registry, when it has them.
TEST(AboutForms, OwnerLabelsAndTopmostOnce) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  Desk desk;
  ASSERT_TRUE(desk.Load());
  desk.PutText(RegRoot::kLocalMachine, kOwnerKey, "UserName", cp.FromUtf8("王五"));
  desk.PutText(RegRoot::kLocalMachine, kOwnerKey, "CompanyName", cp.FromUtf8("王五局"));
  desk.Clear();
  desk.form.OnClick("mm_help_aboutme");
  sim::HeadlessForm* about = desk.desktop.forms.Form("frmAbout");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->Caption("Label2"), "王五");
  EXPECT_EQ(about->Caption("Label3"), "王五局");
  about->events()->OnClick("cmdOK");
  desk.form.OnClick("mm_help_aboutme");
  EXPECT_EQ(desk.With("form: frmAbout topmost"), Lines{"form: frmAbout topmost"});  // the first load only
}

TEST(AboutForms, SystemInformationFromEitherKeyQuoted) {
  const Lines unavailable = {"box: [Tunnelgate] 此时系统信息不可用 (style 0)", "answer: ok"};
  struct Case {
    const char* path;      // MSINFO PATH
    const char* location;  // Shared Tools Location MSINFO
    bool exe_there;
    Lines want;
  } cases[] = {
      {"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe", nullptr, false,
       {"why: the system information tool",
        "run: \"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\""}},
      {nullptr, nullptr, false, unavailable},
      {nullptr, "C:\\Shared Tools\\MSInfo", false, unavailable},
      {nullptr, "C:\\Shared Tools\\MSInfo", true,
       {"why: the system information tool", "run: \"C:\\Shared Tools\\MSInfo\\MSINFO32.EXE\""}},
      {"C:\\a\"&calc", nullptr, false, unavailable},
  };
  for (const Case& c : cases) {
    Desk desk;
    ASSERT_TRUE(desk.Load());
    if (c.path) desk.PutText(RegRoot::kLocalMachine, kMsinfoKey, "PATH", c.path);
    if (c.location) desk.PutText(RegRoot::kLocalMachine, kMsinfoLocationKey, "MSINFO", c.location);
    if (c.exe_there) desk.root.MakeFile("c/Shared Tools/MSInfo/MSINFO32.EXE");
    desk.form.OnClick("mm_help_aboutme");
    desk.Clear();
    desk.desktop.forms.Form("frmAbout")->events()->OnClick("cmdSysInfo");
    EXPECT_EQ(desk.Transcript(), c.want);
    if (!desk.desktop.starter.lines.empty()) {
      EXPECT_EQ(desk.desktop.starter.lines.back().show, show::kNormalFocus);
    }
  }
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
  Desk desk;
  SteppingWait wait;
  DialerPorts ports = desk.desktop.Ports();
  ports.wait = &wait;
  CDialer dialer(ports, desk.config, desk.profile, desk.form);
  dialer.Delay(3);
  EXPECT_EQ(wait.timeouts, (std::vector<unsigned>{3000, 2000, 1000}));
  wait.timeouts.clear();
  dialer.Delay(0);
  EXPECT_TRUE(wait.timeouts.empty());
}

}  // namespace
}  // namespace kit::dialer
