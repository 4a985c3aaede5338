// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// The page a POSIX host plays: an address given on its command line and a
// site list given the same way, zoned as a desktop on the office network
// would zone them.
#pragma once
#include <optional>
#include <string>

#include "ports/page_site.h"

namespace kit::posix {

// file: addresses are the local machine; loopback and private-network
// addresses (and "localhost") are the intranet; everything else, host names
// included, is the internet, as no name is looked up.
UrlZone ZoneOfAddress(const std::string& address);

class CommandLinePageSite : public IPageSite {
 public:
  // Without an address the controls are on no page, as under a script host.
  CommandLinePageSite(std::optional<std::string> address, std::string site_list)
      : address_(std::move(address)), site_list_(std::move(site_list)) {}
  bool OnPage() override { return address_.has_value(); }
  std::string PageAddress() override { return address_.value_or(std::string()); }
  UrlZone ZoneOf(const std::string& address) override { return ZoneOfAddress(address); }
  std::string SiteList() override { return site_list_; }

 private:
  std::optional<std::string> address_;
  std::string site_list_;
};

}  // namespace kit::posix
