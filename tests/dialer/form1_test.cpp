#include "dialer/form1.h"

#include <gtest/gtest.h>

#include "ports/platform.h"
#include "tests/dialer/desk.h"

namespace kit::dialer {
namespace {

using testing::Desk;
using testing::ExpectSteps;
using testing::Lines;
using forms::WindowState;

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

// The boxes shown, the set-up and dial controls, the status and the order of
// the probes, for every machine state in both builds.
TEST(Form1StartUp, SequenceForEveryMachineStateInBothBuilds) {
  struct Case {
    const char* name;
    bool optimized, created, intranet;
    const char* gateway;
    const char* os;
  } cases[] = {
      {"first run", false, false, false, "198.51.100.1", "5.1.2600"},
      {"optimized", true, false, false, "198.51.100.1", "5.1.2600"},
      {"after creation, tunnel up", true, true, true, "198.51.100.1", "5.1.2600"},
      {"LAN on 10.x", true, true, false, "10.0.0.1", "5.1.2600"},
      {"Windows 7 fills the boxes", true, true, false, "198.51.100.1", "6.1.7601"},
      {"Vista fills the boxes", true, false, false, "198.51.100.1", "6.0.6002"},
  };
  for (Build build : {Build::kTunnelgate, Build::kTunnelpost}) {
    for (const Case& c : cases) {
      Desk desk(build);
      const std::string name = "start-up, " + std::string(c.name) + ", " + desk.profile.app_title;
      if (c.optimized) desk.Optimized();
      if (c.created) desk.Created();
      desk.net().os = c.os;
      desk.net().gateway = c.gateway;
      desk.net().intranet = c.intranet;
      desk.net().report_every_probe = true;
      StoreCredentials(desk, "张三", "pw1");
      ASSERT_TRUE(desk.Load());
      sim::HeadlessForm& w = desk.win();
      Lines seen = desk.With("box:");
      for (const std::string& l : {States(w, kSetUpButtons, false), States(w, kSetUpShown, true),
                                   States(w, kDialButtons, false), "Label7=" + w.Caption("Label7"),
                                   "Text1=" + w.Caption("Text1") + " Text2=" + w.Caption("Text2")}) {
        seen.push_back(l);
      }
      for (const auto& l : desk.Transcript()) {
        if (l.rfind("probe: ", 0) == 0 || l.rfind("tray: ", 0) == 0) seen.push_back(l);
      }
      ExpectSteps(name, seen);
      const auto& timers = w.model().timers;
      EXPECT_EQ(timers.at("Timer1").enabled && timers.at("Timer2").enabled, true) << name;
      EXPECT_EQ(timers.at("Timer2").interval_ms, 3000u);
      EXPECT_FALSE(timers.count("Timer3") != 0 && timers.at("Timer3").enabled);
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

// Pages, help and the menu items without an action, which add nothing.
TEST(Form1, ButtonsOpenPagesHelpAndForms) {
  Desk desk;
  desk.Optimized();
  desk.Created();
  ASSERT_TRUE(desk.Load());
  desk.Clear();
  for (const char* n : {"Command7", "Command8", "Command10", "Command11", "mm_help_mustread", "mm_help_main",
                        "mm_help_vpnerror", "mm_help_intlan", "mm_help_intadsl", "mm_help_intother",
                        "mm_help_nexdeskerror"}) {
    desk.form.OnClick(n);
  }
  EXPECT_EQ(HelpFilePath("/opt/kit"), "/opt/kit/help.chm");
  // Forced mode brings back the credential frame.
  desk.form.OnClick("mm_file_force");
  Lines seen = desk.Transcript();
  seen.push_back(States(desk.win(), kSetUpShown, true));
  seen.push_back(States(desk.win(), kSetUpButtons, false));
  ExpectSteps("buttons, menu items and the forced mode", seen);
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
