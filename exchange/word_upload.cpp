#include "exchange/word_upload.h"

#include <memory>

#include "exchange/local_files.h"
#include "exchange/word_documents.h"

namespace kit::exchange {

using automation::CDispatchDriver;
using automation::Variant;

namespace {

std::string BaseOf(const std::string& path) {
  const std::size_t at = path.find(".doc");
  return at == std::string::npos ? path : path.substr(0, at);
}

std::string ReplaceEvery(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

void SaveAsWebPage(const CDispatchDriver& doc, const std::string& page) {
  doc.Call(wd::kDocSaveAs, {Variant::Str(page), Variant::I2(kWordFormatWebPage), Variant::I2(0), Variant::Str(""),
                            Variant::I2(1), Variant::Str(""), Variant::I2(0), Variant::I2(0), Variant::I2(0),
                            Variant::I2(0), Variant::I2(0)});
}

}  // namespace

WebPagePaths WebPageOf(const std::string& documentPath, const std::string& fileName) {
  const std::string base = BaseOf(documentPath);
  return {base + ".htm", base + ".files", BaseOf(fileName) + ".htm"};
}

void RewriteImageLinks(IFileSystem& files, const std::string& webPage) {
  std::string text;
  {
    std::unique_ptr<IByteStream> in = files.OpenRead(webPage);
    char buf[4096];
    for (std::size_t n; (n = in->Read(buf, sizeof buf)) > 0;) text.append(buf, n);
  }
  const std::string copy = webPage + ".bak";
  {
    std::unique_ptr<IByteStream> out = files.CreateWrite(copy);
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(at, end - at);
      // Text-mode reading drops the CR of each CR LF.
      if (!line.empty() && line.back() == '\r') line.pop_back();
      line = ReplaceEvery(ReplaceEvery(line, "/myword.files/", "/"), "myword.files/", "./");
      line += "\r\n";
      out->Write(line.data(), line.size());
      at = end + 1;
    }
  }
  // Replacing in one step: deleting the page first would lose it if the
  // copy could then not take its name.
  files.Rename(copy, webPage);
}

std::int32_t UploadWordDoc(const WordUploadPorts& ports, remark::CNotaroCtrl& ctrl, const std::string& url,
                           const std::string& cookie, const std::string& name) {
  ctrl.MarkTransferStarted();
  // The name goes into a path; one that would leave the folder is not sent.
  const NameFault fault = CheckWorkingName(name);
  if (fault != NameFault::None) {
    if (ports.word.dialogs != nullptr)
      ports.word.dialogs->MessageBox(ports.word.owner, NameFaultMessage(fault), std::string(), mb::kOk);
    return -1;
  }
  const std::string path = kUploadFolderSpelling + name;
  const WebPagePaths web = WebPageOf(path, name);
  const bool makePage = g_intohtml != "0";

  std::unique_ptr<IStatusWindow> status = ports.status != nullptr ? ports.status->Create() : nullptr;
  auto show = [&status](const std::string& text) {
    if (status) status->SetText(text);
  };
  auto upload = [&](const std::string& file, const std::string& fileName, int deleteAfterwards) {
    if (ports.upload_through_form) ports.upload_through_form(url, cookie, file, fileName, deleteAfterwards);
  };
  if (makePage) show(kMsgConvertingHtm);

  // Nothing can be uploaded without Word's Web page; the user has been told.
  WordApp word = ObtainNewWord(ports.word);
  if (!word) return -1;
  {
    const CDispatchDriver& app = word.app;
    HiddenWordGuard guard(&app);
    guard.Run([&] {
      RestoreUserName(app);
      CDispatchDriver doc = OpenDocument(app, path);
      if (makePage) SaveAsWebPage(doc, web.page);
      QuitWord(app);
    });
  }
  word.app.ReleaseDispatch();

  show(kMsgUploadingWord);
  upload(path, name, 0);
  if (g_intohtml == "1") {
    if (ports.lookup == nullptr || !ports.lookup->FindFirst(web.images)) {
      show(kMsgUploadingHtm);
      upload(web.page, web.name, 1);
    } else {
      RewriteImageLinks(*ports.files, web.page);
      show(kMsgUploadingHtm);
      upload(web.page, web.name, 1);
      const auto entries =
          ports.listing != nullptr ? ports.listing->List(web.images + "\\*.*") : std::nullopt;
      for (const std::string& entry : entries.value_or(std::vector<std::string>{})) {
        if (entry == "." || entry == "..") continue;
        // Only the pictures themselves; a folder cannot be posted.
        const auto found = ports.lookup->FindFirst(web.images + "\\" + entry);
        if (found && found->folder) continue;
        show(std::string(kMsgUploading) + ports.word.codepage->ToUtf8(entry));
        upload(web.images + "\\" + entry, entry, 1);
      }
    }
  }
  return 0;
}

remark::MemberRows WordUploadMembers(const WordUploadPorts& ports) {
  return {{remark::DISPID_UploadWordDoc,
           [ports](remark::CNotaroCtrl& ctrl, automation::InvokeKind, const std::vector<Variant>& a) {
             return Variant::Error(UploadWordDoc(ports, ctrl, a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
           }}};
}

}  // namespace kit::exchange
