// The page that hosts a control, as its container tells it: whether the
// control is on a page at all, the document's address and the security zone
// the system puts that address in, and the office's list of sites set by the
// installer.
#pragma once
#include <string>

namespace kit {

// The values of URLZONE, so that adapters can cast.
enum class UrlZone : int {
  LocalMachine = 0,
  Intranet = 1,
  Trusted = 2,
  Internet = 3,
  Restricted = 4,
};

class IPageSite {
 public:
  virtual ~IPageSite() = default;
  // False when no document or browser stands behind the control's site, or
  // there is no site: a program on the desktop (a script host, a program's
  // own container) rather than a page.
  virtual bool OnPage() = 0;
  // The hosting document's address (UTF-8); empty when the page tells none.
  virtual std::string PageAddress() = 0;
  virtual UrlZone ZoneOf(const std::string& address) = 0;
  // The office's site list as stored (UTF-8): origins separated by ';'.
  // Empty when none is set.
  virtual std::string SiteList() = 0;
};

}  // namespace kit
