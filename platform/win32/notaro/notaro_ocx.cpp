// Notaro.ocx: the remark control as an in-process COM server. The control's
// behaviour is the core's CNotaroCtrl; this file only speaks COM for it.
#include <windows.h>
#include <ole2.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <new>
#include <vector>

#include "platform/win32/com/com_support.h"
#include "remark/notaro_ctrl.h"
#include "remark/notaro_module.h"

namespace kit::win32::notaro {
namespace {

using com::DispatchBridge;
using com::ParseGuid;
using remark::CNotaroCtrl;

const GUID& ControlClsid() {
  static const GUID g = ParseGuid(remark::kNotaroClsid);
  return g;
}
const GUID& DispIid() {
  static const GUID g = ParseGuid(remark::kNotaroDispIid);
  return g;
}
const GUID& EventsIid() {
  static const GUID g = ParseGuid(remark::kNotaroEventsIid);
  return g;
}

// The container's stream as the core's byte stream.
class ComStream : public IByteStream {
 public:
  explicit ComStream(IStream* s) : s_(s) {}
  std::size_t Read(void* buf, std::size_t n) override {
    ULONG got = 0;
    if (FAILED(s_->Read(buf, static_cast<ULONG>(n), &got))) return 0;
    return got;
  }
  void Write(const void* buf, std::size_t n) override {
    ULONG put = 0;
    if (FAILED(s_->Write(buf, static_cast<ULONG>(n), &put)) || put != n) {
      throw automation::AutomationError(hr::CtlDiskFull, "The stream could not be written");
    }
  }

 private:
  IStream* s_;
};

class NotaroObject;

// Where the page's handlers for _DNotaroEvents connect.
class EventPoint : public IConnectionPoint {
 public:
  explicit EventPoint(IConnectionPointContainer* owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) return E_POINTER;
    *iid = EventsIid();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (out == nullptr) return E_POINTER;
    owner_->AddRef();
    *out = owner_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    IDispatch* d = nullptr;
    if (FAILED(sink->QueryInterface(EventsIid(), reinterpret_cast<void**>(&d))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    sinks_.push_back(d);
    *cookie = static_cast<DWORD>(sinks_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    if (cookie == 0 || cookie > sinks_.size() || sinks_[cookie - 1] == nullptr) return CONNECT_E_NOCONNECTION;
    sinks_[cookie - 1]->Release();
    sinks_[cookie - 1] = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
  void Fire(DISPID id) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    for (IDispatch* d : sinks_) {
      if (d != nullptr) d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    }
  }
  ~EventPoint() {
    for (IDispatch* d : sinks_) {
      if (d != nullptr) d->Release();
    }
  }

 private:
  IConnectionPointContainer* owner_;
  std::vector<IDispatch*> sinks_;  // index + 1 is the cookie
};

class NotaroObject : public com::ModuleObject,
                     public IDispatch,
                     public IProvideClassInfo2,
                     public IObjectSafety,
                     public IPersistStreamInit,
                     public IConnectionPointContainer {
 public:
  NotaroObject() : ctrl_(std::make_unique<CNotaroCtrl>()), bridge_(*ctrl_, DispIid()), events_(this) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DispIid())) {
      *out = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
      *out = static_cast<IProvideClassInfo2*>(this);
    } else if (IsEqualIID(iid, IID_IObjectSafety)) {
      *out = static_cast<IObjectSafety*>(this);
    } else if (IsEqualIID(iid, IID_IPersistStreamInit) || IsEqualIID(iid, IID_IPersist)) {
      *out = static_cast<IPersistStreamInit*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    long n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return bridge_.GetTypeInfoCount(n); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
    return bridge_.GetTypeInfo(i, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    return bridge_.GetIDsOfNames(names, n, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e,
                                   UINT* a) override {
    return bridge_.Invoke(id, flags, p, r, e, a);
  }

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    return com::LoadModuleTypeInfo(ControlClsid(), info);
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
    if (guid == nullptr) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = EventsIid();
    return S_OK;
  }

  // IObjectSafety: safe for scripting and for initialising, as registered.
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override {
    if (supported == nullptr || enabled == nullptr) return E_POINTER;
    if (!SafeInterface(iid)) return E_NOINTERFACE;
    *supported = kSafety;
    *enabled = safety_ & kSafety;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override {
    if (!SafeInterface(iid)) return E_NOINTERFACE;
    if (mask & ~kSafety) return E_FAIL;
    safety_ = (safety_ & ~mask) | (enabled & mask);
    return S_OK;
  }

  // IPersistStreamInit: the stream holds the remark data file only.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = ControlClsid();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return ctrl_->IsModified() ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream* s) override {
    if (s == nullptr) return E_POINTER;
    ComStream in(s);
    return Guard([&] {
      ctrl_->Serialize(in, false);
      ctrl_->SetModifiedFlag(false);
    });
  }
  HRESULT STDMETHODCALLTYPE Save(IStream* s, BOOL clear_dirty) override {
    if (s == nullptr) return E_POINTER;
    ComStream out(s);
    return Guard([&] {
      ctrl_->Serialize(out, true);
      if (clear_dirty) ctrl_->SetModifiedFlag(false);
    });
  }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
    if (size != nullptr) size->QuadPart = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, EventsIid())) return CONNECT_E_NOCONNECTION;
    *out = &events_;
    events_.AddRef();
    return S_OK;
  }

 private:
  static constexpr DWORD kSafety = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

  static bool SafeInterface(REFIID iid) {
    return IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DispIid()) || IsEqualIID(iid, IID_IPersistStreamInit) ||
           IsEqualIID(iid, IID_IPersistStorage) || IsEqualIID(iid, IID_IPersistPropertyBag);
  }

  template <typename F>
  static HRESULT Guard(F f) {
    try {
      f();
      return S_OK;
    } catch (const automation::AutomationError& e) {
      return static_cast<HRESULT>(e.code());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  std::atomic<long> refs_{1};
  std::unique_ptr<CNotaroCtrl> ctrl_;
  DispatchBridge bridge_;
  EventPoint events_;
  DWORD safety_ = 0;
};

HRESULT MakeControl(REFIID iid, void** out) {
  auto* obj = new NotaroObject();
  HRESULT h = obj->QueryInterface(iid, out);
  obj->Release();
  return h;
}

com::ClassFactory g_controlFactory(&MakeControl);

}  // namespace
}  // namespace kit::win32::notaro

using kit::win32::com::g_liveCount;
using kit::win32::com::g_module;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualCLSID(clsid, kit::win32::notaro::ControlClsid())) {
    return kit::win32::notaro::g_controlFactory.QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_liveCount == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  kit::win32::com::Registrar registrar;
  return static_cast<HRESULT>(kit::remark::RegisterNotaroServer(registrar));
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  kit::win32::com::Registrar registrar;
  return static_cast<HRESULT>(kit::remark::UnregisterNotaroServer(registrar));
}
