// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The COM face of an ActiveX control: embedding, in-place window, drawing,
// persistence, safety and the site lock, class information, the events
// connection point and IDispatch over the core object. A control supplies its
// identity and a few hooks; everything else is shared by the kit's controls.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <vector>

#include "platform/win32/com/com_support.h"
#include "platform/win32/com/page_site.h"
#include "ports/stream.h"
#include "sitelock/site_lock.h"

namespace kit::win32::com {

struct ControlIdentity {
  GUID clsid;
  GUID dispatch_iid;
  GUID events_iid;
  DWORD misc_status;
  GUID page_clsid;  // GUID_NULL: no property page
  const char* error_source;  // names the control in the errors a refused page gets
};

// The container's stream as a core byte stream.
class ComStream : public IByteStream {
 public:
  explicit ComStream(IStream* s) : s_(s) {}
  std::size_t Read(void* buf, std::size_t n) override;
  void Write(const void* buf, std::size_t n) override;

 private:
  IStream* s_;
};

class OleControl;

class EventPoint : public IConnectionPoint {
 public:
  EventPoint(IConnectionPointContainer* owner, const GUID& iid) : owner_(owner), iid_(iid) {}
  ~EventPoint();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;
  void Fire(DISPID id);

 private:
  IConnectionPointContainer* owner_;
  GUID iid_;
  std::vector<IDispatch*> sinks_;  // index + 1 is the cookie
};

class OleControl : public ModuleObject,
                   public IDispatch,
                   public IOleObject,
                   public IOleInPlaceObject,
                   public IOleControl,
                   public IViewObject2,
                   public IPersistStreamInit,
                   public IPersistStorage,
                   public IProvideClassInfo2,
                   public IObjectSafety,
                   public IObjectWithSite,
                   public IConnectionPointContainer {
 public:
  OleControl(const ControlIdentity& id, automation::IDispatchObject& core);
  virtual ~OleControl();

  // Hooks of the control.
  virtual void Draw(HDC dc, const RECT& bounds) = 0;
  virtual SIZE NaturalSize() const = 0;  // pixels
  // False refuses the container's new extent.
  virtual bool OnSetExtent(const SIZEL& himetric) = 0;
  virtual void Serialize(IByteStream& stream, bool storing) = 0;
  virtual bool IsModified() const = 0;
  virtual void SetModified(bool modified) = 0;
  virtual LRESULT WindowMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  void FireEvent(DISPID id) { events_.Fire(id); }
  HWND window() const { return hwnd_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override;

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

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD save_option) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** d) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                   LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** e) override;
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** e) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow / IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                 LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistStorage
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override { return IsModified() ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream* s) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* s, BOOL clear_dirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InitNew(IStorage*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Load(IStorage* stg) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage* stg, BOOL same_as_load) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override { return S_OK; }

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // IObjectSafety: safe for scripting and initialising, as registered, on a
  // page the site lock answers; unsafe for both on any other.
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

  // IObjectWithSite: the site of a control that script created; the client
  // site, when a container gives one, counts first.
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override;
  HRESULT STDMETHODCALLTYPE GetSite(REFIID iid, void** out) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

 private:
  bool SafeInterface(REFIID iid) const;
  HRESULT InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT rect);
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

  ControlIdentity id_;
  std::atomic<long> refs_{1};
  IOleClientSite* site_ = nullptr;
  IUnknown* object_site_ = nullptr;
  // Every member, and every verb and load, asks the lock first.
  ComPageSite page_{site_, object_site_};
  sitelock::SiteLock lock_{page_};
  sitelock::LockedObject locked_;
  DispatchBridge bridge_;
  EventPoint events_;
  IOleInPlaceSite* inplace_site_ = nullptr;
  IOleAdviseHolder* advise_holder_ = nullptr;
  IAdviseSink* view_sink_ = nullptr;
  DWORD view_aspects_ = 0, view_flags_ = 0;
  HWND hwnd_ = nullptr;
  DWORD safety_ = 0;
};

// himetric <-> pixels at the screen's resolution.
SIZEL PixelsToHimetric(SIZE px);

}  // namespace kit::win32::com
