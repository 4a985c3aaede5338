// Sending a revised document back to the office server: the Word file and,
// when the page asks for it, the document saved by Word as a Web page with
// its pictures, all through the server's upload page.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "exchange/word_access.h"
#include "ports/files.h"
#include "ports/http.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

constexpr const char* kMsgConvertingHtm = "正在转化HTM文档";
constexpr const char* kMsgUploadingWord = "正在上传word文档";
constexpr const char* kMsgUploadingHtm = "正在上传HTM文档";
constexpr const char* kMsgUploading = "正在上传";
constexpr std::int16_t kWordFormatWebPage = 8;

// Paths of the Web page Word makes of a document (system code page).
struct WebPagePaths {
  std::string page;    // base + ".htm"
  std::string images;  // base + ".files"
  std::string name;    // the file name cut the same way, + ".htm"
};
// The base is the path up to its first ".doc" (case-sensitive), else all of it.
WebPagePaths WebPageOf(const std::string& documentPath, const std::string& fileName);

// Makes the page's references to "myword.files" relative; line ends become
// CR LF. A file that cannot be read or written raises FileError.
void RewriteImageLinks(IFileSystem& files, const std::string& webPage);

struct WordUploadPorts {
  WordPorts word;
  IFileSystem* files = nullptr;
  IFileLookup* lookup = nullptr;
  IFolderListing* listing = nullptr;
  IStatusWindows* status = nullptr;
  // The form upload of one file: address, cookie, local path, file name,
  // delete-afterwards flag. It tells the user of its own failures.
  std::function<void(const std::string&, const std::string&, const std::string&, const std::string&, int)>
      upload_through_form;
};

// UploadWordDoc: 0 once the uploads have run (each form upload tells of its
// own failures); -1 when Word could not be started or the name was refused,
// after the message saying so. Word errors come out as AutomationError, a
// Web page that cannot be rewritten as FileError.
std::int32_t UploadWordDoc(const WordUploadPorts& ports, remark::CNotaroCtrl& ctrl, const std::string& url,
                           const std::string& cookie, const std::string& name);

// The row of UploadWordDoc; the ports must outlive the control.
remark::MemberRows WordUploadMembers(const WordUploadPorts& ports);

}  // namespace kit::exchange
