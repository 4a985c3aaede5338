// The control's HTTP transfers: remark data from and to the server, files
// posted through upload pages or as the raw body of one request, and the
// download into a file that the Word methods use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ports/dialogs.h"
#include "ports/files.h"
#include "ports/http.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

constexpr const char* kUploadingRemarkFile = "正在上传批注文件";
constexpr const char* kRemarkFileNotFound = "找不到批注文件";
constexpr const char* kRemarkUploadFailed = "批注文件上传失败";

// What the raw uploads tell, as the desktop's internet layer words it.
constexpr const char* kMsgOpenSession = "Failed to open session\n";
constexpr const char* kMsgOpenRequest = "Failed to open request";
constexpr const char* kMsgOpenLocalFile = "Failed to open local file";
constexpr const char* kMsgSendRequest = "Error on HttpSendRequestEx";
constexpr const char* kMsgReadFile = "ReadFile failed";
constexpr const char* kMsgWriteFile = "InternetWriteFile failed";
constexpr const char* kMsgEndRequest = "Error on HTTPEndRequest";
constexpr const char* kMsgHeaderBlock = "aaaaa";

constexpr const char* kRawAgent = "HttpSendRequestEx";
constexpr const char* kRawCookieName = "JSESSION";
constexpr std::size_t kRawBlockSize = 1024;
constexpr std::uint32_t kDownloadFlags = http::kNoCacheWrite | http::kTransferBinary;  // 0x4000002
constexpr std::size_t kDefaultMaxRemarkBytes = std::size_t{256} << 20;
// A downloaded document larger than this is refused and the file left as it
// was: 1 GiB, far beyond any Word document (the format itself stops well
// below it), yet a server that sends without end cannot fill the disk.
constexpr std::uint64_t kDefaultMaxDocumentBytes = std::uint64_t{1} << 30;

// The form upload through the server's upload page: address, cookie, local
// path, file name and whether the local file goes afterwards. Reports its own
// failures to the user.
using FormUpload = std::function<void(const std::string& url, const std::string& cookie, const std::string& path,
                                      const std::string& name, bool deleteAfterwards)>;

struct TransferPorts {
  IHttpClient* http = nullptr;
  IFileSystem* files = nullptr;
  IFileLookup* lookup = nullptr;
  IDialogs* dialogs = nullptr;
  IStatusWindows* status = nullptr;
  std::FILE* console = stdout;  // where the session failure is written
  FormUpload form_upload;
  // Empties the form processing's page buffer, which the plain download
  // starts from.
  std::function<void()> clear_page_text;
  // A remark data response longer than this is refused.
  std::size_t max_remark_bytes = kDefaultMaxRemarkBytes;
  // A document longer than this is not stored.
  std::uint64_t max_document_bytes = kDefaultMaxDocumentBytes;
};

// Where a raw upload goes: the scheme and the host are taken once from the
// front; "/" when nothing follows the host.
struct RawUploadTarget {
  std::string host;
  int port = 0;
  std::string object;
};

// Nullopt for an empty host or a port that is not a number from 1 to 65535.
// `lowerCase` lower-cases the whole address first (ASCII letters only);
// otherwise the scheme is matched as written.
std::optional<RawUploadTarget> ParseRawUploadAddress(const std::string& url, bool lowerCase, int defaultPort);

// The header blocks that come before the file bytes of a raw upload.
std::string CookieUploadHeaderBlock();                          // 93 bytes
std::string JavaUploadHeaderBlock(const std::string& object);  // 63 + parameter text + 36 bytes

// "https" or "HTTPS" anywhere in the address.
bool IsSecureAddress(const std::string& url);
// The address with a random number `value` added as its last query item.
std::string SecureDownloadAddress(const std::string& url, int value);

class CTransfer {
 public:
  explicit CTransfer(TransferPorts ports) : m_ports(std::move(ports)) {}

  std::int32_t Download(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie);
  std::int32_t Upload(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie,
                      const std::string& attach);
  bool UploadFile(remark::CNotaroCtrl& ctrl, const std::string& url, const std::string& cookie,
                  const std::string& name);
  std::int32_t UploadFileWithCookie(const std::string& url, const std::string& cookie, const std::string& path);
  std::int32_t UploadFileJava(const std::string& url, const std::string& path);
  std::int32_t DeleteFileJava(const std::string& path);
  // Fetches the address into the file; reports nothing to the user. True
  // when the whole document of a 2xx answer replaced the file; otherwise
  // the file is as it was.
  bool DownloadToFile(const std::string& url, const std::string& cookie, const std::string& path);

 private:
  struct RawUpload;
  void UploadRemarkFile(std::unique_ptr<IByteStream> file, const std::string& url, const std::string& cookie,
                        const std::string& path, const std::string& attach);
  std::int32_t PostRaw(const RawUploadTarget& target, const std::string& cookie, const std::string& headerBlock,
                       const std::string& path, bool java);
  void Tell(const std::string& text);
  // The page's name below the working folder; a refused name is told why.
  std::optional<std::string> UploadPathOf(const std::string& name);

  TransferPorts m_ports;
};

// The rows of the transfer members (Download, Upload, UploadFile,
// UploadFileWithCookie, UploadFileJava, DeleteFileJava); the ports must
// outlive the control.
remark::MemberRows TransferMembers(const TransferPorts& ports);

}  // namespace kit::exchange
