// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/com/page_site.h"

#include <docobj.h>
#include <exdisp.h>
#include <servprov.h>
#include <shlguid.h>
#include <urlmon.h>

#include <optional>
#include <vector>

#include "platform/win32/com/com_support.h"
#include "sitelock/site_lock.h"

namespace kit::win32::com {
namespace {

// Longest site list read; anything longer is not a list an installer wrote.
constexpr DWORD kMaxListBytes = 64 * 1024;

template <typename T>
class Ptr {
 public:
  Ptr() = default;
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  ~Ptr() {
    if (p_ != nullptr) p_->Release();
  }
  T** out() { return &p_; }
  void** void_out() { return reinterpret_cast<void**>(&p_); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

std::string Utf8(const wchar_t* s, int length = -1) { return Narrow(s, CP_UTF8, length); }

// The address of the document a moniker names; nothing when there is no
// moniker, an empty address when it has no name.
std::optional<std::string> MonikerAddress(IOleClientSite* site) {
  Ptr<IMoniker> moniker;
  if (FAILED(site->GetMoniker(OLEGETMONIKER_TEMPFORUSER, OLEWHICHMK_CONTAINER, moniker.out())) || !moniker) {
    return std::nullopt;
  }
  Ptr<IBindCtx> bind;
  LPOLESTR name = nullptr;
  if (FAILED(CreateBindCtx(0, bind.out())) || FAILED(moniker->GetDisplayName(bind.get(), nullptr, &name)) ||
      name == nullptr) {
    return std::string();
  }
  std::string address = Utf8(name);
  CoTaskMemFree(name);
  return address;
}

// A string property of an automation object asked by name (URL of a
// document, LocationURL of a browser); nothing when the object has no such
// property, an empty string when it cannot be read.
std::optional<std::string> NamedString(IUnknown* object, const wchar_t* property) {
  Ptr<IDispatch> disp;
  if (object == nullptr || FAILED(object->QueryInterface(IID_IDispatch, disp.void_out())) || !disp) {
    return std::nullopt;
  }
  LPOLESTR name = const_cast<LPOLESTR>(property);
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(disp->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return std::nullopt;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT v;
  VariantInit(&v);
  std::string text;
  if (SUCCEEDED(disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr)) &&
      V_VT(&v) == VT_BSTR && V_BSTR(&v) != nullptr) {
    text = Utf8(V_BSTR(&v), static_cast<int>(SysStringLen(V_BSTR(&v))));
  }
  VariantClear(&v);
  return text;
}

// Nothing when the site offers no such service.
std::optional<std::string> ServiceString(IServiceProvider* services, REFGUID service, const wchar_t* property) {
  Ptr<IUnknown> object;
  if (FAILED(services->QueryService(service, IID_IUnknown, object.void_out())) || !object) return std::nullopt;
  return NamedString(object.get(), property).value_or(std::string());
}

}  // namespace

IUnknown* ComPageSite::Site() const {
  if (client_site_ != nullptr) return client_site_;
  return object_site_;
}

// The document that holds the control comes before the browser window, whose
// address is the top page's even when the control sits in a frame. Whichever
// of them answers makes the control's host a page, even one that tells no
// address.
ComPageSite::Page ComPageSite::Find() const {
  IUnknown* site = Site();
  if (site == nullptr) return {};
  Ptr<IOleClientSite> client;
  if (SUCCEEDED(site->QueryInterface(IID_IOleClientSite, client.void_out())) && client) {
    if (std::optional<std::string> address = MonikerAddress(client.get())) return {true, *address};
    Ptr<IOleContainer> container;
    if (SUCCEEDED(client->GetContainer(container.out())) && container) {
      if (std::optional<std::string> address = NamedString(container.get(), L"URL")) return {true, *address};
    }
  }
  Ptr<IServiceProvider> services;
  if (FAILED(site->QueryInterface(IID_IServiceProvider, services.void_out())) || !services) return {};
  if (std::optional<std::string> address = ServiceString(services.get(), SID_SContainerDispatch, L"URL")) {
    return {true, *address};
  }
  if (std::optional<std::string> address = ServiceString(services.get(), SID_SWebBrowserApp, L"LocationURL")) {
    return {true, *address};
  }
  return {};
}

namespace {

// The container's services go along, so a host with a security manager of
// its own zones its pages as it does for everything else.
UrlZone ZoneOfWithServices(IServiceProvider* services, const std::string& address) {
  Ptr<IInternetSecurityManager> manager;
  if (FAILED(CoInternetCreateSecurityManager(services, manager.out(), 0)) || !manager) return UrlZone::Internet;
  const std::wstring url = Widen(address, CP_UTF8);
  DWORD zone = URLZONE_INTERNET;
  if (FAILED(manager->MapUrlToZone(url.c_str(), &zone, 0))) return UrlZone::Internet;
  switch (zone) {
    case URLZONE_LOCAL_MACHINE: return UrlZone::LocalMachine;
    case URLZONE_INTRANET: return UrlZone::Intranet;
    case URLZONE_TRUSTED: return UrlZone::Trusted;
    case URLZONE_UNTRUSTED: return UrlZone::Restricted;
    default: return UrlZone::Internet;
  }
}

}  // namespace

UrlZone ZoneOfAddress(const std::string& address) { return ZoneOfWithServices(nullptr, address); }

UrlZone ComPageSite::ZoneOf(const std::string& address) {
  Ptr<IServiceProvider> services;
  if (IUnknown* site = Site()) site->QueryInterface(IID_IServiceProvider, services.void_out());
  return ZoneOfWithServices(services.get(), address);
}

std::string ComPageSite::SiteList() {
  HKEY key = nullptr;
  const std::wstring path = Widen(sitelock::kSiteListKey, CP_UTF8);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
  const std::wstring name = Widen(sitelock::kSiteListValue, CP_UTF8);
  DWORD type = 0, size = 0;
  std::string list;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size <= kMaxListBytes) {
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
        ERROR_SUCCESS) {
      text.back() = L'\0';
      list = Utf8(text.data());
    }
  }
  RegCloseKey(key);
  return list;
}

}  // namespace kit::win32::com
