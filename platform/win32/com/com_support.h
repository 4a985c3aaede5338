// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// Plain-COM pieces shared by the two controls' in-process servers: module
// locking, a class factory, VARIANT <-> core value conversion, a dispatch
// bridge over a core object, registration in the system registry.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <atomic>
#include <string>

#include "ports/automation.h"
#include "ports/com_registrar.h"

namespace kit::win32::com {

// Objects and locks alive in this module; DllCanUnloadNow answers from it.
extern std::atomic<long> g_liveCount;
extern HINSTANCE g_module;

std::wstring Widen(const std::string& s, UINT codepage);
std::string Narrow(const wchar_t* s, UINT codepage, int length = -1);
std::wstring ModulePath();
GUID ParseGuid(const std::string& registry_form);

// Strings inside the core are bytes of the system code page.
automation::Variant FromVariant(const VARIANT& v);
// Fills an empty VARIANT.
HRESULT ToVariant(const automation::Variant& v, VARIANT* out);

// IDispatch of a core object, its type information from the module's type
// library. Core errors become DISP_E_EXCEPTION with the message and source.
class DispatchBridge {
 public:
  DispatchBridge(automation::IDispatchObject& object, REFIID iid);
  ~DispatchBridge();
  HRESULT GetTypeInfoCount(UINT* count);
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info);
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
  HRESULT Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                 UINT* arg_error);
  ITypeInfo* type_info() const { return info_; }

 private:
  automation::IDispatchObject& object_;
  ITypeInfo* info_ = nullptr;
};

// The module's type library (resource TYPELIB 1), loaded once.
HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** info);

// Counts itself in g_liveCount for as long as it lives.
class ModuleObject {
 public:
  ModuleObject() { ++g_liveCount; }
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
  virtual ~ModuleObject() { --g_liveCount; }
};

// One class object per class; CreateInstance calls the given maker.
class ClassFactory : public IClassFactory {
 public:
  using Maker = HRESULT (*)(REFIID iid, void** out);
  explicit ClassFactory(Maker maker) : maker_(maker) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  Maker maker_;
};

// The registry under HKEY_CLASSES_ROOT, the type library in this module and
// the standard component categories manager.
class Registrar : public IComRegistrar {
 public:
  bool RegisterTypeLib() override;
  bool UnregisterTypeLib(const std::string& libid, int major, int minor) override;
  bool RegisterControlClass(const ControlClassInfo& info) override;
  bool RegisterPageClass(const PageClassInfo& info) override;
  bool UnregisterClass(const std::string& clsid, const std::string& progid) override;
  HResult RegisterCategory(const std::string& catid, std::uint32_t lcid, const std::string& text) override;
  HResult MarkClassImplements(const std::string& clsid, const std::string& catid) override;
};

}  // namespace kit::win32::com
