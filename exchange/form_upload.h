// Posting a file through one of the office server's upload pages, as a user
// of the page would: fetch it with the page's cookie, read its first form and
// post the file in its file field with the matching check box ticked.
#pragma once
#include <cstdint>
#include <string>

#include "ports/codepage.h"
#include "ports/dialogs.h"
#include "ports/files.h"
#include "ports/form_post.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

constexpr const char* kMsgFileNotFound = "无法找到文件";
constexpr const char* kMsgUploadFailed = "文件上传失败";
constexpr const char* kClickField = "__Click";

struct FormUploadPorts {
  IFormPoster* poster = nullptr;
  IFileLookup* lookup = nullptr;
  IFileSystem* files = nullptr;
  IDialogs* dialogs = nullptr;
  ICodePage* codepage = nullptr;
  std::uintptr_t owner = 0;  // of the message boxes
};

// What became of an upload; the user has already been told.
enum class FormUploadResult {
  FileMissing,  // "无法找到文件" and the path as the user reads it
                // (UserSpelling); nothing fetched
  NoFileField,  // the page has no file input: nothing posted, no message
  Failed,       // "文件上传失败": no form, an unclosed form, an address or
                // cookie no request may carry, or a post the server did
                // not accept
  Posted,
};

// The file's own name: the text after the last "\" or "/" (double-byte
// characters of the code page kept whole).
std::string FormFileName(const std::string& localPath);
// image/gif for .gif, image/jpeg for .jpg and .jpeg, else text/plain
// (extensions in any case).
std::string FormContentType(const std::string& fileName);

// `deleteAfterwards` 1 deletes the local file once the server accepted it.
FormUploadResult UploadThroughForm(const FormUploadPorts& ports, const std::string& address,
                                   const std::string& cookie, const std::string& localPath,
                                   const std::string& fileName, int deleteAfterwards);

}  // namespace kit::exchange
