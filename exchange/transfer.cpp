#include "exchange/transfer.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include "exchange/local_files.h"
#include "exchange/request_text.h"
#include "ports/memory_stream.h"
#include "ports/text.h"
#include "remark/remark_file.h"

namespace kit::exchange {

using automation::AutomationError;
using automation::Variant;

namespace {

constexpr char kCookieBlockHead[] = "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"";
constexpr char kJavaBlockHead[] = "\r\nContent-Disposition: form-data; name=\"file\"; otherparameter= ";
constexpr char kBlockTail[] = "\"\r\nContent-Type: Application/pdf\r\n\r\n";
static_assert(sizeof kCookieBlockHead - 1 == 57);
static_assert(sizeof kJavaBlockHead - 1 == 63);
static_assert(sizeof kBlockTail - 1 == 36);

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}


}  // namespace

std::optional<RawUploadTarget> ParseRawUploadAddress(const std::string& url, bool lowerCase, int defaultPort) {
  std::string rest = lowerCase ? AsciiLower(url) : url;
  if (StartsWith(rest, "http://")) {
    rest.erase(0, 7);
  } else if (StartsWith(rest, "https://")) {
    rest.erase(0, 8);
  }
  const std::size_t slash = rest.find('/');
  std::string hostPart = rest.substr(0, slash);
  RawUploadTarget target;
  target.object = slash == std::string::npos ? std::string("/") : rest.substr(slash);
  target.port = defaultPort;
  const std::size_t colon = hostPart.find(':', 1);
  if (colon != std::string::npos) {
    const std::string digits = hostPart.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
      return std::nullopt;
    }
    target.port = std::atoi(digits.c_str());
    hostPart.erase(colon);
  }
  if (hostPart.empty() || hostPart[0] == ':' || target.port < 1 || target.port > 65535) return std::nullopt;
  target.host = hostPart;
  return target;
}

std::string CookieUploadHeaderBlock() { return std::string(kCookieBlockHead) + kBlockTail; }

std::string JavaUploadHeaderBlock(const std::string& object) {
  const std::size_t query = object.find('?');
  const std::string parameters = query == std::string::npos ? object : object.substr(query + 1);
  return std::string(kJavaBlockHead) + parameters + kBlockTail;
}

bool IsSecureAddress(const std::string& url) {
  return url.find("https") != std::string::npos || url.find("HTTPS") != std::string::npos;
}

std::string SecureDownloadAddress(const std::string& url, int value) {
  // Without a query the number starts one, rather than gluing onto the path.
  return url + (url.find('?') == std::string::npos ? "?" : "&") + std::to_string(value);
}

void CTransfer::Tell(const std::string& text) {
  if (m_ports.dialogs != nullptr) m_ports.dialogs->MessageBox(0, text, std::string(), mb::kOk);
}

std::optional<std::string> CTransfer::UploadPathOf(const std::string& name) {
  const NameFault fault = CheckWorkingName(name);
  if (fault != NameFault::None) {
    Tell(NameFaultMessage(fault));
    return std::nullopt;
  }
  return WorkingPath(name);
}

std::int32_t CTransfer::Download(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie) {
  ctrl.MarkTransferStarted();
  for (const auto& [what, text] : {std::pair<const char*, const std::string*>{"address (pszURL)", &url},
                                   {"cookie (pszCookie)", &cookie}}) {
    if (!FitsRequest(*text)) throw AutomationError(hr::InvalidArg, RequestTextProblem(what, *text), "Notaro");
  }
  HttpGetRequest request;
  request.url = url;
  if (!cookie.empty()) request.headers = "Cookie: " + cookie + "\r\n";
  request.flags = kDownloadFlags;
  request.max_body = m_ports.max_remark_bytes;
  HttpResponse response;
  try {
    response = m_ports.http->Get(request);
  } catch (const HttpError& e) {
    throw AutomationError(hr::Fail, std::string("Download failed: ") + e.what(), "Notaro");
  }
  // An error page, or the login page a lapsed session is sent on to, is not
  // remark data: the document stays as it was.
  if (response.status < 200 || response.status > 299) {
    throw AutomationError(hr::Fail, "Download failed: HTTP status " + std::to_string(response.status), "Notaro");
  }
  const auto size = static_cast<std::int64_t>(response.body.size());
  MemoryStream body(std::move(response.body));
  try {
    remark::LoadDocument(ctrl.document(), body, size);
  } catch (...) {
    remark::RethrowAsAutomationError();
  }
  ctrl.SetModifiedFlag(true);
  return remark::kScodeOk;
}

