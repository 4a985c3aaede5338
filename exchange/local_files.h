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

// Creates "c:\temp" and then the folder below it when they cannot be found.
// A failure is not reported: the later file operation fails instead.
void PrepareWorkingFolder(IFileLookup& lookup);   // c:\temp\qzdesk
void PrepareExchangeFolder(IFileLookup& lookup);  // c:\temp\qzexch

// The folder, a backslash and the page's file name. Nullopt for a name that
// would leave the folder: empty, ".", "..", a device name, or holding a path
// separator, a drive colon or characters no file name may hold. Double-byte characters
// are skipped whole, so a trail byte 0x5C is not taken for a backslash.
std::optional<std::string> WorkingPath(const std::string& name);
std::optional<std::string> ExchangePath(const std::string& name);
bool IsPlainFileName(const std::string& name);
// CON, NUL, COM1, ... with or without an extension, in any case.
bool IsDeviceName(const std::string& name);

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
