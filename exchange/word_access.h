// Getting hold of Word, the Word and Office members the control calls, the
// user-name swap, the revision commands switch and Word's processes.
#pragma once
#include <cstdint>
#include <string>

#include "ports/automation_client.h"
#include "ports/codepage.h"
#include "ports/dialogs.h"
#include "ports/processes.h"

namespace kit::exchange {

// Word's user name before the control changed it, in the system code page;
// shared by every control of the process.
extern std::string g_savedUserName;

struct WordPorts {
  automation::IAutomationClient* automation = nullptr;
  IDialogs* dialogs = nullptr;
  IProcesses* processes = nullptr;
  ICodePage* codepage = nullptr;
  std::uintptr_t owner = 0;  // window the message boxes belong to
};

constexpr const char* kWordProgId = "Word.Application";
constexpr unsigned kMbSetForeground = 0x10000;

// Messages of the ways to obtain Word (UTF-8).
constexpr const char* kMsgCreateFailed = "CreateDispatch failed.";
constexpr const char* kMsgWordNotInstalled = "不会吧，竟然没有安装Word!";
constexpr const char* kMsgWordNotRunning = "没有正在运行中的WORD!";
constexpr const char* kMsgNoDispatch = "没有取得IDispatchPtr";

// Fixed DISPIDs of the Word 2000 and Office 2000 type libraries.
namespace wd {
using automation::DispId;
// Application
constexpr DispId kAppDocuments = 0x6;
constexpr DispId kAppActiveDocument = 0x3;
constexpr DispId kAppVisible = 0x17;
constexpr DispId kAppDisplayStatusBar = 0x1D;
constexpr DispId kAppUserName = 0x34;
constexpr DispId kAppCommandBars = 0x39;
constexpr DispId kAppActivate = 0x181;
constexpr DispId kAppQuit = 0x451;
// Documents
constexpr DispId kDocsOpen = 0xC;
constexpr DispId kDocsAdd = 0xE;
// Document
constexpr DispId kDocBookmarks = 0x4;
constexpr DispId kDocContent = 0x29;
constexpr DispId kDocCommandBars = 0x39;
constexpr DispId kDocTrackRevisions = 0x13A;
constexpr DispId kDocPrintRevisions = 0x13B;
constexpr DispId kDocShowRevisions = 0x13C;
constexpr DispId kDocSaveAs = 0x66;
constexpr DispId kDocSave = 0x6C;
constexpr DispId kDocActivate = 0x71;
constexpr DispId kDocProtect = 0x78;
constexpr DispId kDocClose = 0x451;
// Range
constexpr DispId kRangeText = 0x0;
constexpr DispId kRangeCopy = 0x78;
constexpr DispId kRangePaste = 0x79;
// Bookmarks, Bookmark
constexpr DispId kBookmarksCount = 0x2;
constexpr DispId kBookmarksItem = 0x0;
constexpr DispId kBookmarkName = 0x0;
constexpr DispId kBookmarkRange = 0x1;
// Office command bars
constexpr DispId kBarsCount = 0x60030003;
constexpr DispId kBarsItem = 0x0;
constexpr DispId kBarsAdd = 0x60030002;
constexpr DispId kBarControls = 0x60040003;
constexpr DispId kBarEnabled = 0x60040005;
constexpr DispId kBarVisible = 0x6004001E;
constexpr DispId kControlsCount = 0x60030001;
constexpr DispId kControlsItem = 0x0;
constexpr DispId kControlsAdd = 0x60030000;
constexpr DispId kControlCaption = 0x60040003;
constexpr DispId kControlEnabled = 0x6004000A;
constexpr DispId kButtonCaption = 0x60040003;
constexpr DispId kButtonTooltipText = 0x60040025;
constexpr DispId kButtonVisible = 0x60040029;
constexpr DispId kButtonStyle = 0x6005000A;
}  // namespace wd

enum class WordFailure { None, CreateFailed, NotInstalled, NotRunning, NoDispatch };

struct WordApp {
  automation::CDispatchDriver app;  // attached when failure is None
  WordFailure failure = WordFailure::None;
  bool created = false;  // a new Word, not one the user already had
  explicit operator bool() const { return failure == WordFailure::None; }
};

// A new Word; on failure "CreateDispatch failed." has been shown.
WordApp ObtainNewWord(const WordPorts& ports);
// The running Word; when it is not installed or not running the message has
// been shown. A Word that refuses IDispatch is left to the caller to report.
WordApp ObtainRunningWord(const WordPorts& ports);
// The running Word, else a new one.
WordApp ObtainRunningOrNewWord(const WordPorts& ports);

// Quit with its three optional arguments left out.
void QuitWord(const automation::CDispatchDriver& app);
// Documents' open by name.
automation::CDispatchDriver OpenDocument(const automation::CDispatchDriver& app, const std::string& path);

// A Word that a method started and has not shown yet would stay behind
// invisible, holding the document, when Word raises an error half way; such
// a Word is told to quit before the error goes on to the script. A Word the
// user has, or has been shown, is never touched.
class HiddenWordGuard {
 public:
  explicit HiddenWordGuard(const automation::CDispatchDriver* app) : app_(app) {}
  void Shown() { app_ = nullptr; }
  template <typename Body>
  void Run(Body&& body) {
    try {
      body();
    } catch (const automation::AutomationError&) {
      QuitQuietly();
      throw;
    }
  }

 private:
  void QuitQuietly() const;
  const automation::CDispatchDriver* app_;
};

// Reads Word's user name into g_savedUserName.
void SaveUserName(const automation::CDispatchDriver& app);
void SetUserName(const automation::CDispatchDriver& app, const std::string& name);
// Gives Word back the saved name, when there is one.
void RestoreUserName(const automation::CDispatchDriver& app);

// Whether a caption (system code page) names a revision-related command.
bool IsReviewCaption(const ICodePage& codepage, const std::string& caption);

// Switches Word's revision commands and status bar; on unless flag is "0".
// Errors Word raises come out as AutomationError.
void SetReviewControlsEnabled(const WordPorts& ports, const std::string& flag);
std::int32_t ReMarkSet(const WordPorts& ports, const std::string& flag);

bool IsHaveWordPro(IProcesses& processes, const std::string& name);
std::int32_t KillWordPro(IProcesses& processes, const std::string& name);

}  // namespace kit::exchange
