// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// HTTP on POSIX hosts: libcurl for requests it builds itself, a socket for
// the raw posts whose body the caller streams; files under KIT_ROOT.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "ports/http.h"

namespace kit::posix {

struct HttpLimits {
  long connect_timeout_s = 30;
  // A transfer slower than this many bytes a second for `low_speed_time_s`
  // is given up, so that a stalled server cannot hold the page for ever.
  long low_speed_limit = 1;
  long low_speed_time_s = 60;
  // How long a raw post waits for the status line after its body.
  long response_timeout_s = 60;
};

class CurlHttpClient : public IHttpClient {
 public:
  explicit CurlHttpClient(HttpLimits limits = {});
  ~CurlHttpClient() override;
  HttpResponse Get(const HttpGetRequest& request) override;
  bool DownloadToFile(const std::string& url, const std::string& cookie, const std::string& path,
                      std::uint64_t max_bytes) override;
  bool UrlDownloadToFile(const std::string& url, const std::string& path, std::uint64_t max_bytes) override;
  std::unique_ptr<IHttpRawPost> OpenRawPost(const HttpRawPostRequest& request) override;

 private:
  HttpLimits limits_;
};

// The status window of a host without a desktop: each text is a line on `out`.
class PrintedStatusWindows : public IStatusWindows {
 public:
  explicit PrintedStatusWindows(std::FILE* out) : out_(out) {}
  std::unique_ptr<IStatusWindow> Create() override;

 private:
  std::FILE* out_;
};

}  // namespace kit::posix
