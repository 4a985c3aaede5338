// Form uploads over libcurl's easy and form interfaces; local paths are
// mapped under KIT_ROOT.
#pragma once
#include "ports/form_post.h"

namespace kit::posix {

struct CurlLimits {
  long connect_timeout_s = 30;
  // A transfer slower than this many bytes a second for this long is given up.
  long low_speed_bytes = 1;
  long low_speed_time_s = 60;
};

class CurlFormPoster : public IFormPoster {
 public:
  explicit CurlFormPoster(CurlLimits limits = {}) : m_limits(limits) {}
  FormPostOutcome FetchPage(const std::string& url, const std::string& cookie, PageWriter writer,
                            void* context) override;
  FormPostOutcome PostForm(const FormPostRequest& request) override;

 private:
  CurlLimits m_limits;
};

}  // namespace kit::posix
