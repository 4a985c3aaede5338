// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/com/com_support.h"

#include <comcat.h>

#include <vector>

namespace kit::win32::com {

std::atomic<long> g_liveCount{0};
HINSTANCE g_module = nullptr;

using automation::AutomationError;
using automation::Variant;
using automation::VarType;

std::wstring Widen(const std::string& s, UINT codepage) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(codepage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codepage, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

std::string Narrow(const wchar_t* s, UINT codepage, int length) {
  if (s == nullptr || length == 0) return {};
  int n = WideCharToMultiByte(codepage, 0, s, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codepage, 0, s, length, &out[0], n, nullptr, nullptr);
  if (length < 0 && !out.empty()) out.pop_back();  // the converted terminator
  return out;
}

std::wstring ModulePath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(g_module, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

GUID ParseGuid(const std::string& text) {
  GUID g{};
  std::wstring w = Widen(text, CP_ACP);
  CLSIDFromString(const_cast<LPOLESTR>(w.c_str()), &g);
  return g;
}

Variant FromVariant(const VARIANT& in) {
  VARIANT v;
  VariantInit(&v);
  // By-reference arguments (VBScript variables) are read through.
  if (FAILED(VariantCopyInd(&v, const_cast<VARIANT*>(&in)))) {
    throw AutomationError(hr::TypeMismatch, "Type mismatch");
  }
  Variant out;
  switch (V_VT(&v)) {
    case VT_EMPTY: break;
    case VT_I2: out = Variant::I2(V_I2(&v)); break;
    case VT_I4: out = Variant::I4(V_I4(&v)); break;
    case VT_R8: out = Variant::R8(V_R8(&v)); break;
    case VT_BOOL: out = Variant::Bool(V_BOOL(&v) != VARIANT_FALSE); break;
    case VT_ERROR: out = Variant::Error(static_cast<HResult>(V_ERROR(&v))); break;
    case VT_BSTR: out = Variant::Str(Narrow(V_BSTR(&v), CP_ACP, static_cast<int>(SysStringLen(V_BSTR(&v))))); break;
    default: {
      // Other numbers (JScript hands out VT_R8, VT_UI4 and the like) as doubles.
      VARIANT d;
      VariantInit(&d);
      HRESULT h = VariantChangeType(&d, &v, 0, VT_R8);
      VariantClear(&v);
      if (FAILED(h)) throw AutomationError(hr::TypeMismatch, "Type mismatch");
      return Variant::R8(V_R8(&d));
    }
  }
  VariantClear(&v);
  return out;
}

HRESULT ToVariant(const Variant& v, VARIANT* out) {
  VariantInit(out);
  switch (v.type()) {
    case VarType::Empty: return S_OK;
    case VarType::I2: V_VT(out) = VT_I2; V_I2(out) = static_cast<SHORT>(v.AsI4()); return S_OK;
    case VarType::I4: V_VT(out) = VT_I4; V_I4(out) = v.AsI4(); return S_OK;
    case VarType::R8: V_VT(out) = VT_R8; V_R8(out) = v.AsR8(); return S_OK;
    case VarType::Bool: V_VT(out) = VT_BOOL; V_BOOL(out) = v.AsBool() ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case VarType::Error: V_VT(out) = VT_ERROR; V_ERROR(out) = static_cast<SCODE>(v.AsError()); return S_OK;
    case VarType::Bstr: {
      std::wstring w = Widen(v.AsStr(), CP_ACP);
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
      return V_BSTR(out) != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** info) {
  *info = nullptr;
  ITypeLib* lib = nullptr;
  std::wstring path = ModulePath();
  HRESULT h = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(h)) return h;
  h = lib->GetTypeInfoOfGuid(guid, info);
  lib->Release();
  return h;
}

DispatchBridge::DispatchBridge(automation::IDispatchObject& object, REFIID iid) : object_(object) {
  if (FAILED(LoadModuleTypeInfo(iid, &info_))) info_ = nullptr;
}

DispatchBridge::~DispatchBridge() {
  if (info_ != nullptr) info_->Release();
}

HRESULT DispatchBridge::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = info_ != nullptr ? 1 : 0;
  return S_OK;
}

HRESULT DispatchBridge::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0 || info_ == nullptr) return DISP_E_BADINDEX;
  info_->AddRef();
  *info = info_;
  return S_OK;
}

HRESULT DispatchBridge::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  HRESULT result = S_OK;
  auto id = object_.Members().IdOfName(Narrow(names[0], CP_ACP));
  ids[0] = id ? *id : DISPID_UNKNOWN;
  if (!id) result = DISP_E_UNKNOWNNAME;
  const automation::MemberInfo* m = id ? object_.Members().Find(*id) : nullptr;
  // Named arguments: their position in the member's parameter list.
  for (UINT i = 1; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    std::string n = Narrow(names[i], CP_ACP);
    for (std::size_t p = 0; m != nullptr && p < m->params.size(); ++p) {
      if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, n.c_str(), -1, m->params[p].name.c_str(), -1) ==
          CSTR_EQUAL) {
        ids[i] = static_cast<DISPID>(p);
      }
    }
    if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

