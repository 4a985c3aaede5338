// What the dialer would do to the desktop, recorded and written down.
#include "sim/dialer/recorders.h"

#include <gtest/gtest.h>

#include <sstream>

#include "dialer/commands.h"
#include "tests/platform/temp_kit_root.h"

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
      {mb::kOkCancel, {}, id::kOk, 0},
      {mb::kOkCancel | mb::kDefButton2, {}, id::kCancel, 0},
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

TEST(TranscriptDialogs, TheTerminalAnswersWithTheBoxsButtons) {
  struct Case {
    unsigned style;
    const char* typed;
    int want;
    const char* prompt;
  } cases[] = {
      {mb::kYesNo, "n\n", id::kNo, "answer yes or no? "},
      {mb::kYesNo, "y\n", id::kYes, "answer yes or no? "},
      {mb::kOkCancel, "cancel\n", id::kCancel, "answer ok or cancel? "},
      {mb::kOkCancel, "", id::kOk, "answer ok or cancel? "},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    std::istringstream terminal(c.typed);
    TranscriptDialogs d(out, &terminal);
    EXPECT_EQ(d.MessageBox(0, "正文", "标题", c.style), c.want) << c.typed;
    EXPECT_NE(out.str().find(c.prompt), std::string::npos);
  }
}

TEST(Recorders, PhonebookWindowsShellAndRestart) {
  testing::TempKitRoot root;
  RecordingPhonebook phonebook;
  const std::string name = "澄../x";
  EXPECT_TRUE(phonebook.CreateVpnEntry(name, "198.18.10.1", "张三", "secret"));
  EXPECT_EQ(phonebook.FileFor(name, "entry"), (root.root() / "phonebook" / "b3ce2e2e2f78.entry").string());
  EXPECT_EQ(root.ReadFile("phonebook/b3ce2e2e2f78.entry"), "L2TP to 198.18.10.1\n");
  EXPECT_EQ(root.ReadFile("phonebook/b3ce2e2e2f78.credentials"), "user 张三\n");
  EXPECT_FALSE(phonebook.CreateVpnEntry("", "198.18.10.1", "u", "p"));

  std::ostringstream out;
  SimWindows windows(out);
  windows.windows = {{"#32770", "连接 测试", {"取消", "连接(&C)"}}};
  EXPECT_EQ(windows.FindTopLevel("#32770", "连接 别的"), 0u);
  const WindowHandle dialog = windows.FindTopLevel("#32770", "连接 测试");
  ASSERT_NE(dialog, 0u);
  const WindowHandle first = windows.FindChild(dialog, 0, "Button");
  const WindowHandle second = windows.FindChild(dialog, first, "Button");
  EXPECT_EQ(windows.GetText(second, 255), "连接(&C)");
  EXPECT_EQ(windows.FindChild(dialog, second, "Button"), 0u);
  EXPECT_EQ(windows.FindChild(dialog, 0, "Edit"), 0u);
  windows.Click(second);

  PrintingShell shell(out);
  ShellRequest plain;
  plain.file = "http://10.1.1.8/";
  shell.Execute(plain);
  ShellRequest other = plain;
  other.verb = "print";
  other.directory = "c:\\";
  other.show = kSwHide;
  shell.Execute(other);

  TranscriptRestart restart(out);
  EXPECT_TRUE(restart.Restart(true));
  restart.refuse = true;
  EXPECT_FALSE(restart.Restart(false));
  EXPECT_EQ(out.str(),
            "click: 连接(&C)\n"
            "open: http://10.1.1.8/\n"
            "open: http://10.1.1.8/ (verb print) (in c:\\) (show 0)\n"
            "privilege: SeShutdownPrivilege\n"
            "restart: the machine would restart now (flags 6, reason 0)\n"
            "privilege: SeShutdownPrivilege\n"
            "restart: refused\n");
}

TEST(TranscriptStarter, WritesWhyAndRunAndKeepsTheWindowState) {
  std::ostringstream out;
  TranscriptStarter starter(out, "198.18.0.0");
  std::vector<std::string> heard;
  starter.started = [&](const std::string& line) { heard.push_back(line); };
  EXPECT_TRUE(starter.Start(dialer::kRouteDeleteIntranet, show::kHide));
  EXPECT_TRUE(starter.Start(dialer::kRasphoneCommand, show::kNormalFocus));
  EXPECT_EQ(out.str(),
            "why: remove the intranet route through the tunnel\nrun: cmd /c route delete 10.1.0.0 \n"
            "why: open the system dial dialog of the entry, which dials with its stored credentials\n"
            "run: rasphone  -d 澄岚市电子政务内网VPN连接\n");
  ASSERT_EQ(starter.lines.size(), 2u);
  EXPECT_EQ(starter.lines[1].show, show::kNormalFocus);
  EXPECT_EQ(heard, (std::vector<std::string>{dialer::kRouteDeleteIntranet, dialer::kRasphoneCommand}));
}

}  // namespace
}  // namespace kit::sim
