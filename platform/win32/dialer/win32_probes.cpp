// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <cstddef>
#include <vector>

#include "platform/win32/dialer/win32_dialer.h"

namespace kit::win32 {
namespace {

// The table's row layout the core reads is the system's own.
static_assert(sizeof(MIB_IFROW) == iftable::kRowSize, "interface row size");
static_assert(offsetof(MIB_IFROW, dwType) == iftable::kTypeOffset, "dwType");
static_assert(offsetof(MIB_IFROW, dwSpeed) == iftable::kSpeedOffset, "dwSpeed");
static_assert(offsetof(MIB_IFROW, dwInOctets) == iftable::kInOctetsOffset, "dwInOctets");
static_assert(offsetof(MIB_IFROW, dwInDiscards) == iftable::kInDiscardsOffset, "dwInDiscards");
static_assert(offsetof(MIB_IFROW, dwInErrors) == iftable::kInErrorsOffset, "dwInErrors");
static_assert(offsetof(MIB_IFROW, dwOutOctets) == iftable::kOutOctetsOffset, "dwOutOctets");
static_assert(offsetof(MIB_IFROW, bDescr) == iftable::kDescrOffset, "bDescr");
static_assert(offsetof(ICMP_ECHO_REPLY, Status) == kEchoReplyStatusOffset, "Status");

class IcmpHandle : public IIcmpHandle {
 public:
  explicit IcmpHandle(HANDLE h) : h_(h) {}
  ~IcmpHandle() override { IcmpCloseHandle(h_); }
  std::uint32_t SendEcho(std::uint32_t address, std::uint16_t request_size, std::uint8_t* reply,
                         std::uint32_t reply_size, std::uint32_t timeout_ms) override {
    std::vector<char> payload(request_size == 0 ? 1 : request_size, 'a');
    return IcmpSendEcho(h_, address, payload.data(), request_size, nullptr, reply, reply_size, timeout_ms);
  }

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
  throw WmiError(buf);
}

}  // namespace

std::unique_ptr<IIcmpHandle> Win32Icmp::Create() {
  HANDLE h = IcmpCreateFile();
  if (h == INVALID_HANDLE_VALUE) {
    why_ = "probe unavailable: IcmpCreateFile failed with error " + std::to_string(GetLastError());
    return nullptr;
  }
  return std::make_unique<IcmpHandle>(h);
}

std::uint32_t Win32InterfaceTable::GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) {
  ULONG n = *size;
  DWORD rc = ::GetIfTable(reinterpret_cast<PMIB_IFTABLE>(table), &n, sorted ? TRUE : FALSE);
  *size = n;
  return rc;
}

std::vector<WmiObject> Win32Wmi::ExecQuery(const std::string& wql, const std::vector<std::string>& properties) {
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

}  // namespace kit::win32
