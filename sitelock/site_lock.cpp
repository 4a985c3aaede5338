#include "sitelock/site_lock.h"

namespace kit::sitelock {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// Browsers read a backslash in an address as a slash.
bool IsSlash(char c) { return c == '/' || c == '\\'; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

int DefaultPort(const std::string& scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  if (scheme == "ftp") return 21;
  return -1;
}

bool PlainHostName(const std::string& host) {
  for (char c : host) {
    if (!(IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_')) return false;
  }
  return true;
}

bool PlainIpv6(const std::string& inner) {
  if (inner.empty()) return false;
  for (char c : inner) {
    if (!(IsDigit(c) || (c >= 'a' && c <= 'f') || c == ':' || c == '.')) return false;
  }
  return true;
}

// The origin and where the authority ends in the address.
std::optional<Origin> Parse(const std::string& text, std::size_t* end) {
  const std::string s = Trim(text);
  std::size_t i = 0;
  if (s.empty() || !IsAlpha(s[0])) return std::nullopt;
  while (i < s.size() && (IsAlpha(s[i]) || IsDigit(s[i]) || s[i] == '+' || s[i] == '-' || s[i] == '.')) ++i;
  if (i >= s.size() || s[i] != ':') return std::nullopt;
  Origin o;
  for (std::size_t k = 0; k < i; ++k) o.scheme += Lower(s[k]);
  ++i;
  if (i + 1 >= s.size() || !IsSlash(s[i]) || !IsSlash(s[i + 1])) return std::nullopt;
  i += 2;
  std::size_t stop = i;
  while (stop < s.size() && !IsSlash(s[stop]) && s[stop] != '?' && s[stop] != '#') ++stop;
  std::string authority = s.substr(i, stop - i);
  // Whatever comes before the last '@' is a user name, not the host.
  const std::size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  for (char& c : authority) c = Lower(c);
  std::string port;
  if (!authority.empty() && authority[0] == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string::npos || !PlainIpv6(authority.substr(1, close - 1))) return std::nullopt;
    o.host = authority.substr(0, close + 1);
    const std::string rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return std::nullopt;
      port = rest.substr(1);
    }
  } else {
    const std::size_t colon = authority.find(':');
    o.host = authority.substr(0, colon);
    if (colon != std::string::npos) port = authority.substr(colon + 1);
    if (!o.host.empty() && o.host.back() == '.') o.host.pop_back();
    if (!PlainHostName(o.host)) return std::nullopt;
  }
  if (o.host.empty()) return std::nullopt;
  o.port = DefaultPort(o.scheme);
  if (!port.empty()) {
    if (port.size() > 5) return std::nullopt;
    int n = 0;
    for (char c : port) {
      if (!IsDigit(c)) return std::nullopt;
      n = n * 10 + (c - '0');
    }
    if (n > 65535) return std::nullopt;
    o.port = n;
  }
  if (end != nullptr) *end = stop;
  return o;
}

}  // namespace

std::optional<Origin> OriginOf(const std::string& address) { return Parse(address, nullptr); }

std::vector<Origin> ParseSiteList(const std::string& list) {
  std::vector<Origin> out;
  std::size_t from = 0;
  while (from <= list.size()) {
    std::size_t semi = list.find(';', from);
    if (semi == std::string::npos) semi = list.size();
    const std::string entry = Trim(list.substr(from, semi - from));
    std::size_t end = 0;
    if (std::optional<Origin> o = Parse(entry, &end)) {
      // A path would narrow what the entry says, which origins cannot do:
      // such an entry is not taken rather than taken wider than written.
      const std::string rest = entry.substr(end);
      if (rest.empty() || rest == "/") out.push_back(*o);
    }
    from = semi + 1;
  }
  return out;
}

bool IsAnswered(IPageSite& site) {
  if (!site.OnPage()) return true;
  const std::string address = site.PageAddress();
  if (address.empty()) return false;
  const UrlZone zone = site.ZoneOf(address);
  if (zone == UrlZone::Intranet || zone == UrlZone::Trusted) return true;
  const std::optional<Origin> origin = OriginOf(address);
  if (!origin) return false;
  for (const Origin& listed : ParseSiteList(site.SiteList())) {
    if (listed == *origin) return true;
  }
  return false;
}

void SiteLock::SiteChanged() {
  if (state_ != State::Refused) state_ = State::Unjudged;
}

bool SiteLock::Answered() {
  if (state_ == State::Unjudged) state_ = IsAnswered(site_) ? State::Answered : State::Refused;
  return state_ == State::Answered;
}

void SiteLock::Check(const std::string& source) {
  if (!Answered()) throw automation::AutomationError(kAccessDenied, kAccessDeniedText, source);
}

automation::Variant LockedObject::Invoke(automation::DispId id, automation::InvokeKind kind,
                                         const std::vector<automation::Variant>& args) {
  lock_.Check(source_);
  return inner_.Invoke(id, kind, args);
}

namespace {
class OwningLockedObject : public automation::IDispatchObject {
 public:
  OwningLockedObject(std::shared_ptr<automation::IDispatchObject> inner, std::shared_ptr<SiteLock> lock,
                     std::string source)
      : inner_(std::move(inner)), lock_(std::move(lock)), face_(*inner_, *lock_, std::move(source)) {}
  const automation::DispatchTable& Members() const override { return face_.Members(); }
  automation::Variant Invoke(automation::DispId id, automation::InvokeKind kind,
                             const std::vector<automation::Variant>& args) override {
    return face_.Invoke(id, kind, args);
  }

 private:
  std::shared_ptr<automation::IDispatchObject> inner_;
  std::shared_ptr<SiteLock> lock_;
  LockedObject face_;
};
}  // namespace

std::shared_ptr<automation::IDispatchObject> Locked(std::shared_ptr<automation::IDispatchObject> inner,
                                                    std::shared_ptr<SiteLock> lock, std::string source) {
  return std::make_shared<OwningLockedObject>(std::move(inner), std::move(lock), std::move(source));
}

}  // namespace kit::sitelock
