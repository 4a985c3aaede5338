#include "exchange/word_documents.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
  std::vector<std::string> Log() {
    std::vector<std::string> log = word.Log();
    word.calls.clear();
    return log;
  }
};

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

  r.ctrl.AddMembers(WordDocumentMembers(r.ports));
  Variant result;
  auto call = [&](automation::DispId id, const std::vector<Variant>& args) {
    return r.ctrl.Invoke(id, automation::InvokeKind::Method, args);
  };
  result = call(remark::DISPID_NewWordDoc, {Variant::Str("")});
  EXPECT_EQ(result.AsError(), -1);

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
    result = call(d.id, {Variant::Str("u"), Variant::Str("c"), Variant::Str(d.target)});
    EXPECT_EQ(result.AsError(), !d.expected.empty() && d.arrives ? 0 : -1) << d.target;
    if (d.expected.empty()) {
      EXPECT_TRUE(r.downloads.empty()) << d.target;
    } else {
      EXPECT_EQ(r.downloads, std::vector<std::string>{"u|c|" + d.expected});
    }
  }
  EXPECT_TRUE(fs::is_directory(r.desk.root / "temp/qzexch"));
  // The text is kept as the page gave it; the other setters are in the page
  // scripts and the Word documents script's call log.
  EXPECT_TRUE(call(remark::DISPID_SetShowMark, {Variant::Str("x")}).AsBool());
  EXPECT_EQ(g_showtran, "x");
  EXPECT_THROW(call(remark::DISPID_ReMarkSet, {Variant::Str("1")}), automation::AutomationError);
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

// The call sequence of both is in the Word documents page script's log;
// here the bookmarks that script's documents do not have.
TEST(WordDocumentsTest, UniteWordAndSetBookMarkReachEveryBookmarkOfTheName) {
  using Marks = std::vector<std::pair<std::string, std::string>>;
  const struct {
    bool unite;
    const char* mark;
    Marks before, after;
  } cases[] = {
      {true, "body", {{"body", ""}, {"other", "o"}, {"body", ""}}, {{"body", "part"}, {"other", "o"}, {"body", "part"}}},
      {true, "nowhere", {{"body", ""}}, {{"body", ""}}},
      // Word drops a replaced bookmark, so the next one moves into its index
      // and is passed over.
      {false, "to", {{"to", "x"}, {"to", "y"}, {"from", "z"}, {"to", "w"}}, {{"to", "y"}, {"from", "z"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mark);
    Rig r;
    r.desk.Put("main.doc", "main text");
    r.desk.Put("part.doc", "part");
    const std::string main = r.desk.Native("c:\\temp\\qzdesk\\main.doc");
    r.word.bookmarks_of[main] = c.before;
    if (c.unite) {
      ASSERT_TRUE(r.docs->UniteWord("main.doc", c.mark, "part.doc"));
    } else {
      r.docs->SetBookMark("main.doc", c.mark, "new");
    }
    EXPECT_EQ(r.word.bookmarks_of[main], c.after);
    EXPECT_EQ(r.desk.Read("main.doc"), "main text");
    EXPECT_TRUE(r.word.quit);
    EXPECT_TRUE(r.messages.shown.empty());
  }
}

}  // namespace
}  // namespace kit::exchange