namespace {

bool IsInvokeFailure(HResult code) {
  return code == hr::MemberNotFound || code == hr::BadParamCount || code == hr::TypeMismatch ||
         code == hr::ParamNotFound;
}

void FillException(EXCEPINFO* e, const AutomationError& err) {
  if (e == nullptr) return;
  ZeroMemory(e, sizeof *e);
  e->scode = static_cast<SCODE>(err.code());
  std::wstring src = Widen(err.source(), CP_ACP);
  std::wstring msg = Widen(err.what(), CP_ACP);
  e->bstrSource = SysAllocString(src.c_str());
  e->bstrDescription = SysAllocString(msg.c_str());
}

}  // namespace

HRESULT DispatchBridge::Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                               UINT* arg_error) {
  const automation::MemberInfo* m = object_.Members().Find(id);
  if (m == nullptr) return DISP_E_MEMBERNOTFOUND;
  automation::InvokeKind kind;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (m->kind != automation::MemberKind::Property) return DISP_E_MEMBERNOTFOUND;
    kind = automation::InvokeKind::PropertyPut;
  } else if (m->kind == automation::MemberKind::Property) {
    if (!(flags & DISPATCH_PROPERTYGET) && !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    kind = automation::InvokeKind::PropertyGet;
  } else {
    if (!(flags & DISPATCH_METHOD) && !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    kind = automation::InvokeKind::Method;
  }

  std::vector<Variant> args;
  UINT n = params != nullptr ? params->cArgs : 0;
  UINT named = params != nullptr ? params->cNamedArgs : 0;
  if (kind == automation::InvokeKind::PropertyPut) {
    if (n != 1 || named != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_BADPARAMCOUNT;
  } else if (named != 0) {
    // Named arguments go to their positions; the rest fill in from the front.
    if (n > m->params.size()) return DISP_E_BADPARAMCOUNT;
  }
  try {
    if (kind == automation::InvokeKind::PropertyPut) {
      args.push_back(FromVariant(params->rgvarg[0]));
    } else {
      std::size_t count = n;
      if (named != 0) count = m->params.size();
      args.assign(count, Variant::Missing());
      for (UINT i = 0; i < named; ++i) {
        DISPID pos = params->rgdispidNamedArgs[i];
        if (pos < 0 || static_cast<std::size_t>(pos) >= count) return DISP_E_PARAMNOTFOUND;
        args[static_cast<std::size_t>(pos)] = FromVariant(params->rgvarg[i]);
      }
      // Positional arguments arrive last-first.
      for (UINT i = named; i < n; ++i) args[n - 1 - i] = FromVariant(params->rgvarg[i]);
      // Trailing omitted arguments are simply absent.
      while (named != 0 && !args.empty() && args.back().IsMissing()) args.pop_back();
    }
    Variant r = object_.Invoke(id, kind, args);
    if (result != nullptr) return ToVariant(r, result);
    return S_OK;
  } catch (const AutomationError& err) {
    if (IsInvokeFailure(err.code())) {
      if (arg_error != nullptr) *arg_error = 0;
      return static_cast<HRESULT>(err.code());
    }
    FillException(excep, err);
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& err) {
    FillException(excep, AutomationError(hr::Fail, err.what()));
    return DISP_E_EXCEPTION;
  }
}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  try {
    return maker_(iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ++g_liveCount;
  } else {
    --g_liveCount;
  }
  return S_OK;
}

namespace {

bool SetKey(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  LONG r = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

bool MakeKey(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

// RegDeleteTree is not on Windows XP.
LONG DeleteTree(HKEY parent, const std::wstring& name) {
  HKEY key = nullptr;
  LONG r = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (r == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (r != ERROR_SUCCESS) return r;
  for (;;) {
    wchar_t sub[256];
    DWORD len = 256;
    if (RegEnumKeyExW(key, 0, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (DeleteTree(key, sub) != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyW(parent, name.c_str());
}

std::wstring W(const std::string& s) { return Widen(s, CP_UTF8); }

bool WriteAll(const std::vector<RegistryWrite>& writes) {
  for (const RegistryWrite& w : writes) {
    std::wstring name = W(w.name);
    bool ok = w.key_only ? MakeKey(W(w.key)) : SetKey(W(w.key), name.empty() ? nullptr : name.c_str(), W(w.value));
    if (!ok) return false;
  }
  return true;
}

std::string ModulePathUtf8() {
  std::wstring path = ModulePath();
  return Narrow(path.c_str(), CP_UTF8, static_cast<int>(path.size()));
}

}  // namespace

bool Registrar::RegisterTypeLib() {
  std::wstring path = ModulePath();
  ITypeLib* lib = nullptr;
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) return false;
  HRESULT h = ::RegisterTypeLib(lib, const_cast<LPOLESTR>(path.c_str()), nullptr);
  lib->Release();
  return SUCCEEDED(h);
}

bool Registrar::UnregisterTypeLib(const std::string& libid, int major, int minor) {
  GUID g = ParseGuid(libid);
  HRESULT h = UnRegisterTypeLib(g, static_cast<WORD>(major), static_cast<WORD>(minor), LOCALE_NEUTRAL, SYS_WIN32);
#ifdef _WIN64
  if (FAILED(h)) h = UnRegisterTypeLib(g, static_cast<WORD>(major), static_cast<WORD>(minor), LOCALE_NEUTRAL, SYS_WIN64);
#endif
  // Not registered is as good as unregistered.
  return SUCCEEDED(h) || h == TYPE_E_REGISTRYACCESS || h == TYPE_E_LIBNOTREGISTERED;
}

bool Registrar::RegisterControlClass(const ControlClassInfo& c) {
  return WriteAll(ControlClassWrites(c, ModulePathUtf8()));
}

bool Registrar::RegisterPageClass(const PageClassInfo& p) {
  return WriteAll(PageClassWrites(p, ModulePathUtf8()));
}

bool Registrar::UnregisterClass(const std::string& clsid, const std::string& progid) {
  bool ok = DeleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + W(clsid)) == ERROR_SUCCESS;
  if (!progid.empty()) ok = DeleteTree(HKEY_CLASSES_ROOT, W(progid)) == ERROR_SUCCESS && ok;
  return ok;
}

HResult Registrar::RegisterCategory(const std::string& catid, std::uint32_t lcid, const std::string& text) {
  ICatRegister* cat = nullptr;
  HRESULT h = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                               reinterpret_cast<void**>(&cat));
  if (FAILED(h)) return h;
  CATEGORYINFO info{};
  info.catid = ParseGuid(catid);
  info.lcid = lcid;
  std::wstring w = W(text);
  lstrcpynW(info.szDescription, w.c_str(), 128);
  h = cat->RegisterCategories(1, &info);
  cat->Release();
  return h;
}

HResult Registrar::MarkClassImplements(const std::string& clsid, const std::string& catid) {
  ICatRegister* cat = nullptr;
  HRESULT h = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                               reinterpret_cast<void**>(&cat));
  if (FAILED(h)) return h;
  CATID id = ParseGuid(catid);
  h = cat->RegisterClassImplCategories(ParseGuid(clsid), 1, &id);
  cat->Release();
  return h;
}

}  // namespace kit::win32::com
