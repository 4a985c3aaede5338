// Local services of the remark control that page script calls (open a file,
// choose a folder or files, add up sizes, test readability), the working
// folders every transfer stores into, and two string helpers of the form
// processing. Strings are single-byte text in the system code page.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "ports/codepage.h"
#include "ports/dialogs.h"
#include "ports/files.h"
#include "ports/shell.h"

namespace kit::exchange {

constexpr const char* kTempFolder = "c:\\temp";
constexpr const char* kWorkingFolder = "c:\\temp\\qzdesk";
constexpr const char* kExchangeFolder = "c:\\temp\\qzexch";
constexpr const char* kScratchDocument = "c:\\temp\\qzdesk\\temp.doc";
constexpr const char* kSaveFolderTitle = "请选择文件保存路径";
constexpr const char* kUploadFilter = "All Files All Files (*.*)";
constexpr std::size_t kUploadBufferChars = 1024;
constexpr const char* kUploadFolderSpelling = "C:\\TEMP\\qzdesk\\";
constexpr const char* kMsgNameRefused = "文件名不可用：";

// Creates "c:\temp" and then the folder below it when they cannot be found.
// A failure is not reported: the later file operation fails instead.
void PrepareWorkingFolder(IFileLookup& lookup);   // c:\temp\qzdesk
void PrepareExchangeFolder(IFileLookup& lookup);  // c:\temp\qzexch

// Why a page's name cannot be placed below a working folder.
enum class NameFault {
  None,
  Empty,               // no name, or an empty component ("a\\b", "a\")
  Rooted,              // begins with a separator: an absolute or network path
  Colon,               // a drive or a stream
  DotComponent,        // "." or ".."
  Device,              // CON, NUL, COM1, ...
  Wildcard,            // '?' or '*'
  BadCharacter,        // '"', '<', '>' or '|'
  ControlCharacter,    // below 0x20, NUL included
  TrailingDotOrSpace,  // the file layer would drop them and name another file
  BrokenDoubleByte,    // a lead byte without a trail byte the code page has
};

// A name below the folder: one or more plain components separated by "\" or
// "/". Double-byte characters are skipped whole, so a trail byte 0x5C is not
// taken for a backslash.
NameFault CheckWorkingName(const std::string& name);
// What the user is told when a name is refused (UTF-8).
std::string NameFaultMessage(NameFault fault);
// One component: CheckWorkingName without separators.
bool IsPlainFileName(const std::string& name);

// The folder, a backslash and the page's name; nullopt for a name
// CheckWorkingName refuses.
std::optional<std::string> WorkingPath(const std::string& name);
std::optional<std::string> ExchangePath(const std::string& name);

// A path in the working folder spelt as the upload methods form it and the
// user reads it ("C:\TEMP\qzdesk\..."); other paths as they are.
std::string UserSpelling(const std::string& path);

// Removes the text before the first `separator` and the separator itself
// from `text` and returns that text; without a separator (or with an empty
// one) returns the whole string and leaves `text` empty.
std::string CutToken(std::string& text, const std::string& separator);

// Replaces the first occurrence of `pattern`, searching from the front each
// time, until none is left. An empty pattern changes nothing. When the
// replacement holds the pattern, that rule could never finish, so each
// occurrence of the original text is replaced once instead. A chain of
// replacements that keeps forming new matches is stopped once it has grown
// the text by 64 KiB or made 2^20 replacements. Returns the number made.
std::size_t ReplaceAll(std::string& text, const std::string& pattern, const std::string& replacement);

struct LocalFilePorts {
  IFileLookup* lookup = nullptr;
  IShell* shell = nullptr;
  IDialogs* dialogs = nullptr;
  ICodePage* codepage = nullptr;
  std::uintptr_t main_window = 0;  // owner of the file-open dialog
};

class CLocalFiles {
 public:
  explicit CLocalFiles(const LocalFilePorts& ports) : m_ports(ports) {}

  // Opens the file with its associated program; TRUE whatever the shell says.
  bool OpenFile(const std::string& path);
  // A chosen folder ending in a backslash; empty when cancelled.
  std::string GetSaveFilePath();
  // Full paths of the chosen files joined by ";"; empty when cancelled.
  std::string GetUploadFilePath();
  // The total size of every path followed by "*", formatted with "%f".
  std::string GetFilesSize(const std::string& pathList);
  // TRUE when the file opens for reading with read sharing only.
  bool IsExsitFile(const std::string& path);

 private:
  LocalFilePorts m_ports;
};

}  // namespace kit::exchange
