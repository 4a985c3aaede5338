// The system ANSI code page (936 on the target desktops) and UTF-8.
#pragma once
#include <string>

namespace kit {

// Whether `c` opens a double-byte character of code page 936, in which the
// names and paths the kit handles stay whatever the host's own code page; its
// trail byte may be an ASCII byte such as a backslash.
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

class ICodePage {
 public:
  virtual ~ICodePage() = default;
  // Characters that cannot be converted become '?'.
  virtual std::string ToUtf8(const std::string& ansi) const = 0;
  virtual std::string FromUtf8(const std::string& utf8) const = 0;
};

}  // namespace kit
