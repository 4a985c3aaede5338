// The headless forms and their companions: the transcript's message boxes
// and waits, and the reasons given for commands.
#include "sim/dialer/headless_forms.h"

#include <gtest/gtest.h>

#include <sstream>

#include "dialer/commands.h"
#include "dialer/form1.h"
#include "platform/posix/iconv_codepage.h"

namespace kit::sim {
namespace {

TEST(TranscriptDialogs, QueuedAnswersAreForQuestionsOnly) {
  struct Case {
    unsigned style;
    std::vector<int> queued;
    int want;
    std::size_t left;
  } cases[] = {
      {mb::kOk | mb::kIconInfo, {id::kNo}, id::kOk, 1},
      {mb::kYesNo | mb::kIconInfo, {id::kNo}, id::kNo, 0},
      {mb::kYesNo | mb::kIconInfo, {}, id::kYes, 0},
      {mb::kYesNo | mb::kDefButton2, {}, id::kNo, 0},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    TranscriptDialogs d(out, nullptr);
    d.answers.assign(c.queued.begin(), c.queued.end());
    EXPECT_EQ(d.MessageBox(0, "正文", "标题", c.style), c.want);
    EXPECT_EQ(d.answers.size(), c.left);
    EXPECT_EQ(out.str().rfind("box: [标题] 正文 (style " + std::to_string(c.style) + ")\n", 0), 0u);
  }
}

TEST(TranscriptWait, SkippedWaitsAreStillPrintedAndMoveTheClock) {
  std::ostringstream out;
  TranscriptWait w(out, true);
  const std::int64_t t0 = w.MonotonicMs();
  w.WaitStarting(8);
  w.WaitForMessages(8000);
  w.SleepMs(1000);
  EXPECT_GE(w.MonotonicMs() - t0, 9000);
  EXPECT_EQ(out.str(), "wait: 8 s\nwait: 1 s\n");
}

TEST(ExplainCommand, EveryDialerCommandHasItsReason) {
  const std::string net = "198.18.0.0";
  struct Case {
    std::string command;
    const char* reason;
  } cases[] = {
      {dialer::kHangUpCommand, "hang up the tunnel"},
      {*dialer::DialCommand("zs", "pw"), "dial the tunnel with the user name and password of the boxes"},
      {dialer::kRasphoneCommand, "open the system dial dialog of the entry, which dials with its stored credentials"},
      {dialer::kRouteDeleteDefault, "drop every default route, so that only the local gateway gets one back"},
      {dialer::RouteAddDefault("1.2.3.4"), "everything but the intranet through the local gateway"},
      {dialer::RouteAddIntranet("172.16.0.1"), "the office intranet through the tunnel gateway"},
      {dialer::RouteAddServerNetwork(net, "1.2.3.4"), "the VPN servers' network through the local gateway, outside the tunnel"},
      {dialer::kRouteDeleteIntranet, "remove the intranet route through the tunnel"},
      {dialer::RouteDeleteServerNetwork(net), "remove the route to the VPN servers' network"},
      {dialer::kOptimizeCommand4, "stop and disable the connection sharing service"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExplainCommand(c.command, net), c.reason) << c.command;
}

class NoEvents : public forms::IFormEvents {
 public:
  int resized = 0;
  void OnClick(const std::string&) override {}
  void OnTimer(const std::string&) override {}
  void OnResize() override { ++resized; }
  bool OnTrayMessage(unsigned, long) override { return false; }
  void OnClose() override {}
};

TEST(HeadlessForm, ShowsWhatChangesAndFindsControlsByName) {
  std::ostringstream out;
  HeadlessFormHost host(out, posix::SystemCodePage());
  NoEvents events;
  forms::FormLayout layout = dialer::Form1Spec(dialer::ProfileFor(dialer::Build::kTunnelgate));
  std::unique_ptr<forms::IForm> f = host.Create(layout, &events);
  out.str("");
  f->SetCaption("Label7", "已拨号");
  f->SetCaption("Label7", "已拨号");  // unchanged: nothing new to see
  f->SetCaption("Text2", "secret");
  f->SetPanelText(1, "VPN连接");
  f->SetPanelText(6, "12:00:00");
  f->SetValue("Option2", 1);
  f->SetState(forms::WindowState::kMinimized);
  f->SetTrayTip(dialer::TrayTipField(posix::SystemCodePage(), "提示"));
  EXPECT_EQ(out.str(), "label: Label7 = 已拨号\ntext: Text2 = ***\npanel 1: VPN连接\ntray: tip 提示\n");
  EXPECT_EQ(f->Value("Option1"), 0);
  EXPECT_EQ(f->Value("Option2"), 1);
  EXPECT_EQ(events.resized, 1);
  EXPECT_EQ(host.FormWith("Command4"), f.get());
  EXPECT_EQ(host.FormWith("cmdOK"), nullptr);
  f->Unload();
  EXPECT_EQ(host.FormWith("Command4"), nullptr);
}

}  // namespace
}  // namespace kit::sim
