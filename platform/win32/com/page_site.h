// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The page hosting a control, asked of the sites its container gave it: the
// document through the client site's moniker, the container's document or
// the services behind the site (a script host's site leads to none of them);
// the zone of its address from the system's Internet security manager; the
// office's site list from the registry.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

#include "ports/page_site.h"

namespace kit::win32::com {

// The zone the system's Internet security manager puts `address` (UTF-8) in,
// for a program with no container of its own.
UrlZone ZoneOfAddress(const std::string& address);

class ComPageSite : public IPageSite {
 public:
  // The control's own site pointers, read whenever the page is asked about:
  // the client site of IOleObject and the site of IObjectWithSite.
  ComPageSite(IOleClientSite* const& client_site, IUnknown* const& object_site)
      : client_site_(client_site), object_site_(object_site) {}
  bool OnPage() override { return Find().on_page; }
  std::string PageAddress() override { return Find().address; }
  UrlZone ZoneOf(const std::string& address) override;
  std::string SiteList() override;

 private:
  struct Page {
    bool on_page = false;
    std::string address;
  };
  // The client site when there is one; a control created by script has only
  // the other.
  IUnknown* Site() const;
  Page Find() const;

  IOleClientSite* const& client_site_;
  IUnknown* const& object_site_;
};

}  // namespace kit::win32::com
