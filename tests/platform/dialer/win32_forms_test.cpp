// The main window on real USER windows: the controls exist with their
// captions, text boxes hold Chinese text, a button press reaches the form,
// and the timers tick through the message queue.
#include <gtest/gtest.h>

#include "dialer/dialer_platform.h"
#include "dialer/form1.h"
#include "platform/win32/dialer/win32_dialer.h"
#include "platform/win32/dialer/win32_forms.h"
#include "platform/win32/exchange/win32_exchange.h"
#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

std::string NoTime() { return "12:00:00"; }

// The main window of one build on the desktop, over the system's own ports.
// Nothing here loads it: the window is made, not the start-up's probes, boxes
// and settings.
struct WindowRig {
  explicit WindowRig(dialer::Build build)
      : profile(dialer::ProfileFor(build)),
        host(cp, nullptr),
        mutexes(cp),
        help(cp),
        finder(cp),
        form(dialer::DefaultDialerPorts(&dialogs, &shell),
             dialer::FormPorts{&host, &mutexes, &help, &files, "C:\\Program Files\\Tunnelgate", &NoTime},
             dialer::DialerConfig(), profile) {}
  // The child button of the main window with that caption; 0 when none.
  WindowHandle Button(const std::string& caption) {
    WindowHandle parent = form.Owner();
    for (WindowHandle b = finder.FindChild(parent, 0, "Button"); b != 0; b = finder.FindChild(parent, b, "Button")) {
      if (finder.GetText(b, 255) == caption) return b;
    }
    return 0;
  }
  Win32CodePage cp;
  const dialer::BuildProfile& profile;
  Win32Dialogs dialogs;
  Win32Shell shell;
  Win32FileSystem files;
  Win32FormHost host;
  Win32Mutexes mutexes;
  Win32HelpViewer help;
  Win32WindowFinder finder;
  dialer::Form1 form;
};

TEST(Win32Forms, MainWindowControlsAndEvents) {
  for (dialer::Build build : {dialer::Build::kTunnelgate, dialer::Build::kTunnelpost}) {
    WindowRig w(build);
    forms::IForm& f = w.form.window();
    if (f.Handle() == 0) {
      // Under a runner without a display no window can be made at all.
      GTEST_SKIP() << "no top-level window could be created";
    }
    f.Show();
    EXPECT_TRUE(f.Shown());
    EXPECT_EQ(w.finder.GetText(f.Handle(), 255), w.profile.caption);
    for (const char* caption : {"建立连接", "强制模式", "拨   号", "断   开", "刷新网络状态", "至托盘", "退  出",
                                "线路1(适用于移动、铁通线路)", "请选择您合适的网络线路"}) {
      EXPECT_NE(w.Button(caption), 0u) << caption;
    }
    EXPECT_EQ(w.Button("拨号后提高访问澄岚政府网速度") != 0, build == dialer::Build::kTunnelgate);

    f.SetCaption("Text1", "张三");
    EXPECT_EQ(f.Caption("Text1"), "张三");
    f.SetValue("Option2", 1);
    EXPECT_EQ(f.Value("Option1"), 0);
    EXPECT_EQ(f.Value("Option2"), 1);

    // A press on the real button reaches the form: to the tray.
    w.finder.Click(w.Button("至托盘"));
    EXPECT_EQ(f.State(), forms::WindowState::kMinimized);
    EXPECT_FALSE(f.Shown());
    f.SendSysCommand(forms::kScRestore);
    EXPECT_EQ(f.State(), forms::WindowState::kNormal);
    EXPECT_TRUE(f.Shown());

    // The clock panel fills from the timer's messages.
    f.SetTimer("Timer1", true, 1000);
    Win32WaitHost wait;
    const std::int64_t until = wait.MonotonicMs() + 1500;
    while (f.PanelText(6).empty() && wait.MonotonicMs() < until) wait.WaitForMessages(100);
    EXPECT_EQ(f.PanelText(6), "12:00:00");

    w.form.OnClose();
    EXPECT_TRUE(w.form.Ended());
    EXPECT_FALSE(f.Shown());
  }
}

TEST(Win32Forms, SecondMutexReportsTheFirst) {
  Win32CodePage cp;
  Win32Mutexes m(cp);
  std::uint32_t e1 = 0, e2 = 0;
  std::uintptr_t a = m.Create("KitDialerFormsTest", true, &e1);
  std::uintptr_t b = m.Create("KitDialerFormsTest", true, &e2);
  EXPECT_NE(a, 0u);
  EXPECT_EQ(e1, 0u);
  EXPECT_EQ(e2, forms::kErrorAlreadyExists);
  m.Close(b);
  m.Close(a);
}

}  // namespace
}  // namespace kit::win32