bool CTransfer::DownloadToFile(const std::string& url, const std::string& cookie, const std::string& path) {
  if (!FitsRequest(url)) return false;
  if (IsSecureAddress(url)) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    // The desktop's generator gives 0 to 32767; the host's may give more.
    const int value = std::rand() % 32768;
    return m_ports.http->UrlDownloadToFile(SecureDownloadAddress(url, value), path, m_ports.max_document_bytes);
  }
  if (m_ports.clear_page_text) m_ports.clear_page_text();
  if (!FitsRequest(cookie)) return false;
  return m_ports.http->DownloadToFile(url, cookie, path, m_ports.max_document_bytes);
}

std::int32_t CTransfer::Upload(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie,
                               const std::string& attach) {
  if (ctrl.transfer_state() != remark::kTransferReady) return remark::kScodeFailed;
  const std::optional<std::string> path = UploadPathOf(attach);
  if (!path) return hr::Fail;
  PrepareWorkingFolder(*m_ports.lookup);
  std::unique_ptr<IByteStream> file;
  try {
    file = m_ports.files->CreateWrite(*path);
  } catch (const FileError&) {
    return hr::Fail;
  }
  if (!file) return hr::Fail;
  try {
    remark::StoreDocument(ctrl.document(), *file);
  } catch (...) {
    // Half a remark file must not be posted by a later upload either.
    file.reset();
    m_ports.files->Remove(*path);
    remark::RethrowAsAutomationError();
  }
  UploadRemarkFile(std::move(file), url, cookie, *path, attach);
  return remark::kScodeOk;
}

void CTransfer::UploadRemarkFile(std::unique_ptr<IByteStream> file, const std::string& url, const std::string& cookie,
                                 const std::string& path, const std::string& attach) {
  std::unique_ptr<IStatusWindow> status = m_ports.status != nullptr ? m_ports.status->Create() : nullptr;
  if (status) status->SetText(kUploadingRemarkFile);
  try {
    file.reset();
    if (!m_ports.lookup->FindFirst(path)) {
      Tell(kRemarkFileNotFound);
    } else if (!m_ports.form_upload) {
      Tell(kRemarkUploadFailed);
    } else {
      m_ports.form_upload(url, cookie, path, attach, true);
    }
  } catch (const std::exception&) {
    Tell(kRemarkUploadFailed);
  }
}

bool CTransfer::UploadFile(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie,
                           const std::string& name) {
  ctrl.MarkTransferStarted();
  const std::optional<std::string> path = UploadPathOf(name);
  if (path && m_ports.form_upload) m_ports.form_upload(url, cookie, *path, name, false);
  return true;
}

std::int32_t CTransfer::UploadFileWithCookie(const std::string& url, const std::string& cookie,
                                             const std::string& path) {
  if (!FitsRequest(url) || !FitsRequest(cookie)) return remark::kScodeFailed;
  const std::optional<RawUploadTarget> target = ParseRawUploadAddress(url, true, 443);
  return PostRaw(target.value_or(RawUploadTarget{}), cookie.empty() ? cookie : kRawCookieName + ("=" + cookie),
                 CookieUploadHeaderBlock(), path, false);
}

