#include "exchange/word_documents.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ports/platform.h"
#include "sim/word/word_standin.h"
#include "tests/exchange/message_log.h"

namespace kit::exchange {
namespace {

namespace fs = std::filesystem;
using automation::AutomationError;
using automation::Variant;
using sim::StandInAutomation;
using sim::WordStandIn;

using Messages = MessageLog;

// c:\temp\... lives in a scratch folder; Word and the lookup see the same files.
struct Desk : IFileLookup {
  fs::path root = fs::temp_directory_path() / ("kit-worddocs-" + std::to_string(::getpid()));
  Desk() { fs::create_directories(root); }
  ~Desk() override { fs::remove_all(root); }
  std::string Native(const std::string& path) const {
    std::string rel = path.substr(3);
    for (char& c : rel) c = c == '\\' ? '/' : c;
    return (root / rel).string();
  }
  std::optional<FoundFile> FindFirst(const std::string& pattern) override {
    if (!fs::exists(Native(pattern))) return std::nullopt;
    return FoundFile{};
  }
  bool OpenSharedRead(const std::string& path) override { return fs::is_regular_file(Native(path)); }
  bool CreateFolder(const std::string& path) override {
    fs::create_directories(Native(path));
    return true;
  }
  void Put(const std::string& name, const std::string& text) {
    fs::create_directories(root / "temp/qzdesk");
    std::ofstream(root / "temp/qzdesk" / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(root / "temp/qzdesk" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

struct Rig {
  Desk desk;
  StandInAutomation automation;
  WordStandIn word;
  Messages messages;
  ICodePage& cp = *DefaultPlatform().codepage;
  std::vector<std::string> downloads;
  bool download_arrives = true;
  WordDocumentPorts ports;
  remark::CNotaroCtrl ctrl;
  std::unique_ptr<CWordDocuments> docs;

  Rig() {
    g_onlyread = "0", g_intohtml = "1", g_showtran = "1", g_toolbar = "0", g_savedUserName.clear();
    ports.word.automation = &automation;
    ports.word.dialogs = &messages;
    ports.word.codepage = &cp;
    ports.lookup = &desk;
    ports.download_to_file = [this](const std::string& url, const std::string& cookie, const std::string& to) {
      downloads.push_back(url + "|" + cookie + "|" + to);
      return download_arrives;
    };
    // Word shows up in the running table once started, as it does for us.
    automation.classes[kWordProgId] = [this] { return automation.running[kWordProgId] = word.Application(); };
    word.map_path = [this](const std::string& p) { return desk.Native(p); };
    docs = std::make_unique<CWordDocuments>(ports);
  }
  void Downloaded() { docs->DownloadWordDoc(ctrl, "http://oa/doc", "sid=1", "a.doc"); }
  void Running() { automation.running[kWordProgId] = word.Application(); }
  std::string A(const char* utf8) { return cp.FromUtf8(utf8); }
  std::vector<std::string> Log() {
    std::vector<std::string> log = word.Log();
    word.calls.clear();
    return log;
  }
};

const std::string kDoc = "STR:c:\\temp\\qzdesk\\a.doc";

// The setters and the gate as a page sees them are in the Word documents
// page script under tests/apps.
TEST(WordDocumentsTest, GateAndDownloadTargets) {
  Rig r;
  r.desk.Put("a.doc", "text");
  // Before any transfer nothing is done and no Word is started.
  EXPECT_EQ(r.docs->EditWord(r.ctrl, "a.doc", "zhang"), -1);
  EXPECT_EQ(r.docs->EditWordInit(r.ctrl, "a.doc"), -1);
  EXPECT_TRUE(r.word.calls.empty());
  EXPECT_TRUE(r.automation.log.empty());

  WordDocumentMembers members(r.ports);
  Variant result;

  struct Download {
    automation::DispId id;
    std::string target;
    std::string expected;  // empty: nothing fetched
    bool arrives = true;
  } table[] = {
      {remark::DISPID_DownloadWordDoc, "a.doc", "c:\\temp\\qzdesk\\a.doc"},
      {remark::DISPID_DownloadWordDoc, "sub\\a.doc", "c:\\temp\\qzdesk\\sub\\a.doc"},
      {remark::DISPID_DownloadWordGW, "b.doc", "c:\\temp\\qzexch\\b.doc"},
      {remark::DISPID_DownloadWordFile, "d:\\files\\c.doc", "d:\\files\\c.doc"},
      {remark::DISPID_DownloadWordDoc, "a.doc", "c:\\temp\\qzdesk\\a.doc", false},
      {remark::DISPID_DownloadWordGW, "b.doc", "c:\\temp\\qzexch\\b.doc", false},
      {remark::DISPID_DownloadWordFile, "d:\\files\\c.doc", "d:\\files\\c.doc", false},
      {remark::DISPID_DownloadWordDoc, "..\\..\\boot.ini", ""},
      {remark::DISPID_DownloadWordGW, "CON.doc", ""},
      {remark::DISPID_DownloadWordFile, "d:\\files\\..\\x.doc", ""},
      {remark::DISPID_DownloadWordFile, "\\\\server\\share\\x.doc", ""},
      {remark::DISPID_DownloadWordFile, "x.doc", ""},
  };
  for (const Download& d : table) {
    r.downloads.clear();
    r.download_arrives = d.arrives;
    ASSERT_TRUE(members.TryInvoke(r.ctrl, d.id, {Variant::Str("u"), Variant::Str("c"), Variant::Str(d.target)}, result));
    EXPECT_EQ(result.AsError(), !d.expected.empty() && d.arrives ? 0 : -1) << d.target;
    if (d.expected.empty()) {
      EXPECT_TRUE(r.downloads.empty()) << d.target;
    } else {
      EXPECT_EQ(r.downloads, std::vector<std::string>{"u|c|" + d.expected});
    }
  }
  EXPECT_TRUE(fs::is_directory(r.desk.root / "temp/qzexch"));
  // The text is kept as the page gave it.
  ASSERT_TRUE(members.TryInvoke(r.ctrl, remark::DISPID_SetShowMark, {Variant::Str("x")}, result));
  EXPECT_EQ(g_showtran, "x");
  EXPECT_FALSE(members.TryInvoke(r.ctrl, remark::DISPID_ReMarkSet, {Variant::Str("1")}, result));
}

TEST(WordDocumentsTest, EditWordForEditingWithTheRevisionBar) {
  Rig r;
  r.desk.Put("a.doc", "text");
  r.Downloaded();
  g_toolbar = "1";
  ASSERT_EQ(r.docs->EditWord(r.ctrl, "a.doc", r.A("张三")), 0);
  const std::vector<std::string> expected = {
      "Application 52 get",
      "Application 52 put STR:" + r.A("张三"),
      "Application 6 get",
      "Documents 12 call " + kDoc,
      "Document 314 put BOOL:1",
      "Document 315 put BOOL:1",
      "Document 316 put BOOL:1",
      "Application 23 put BOOL:1",
      "Document 57 get",
      "CommandBars 0 get STR:" + r.A("公文处理"),
      "CommandBars 1610809346 call STR:" + r.A("公文处理") + " I2:4 BOOL:0 BOOL:1",
      "CommandBar 1610874910 put BOOL:1",
      "CommandBar 1610874883 get",
      "Controls 1610809344 call I4:1 I4:2042 missing missing BOOL:1",
      "Control 1610940426 put I4:3",
      "Control 1610874883 put STR:" + r.A("显示修订"),
      "Control 1610874917 put STR:" + r.A("公文处理系统/显示修改痕迹"),
      "Control 1610874921 put BOOL:1",
      "Document 113 call",
      "Application 385 call",
  };
  EXPECT_EQ(r.Log(), expected);
  EXPECT_EQ(g_savedUserName, "Word User");
  EXPECT_EQ(r.word.user_name, r.A("张三"));
  EXPECT_TRUE(r.word.visible);
  EXPECT_FALSE(r.word.quit);
  EXPECT_TRUE(r.messages.shown.empty());

  // The same Word again, as another remarker: the bar is there already and
  // the user's own name is still the one to give back.
  ASSERT_EQ(r.docs->EditWord(r.ctrl, "a.doc", r.A("李四")), 0);
  std::vector<std::string> again = r.Log();
  EXPECT_EQ(std::count_if(again.begin(), again.end(),
                          [](const std::string& c) { return c.rfind("CommandBars 1610809346", 0) == 0; }),
            0);
  EXPECT_EQ(r.word.bars.size(), 1u);
  EXPECT_EQ(g_savedUserName, "Word User");
  EXPECT_EQ(r.word.user_name, r.A("李四"));
}

TEST(WordDocumentsTest, WordErrorsReachTheCallerAndOnlyAHiddenWordOfOurOwnIsQuit) {
  for (const bool running : {false, true}) {
    Rig r;
    r.Downloaded();
    if (running) r.Running();
    // The document is not there: the message, then Word's own error.
    EXPECT_THROW(r.docs->EditWord(r.ctrl, "gone.doc", "zhang"), AutomationError);
    EXPECT_EQ(r.messages.shown, std::vector<std::string>{kMsgFileMissing});
    EXPECT_EQ(r.word.quit, !running) << running;
  }
  Rig r;
  r.Downloaded();
  EXPECT_THROW(r.docs->EditWordInit(r.ctrl, "gone.doc"), AutomationError);
  EXPECT_TRUE(r.word.quit);
  // A name that would leave the working folder is refused before Word.
  r.word.quit = false;
  r.word.calls.clear();
  EXPECT_EQ(r.docs->EditWord(r.ctrl, "..\\x.doc", "zhang"), -1);
  EXPECT_FALSE(r.docs->UniteWord("a.doc", "m", "NUL"));
  EXPECT_TRUE(r.word.calls.empty());
  r.docs->SetBookMark("c:\\boot.ini", "m", "x");
  EXPECT_TRUE(r.word.calls.empty());
  // No Word at all: the message of the way it was asked for, and the normal result.
  r.automation.classes.clear();
  r.desk.Put("a.doc", "t");
  EXPECT_EQ(r.docs->EditWord(r.ctrl, "a.doc", "zhang"), 0);
  EXPECT_EQ(r.messages.shown.back(), kMsgWordNotInstalled);
  EXPECT_TRUE(r.docs->UniteWord("a.doc", "m", "a.doc"));
  EXPECT_EQ(r.messages.shown.back(), kMsgCreateFailed);
}

TEST(WordDocumentsTest, UniteWordPastesAtEveryBookmarkOfThatName) {
  Rig r;
  r.desk.Put("main.doc", "main text");
  r.desk.Put("part.doc", "inserted");
  r.word.bookmarks_of[r.desk.Native("c:\\temp\\qzdesk\\main.doc")] = {{"body", ""}, {"other", "o"}, {"body", ""}};
  ASSERT_TRUE(r.docs->UniteWord("main.doc", "body", "part.doc"));
  const std::vector<std::pair<std::string, std::string>> pasted = {{"body", "inserted"}, {"other", "o"}, {"body", "inserted"}};
  EXPECT_EQ(r.word.bookmarks_of[r.desk.Native("c:\\temp\\qzdesk\\main.doc")], pasted);
  const auto main = r.word.documents.back();
  EXPECT_FALSE(main->track_revisions);
  EXPECT_EQ(main->saves, 1);
  EXPECT_TRUE(r.word.documents.front()->closed);
  EXPECT_TRUE(r.word.quit);
  std::vector<std::string> log = r.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Bookmarks 2 get"), 4);  // before each index and the end
  EXPECT_EQ(std::count(log.begin(), log.end(), "Bookmarks 0 call I4:3"), 1);

  // A name no bookmark has: saved unchanged.
  r.word.quit = false;
  ASSERT_TRUE(r.docs->UniteWord("main.doc", "nowhere", "part.doc"));
  EXPECT_EQ(r.word.bookmarks_of[r.desk.Native("c:\\temp\\qzdesk\\main.doc")], pasted);
  EXPECT_EQ(r.desk.Read("main.doc"), "main text");
  EXPECT_TRUE(r.word.quit);
}

TEST(WordDocumentsTest, SetBookMarkMovesOnByOneAsWordDropsReplacedBookmarks) {
  Rig r;
  r.desk.Put("a.doc", "t");
  const std::string native = r.desk.Native("c:\\temp\\qzdesk\\a.doc");
  r.word.bookmarks_of[native] = {{"to", "x"}, {"to", "y"}, {"from", "z"}, {"to", "w"}};
  r.docs->SetBookMark("a.doc", "to", "new");
  // The first "to" goes; the second moves into index 1 and is passed over;
  // "from" is index 2; the last "to" is index 3 and goes too.
  const std::vector<std::pair<std::string, std::string>> left = {{"to", "y"}, {"from", "z"}};
  EXPECT_EQ(r.word.bookmarks_of[native], left);
  EXPECT_TRUE(r.word.quit);
  EXPECT_TRUE(r.messages.shown.empty());
}

}  // namespace
}  // namespace kit::exchange
