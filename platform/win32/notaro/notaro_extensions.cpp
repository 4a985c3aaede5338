// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/notaro/notaro_extensions.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "exchange/exchange_members.h"
#include "exchange/form_scan.h"
#include "exchange/form_upload.h"
#include "exchange/transfer.h"
#include "exchange/word_documents.h"
#include "exchange/word_members.h"
#include "exchange/word_upload.h"
#include "platform/win32/capture/win32_capture.h"
#include "platform/common/curl_form_poster.h"
#include "platform/win32/exchange/win32_exchange.h"
#include "platform/win32/exchange/win32_http.h"
#include "platform/win32/view/win32_ui.h"

namespace kit::win32::notaro {

namespace {

// Opened for each line so that lines the page appends to the same file in
// between stay in order.
void AppendLine(const std::string& log, const std::string& line) {
  if (std::FILE* f = std::fopen(log.c_str(), "ab")) {
    const std::string text = line + "\r\n";
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

class LoggedStatusWindow : public IStatusWindow {
 public:
  explicit LoggedStatusWindow(std::string log) : m_log(std::move(log)) {}
  void SetText(const std::string& text) override { AppendLine(m_log, "[status] " + text); }

 private:
  std::string m_log;
};

std::string LogOfThisRun() {
  const char* log = std::getenv(kMessageBoxLogVariable);
  return std::string(log != nullptr ? log : "");
}

}  // namespace

int ControlDialogs::MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption,
                               unsigned style) {
  if (m_log.empty()) return m_desktop.MessageBox(owner, text, caption, style);
  AppendLine(m_log, "[message box" + (caption.empty() ? std::string() : ": " + caption) + "] " + text);
  return DefaultAnswer(style);
}

std::unique_ptr<IStatusWindow> ControlStatusWindows::Create() {
  if (m_log.empty()) return m_desktop.Create();
  return std::make_unique<LoggedStatusWindow>(m_log);
}

std::optional<std::vector<std::string>> ControlDialogs::FileDialog(const FileDialogRequest& request) {
  if (!m_log.empty()) return std::nullopt;
  return m_desktop.FileDialog(request);
}

std::optional<std::string> ControlDialogs::BrowseForFolder(std::uintptr_t owner, const std::string& title) {
  if (!m_log.empty()) return std::nullopt;
  return m_desktop.BrowseForFolder(owner, title);
}

std::optional<ColorRef> ControlDialogs::ChooseColor(std::uintptr_t owner, ColorRef initial) {
  if (!m_log.empty()) return std::nullopt;
  return m_desktop.ChooseColor(owner, initial);
}

namespace {

struct Adapters {
  Win32FileLookup lookup;
  Win32Shell shell;
  Win32Dialogs desktop;
  ControlDialogs dialogs{desktop, LogOfThisRun()};
  Win32HttpClient http;
  Win32StatusWindows statusDialogs;
  ControlStatusWindows status{statusDialogs, LogOfThisRun()};
  CurlFormPoster poster;
  ComAutomation automation;
  Win32Processes processes;
  std::unique_ptr<Win32Ui> ui;
};

Adapters& Shared() {
  static Adapters adapters;
  return adapters;
}

}  // namespace

// The whole member table of Notaro.ocx, assembled here alone.
void InstallWin32Extensions(remark::CNotaroCtrl& ctrl, void* module, ui::WindowHandle owner) {
  Adapters& a = Shared();
  if (!a.ui) a.ui = std::make_unique<Win32Ui>(module, a.dialogs);
  ctrl.SetUi(a.ui.get(), owner);

  exchange::LocalFilePorts local;
  local.lookup = &a.lookup;
  local.shell = &a.shell;
  local.dialogs = &a.dialogs;
  local.codepage = ctrl.platform().codepage;
  local.main_window = owner;

  // Every file reaches the server through its upload page.
  exchange::FormUploadPorts form;
  form.poster = &a.poster;
  form.lookup = &a.lookup;
  form.files = ctrl.platform().files;
  form.dialogs = &a.dialogs;
  form.codepage = ctrl.platform().codepage;
  form.owner = owner;
  auto upload = [form](const std::string& url, const std::string& cookie, const std::string& path,
                       const std::string& name, int deleteAfterwards) {
    exchange::UploadThroughForm(form, url, cookie, path, name, deleteAfterwards);
  };

  exchange::TransferPorts transfer;
  transfer.http = &a.http;
  transfer.files = ctrl.platform().files;
  transfer.lookup = &a.lookup;
  transfer.dialogs = &a.dialogs;
  transfer.status = &a.status;
  transfer.form_upload = [upload](const std::string& url, const std::string& cookie, const std::string& path,
                                  const std::string& name, bool deleteAfterwards) {
    upload(url, cookie, path, name, deleteAfterwards ? 1 : 0);
  };
  transfer.clear_page_text = [] { exchange::g_pageText.clear(); };

  exchange::WordPorts word;
  word.automation = ctrl.capture_ports().automation != nullptr ? ctrl.capture_ports().automation : &a.automation;
  word.dialogs = &a.dialogs;
  word.processes = &a.processes;
  word.codepage = ctrl.platform().codepage;
  word.owner = owner;

  exchange::WordDocumentPorts documents;
  documents.word = word;
  documents.lookup = &a.lookup;
  documents.download_to_file = [transfer](const std::string& url, const std::string& cookie,
                                          const std::string& path) {
    return exchange::CTransfer(transfer).DownloadToFile(url, cookie, path);
  };

  exchange::WordUploadPorts word_upload;
  word_upload.word = word;
  word_upload.files = ctrl.platform().files;
  word_upload.lookup = &a.lookup;
  word_upload.listing = &a.lookup;
  word_upload.status = &a.status;
  word_upload.upload_through_form = upload;

  ctrl.SetMembers(remark::CNotaroMembers::Complete({
      remark::ControlMembers(),
      exchange::LocalFileMembers(local),
      exchange::TransferMembers(transfer),
      exchange::WordMembers(word),
      exchange::WordDocumentMembers(documents),
      exchange::WordUploadMembers(word_upload),
  }));
}

}  // namespace kit::win32::notaro
