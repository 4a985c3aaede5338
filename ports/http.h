// HTTP as the control's transfers use it: a GET into memory, downloads into a
// file, a multipart post and a raw POST whose body the caller streams. Paths
// are Windows paths in the system code page; addresses and cookies are bytes
// as the page gave them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kit {

// The connection failed, was reset, timed out or sent more than was allowed:
// what the internet layer raises where a framework would throw.
class HttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace http {
// Request flags with the desktop's values.
constexpr std::uint32_t kNoCacheWrite = 0x04000000;
constexpr std::uint32_t kTransferBinary = 0x00000002;
}  // namespace http

struct HttpResponse {
  long status = 0;
  std::vector<std::uint8_t> body;
};

struct HttpGetRequest {
  std::string url;
  std::string headers;  // extra header lines, each ended by CR LF
  std::uint32_t flags = 0;
  std::size_t max_body = 0;  // a longer body is an HttpError; 0: no limit
};

// A POST whose body the caller writes: the request line and headers are sent
// when it is opened, with the content length it was opened for.
class IHttpRawPost {
 public:
  virtual ~IHttpRawPost() = default;
  // False when the connection failed, or when the bytes would run past the
  // content length.
  virtual bool Write(const void* data, std::size_t n) = 0;
  // Waits for the response's status line and returns its status; 0 when
  // none came or fewer bytes were written than announced.
  virtual long End() = 0;
};

struct HttpRawPostRequest {
  std::string host;
  int port = 80;
  std::string object;  // path and query, sent as written
  std::string agent;
  std::string cookie;  // a Cookie header value; empty: no header
  std::uint32_t flags = 0;
  std::uint64_t content_length = 0;
};

class IHttpClient {
 public:
  virtual ~IHttpClient() = default;
  // Throws HttpError when no complete response arrived. A redirection is
  // not followed: it comes back with its own status and body.
  virtual HttpResponse Get(const HttpGetRequest& request) = 0;
  // Stores the body in `path` only when a complete response with a 2xx
  // status and a body of at most `max_bytes` arrived, and returns true then;
  // otherwise the file stays as it was (a redirection is not followed and
  // counts as a failure). An empty cookie sends no cookie.
  virtual bool DownloadToFile(const std::string& url, const std::string& cookie, const std::string& path,
                              std::uint64_t max_bytes) = 0;
  // The desktop's own download into a file (its session cookies apply), the
  // same rule for what replaces `path`.
  virtual bool UrlDownloadToFile(const std::string& url, const std::string& path, std::uint64_t max_bytes) = 0;
  // Null when the host cannot be resolved or connected to.
  virtual std::unique_ptr<IHttpRawPost> OpenRawPost(const HttpRawPostRequest& request) = 0;
};

// The small modeless window that tells the user which step an upload is at.
class IStatusWindow {
 public:
  virtual ~IStatusWindow() = default;
  virtual void SetText(const std::string& text) = 0;  // UTF-8
};

class IStatusWindows {
 public:
  virtual ~IStatusWindows() = default;
  // Shown when created, destroyed with the object.
  virtual std::unique_ptr<IStatusWindow> Create() = 0;
};

}  // namespace kit
