#include "apps/notaro-host/host_controls.h"

#include <optional>
#include <string>

#include "exchange/exchange_members.h"
#include "exchange/form_scan.h"
#include "exchange/form_upload.h"
#include "exchange/transfer.h"
#include "exchange/word_documents.h"
#include "exchange/word_members.h"
#include "exchange/word_upload.h"
#include "platform/common/curl_form_poster.h"
#include "platform/posix/exchange/posix_exchange.h"
#include "platform/posix/exchange/posix_http.h"
#include "platform/posix/posix_paths.h"
#include "platform/posix/posix_processes.h"
#include "remark/notaro_ctrl.h"
#include "sim/sigpad/quillpad_host.h"
#include "sim/ui/headless_ui.h"

namespace kit::hosting {

struct HostControls::Impl {
  explicit Impl(const HostControlPorts& p)
      : ports(p),
        statusWindows(p.status_out),
        // libcurl opens the files of the drive folders under the kit root.
        formPoster({}, [](const std::string& path) -> std::optional<std::string> {
          try {
            return posix::NativePath(path);
          } catch (const FileError&) {
            return std::nullopt;
          }
        }) {}

  // The whole member table of the hosts' Notaro, assembled here alone.
  void Setup(remark::CNotaroCtrl& ctrl) {
    ctrl.SetUi(ports.ui, sim::HeadlessUi::kHostWindow);
    if (ports.transfer_ready) ctrl.MarkTransferStarted();
    exchange::LocalFilePorts local;
    local.lookup = &lookup;
    local.shell = &shell;
    local.dialogs = ports.choosers;
    local.codepage = ctrl.platform().codepage;
    // Every file reaches the server through its upload page.
    exchange::FormUploadPorts form;
    form.poster = &formPoster;
    form.lookup = &lookup;
    form.files = ctrl.platform().files;
    form.dialogs = ports.messages;
    form.codepage = ctrl.platform().codepage;
    auto upload = [form](const std::string& url, const std::string& cookie, const std::string& path,
                         const std::string& name, int deleteAfterwards) {
      exchange::UploadThroughForm(form, url, cookie, path, name, deleteAfterwards);
    };
    exchange::TransferPorts transfer;
    transfer.http = &http;
    transfer.files = ctrl.platform().files;
    transfer.lookup = &lookup;
    transfer.dialogs = ports.messages;
    transfer.status = &statusWindows;
    transfer.form_upload = [upload](const std::string& url, const std::string& cookie, const std::string& path,
                                    const std::string& name, bool deleteAfterwards) {
      upload(url, cookie, path, name, deleteAfterwards ? 1 : 0);
    };
    transfer.clear_page_text = [] { exchange::g_pageText.clear(); };
    exchange::WordPorts word;
    word.automation = ctrl.capture_ports().automation;
    word.dialogs = ports.messages;
    word.processes = &processes;
    word.codepage = ctrl.platform().codepage;
    exchange::WordDocumentPorts documents;
    documents.word = word;
    documents.lookup = &lookup;
    documents.download_to_file = [transfer](const std::string& url, const std::string& cookie,
                                            const std::string& path) {
      return exchange::CTransfer(transfer).DownloadToFile(url, cookie, path);
    };
    exchange::WordUploadPorts wordUpload;
    wordUpload.word = word;
    wordUpload.files = ctrl.platform().files;
    wordUpload.lookup = &lookup;
    wordUpload.listing = &lookup;
    wordUpload.status = &statusWindows;
    wordUpload.upload_through_form = upload;
    ctrl.SetMembers(remark::CNotaroMembers::Complete({
        remark::ControlMembers(),
        exchange::LocalFileMembers(local),
        exchange::TransferMembers(transfer),
        exchange::WordMembers(word),
        exchange::WordDocumentMembers(documents),
        exchange::WordUploadMembers(wordUpload),
    }));
  }

  HostControlPorts ports;
  posix::PosixProcesses processes;
  posix::PosixFileLookup lookup;
  posix::PosixShell shell;
  posix::CurlHttpClient http;
  posix::PrintedStatusWindows statusWindows;
  CurlFormPoster formPoster;
};

HostControls::HostControls(const HostControlPorts& ports) : impl_(std::make_unique<Impl>(ports)) {}

HostControls::~HostControls() = default;

void HostControls::Register(ClassRegistry& registry) {
  Impl* impl = impl_.get();
  remark::RegisterNotaroControl(registry, [impl](remark::CNotaroCtrl& ctrl) { impl->Setup(ctrl); });
  sim::PadScreen padScreen;
  padScreen.ui = impl->ports.ui;
  padScreen.owner = sim::HeadlessUi::kHostWindow;
  padScreen.user_present = impl->ports.pad_user_present;
  sim::RegisterQuillpad(registry, impl->lookup, *impl->ports.messages, padScreen);
}

}  // namespace kit::hosting
