// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/exchange/posix_http.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/common/curl_download.h"
#include "platform/posix/posix_paths.h"
#include "ports/text.h"

namespace kit::posix {
namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

constexpr long kReceiveBuffer = 100L * 1024;

Easy NewEasy(const std::string& url, const HttpLimits& limits) {
  GlobalInit();
  Easy h(curl_easy_init());
  if (!h) throw HttpError("cannot create an HTTP transfer");
  curl_easy_setopt(h.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(h.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h.get(), CURLOPT_CONNECTTIMEOUT, limits.connect_timeout_s);
  curl_easy_setopt(h.get(), CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_limit);
  curl_easy_setopt(h.get(), CURLOPT_LOW_SPEED_TIME, limits.low_speed_time_s);
  // libcurl's 16 KB default costs a callback and a copy every 16 KB of a
  // 50 MB remark file; the curl tool reads 100 KB at a time too.
  curl_easy_setopt(h.get(), CURLOPT_BUFFERSIZE, kReceiveBuffer);
  return h;
}

// "Name: value\r\nName: value\r\n" as libcurl's header list.
HeaderList ParseHeaders(const std::string& text) {
  curl_slist* list = nullptr;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    if (!line.empty()) {
      curl_slist* next = curl_slist_append(list, line.c_str());
      if (next == nullptr) {
        curl_slist_free_all(list);
        throw HttpError("out of memory for request headers");
      }
      list = next;
    }
    at = end + 2;
  }
  return HeaderList(list);
}

struct MemorySink {
  CURL* handle;
  std::vector<std::uint8_t>* body;
  std::size_t limit;
  bool overflow = false;
  bool sized = false;
};

std::size_t WriteToMemory(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  const std::size_t n = size * count;
  if (sink->limit != 0 && sink->body->size() + n > sink->limit) {
    sink->overflow = true;
    return 0;  // libcurl stops with a write error
  }
  if (!sink->sized) {
    // One allocation for an announced length, instead of growing and
    // copying a large body a few dozen times; an announced length past the
    // limit is not trusted for the reservation.
    sink->sized = true;
    curl_off_t announced = -1;
    if (curl_easy_getinfo(sink->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
        announced > 0 && (sink->limit == 0 || static_cast<std::uint64_t>(announced) <= sink->limit) &&
        static_cast<std::uint64_t>(announced) <= (std::uint64_t{1} << 30)) {
      try {
        sink->body->reserve(static_cast<std::size_t>(announced));
      } catch (const std::bad_alloc&) {
        // Growing as it comes is still possible.
      }
    }
  }
  sink->body->insert(sink->body->end(), data, data + n);
  return n;
}

long Status(CURL* h) {
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

// The download's file moved over its target only after a whole successful
// answer.
bool ReplaceWithPart(const std::string& part, const std::string& target, bool ok) {
  if (ok && std::rename(part.c_str(), target.c_str()) == 0) return true;
  std::remove(part.c_str());
  return false;
}

bool FetchToFile(const std::string& url, const std::string& cookie, const std::string& path,
                 std::uint64_t maxBytes, const HttpLimits& limits) {
  std::string target;
  try {
    target = NativePath(path);
  } catch (const std::exception&) {
    return false;
  }
  const CurlLimits curlLimits{limits.connect_timeout_s, limits.low_speed_limit, limits.low_speed_time_s};
  return CurlDownloadToFile(url, cookie, target, maxBytes, curlLimits, ReplaceWithPart);
}

// A socket with its request head sent; the body follows through Write.
class SocketRawPost : public IHttpRawPost {
 public:
  SocketRawPost(int fd, std::uint64_t length, long timeout_s) : fd_(fd), remaining_(length), timeout_s_(timeout_s) {}
  ~SocketRawPost() override {
    if (fd_ >= 0) ::close(fd_);
  }

  bool Write(const void* data, std::size_t n) override {
    if (fd_ < 0 || n > remaining_) return false;
    if (!SendAll(fd_, data, n)) return false;
    remaining_ -= n;
    return true;
  }

  long End() override {
    if (fd_ < 0 || remaining_ != 0) return 0;
    // The status line is all that is waited for; the rest is not read.
    std::string got;
    char buf[512];
    while (got.find("\r\n") == std::string::npos && got.size() < 4096) {
      pollfd p{fd_, POLLIN, 0};
      const int r = ::poll(&p, 1, static_cast<int>(timeout_s_ * 1000));
      if (r <= 0) return 0;
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) return 0;
      got.append(buf, static_cast<std::size_t>(n));
    }
    // "HTTP/1.1 200 OK"
    const std::size_t space = got.find(' ');
    if (!StartsWith(got, "HTTP/") || space == std::string::npos) return 0;
    const long status = std::strtol(got.c_str() + space + 1, nullptr, 10);
    return status >= 100 && status <= 999 ? status : 0;
  }

  static bool SendAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      const ssize_t sent = ::send(fd, p, n, MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) return false;
      p += sent;
      n -= static_cast<std::size_t>(sent);
    }
    return true;
  }