std::int32_t CTransfer::UploadFileJava(const std::string& url, const std::string& path) {
  // The address's path and query become the request line.
  if (!FitsRequest(url)) return remark::kScodeFailed;
  const std::optional<RawUploadTarget> target = ParseRawUploadAddress(url, false, 80);
  return PostRaw(target.value_or(RawUploadTarget{}), std::string(),
                 target ? JavaUploadHeaderBlock(target->object) : std::string(), path, true);
}

std::int32_t CTransfer::PostRaw(const RawUploadTarget& target, const std::string& cookie,
                                const std::string& headerBlock, const std::string& path, bool java) {
  if (m_ports.http == nullptr) {
    std::fputs(kMsgOpenSession, m_ports.console);
    std::fflush(m_ports.console);
    return remark::kScodeFailed;
  }
  if (target.host.empty()) {
    Tell(kMsgOpenRequest);
    return remark::kScodeFailed;
  }
  std::unique_ptr<IByteStream> file;
  std::uint64_t size = 0;
  try {
    file = m_ports.files->OpenRead(path);
    size = m_ports.files->Size(path);
  } catch (const FileError&) {
    file.reset();
  }
  if (!file) {
    Tell(kMsgOpenLocalFile);
    return remark::kScodeFailed;
  }
  HttpRawPostRequest request;
  request.host = target.host;
  request.port = target.port;
  request.object = target.object;
  request.agent = kRawAgent;
  request.cookie = cookie;
  request.flags = http::kNoCacheWrite;
  request.content_length = headerBlock.size() + size;
  std::unique_ptr<IHttpRawPost> post = m_ports.http->OpenRawPost(request);
  if (!post) {
    Tell(kMsgSendRequest);
    return remark::kScodeFailed;
  }
  if (!post->Write(headerBlock.data(), headerBlock.size()) && java) Tell(kMsgHeaderBlock);
  std::vector<char> block(kRawBlockSize);
  for (;;) {
    std::size_t got = 0;
    try {
      got = file->Read(block.data(), block.size());
    } catch (const FileError&) {
      Tell(kMsgReadFile);
      return remark::kScodeFailed;
    }
    // The last read of a file whose size is a multiple of the block gives
    // nothing, and nothing has to be written for it.
    if (got != 0 && !post->Write(block.data(), got)) {
      Tell(kMsgWriteFile);
      return remark::kScodeFailed;
    }
    if (got < kRawBlockSize) break;
  }
  file.reset();
  const long answer = post->End();
  // Without the server's answer, or with its refusal, the file cannot count
  // as delivered.
  if (answer == 0) {
    Tell(kMsgEndRequest);
    return remark::kScodeFailed;
  }
  return answer < 400 ? remark::kScodeOk : remark::kScodeFailed;
}

std::int32_t CTransfer::DeleteFileJava(const std::string& path) {
  try {
    m_ports.files->Remove(path);
  } catch (const FileError&) {
  }
  return 1;
}

remark::MemberRows TransferMembers(const TransferPorts& ports) {
  using Args = std::vector<Variant>;
  using automation::InvokeKind;
  using remark::CNotaroCtrl;
  auto t = std::make_shared<CTransfer>(ports);
  return {
      {remark::DISPID_Download,
       [t](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Error(t->Download(ctrl, a[0].AsStr(), a[1].AsStr()));
       }},
      {remark::DISPID_Upload,
       [t](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Error(t->Upload(ctrl, a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
      {remark::DISPID_UploadFile,
       [t](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Bool(t->UploadFile(ctrl, a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
      {remark::DISPID_UploadFileWithCookie,
       [t](CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::I4(t->UploadFileWithCookie(a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
      {remark::DISPID_UploadFileJava,
       [t](CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::Error(t->UploadFileJava(a[0].AsStr(), a[1].AsStr()));
       }},
      {remark::DISPID_DeleteFileJava,
       [t](CNotaroCtrl&, InvokeKind, const Args& a) { return Variant::Error(t->DeleteFileJava(a[0].AsStr())); }},
  };
}

}  // namespace kit::exchange
