// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// HTTP over the desktop's internet layer: WinINet for the remark data GET
// and the raw posts, the URL moniker for the secure download, libcurl for
// the plain download and the multipart post. Kept free of <windows.h>.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "ports/http.h"

namespace kit::win32 {

class Win32HttpClient : public IHttpClient {
 public:
  HttpResponse Get(const HttpGetRequest& request) override;
  bool DownloadToFile(const std::string& url, const std::string& cookie, const std::string& path,
                      std::uint64_t max_bytes) override;
  bool UrlDownloadToFile(const std::string& url, const std::string& path, std::uint64_t max_bytes) override;
  std::unique_ptr<IHttpRawPost> OpenRawPost(const HttpRawPostRequest& request) override;
};

// Modeless dialog 211 (187 x 21 units, no caption, centred, "宋体" 9 pt) with
// the centred static text 210, built from an in-memory template.
class Win32StatusWindows : public IStatusWindows {
 public:
  std::unique_ptr<IStatusWindow> Create() override;
};

}  // namespace kit::win32
