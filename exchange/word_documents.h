// The Word document operations of the remark control: the settings a page
// makes beforehand, putting a document into the working folder, opening it
// in Word for revision, merging at a bookmark and filling a bookmark.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "exchange/word_access.h"
#include "ports/files.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

// Module-wide settings, compared as exact byte strings.
extern std::string g_onlyread;  // "1": open protected, as a scratch copy
extern std::string g_intohtml;  // "0" no Web page, "1" make and upload it, else make it only
extern std::string g_showtran;  // "1": revisions shown and printed
extern std::string g_toolbar;   // "1": the floating revision bar

// Captions and names Word is given (UTF-8; Word gets them in the system code page).
constexpr const char* kMsgFileMissing = "文件不存在!";
constexpr const char* kRevisionBarName = "公文处理";
constexpr const char* kRevisionButtonCaption = "显示修订";
constexpr const char* kRevisionButtonTooltip = "公文处理系统/显示修改痕迹";
constexpr const char* kToolsRevisions = "修订(&T)";
constexpr const char* kAcceptRevision = "接受修订(&A)";
constexpr const char* kRejectRevision = "拒绝修订/删除批注(&R)";

struct WordDocumentPorts {
  WordPorts word;
  IFileLookup* lookup = nullptr;
  // The HTTP exchange's DownloadToFile(address, cookie, target): true when
  // the document replaced the target. Without it nothing is downloaded.
  std::function<bool(const std::string&, const std::string&, const std::string&)> download_to_file;
};

// The members above as the control answers them. Strings are in the system
// code page; Word errors come out as AutomationError.
class CWordDocuments {
 public:
  // The downloads: 0 when the document of a successful answer replaced the
  // target, else -1 with the target as it was. Nothing is shown either way.
  explicit CWordDocuments(const WordDocumentPorts& ports) : m_ports(ports) {}

  std::int32_t DownloadWordDoc(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie,
                               const std::string& name);
  std::int32_t DownloadWordFile(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie,
                                const std::string& target);
  std::int32_t DownloadWordGW(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie,
                              const std::string& name);
  std::int32_t EditWordInit(const remark::CNotaroCtrl& ctrl, const std::string& name);
  std::int32_t EditWord(const remark::CNotaroCtrl& ctrl, const std::string& name, const std::string& userName);
  bool SetEditEnabled(const std::string& name, const std::string& userName, const std::string& flag);
  bool UniteWord(const std::string& target, const std::string& bookmark, const std::string& inserted);
  void SetBookMark(const std::string& name, const std::string& markName, const std::string& markContent);

 private:
  // Prepares the working folder and forms the path; nullopt for a name that
  // would leave it. "文件不存在!" when the file is not there.
  std::optional<std::string> CheckDocument(const std::string& name);
  std::int32_t Fetch(const std::string& url, const std::string& cookie, const std::optional<std::string>& target);
  WordDocumentPorts m_ports;
};

// A full target path a page may name for DownloadWordFile: drive-absolute,
// with no "." or ".." components and no device names.
bool IsPlainAbsolutePath(const std::string& path);

// The rows of the document members (the downloads, NewWordDoc, EditWordInit,
// EditWord, SetEditEnabled, Savehtm, the settings, SetBookMark, UniteWord);
// the ports must outlive the control.
remark::MemberRows WordDocumentMembers(const WordDocumentPorts& ports);

}  // namespace kit::exchange
