// The main window on real USER windows: the controls exist with their
// captions, text boxes hold Chinese text, a button press reaches the form,
// the timers tick through the message queue, and the system's dial dialog is
// found and its button pressed.
#include <windows.h>

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

// A top-level window of its own class with check-box buttons, as the
// system's dial dialog is found and pressed.
LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST(Win32Desktop, FindsTheDialogAndPressesItsButton) {
  Win32CodePage cp;
  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KitDialerTestDialog";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, wc.lpszClassName, cp.FromUtf8("连接 测试连接").c_str(), WS_OVERLAPPED, 0, 0, 300, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
  if (w == nullptr) {
    // Under a runner without a display no window can be made at all.
    GTEST_SKIP() << "no top-level window could be created (error " << GetLastError() << ")";
  }
  HWND buttons[2];
  int x = 0;
  for (HWND& b : buttons) {
    b = CreateWindowExA(0, "BUTTON", cp.FromUtf8(x == 0 ? "取消" : "连接(&C)").c_str(), WS_CHILD | BS_AUTOCHECKBOX, x, 0,
                        60, 20, w, nullptr, wc.hInstance, nullptr);
    x += 70;
  }
  Win32WindowFinder finder(cp);
  const WindowHandle dlg = reinterpret_cast<WindowHandle>(w);
  EXPECT_EQ(finder.FindTopLevel("KitDialerTestDialog", "连接 测试连接"), dlg);
  EXPECT_EQ(finder.FindTopLevel("KitDialerTestDialog", "连接 别的"), 0u);
  WindowHandle first = finder.FindChild(dlg, 0, "Button");
  EXPECT_EQ(first, reinterpret_cast<WindowHandle>(buttons[0]));
  WindowHandle second = finder.FindChild(dlg, first, "Button");
  EXPECT_EQ(second, reinterpret_cast<WindowHandle>(buttons[1]));
  EXPECT_EQ(finder.GetText(second, 255), "连接(&C)");
  EXPECT_EQ(finder.FindChild(dlg, second, "Button"), 0u);
  finder.Click(second);
  Win32WaitHost().PumpMessages();
  EXPECT_EQ(SendMessageA(buttons[1], BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(buttons[0], BM_GETCHECK, 0, 0), BST_UNCHECKED);
  DestroyWindow(w);
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
