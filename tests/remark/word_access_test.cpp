#include "exchange/word_access.h"
#include "exchange/word_members.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

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

class ListedProcesses : public IProcesses {
 public:
  std::optional<std::vector<ProcessEntry>> table;
  std::uint32_t self = 50;
  std::vector<std::uint32_t> terminated;
  std::map<std::uint32_t, bool> refuse;
  std::optional<std::vector<ProcessEntry>> Snapshot() override { return table; }
  bool Terminate(std::uint32_t pid, std::uint32_t code) override {
    EXPECT_EQ(code, 0u);
    if (refuse[pid]) return false;
    terminated.push_back(pid);
    return true;
  }
  std::uint32_t CurrentProcessId() override { return self; }
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
  void MenuBars() {
    word.bars = {
        {"Menu Bar", true, {{A("文件(&F)")}, {A("工具(&T)")}}},
        {"Reviewing", true, {{A("修订")}, {A("接受修订")}, {A("批注")}}},
        {"Tools", true, {{A("字数统计(&W)...")}, {A("修订(&T)")}, {A("审阅(&R)")}}},
        {"File", true, {{A("保存版本(&V)...")}, {A("打开(&O)")}}},
    };
  }
  // "+:+-" per bar: the bar's state, then its controls'.
  std::string BarStates() const {
    std::string out;
    for (const auto& bar : word.bars) {
      out += out.empty() ? "" : " ";
      out += bar.enabled ? "+:" : "-:";
      for (const auto& c : bar.controls) out += c.enabled ? '+' : '-';
    }
    return out;
  }
};

TEST(WordAccessTest, ReMarkSetOffGreysRevisionCommandsAndTheirBars) {
  Rig r;
  r.Run();
  r.MenuBars();
  r.word.OpenDocument("");
  EXPECT_EQ(ReMarkSet(r.ports, "0"), 0);
  EXPECT_FALSE(r.word.status_bar);
  EXPECT_EQ(r.BarStates(), "+:++ -:--+ -:+-- -:-+");
  EXPECT_TRUE(r.dialogs.shown.empty());

  // The calls of the last bar and the Tools step, with objects and types.
  std::vector<std::string> log = r.word.Log();
  ASSERT_GE(log.size(), 12u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 8),
            (std::vector<std::string>{"Application 29 put BOOL:0", "Application 57 get", "CommandBars 1610809347 get",
                                      "CommandBars 0 get I2:1", "CommandBar 1610874883 get", "Controls 1610809345 get",
                                      "Controls 0 get I2:1", "Control 1610874883 get"}));
  EXPECT_EQ(std::vector<std::string>(log.end() - 7, log.end()),
            (std::vector<std::string>{
                "CommandBars 1610809347 get",
                "Application 3 get",
                "Application 57 get",
                "CommandBars 0 get STR:Tools",
                "CommandBar 1610874883 get",
                "Controls 0 get STR:\xD0\xDE\xB6\xA9(&T)",  // code page 936, as Word expects
                "Control 1610874890 put BOOL:0",
            }));

  for (const char* flag : {"1", ""}) {
    r.word.calls.clear();
    EXPECT_EQ(ReMarkSet(r.ports, flag), 0);
    EXPECT_TRUE(r.word.status_bar);
    EXPECT_EQ(r.BarStates(), "+:++ +:+++ +:+++ +:++");
    EXPECT_EQ(r.word.Log().back(), "Control 1610874890 put BOOL:1");
  }
}

TEST(WordAccessTest, CaptionsMatchWholeCharactersOnly) {
  Rig r;
  // B0D0 DEB6 A9A4: the bytes D0 DE B6 A9 of the first word straddle three
  // other characters.
  const std::string straddle = "\xB0\xD0\xDE\xB6\xA9\xA4";
  ASSERT_EQ(r.cp.ToUtf8(straddle).find('?'), std::string::npos);
  ASSERT_NE(straddle.find(r.A("修订")), std::string::npos);
  EXPECT_FALSE(IsReviewCaption(r.cp, straddle));
  EXPECT_TRUE(IsReviewCaption(r.cp, r.A("显示修订标记")));
  EXPECT_TRUE(IsReviewCaption(r.cp, r.A("审阅")));
  EXPECT_TRUE(IsReviewCaption(r.cp, r.A("保存版本(&V)...")));
  EXPECT_FALSE(IsReviewCaption(r.cp, r.A("保存(&S)")));
}

