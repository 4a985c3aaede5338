// The system ANSI code page (936 on the target desktops) and UTF-8.
#pragma once
#include <string>

namespace kit {

class ICodePage {
 public:
  virtual ~ICodePage() = default;
  // Characters that cannot be converted become '?'.
  virtual std::string ToUtf8(const std::string& ansi) const = 0;
  virtual std::string FromUtf8(const std::string& utf8) const = 0;
};

}  // namespace kit