 private:
  int fd_;
  std::uint64_t remaining_;
  long timeout_s_;
};

int ConnectWithTimeout(const std::string& host, int port, long timeout_s) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    bool ok = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    if (!ok && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int err = 0;
      socklen_t len = sizeof err;
      ok = ::poll(&p, 1, static_cast<int>(timeout_s * 1000)) == 1 &&
           ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
    }
    ::fcntl(fd, F_SETFL, flags);
    if (!ok) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  return fd;
}

class PrintedStatusWindow : public IStatusWindow {
 public:
  explicit PrintedStatusWindow(std::FILE* out) : out_(out) {}
  void SetText(const std::string& text) override {
    std::fprintf(out_, "[status] %s\n", text.c_str());
    std::fflush(out_);
  }

 private:
  std::FILE* out_;
};

}  // namespace

CurlHttpClient::CurlHttpClient(HttpLimits limits) : limits_(limits) { GlobalInit(); }
CurlHttpClient::~CurlHttpClient() = default;

HttpResponse CurlHttpClient::Get(const HttpGetRequest& request) {
  HttpResponse response;
  Easy h = NewEasy(request.url, limits_);
  HeaderList headers = ParseHeaders(request.headers);
  if (headers) curl_easy_setopt(h.get(), CURLOPT_HTTPHEADER, headers.get());
  MemorySink sink{h.get(), &response.body, request.max_body};
  curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, WriteToMemory);
  curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, &sink);
  const CURLcode rc = curl_easy_perform(h.get());
  if (sink.overflow) throw HttpError("the response is longer than " + std::to_string(request.max_body) + " bytes");
  if (rc != CURLE_OK) throw HttpError(curl_easy_strerror(rc));
  response.status = Status(h.get());
  return response;
}

bool CurlHttpClient::DownloadToFile(const std::string& url, const std::string& cookie, const std::string& path,
                                    std::uint64_t max_bytes) {
  return FetchToFile(url, cookie, path, max_bytes, limits_);
}

bool CurlHttpClient::UrlDownloadToFile(const std::string& url, const std::string& path, std::uint64_t max_bytes) {
  return FetchToFile(url, std::string(), path, max_bytes, limits_);
}

std::unique_ptr<IHttpRawPost> CurlHttpClient::OpenRawPost(const HttpRawPostRequest& request) {
  if (request.host.empty() || request.port <= 0 || request.port > 65535) return nullptr;
  const int fd = ConnectWithTimeout(request.host, request.port, limits_.connect_timeout_s);
  if (fd < 0) return nullptr;
  auto post = std::make_unique<SocketRawPost>(fd, request.content_length, limits_.response_timeout_s);
  std::string head = "POST " + (request.object.empty() ? std::string("/") : request.object) + " HTTP/1.1\r\n";
  if (!request.agent.empty()) head += "User-Agent: " + request.agent + "\r\n";
  head += "Host: " + request.host + (request.port == 80 ? std::string() : ":" + std::to_string(request.port)) + "\r\n";
  head += "Content-Length: " + std::to_string(request.content_length) + "\r\n";
  if ((request.flags & http::kNoCacheWrite) != 0) head += "Cache-Control: no-cache\r\n";
  if (!request.cookie.empty()) head += "Cookie: " + request.cookie + "\r\n";
  head += "Connection: close\r\n\r\n";
  if (!SocketRawPost::SendAll(fd, head.data(), head.size())) return nullptr;
  return post;
}

std::unique_ptr<IStatusWindow> PrintedStatusWindows::Create() { return std::make_unique<PrintedStatusWindow>(out_); }

}  // namespace kit::posix