TEST(WordAccessTest, WithoutADocumentTheToolsStepFailsToTheCaller) {
  Rig r;
  r.Run();
  r.MenuBars();
  EXPECT_THROW(ReMarkSet(r.ports, "0"), AutomationError);
  EXPECT_EQ(r.word.Log().back(), "Application 3 get");
  EXPECT_FALSE(r.word.bars[1].enabled);
  EXPECT_FALSE(r.word.bars[2].controls[1].enabled);  // reached by the loop
}

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

TEST(WordAccessTest, UserNameIsSavedSetAndRestored) {
  Rig r;
  g_savedUserName.clear();
  WordApp w = ObtainNewWord(r.ports);
  ASSERT_TRUE(w);
  RestoreUserName(w.app);  // nothing saved: Word is not told anything
  EXPECT_TRUE(r.word.calls.empty());
  r.word.user_name = r.A("张三");
  SaveUserName(w.app);
  EXPECT_EQ(g_savedUserName, r.A("张三"));
  SetUserName(w.app, r.A("李四"));
  EXPECT_EQ(r.word.user_name, r.A("李四"));
  RestoreUserName(w.app);
  EXPECT_EQ(r.word.user_name, r.A("张三"));
  EXPECT_EQ(r.word.Log(), (std::vector<std::string>{"Application 52 get", "Application 52 put STR:" + r.A("李四"),
                                                    "Application 52 put STR:" + r.A("张三")}));
  g_savedUserName.clear();
}

TEST(WordAccessTest, ProcessTestsCompareExactlyAndSkipTheIdleEntry) {
  ListedProcesses p;
  EXPECT_FALSE(IsHaveWordPro(p, "WINWORD.EXE"));  // no snapshot
  EXPECT_EQ(KillWordPro(p, "WINWORD.EXE"), 0);
  p.table = std::vector<ProcessEntry>{{0, "WINWORD.EXE"}, {4, "System"}, {50, "WINWORD.EXE"}, {60, "WINWORD.EXE"},
                                      {61, "winword.exe"}, {70, "WINWORD.EXE"}};
  EXPECT_TRUE(IsHaveWordPro(p, "WINWORD.EXE"));
  EXPECT_TRUE(IsHaveWordPro(p, "winword.exe"));
  EXPECT_FALSE(IsHaveWordPro(p, "WINWORD"));
  p.refuse[60] = true;
  EXPECT_EQ(KillWordPro(p, "WINWORD.EXE"), 0);
  // Not the idle entry, not ourselves (50), the refused one passed over.
  EXPECT_EQ(p.terminated, (std::vector<std::uint32_t>{70}));
  p.table = std::vector<ProcessEntry>{{0, "WINWORD.EXE"}, {4, "System"}};
  EXPECT_FALSE(IsHaveWordPro(p, "WINWORD.EXE"));
}

// The members reach the page through the control's dispatch table.
TEST(WordAccessTest, ControlMembersAnswerByDispId) {
  Rig r;
  ListedProcesses p;
  p.table = std::vector<ProcessEntry>{{0, "System Idle"}, {8, "WINWORD.EXE"}};
  r.ports.processes = &p;
  remark::CNotaroCtrl ctrl;
  ctrl.AddMembers(WordMembers(r.ports));
  using automation::InvokeKind;
  using automation::Variant;
  EXPECT_EQ(ctrl.Invoke(remark::DISPID_ReMarkSet, InvokeKind::Method, {Variant::Str("0")}), Variant::Error(0));
  ASSERT_EQ(r.dialogs.shown.size(), 1u);
  EXPECT_EQ(r.dialogs.shown[0].text, kMsgWordNotRunning);
  EXPECT_EQ(ctrl.Invoke(remark::DISPID_IsHaveWordPro, InvokeKind::Method, {Variant::Str("WINWORD.EXE")}),
            Variant::Bool(true));
  EXPECT_EQ(ctrl.Invoke(remark::DISPID_IsHaveWordPro, InvokeKind::Method, {Variant::Str("winword.exe")}),
            Variant::Bool(false));
  EXPECT_EQ(ctrl.Invoke(remark::DISPID_KillWordPro, InvokeKind::Method, {Variant::Str("WINWORD.EXE")}),
            Variant::Error(0));
  EXPECT_EQ(p.terminated, (std::vector<std::uint32_t>{8}));
  // Members no row answers stay unavailable.
  EXPECT_THROW(ctrl.Invoke(remark::DISPID_NewWordDoc, InvokeKind::Method, {Variant::Str("a.doc")}),
               automation::AutomationError);
}

