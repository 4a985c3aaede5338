// The dialer's forms without a screen: what a user would see change, and
// controls found by name.
#include "sim/dialer/headless_forms.h"

#include <gtest/gtest.h>

#include <sstream>

#include "dialer/form1.h"
#include "platform/posix/iconv_codepage.h"

namespace kit::sim {
namespace {

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
