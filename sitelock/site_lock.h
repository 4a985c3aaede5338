// Which pages the controls answer: pages in the Local Intranet and Trusted
// Sites zones, pages whose origin is on the office's site list, and programs
// on the desktop, whose sites (if they give one) lead to no page. Any other
// page gets "access denied" from every member, and nothing is done for it.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/automation.h"
#include "ports/hresult.h"
#include "ports/page_site.h"

namespace kit::sitelock {

constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005u);  // E_ACCESSDENIED
constexpr const char* kAccessDeniedText = "access denied";

// The site list, under HKEY_LOCAL_MACHINE, written by the installer (UTF-8).
constexpr const char* kSiteListKey = "SOFTWARE\\澄岚市电政办\\Controls";
constexpr const char* kSiteListValue = "SiteList";

// Scheme, host and port of an address, compared as browsers compare origins.
struct Origin {
  std::string scheme;  // lower case
  std::string host;    // lower case, without a trailing dot; IPv6 in brackets
  int port = -1;       // the scheme's default when the address gives none
  bool operator==(const Origin& o) const { return scheme == o.scheme && host == o.host && port == o.port; }
};

// Nothing for an address without a host this can compare (file:, a host with
// escapes or odd characters, a bad port).
std::optional<Origin> OriginOf(const std::string& address);

// The origins of a stored list; entries that are not a bare origin (with no
// path beyond "/") are left out.
std::vector<Origin> ParseSiteList(const std::string& list);

// The rule itself.
bool IsAnswered(IPageSite& site);

// The rule for one control: judged when first needed after each change of
// site. A control once refused stays refused.
class SiteLock {
 public:
  explicit SiteLock(IPageSite& site) : site_(site) {}
  void SiteChanged();
  bool Answered();
  // Raises "access denied" (E_ACCESSDENIED) unless the page is answered.
  void Check(const std::string& source);

 private:
  enum class State { Unjudged, Answered, Refused };
  IPageSite& site_;
  State state_ = State::Unjudged;
};

// A control's dispatch interface behind its lock: the same members, each
// asking the lock before it runs.
class LockedObject : public automation::IDispatchObject {
 public:
  LockedObject(automation::IDispatchObject& inner, SiteLock& lock, std::string source)
      : inner_(inner), lock_(lock), source_(std::move(source)) {}
  const automation::DispatchTable& Members() const override { return inner_.Members(); }
  automation::Variant Invoke(automation::DispId id, automation::InvokeKind kind,
                             const std::vector<automation::Variant>& args) override;

 private:
  automation::IDispatchObject& inner_;
  SiteLock& lock_;
  std::string source_;
};

// The same for an object a class registry made, keeping both alive.
std::shared_ptr<automation::IDispatchObject> Locked(std::shared_ptr<automation::IDispatchObject> inner,
                                                    std::shared_ptr<SiteLock> lock, std::string source);

}  // namespace kit::sitelock