TEST(WordStandInTest, DocumentsBookmarksAndSavingAreReal) {
  Rig r;
  const std::string src = ::testing::TempDir() + "standin_src.doc";
  const std::string dst = ::testing::TempDir() + "standin_dst.doc";
  std::ofstream(src, std::ios::binary) << "Dear X,\fbody";
  WordApp w = ObtainNewWord(r.ports);
  ASSERT_TRUE(w);
  automation::CDispatchDriver docs = w.app.GetObject(wd::kAppDocuments);
  automation::CDispatchDriver doc = docs.CallObject(wd::kDocsOpen, {automation::Variant::Str(src)});
  r.word.documents.back()->bookmarks = {{"to", "X"}};
  automation::CDispatchDriver marks = doc.GetObject(wd::kDocBookmarks);
  ASSERT_EQ(marks.GetLong(wd::kBookmarksCount), 1);
  automation::CDispatchDriver mark = marks.CallObject(wd::kBookmarksItem, {automation::Variant::I4(1)});
  EXPECT_EQ(mark.GetString(wd::kBookmarkName), "to");
  r.word.copied_text = "Z";
  mark.GetObject(wd::kBookmarkRange).Call(wd::kRangePaste);
  EXPECT_EQ(r.word.documents.back()->bookmarks[0].second, "Z");
  EXPECT_THROW(marks.CallObject(wd::kBookmarksItem, {automation::Variant::I4(2)}), AutomationError);
  // Replacing the whole text drops the bookmark, as Word does.
  mark.GetObject(wd::kBookmarkRange).Put(wd::kRangeText, automation::Variant::Str("Y"));
  EXPECT_EQ(marks.GetLong(wd::kBookmarksCount), 0);
  EXPECT_THROW(mark.GetObject(wd::kBookmarkRange).Put(wd::kRangeText, automation::Variant::Str("Y")), AutomationError);

  automation::CDispatchDriver content = doc.GetObject(wd::kDocContent);
  content.Put(wd::kRangeText, automation::Variant::Str("one\ftwo\fthree"));
  EXPECT_EQ(r.word.documents.back()->pages.size(), 3u);
  doc.Call(wd::kDocProtect, {automation::Variant::I4(0), automation::Variant::Missing(), automation::Variant::Missing()});
  EXPECT_EQ(r.word.documents.back()->protection, 0);
  doc.Call(wd::kDocSaveAs, {automation::Variant::Str(dst)});
  std::ifstream in(dst, std::ios::binary);
  std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved, "one\ftwo\fthree");

  // Any member can be told to fail, counted from when it is told.
  r.word.FailOn("Document", wd::kDocSave);
  EXPECT_THROW(doc.Call(wd::kDocSave), AutomationError);
  doc.Call(wd::kDocSave);
  EXPECT_EQ(r.word.documents.back()->saves, 1);
  doc.Call(wd::kDocClose, {automation::Variant::Missing(), automation::Variant::Missing(), automation::Variant::Missing()});
  EXPECT_TRUE(r.word.documents.back()->closed);
  EXPECT_THROW(w.app.Get(wd::kAppActiveDocument), AutomationError);
  w.app.Call(wd::kAppQuit, {automation::Variant::Missing(), automation::Variant::Missing(), automation::Variant::Missing()});
  EXPECT_TRUE(r.word.quit);
  EXPECT_EQ(r.word.Log()[1], "Documents 12 call STR:" + src);
}

}  // namespace
}  // namespace kit::exchange
