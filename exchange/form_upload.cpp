#include "exchange/form_upload.h"

#include <exception>

#include "exchange/form_scan.h"
#include "exchange/local_files.h"
#include "exchange/request_text.h"
#include "ports/codepage.h"

namespace kit::exchange {
namespace {

using automation::Variant;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (AsciiLower(text[text.size() - suffix.size() + i]) != suffix[i]) return false;
  }
  return true;
}

void Tell(const FormUploadPorts& ports, const std::string& text) {
  ports.dialogs->MessageBox(ports.owner, text, std::string(), mb::kOk);
}

bool IsFile(const FormUploadPorts& ports, const std::string& path) {
  const std::optional<FoundFile> found = ports.lookup->FindFirst(path);
  return found && !found->folder;
}

}  // namespace

std::string FormFileName(const std::string& localPath) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < localPath.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(localPath[i]);
    if (IsLeadByte(c) && i + 1 < localPath.size()) {
      ++i;  // a trail byte 0x5C is no backslash
    } else if (c == '\\' || c == '/') {
      start = i + 1;
    }
  }
  return localPath.substr(start);
}

std::string FormContentType(const std::string& fileName) {
  if (EndsWithNoCase(fileName, ".gif")) return "image/gif";
  if (EndsWithNoCase(fileName, ".jpg") || EndsWithNoCase(fileName, ".jpeg")) return "image/jpeg";
  return "text/plain";
}

FormUploadResult UploadThroughForm(const FormUploadPorts& ports, const std::string& address,
                                   const std::string& cookie, const std::string& localPath,
                                   const std::string& fileName, int deleteAfterwards) {
  try {
    const std::string pageAddress = PlainHttpAddress(address);
    if (!IsFile(ports, localPath)) {
      Tell(ports, kMsgFileNotFound + ports.codepage->ToUtf8(UserSpelling(localPath)));
      return FormUploadResult::FileMissing;
    }
    if (!FitsRequest(address) || !FitsRequest(cookie)) {
      Tell(ports, kMsgUploadFailed);
      return FormUploadResult::Failed;
    }

    // Whatever body arrives is the page; an empty one has no form.
    g_pageText.clear();
    ports.poster->FetchPage(pageAddress, cookie, &AppendPageText, nullptr);
    NormalisePageText(g_pageText);
    const FormScan scan = ScanUploadForm(g_pageText, fileName);
    if (scan.result == FormScanResult::NoFileField) return FormUploadResult::NoFileField;
    if (scan.result != FormScanResult::Found) {
      Tell(ports, kMsgUploadFailed);
      return FormUploadResult::Failed;
    }

    FormPostRequest post;
    post.url = ResolveAction(pageAddress, scan);
    post.cookie = cookie;
    FormPostPart click;
    click.name = kClickField;
    click.contents = "0";
    post.parts.push_back(click);
    if (!scan.check_box_name.empty()) {
      FormPostPart box;
      box.name = scan.check_box_name;
      box.contents = scan.check_box_value;
      post.parts.push_back(box);
    }
    FormPostPart file;
    file.name = scan.file_field;
    file.file_path = localPath;
    file.file_name = FormFileName(localPath);
    file.content_type = FormContentType(file.file_name);
    post.parts.push_back(file);

    g_pageText.clear();
    if (!ports.poster->PostForm(post).ok()) {
      // The file stays for another try.
      Tell(ports, kMsgUploadFailed);
      return FormUploadResult::Failed;
    }
    if (deleteAfterwards == 1 && IsFile(ports, localPath)) {
      try {
        ports.files->Remove(localPath);
      } catch (const FileError&) {
        // The server has the file; a copy left behind is no failed upload.
      }
    }
    return FormUploadResult::Posted;
  } catch (const std::exception&) {
    Tell(ports, kMsgUploadFailed);
    return FormUploadResult::Failed;
  }
}

}  // namespace kit::exchange
