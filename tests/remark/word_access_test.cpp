#include "exchange/word_access.h"
#include "exchange/word_members.h"

#include <gtest/gtest.h>

#include "ports/platform.h"
#include "sim/word/word_standin.h"

namespace kit::exchange {
namespace {

using automation::AutomationError;
using sim::StandInAutomation;
using sim::WordStandIn;

struct ShownMessage {
  std::string text;
  unsigned style;
};

class RecordingDialogs : public IDialogs {
 public:
  std::vector<ShownMessage> shown;
  int MessageBox(std::uintptr_t, const std::string& text, const std::string&, unsigned style) override {
    shown.push_back({text, style});
    return id::kOk;
  }
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }
};

struct Rig {
  StandInAutomation automation;
  WordStandIn word;
  RecordingDialogs dialogs;
  ICodePage& cp = *DefaultPlatform().codepage;
  WordPorts ports;

  Rig() {
    ports.automation = &automation;
    ports.dialogs = &dialogs;
    ports.codepage = &cp;
    automation.classes[kWordProgId] = [this] { return word.Application(); };
  }
  void Run() { automation.running[kWordProgId] = word.Application(); }
  std::string A(const char* utf8) { return cp.FromUtf8(utf8); }
};

TEST(WordAccessTest, WaysToObtainWordAndTheirMessages) {
  {
    Rig r;  // registered, not running
    EXPECT_EQ(ReMarkSet(r.ports, "0"), 0);
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].text, "没有正在运行中的WORD!");
    EXPECT_TRUE(r.word.calls.empty());
    // Way 3 falls back to a new instance.
    WordApp w = ObtainRunningOrNewWord(r.ports);
    EXPECT_TRUE(w);
    EXPECT_EQ(r.automation.log.back(), "CoCreateInstance Word.Application");
  }
  {
    Rig r;
    r.automation.classes.clear();
    EXPECT_EQ(ReMarkSet(r.ports, "1"), 0);
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].text, "不会吧，竟然没有安装Word!");
    WordApp w = ObtainNewWord(r.ports);
    EXPECT_EQ(w.failure, WordFailure::CreateFailed);
    ASSERT_EQ(r.dialogs.shown.size(), 2u);
    EXPECT_EQ(r.dialogs.shown[1].text, "CreateDispatch failed.");
    EXPECT_EQ(r.dialogs.shown[1].style, 0x10000u);
  }
  {
    Rig r;
    r.Run();
    r.automation.refuse_dispatch = true;
    EXPECT_EQ(ReMarkSet(r.ports, "1"), 0);
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].text, "没有取得IDispatchPtr");
    EXPECT_EQ(ObtainRunningOrNewWord(r.ports).failure, WordFailure::NoDispatch);
  }
}

}  // namespace
}  // namespace kit::exchange
