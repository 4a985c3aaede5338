// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/win32/capture/win32_capture.h"

namespace kit::win32 {

using automation::AutomationError;
using automation::DispatchPtr;
using automation::InvokeKind;
using automation::Obtained;
using automation::Variant;
using automation::VarType;

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");

namespace {

constexpr UINT kCodePage = 936;

std::wstring Widen(const std::string& s, UINT cp) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

std::string Narrow(const wchar_t* w, std::size_t len, UINT cp) {
  if (w == nullptr || len == 0) return {};
  int n = WideCharToMultiByte(cp, 0, w, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(cp, 0, w, static_cast<int>(len), &s[0], n, nullptr, nullptr);
  return s;
}

std::string FromBstr(BSTR b) { return Narrow(b, b ? SysStringLen(b) : 0, kCodePage); }

class ComDispatch : public automation::IDispatchObject {
 public:
  explicit ComDispatch(IDispatch* p) : p_(p) {}
  ~ComDispatch() override {
    if (p_) p_->Release();
  }
  ComDispatch(const ComDispatch&) = delete;
  ComDispatch& operator=(const ComDispatch&) = delete;

  const automation::DispatchTable& Members() const override {
    static const automation::DispatchTable none({});
    return none;
  }
  Variant Invoke(automation::DispId id, InvokeKind kind, const std::vector<Variant>& args) override;
  IDispatch* get() const { return p_; }

 private:
  IDispatch* p_;
};

// Fills `out` (VariantInit'ed) from a kit variant.
void ToVariant(const Variant& v, VARIANT& out) {
  switch (v.type()) {
    case VarType::Empty: break;
    case VarType::I2: out.vt = VT_I2; out.iVal = static_cast<SHORT>(v.AsI4()); break;
    case VarType::I4: out.vt = VT_I4; out.lVal = v.AsI4(); break;
    case VarType::R8: out.vt = VT_R8; out.dblVal = v.AsR8(); break;
    case VarType::Bool: out.vt = VT_BOOL; out.boolVal = v.AsBool() ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VarType::Error: out.vt = VT_ERROR; out.scode = v.AsError(); break;
    case VarType::Bstr: {
      std::wstring w = Widen(v.AsStr(), kCodePage);
      out.vt = VT_BSTR;
      out.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
      if (out.bstrVal == nullptr) throw AutomationError(hr::OutOfMemory, "Out of memory");
      break;
    }
    case VarType::Dispatch: {
      auto* com = dynamic_cast<ComDispatch*>(v.AsDispatch().get());
      if (v.AsDispatch() && com == nullptr)
        throw AutomationError(hr::InvalidArg, "Only COM objects can be passed to a COM server");
      out.vt = VT_DISPATCH;
      out.pdispVal = com ? com->get() : nullptr;
      if (out.pdispVal) out.pdispVal->AddRef();
      break;
    }
    case VarType::Variant: throw AutomationError(hr::TypeMismatch, "No value");
  }
}

Variant FromVariant(VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: return {};
    case VT_I2: return Variant::I2(v.iVal);
    case VT_I4: return Variant::I4(v.lVal);
    case VT_R8: return Variant::R8(v.dblVal);
    case VT_BOOL: return Variant::Bool(v.boolVal != VARIANT_FALSE);
    case VT_ERROR: return Variant::Error(v.scode);
    case VT_BSTR: return Variant::Str(FromBstr(v.bstrVal));
    case VT_DISPATCH: {
      IDispatch* d = v.pdispVal;
      if (d == nullptr) return Variant::Dispatch(nullptr);
      d->AddRef();
      return Variant::Dispatch(std::make_shared<ComDispatch>(d));
    }
    default: {
      VARIANT c;
      VariantInit(&c);
      if (SUCCEEDED(VariantChangeType(&c, &v, 0, VT_I4))) return Variant::I4(c.lVal);
      if (SUCCEEDED(VariantChangeType(&c, &v, 0, VT_BSTR))) {
        Variant r = Variant::Str(FromBstr(c.bstrVal));
        VariantClear(&c);
        return r;
      }
      throw AutomationError(hr::TypeMismatch, "The server returned a value of an unknown type");
    }
  }
}

struct VariantArray {
  std::vector<VARIANT> v;
  explicit VariantArray(std::size_t n) : v(n) {
    for (auto& x : v) VariantInit(&x);
  }
  ~VariantArray() {
    for (auto& x : v) VariantClear(&x);
  }
};

Variant ComDispatch::Invoke(automation::DispId id, InvokeKind kind, const std::vector<Variant>& args) {
  VariantArray rev(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) ToVariant(args[i], rev.v[args.size() - 1 - i]);
  DISPPARAMS dp{};
  dp.cArgs = static_cast<UINT>(args.size());
  dp.rgvarg = rev.v.empty() ? nullptr : rev.v.data();
  DISPID put = DISPID_PROPERTYPUT;
  if (kind == InvokeKind::PropertyPut) {
    dp.cNamedArgs = 1;
    dp.rgdispidNamedArgs = &put;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO ex{};
  UINT argErr = 0;
  HRESULT h = p_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(kind), &dp,
                         kind == InvokeKind::PropertyPut ? nullptr : &result, &ex, &argErr);
  if (FAILED(h)) {
    std::string message = "Automation call failed";
    std::string source;
    HResult code = h;
    if (h == DISP_E_EXCEPTION) {
      if (ex.pfnDeferredFillIn) ex.pfnDeferredFillIn(&ex);
      if (ex.bstrDescription) message = FromBstr(ex.bstrDescription);
      if (ex.bstrSource) source = FromBstr(ex.bstrSource);
      code = ex.scode != 0 ? ex.scode : static_cast<HResult>(0x80040000u + ex.wCode);
      SysFreeString(ex.bstrDescription);
      SysFreeString(ex.bstrSource);
      SysFreeString(ex.bstrHelpFile);
    }
    throw AutomationError(code, message, source);
  }
  Variant out;
  try {
    out = FromVariant(result);
  } catch (...) {
    VariantClear(&result);
    throw;
  }
  VariantClear(&result);
  return out;
}

bool ClassOf(const std::string& progId, CLSID* clsid) {
  std::wstring w = Widen(progId, CP_ACP);
  return SUCCEEDED(CLSIDFromProgID(w.c_str(), clsid));
}

Obtained AsDispatch(IUnknown* unk) {
  IDispatch* d = nullptr;
  HRESULT h = unk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
  unk->Release();
  if (FAILED(h) || d == nullptr) return {automation::kNoInterface, nullptr};
  return {hr::Ok, std::make_shared<ComDispatch>(d)};
}

}  // namespace

ComApartment::ComApartment() { ok_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
ComApartment::~ComApartment() {
  if (ok_) CoUninitialize();
}

DispatchPtr WrapDispatch(void* dispatch) {
  if (dispatch == nullptr) return nullptr;
  return std::make_shared<ComDispatch>(static_cast<IDispatch*>(dispatch));
}

bool ComAutomation::IsRegistered(const std::string& progId) {
  CLSID clsid;
  return ClassOf(progId, &clsid);
}

Obtained ComAutomation::Create(const std::string& progId) {
  CLSID clsid;
  if (!ClassOf(progId, &clsid)) return {hr::InvalidClassString, nullptr};
  IUnknown* unk = nullptr;
  HRESULT h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&unk));
  if (FAILED(h) || unk == nullptr) return {h, nullptr};
  // A local server may need to be told to run before it answers.
  h = OleRun(unk);
  if (FAILED(h)) {
    unk->Release();
    return {h, nullptr};
  }
  return AsDispatch(unk);
}

