// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// Code page 936 (GBK) <-> UTF-8 through iconv.
#pragma once
#include <string>

#include "ports/codepage.h"

namespace kit::posix {

class IconvCodePage : public ICodePage {
 public:
  // `ansi` is an iconv charset name; the desktops this mirrors run 936.
  explicit IconvCodePage(std::string ansi = "CP936");
  std::string ToUtf8(const std::string& ansi) const override;
  std::string FromUtf8(const std::string& utf8) const override;

 private:
  std::string ansi_;
};

// The converter shared by the path mapping and DefaultPlatform().
IconvCodePage& SystemCodePage();

}  // namespace kit::posix
