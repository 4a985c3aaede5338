// platform/common: adapters over libraries that work the same on every platform.
// Form uploads over libcurl's easy and form interfaces, the same on every
// platform; the host says how a local path becomes one libcurl can open.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/common/curl_download.h"
#include "ports/form_post.h"

namespace kit {

// The path libcurl opens for a local path; nullopt for one that has none.
// Unset: the path as it is (Windows: code page 936 paths go to fopen).
using NativeFilePath = std::function<std::optional<std::string>(const std::string&)>;

class CurlFormPoster : public IFormPoster {
 public:
  explicit CurlFormPoster(CurlLimits limits = {}, NativeFilePath native = {})
      : m_limits(limits), m_native(std::move(native)) {}
  FormPostOutcome FetchPage(const std::string& url, const std::string& cookie, PageWriter writer,
                            void* context) override;
  FormPostOutcome PostForm(const FormPostRequest& request) override;

 private:
  CurlLimits m_limits;
  NativeFilePath m_native;
};

}  // namespace kit