Obtained ComAutomation::GetRunning(const std::string& progId) {
  CLSID clsid;
  if (!ClassOf(progId, &clsid)) return {hr::InvalidClassString, nullptr};
  IUnknown* unk = nullptr;
  HRESULT h = GetActiveObject(clsid, nullptr, &unk);
  if (FAILED(h) || unk == nullptr) return {FAILED(h) ? h : automation::kNotRunning, nullptr};
  return AsDispatch(unk);
}

std::optional<std::string> ComAutomation::ProgIdOfFile(const std::u16string& path) {
  std::wstring w(path.begin(), path.end());
  CLSID clsid;
  if (FAILED(GetClassFile(w.c_str(), &clsid))) return std::nullopt;
  LPOLESTR prog = nullptr;
  if (FAILED(ProgIDFromCLSID(clsid, &prog)) || prog == nullptr) return std::nullopt;
  std::string s = Narrow(prog, wcslen(prog), CP_UTF8);
  CoTaskMemFree(prog);
  return s;
}

Obtained ComAutomation::OpenFile(const std::u16string& path) {
  // A file moniker, so that a page cannot hand in some other display name.
  std::wstring w(path.begin(), path.end());
  IMoniker* mk = nullptr;
  HRESULT h = CreateFileMoniker(w.c_str(), &mk);
  if (FAILED(h) || mk == nullptr) return {h, nullptr};
  IBindCtx* bc = nullptr;
  h = CreateBindCtx(0, &bc);
  if (FAILED(h) || bc == nullptr) {
    mk->Release();
    return {h, nullptr};
  }
  IDispatch* d = nullptr;
  h = mk->BindToObject(bc, nullptr, IID_IDispatch, reinterpret_cast<void**>(&d));
  bc->Release();
  mk->Release();
  if (FAILED(h) || d == nullptr) return {FAILED(h) ? h : hr::Fail, nullptr};
  return {hr::Ok, std::make_shared<ComDispatch>(d)};
}

}  // namespace kit::win32
