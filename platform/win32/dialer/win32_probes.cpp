// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/dialer/win32_dialer_records.h"

#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <map>
#include <variant>
#include <vector>

#include "platform/win32/dialer/win32_dialer.h"

namespace kit::win32 {
namespace {

// Null, a string, or an array of strings (text is UTF-8).
using WmiValue = std::variant<std::monostate, std::string, std::vector<std::string>>;
using WmiObject = std::map<std::string, WmiValue>;

// Closes the ICMP handle on every way out.
class IcmpHandle {
 public:
  IcmpHandle() : h_(IcmpCreateFile()) {}
  ~IcmpHandle() {
    if (h_ != INVALID_HANDLE_VALUE) IcmpCloseHandle(h_);
  }
  IcmpHandle(const IcmpHandle&) = delete;
  IcmpHandle& operator=(const IcmpHandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
  return w;
}

std::string Utf8(const wchar_t* w, std::size_t len) {
  if (len == 0) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), &s[0], n, nullptr, nullptr);
  return s;
}

std::string FromBstr(BSTR b) { return b ? Utf8(b, SysStringLen(b)) : std::string(); }

class Bstr {
 public:
  explicit Bstr(const std::wstring& w) : b_(SysAllocString(w.c_str())) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

WmiValue ToValue(VARIANT& v) {
  if (v.vt == VT_BSTR) return FromBstr(v.bstrVal);
  if (v.vt == (VT_ARRAY | VT_BSTR) && v.parray != nullptr) {
    std::vector<std::string> out;
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(v.parray, 1, &lo);
    SafeArrayGetUBound(v.parray, 1, &hi);
    for (LONG i = lo; i <= hi; ++i) {
      BSTR b = nullptr;
      if (SUCCEEDED(SafeArrayGetElement(v.parray, &i, &b))) {
        out.push_back(FromBstr(b));
        SysFreeString(b);
      }
    }
    return out;
  }
  VARIANT s;
  VariantInit(&s);
  if (v.vt != VT_NULL && v.vt != VT_EMPTY && SUCCEEDED(VariantChangeType(&s, &v, 0, VT_BSTR))) {
    std::string r = FromBstr(s.bstrVal);
    VariantClear(&s);
    return r;
  }
  return std::monostate{};
}

// COM for the calling thread, undone when the query is over.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

[[noreturn]] void Fail(const char* what, HRESULT hr) {
  char buf[96];
  wsprintfA(buf, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
  throw SystemQueryError(buf);
}

// The objects a query returns, in order, with the named properties.
std::vector<WmiObject> ExecQuery(const std::string& wql, const std::vector<std::string>& properties) {

  ComScope com;
  ComPtr<IWbemLocator> locator;
  HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.out()));
  if (FAILED(hr)) Fail("creating the WMI locator", hr);
  ComPtr<IWbemServices> services;
  Bstr ns(L"\\\\.\\root\\cimv2");
  hr = locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.out());
  if (FAILED(hr)) Fail("connecting to root\\cimv2", hr);
  CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  ComPtr<IEnumWbemClassObject> rows;
  Bstr lang(L"WQL");
  Bstr query(Wide(wql));
  hr = services->ExecQuery(lang.get(), query.get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                           nullptr, rows.out());
  if (FAILED(hr)) Fail("the WMI query", hr);
  std::vector<WmiObject> out;
  for (;;) {
    IWbemClassObject* obj = nullptr;
    ULONG got = 0;
    hr = rows->Next(WBEM_INFINITE, 1, &obj, &got);
    if (got == 0 || obj == nullptr) break;
    WmiObject o;
    for (const std::string& name : properties) {
      VARIANT v;
      VariantInit(&v);
      std::wstring w = Wide(name);
      if (SUCCEEDED(obj->Get(w.c_str(), 0, &v, nullptr, nullptr))) o[name] = ToValue(v);
      VariantClear(&v);
    }
    obj->Release();
    out.push_back(std::move(o));
  }
  return out;
}

}  // namespace

EchoResult Win32Echo::Echo(std::uint32_t address, std::uint32_t timeout_ms) {
  IcmpHandle h;
  if (h.get() == INVALID_HANDLE_VALUE) {
    why_ = "probe unavailable: IcmpCreateFile failed with error " + std::to_string(GetLastError());
    return EchoResult::kUnavailable;
  }
  std::vector<std::uint8_t> reply(kEchoReplyBufferSize, 0);
  char payload = 0;
  const DWORD n = IcmpSendEcho(h.get(), address, &payload, 0, nullptr, reply.data(), kEchoReplyBufferSize, timeout_ms);
  return ReadEchoReply(n, reply.data(), reply.size());
}

std::vector<InterfaceCounters> Win32LinkCounters::Interfaces() {
  ULONG size = 0;
  if (::GetIfTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  // The table may grow between the two calls; ask again a few times.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::vector<std::uint8_t> buf(size, 0);
    ULONG got = size;
    const DWORD rc = ::GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buf.data()), &got, FALSE);
    if (rc == NO_ERROR) return ReadInterfaceTable(buf.data(), got < size ? got : size);
    if (rc != ERROR_INSUFFICIENT_BUFFER || got <= size) break;
    size = got;
  }
  return {};
}

std::string Win32Wmi::Version() {
  std::string version;
  // The last object's version wins.
  for (const WmiObject& o : ExecQuery("Select * from Win32_OperatingSystem", {"Version"})) {
    auto it = o.find("Version");
    if (it == o.end()) continue;
    if (const auto* v = std::get_if<std::string>(&it->second)) version = *v;
  }
  return version;
}

std::vector<NetworkAdapter> Win32Wmi::Adapters() {
  std::vector<NetworkAdapter> out;
  for (const WmiObject& o : ExecQuery("Select * from Win32_NetworkAdapterConfiguration", {"IPAddress", "DefaultIPGateway"})) {
    NetworkAdapter a;
    auto ips = o.find("IPAddress");
    a.has_addresses = ips != o.end() && std::holds_alternative<std::vector<std::string>>(ips->second);
    auto gws = o.find("DefaultIPGateway");
    if (gws != o.end()) {
      if (const auto* list = std::get_if<std::vector<std::string>>(&gws->second)) a.gateways = *list;
    }
    out.push_back(std::move(a));
  }
  return out;
}

}  // namespace kit::win32
