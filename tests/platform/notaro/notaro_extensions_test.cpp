// What Notaro.ocx adds to the control core on Windows: the members beyond the
// core answered over the Win32 adapters, and message boxes written down
// instead of shown when nobody is at the desktop.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/notaro/notaro_extensions.h"
#include "remark/notaro_ctrl.h"

namespace {

using kit::automation::InvokeKind;
using kit::automation::Variant;
using kit::remark::CNotaroCtrl;
namespace mb = kit::mb;
namespace id = kit::id;
using kit::win32::notaro::ControlDialogs;

TEST(DefaultAnswer, IsTheButtonAStyleMakesTheDefault) {
  struct {
    unsigned style;
    int want;
  } const cases[] = {
      {mb::kOk, id::kOk},
      {mb::kOk | mb::kDefButton2, id::kOk},
      {mb::kOkCancel, id::kOk},
      {mb::kOkCancel | mb::kDefButton2, id::kCancel},
      {mb::kYesNo, id::kYes},
      {mb::kYesNo | mb::kDefButton2, id::kNo},
      {mb::kYesNoCancel, id::kYes},
      {mb::kYesNoCancel | mb::kDefButton2 | mb::kSystemModal, id::kNo},
  };
  for (const auto& c : cases) EXPECT_EQ(kit::DefaultAnswer(c.style), c.want) << std::hex << c.style;
}

// Counts what reaches the desktop.
class Desktop : public kit::IDialogs {
 public:
  int MessageBox(std::uintptr_t, const std::string&, const std::string&, unsigned) override { return ++calls, 99; }
  std::optional<std::vector<std::string>> FileDialog(const kit::FileDialogRequest&) override {
    return ++calls, std::vector<std::string>{"c:\\chosen.doc"};
  }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override {
    return ++calls, std::string("c:\\folder");
  }
  std::optional<kit::ColorRef> ChooseColor(std::uintptr_t, kit::ColorRef) override { return ++calls, 0x123456; }
  int calls = 0;
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ControlDialogs, WithALogWritesBoxesDownInOrderAndCancelsTheChoosersElseShowsThem) {
  const std::string log = "kit_message_boxes.txt";
  std::remove(log.c_str());
  {
    std::ofstream page(log, std::ios::binary);
    page << "a line of the page\r\n";
  }
  Desktop desktop;
  ControlDialogs dialogs(desktop, log);
  EXPECT_EQ(dialogs.MessageBox(0, "\xE4\xBD\xA0\xE5\xA5\xBD", "", mb::kYesNo | mb::kDefButton2), id::kNo);
  EXPECT_EQ(dialogs.MessageBox(0, "second", "Notaro", mb::kOk), id::kOk);
  EXPECT_FALSE(dialogs.FileDialog(kit::FileDialogRequest{}).has_value());
  EXPECT_FALSE(dialogs.BrowseForFolder(0, "t").has_value());
  EXPECT_FALSE(dialogs.ChooseColor(0, 0).has_value());
  EXPECT_EQ(desktop.calls, 0);
  EXPECT_EQ(Read(log), "a line of the page\r\n[message box] \xE4\xBD\xA0\xE5\xA5\xBD\r\n[message box: Notaro] second\r\n");
  std::remove(log.c_str());

  // Without a log everything goes to the desktop.
  ControlDialogs shown(desktop);
  EXPECT_EQ(shown.MessageBox(0, "t", "c", mb::kOk), 99);
  EXPECT_TRUE(shown.FileDialog(kit::FileDialogRequest{}).has_value());
  EXPECT_EQ(shown.BrowseForFolder(0, "t"), std::optional<std::string>("c:\\folder"));
  EXPECT_EQ(shown.ChooseColor(0, 0), std::optional<kit::ColorRef>(0x123456));
  EXPECT_EQ(desktop.calls, 4);
}

class StatusDesktop : public kit::IStatusWindows {
 public:
  std::unique_ptr<kit::IStatusWindow> Create() override {
    ++created;
    return nullptr;
  }
  int created = 0;
};

TEST(ControlStatusWindows, WithALogWriteTheirTextsDownElseShowOnTheDesktop) {
  const std::string log = "kit_status_windows.txt";
  std::remove(log.c_str());
  StatusDesktop desktop;
  {
    kit::win32::notaro::ControlStatusWindows logged(desktop, log);
    auto window = logged.Create();
    ASSERT_NE(window, nullptr);
    window->SetText("\xE6\xAD\xA3\xE5\x9C\xA8\xE4\xB8\x8A\xE4\xBC\xA0");  // 正在上传
    window->SetText("done");
  }
  EXPECT_EQ(Read(log), "[status] \xE6\xAD\xA3\xE5\x9C\xA8\xE4\xB8\x8A\xE4\xBC\xA0\r\n[status] done\r\n");
  EXPECT_EQ(desktop.created, 0);
  kit::win32::notaro::ControlStatusWindows shown(desktop);
  shown.Create();
  EXPECT_EQ(desktop.created, 1);
  std::remove(log.c_str());
}

TEST(InstallWin32Extensions, AnswersTheMembersBeyondTheCore) {
  CNotaroCtrl ctrl;
  kit::win32::notaro::InstallWin32Extensions(ctrl, nullptr, 0);
  EXPECT_NE(ctrl.ui(), nullptr);
  // One member of each subsystem, called as a page calls it.
  struct {
    const char* what;
    kit::automation::DispId member;
    std::vector<Variant> args;
    Variant want;
  } const cases[] = {
      {"local files", kit::remark::DISPID_IsExsitFile, {Variant::Str("c:\\no such file.dat")}, Variant::Bool(false)},
      {"Word processes", kit::remark::DISPID_IsHaveWordPro, {Variant::Str("NO_SUCH_PROGRAM.EXE")},
       Variant::Bool(false)},
      {"transfers (gate shut)", kit::remark::DISPID_Upload,
       {Variant::Str("http://127.0.0.1:9/x"), Variant::Str(""), Variant::Str("x.dat")},
       Variant::Error(kit::remark::kScodeFailed)},
  };
  for (const auto& c : cases) {
    Variant got;
    ASSERT_NO_THROW(got = ctrl.Invoke(c.member, InvokeKind::Method, c.args)) << c.what;
    EXPECT_EQ(got, c.want) << c.what;
  }
}

}  // namespace
