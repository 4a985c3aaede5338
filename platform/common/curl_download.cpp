// platform/common: adapters over libraries that work the same on every platform.
#include "platform/common/curl_download.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace kit {
namespace {

struct EasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct FileSink {
  std::FILE* file;
  std::uint64_t limit;
  std::uint64_t written = 0;
};

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<FileSink*>(user);
  const std::size_t n = size * count;
  if (n > sink->limit - sink->written) return 0;  // libcurl stops with a write error
  sink->written += n;
  return std::fwrite(data, 1, n, sink->file);
}

bool Fetch(const std::string& url, const std::string& cookie, std::FILE* file, std::uint64_t maxBytes,
           const CurlLimits& limits) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  std::unique_ptr<CURL, EasyCleanup> handle(curl_easy_init());
  if (!handle) return false;
  CURL* h = handle.get();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connect_timeout_s);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.low_speed_time_s);
  // libcurl's 16 KB default costs a callback and a write every 16 KB of a
  // 50 MB remark file; the curl tool reads 100 KB at a time too.
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 100L * 1024);
  FileSink sink{file, maxBytes};
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  // An announced length past the limit is refused before the body comes.
  if (maxBytes <= static_cast<std::uint64_t>(INT64_MAX))
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
  if (!cookie.empty()) curl_easy_setopt(h, CURLOPT_COOKIE, cookie.c_str());
  if (curl_easy_perform(h) != CURLE_OK) return false;
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  return status >= 200 && status <= 299;
}

}  // namespace

std::string PartFileName(const std::string& target) { return target + ".part~"; }

bool CurlDownloadToFile(const std::string& url, const std::string& cookie, const std::string& target,
                        std::uint64_t maxBytes, const CurlLimits& limits, ReplaceWithPart replace) {
  const std::string part = PartFileName(target);
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = Fetch(url, cookie, file, maxBytes, limits);
  if (std::fclose(file) != 0) ok = false;
  return replace(part, target, ok);
}

}  // namespace kit
