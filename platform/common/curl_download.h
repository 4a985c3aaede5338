// platform/common: adapters over libraries that work the same on every platform.
// libcurl settings and the download of a body into a file, the same for the
// POSIX and the Win32 HTTP adapters; each adapter says how a finished file
// is moved over its target.
#pragma once
#include <cstdint>
#include <string>

namespace kit {

struct CurlLimits {
  long connect_timeout_s = 30;
  // A transfer slower than this many bytes a second for this long is given up.
  long low_speed_bytes = 1;
  long low_speed_time_s = 60;
};

// The file a download is written to, beside its target.
std::string PartFileName(const std::string& target);

// Moves `part` over `target` when `ok` (replacing it); otherwise, or when the
// move fails, removes `part`. True when `target` now holds the download.
using ReplaceWithPart = bool (*)(const std::string& part, const std::string& target, bool ok);

// GETs `url` with the cookie (none when empty) into PartFileName(target), a
// native path, and hands it to `replace`: ok only when a whole 2xx answer of
// at most `maxBytes` arrived and was written. True when the target was
// replaced; a refused or failed download leaves the target as it was.
bool CurlDownloadToFile(const std::string& url, const std::string& cookie, const std::string& target,
                        std::uint64_t maxBytes, const CurlLimits& limits, ReplaceWithPart replace);

}  // namespace kit
