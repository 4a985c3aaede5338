// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/com/ole_control.h"

#include <new>

namespace kit::win32::com {

namespace {

constexpr DWORD kSafety = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
constexpr wchar_t kWindowClass[] = L"KitOleControl";
// The stream of a storage that holds the control's state.
constexpr wchar_t kContents[] = L"Contents";

template <typename F>
HRESULT Guard(F f) {
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

template <typename T>
void ReleaseAndClear(T*& p) {
  if (p != nullptr) {
    p->Release();
    p = nullptr;
  }
}

}  // namespace

std::size_t ComStream::Read(void* buf, std::size_t n) {
  ULONG got = 0;
  if (FAILED(s_->Read(buf, static_cast<ULONG>(n), &got))) return 0;
  return got;
}

void ComStream::Write(const void* buf, std::size_t n) {
  ULONG put = 0;
  if (FAILED(s_->Write(buf, static_cast<ULONG>(n), &put)) || put != n) {
    throw automation::AutomationError(hr::CtlDiskFull, "The stream could not be written");
  }
}

SIZEL PixelsToHimetric(SIZE px) {
  HDC screen = GetDC(nullptr);
  int dx = GetDeviceCaps(screen, LOGPIXELSX), dy = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return SIZEL{MulDiv(px.cx, 2540, dx), MulDiv(px.cy, 2540, dy)};
}

EventPoint::~EventPoint() {
  for (IDispatch* d : sinks_) {
    if (d != nullptr) d->Release();
  }
}

HRESULT EventPoint::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT EventPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT EventPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (out == nullptr) return E_POINTER;
  owner_->AddRef();
  *out = owner_;
  return S_OK;
}

HRESULT EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  IDispatch* d = nullptr;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&d))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  sinks_.push_back(d);
  *cookie = static_cast<DWORD>(sinks_.size());
  return S_OK;
}

HRESULT EventPoint::Unadvise(DWORD cookie) {
  if (cookie == 0 || cookie > sinks_.size() || sinks_[cookie - 1] == nullptr) return CONNECT_E_NOCONNECTION;
  sinks_[cookie - 1]->Release();
  sinks_[cookie - 1] = nullptr;
  return S_OK;
}

HRESULT EventPoint::EnumConnections(IEnumConnections** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

void EventPoint::Fire(DISPID id) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  // A handler may unadvise while it runs; walk a copy.
  std::vector<IDispatch*> now = sinks_;
  for (IDispatch* d : now) {
    if (d == nullptr) continue;
    d->AddRef();
    d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    d->Release();
  }
}

OleControl::OleControl(const ControlIdentity& id, automation::IDispatchObject& core)
    : id_(id),
      locked_(core, lock_, id.error_source),
      bridge_(locked_, id.dispatch_iid),
      events_(this, id.events_iid) {}

OleControl::~OleControl() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  ReleaseAndClear(inplace_site_);
  ReleaseAndClear(site_);
  ReleaseAndClear(object_site_);
  ReleaseAndClear(advise_holder_);
  ReleaseAndClear(view_sink_);
}

HRESULT OleControl::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, id_.dispatch_iid)) {
    *out = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(iid, IID_IOleObject)) {
    *out = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject)) {
    *out = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleControl)) {
    *out = static_cast<IOleControl*>(this);
  } else if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2)) {
    *out = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit)) {
    *out = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(iid, IID_IPersistStream)) {
    // IPersistStreamInit lays its first methods out as IPersistStream does.
    *out = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(iid, IID_IPersistStorage)) {
    *out = static_cast<IPersistStorage*>(this);
  } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    *out = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(iid, IID_IObjectSafety)) {
    *out = static_cast<IObjectSafety*>(this);
  } else if (IsEqualIID(iid, IID_IObjectWithSite)) {
    *out = static_cast<IObjectWithSite*>(this);
  } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG OleControl::Release() {
  long n = --refs_;
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT OleControl::SetClientSite(IOleClientSite* site) {
  if (site != nullptr) site->AddRef();
  ReleaseAndClear(site_);
  site_ = site;
  lock_.SiteChanged();
  return S_OK;
}

HRESULT OleControl::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = site_;
  if (site_ != nullptr) site_->AddRef();
  return S_OK;
}

HRESULT OleControl::Close(DWORD save_option) {
  if (save_option != OLECLOSE_NOSAVE && IsModified() && site_ != nullptr) site_->SaveObject();
  InPlaceDeactivate();
  if (advise_holder_ != nullptr) advise_holder_->SendOnClose();
  return S_OK;
}

HRESULT OleControl::GetMoniker(DWORD, DWORD, IMoniker** m) {
  if (m != nullptr) *m = nullptr;
  return E_NOTIMPL;
}

HRESULT OleControl::GetClipboardData(DWORD, IDataObject** d) {
  if (d != nullptr) *d = nullptr;
  return E_NOTIMPL;
}

HRESULT OleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) {
  // A refused page gets no window of the control's: no pad to draw on, no
  // property frame.
  if (!lock_.Answered()) return E_ACCESSDENIED;
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return InPlaceActivate(site != nullptr ? site : site_, parent, rect);
    case OLEIVERB_PROPERTIES: {
      if (IsEqualGUID(id_.page_clsid, GUID_NULL)) return E_NOTIMPL;
      IUnknown* self = static_cast<IDispatch*>(this);
      return OleCreatePropertyFrame(parent, 0, 0, nullptr, 1, &self, 1, &id_.page_clsid, LOCALE_USER_DEFAULT, 0,
                                    nullptr);
    }
    case OLEIVERB_HIDE:
      if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_HIDE);
      return S_OK;
    default:
      return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT OleControl::InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT rect) {
  if (hwnd_ != nullptr) {
    ShowWindow(hwnd_, SW_SHOW);
    return S_OK;
  }
  if (site == nullptr) return E_UNEXPECTED;
  IOleInPlaceSite* ip = nullptr;
  if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&ip)))) return E_NOINTERFACE;
  if (ip->CanInPlaceActivate() != S_OK) {
    ip->Release();
    return E_FAIL;
  }
  ip->OnInPlaceActivate();
  RECT pos{0, 0, NaturalSize().cx, NaturalSize().cy};
  if (rect != nullptr) pos = *rect;
  if (parent == nullptr) ip->GetWindow(&parent);
  static ATOM cls = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &OleControl::WndProc;
    wc.hInstance = g_module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    wc.style = CS_DBLCLKS;
    return RegisterClassW(&wc);
  }();
  (void)cls;
  hwnd_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, pos.left, pos.top,
                          pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, g_module, this);
  if (hwnd_ == nullptr) {
    ip->OnInPlaceDeactivate();
    ip->Release();
    return E_FAIL;
  }
  inplace_site_ = ip;
  return S_OK;
}

LRESULT CALLBACK OleControl::WndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<OleControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, w, l);
  return self->WindowMessage(hwnd, msg, w, l);
}

LRESULT OleControl::WindowMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      Draw(dc, client);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONUP:
      FireEvent(DISPID_CLICK);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (hwnd == hwnd_) hwnd_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

HRESULT OleControl::EnumVerbs(IEnumOLEVERB** e) { return OleRegEnumVerbs(id_.clsid, e); }

HRESULT OleControl::GetUserType(DWORD form, LPOLESTR* type) { return OleRegGetUserType(id_.clsid, form, type); }

HRESULT OleControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  return OnSetExtent(*size) ? S_OK : E_FAIL;
}

HRESULT OleControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = PixelsToHimetric(NaturalSize());
  return S_OK;
}

HRESULT OleControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (advise_holder_ == nullptr && FAILED(CreateOleAdviseHolder(&advise_holder_))) return E_OUTOFMEMORY;
  return advise_holder_->Advise(sink, cookie);
}

HRESULT OleControl::Unadvise(DWORD cookie) {
  if (advise_holder_ == nullptr) return OLE_E_NOCONNECTION;
  return advise_holder_->Unadvise(cookie);
}

HRESULT OleControl::EnumAdvise(IEnumSTATDATA** e) {
  if (e == nullptr) return E_POINTER;
  *e = nullptr;
  if (advise_holder_ == nullptr) return S_OK;
  return advise_holder_->EnumAdvise(e);
}

HRESULT OleControl::GetMiscStatus(DWORD, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = id_.misc_status;
  return S_OK;
}

HRESULT OleControl::GetWindow(HWND* hwnd) {
  if (hwnd == nullptr) return E_POINTER;
  *hwnd = hwnd_;
  return hwnd_ != nullptr ? S_OK : E_FAIL;
}

HRESULT OleControl::InPlaceDeactivate() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  if (inplace_site_ != nullptr) {
    inplace_site_->OnInPlaceDeactivate();
    ReleaseAndClear(inplace_site_);
  }
  return S_OK;
}

HRESULT OleControl::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (pos == nullptr) return E_POINTER;
  if (hwnd_ != nullptr) MoveWindow(hwnd_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
  return S_OK;
}

HRESULT OleControl::GetControlInfo(CONTROLINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->cb = sizeof *info;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT OleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                         BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (dc == nullptr) return E_INVALIDARG;
  RECT r{0, 0, NaturalSize().cx, NaturalSize().cy};
  if (bounds != nullptr) r = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
  Draw(dc, r);
  return S_OK;
}

HRESULT OleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** set) {
  if (set != nullptr) *set = nullptr;
  return S_FALSE;
}

HRESULT OleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  if (sink != nullptr) sink->AddRef();
  ReleaseAndClear(view_sink_);
  view_sink_ = sink;
  view_aspects_ = aspects;
  view_flags_ = flags;
  return S_OK;
}

HRESULT OleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects != nullptr) *aspects = view_aspects_;
  if (flags != nullptr) *flags = view_flags_;
  if (sink != nullptr) {
    *sink = view_sink_;
    if (view_sink_ != nullptr) view_sink_->AddRef();
  }
  return S_OK;
}

HRESULT OleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

HRESULT OleControl::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = id_.clsid;
  return S_OK;
}

HRESULT OleControl::Load(IStream* s) {
  if (s == nullptr) return E_POINTER;
  if (!lock_.Answered()) return E_ACCESSDENIED;
  ComStream in(s);
  return Guard([&] {
    Serialize(in, false);
    SetModified(false);
  });
}

HRESULT OleControl::Save(IStream* s, BOOL clear_dirty) {
  if (s == nullptr) return E_POINTER;
  ComStream out(s);
  return Guard([&] {
    Serialize(out, true);
    if (clear_dirty) SetModified(false);
  });
}

HRESULT OleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (size != nullptr) size->QuadPart = 0;
  return E_NOTIMPL;
}

HRESULT OleControl::Load(IStorage* stg) {
  if (stg == nullptr) return E_POINTER;
  if (!lock_.Answered()) return E_ACCESSDENIED;
  IStream* s = nullptr;
  HRESULT h = stg->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &s);
  if (FAILED(h)) return h;
  h = Load(s);
  s->Release();
  return h;
}

HRESULT OleControl::Save(IStorage* stg, BOOL) {
  if (stg == nullptr) return E_POINTER;
  IStream* s = nullptr;
  HRESULT h = stg->CreateStream(kContents, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &s);
  if (FAILED(h)) return h;
  h = Save(s, TRUE);
  s->Release();
  return h;
}

HRESULT OleControl::GetClassInfo(ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  return LoadModuleTypeInfo(id_.clsid, info);
}

HRESULT OleControl::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = id_.events_iid;
  return S_OK;
}

bool OleControl::SafeInterface(REFIID iid) const {
  return IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, id_.dispatch_iid) ||
         IsEqualIID(iid, IID_IPersistStreamInit) || IsEqualIID(iid, IID_IPersistStream) ||
         IsEqualIID(iid, IID_IPersistStorage);
}

HRESULT OleControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
  if (supported == nullptr || enabled == nullptr) return E_POINTER;
  if (!SafeInterface(iid)) {
    *supported = *enabled = 0;
    return E_NOINTERFACE;
  }
  const bool answered = lock_.Answered();
  *supported = answered ? kSafety : 0;
  *enabled = answered ? safety_ : 0;
  return S_OK;
}

HRESULT OleControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
  if (!SafeInterface(iid)) return E_NOINTERFACE;
  if (mask & ~kSafety) return E_FAIL;
  // Asked to be safe for a page it refuses, the control says it is not.
  if ((enabled & mask) != 0 && !lock_.Answered()) return E_FAIL;
  safety_ = (safety_ & ~mask) | (enabled & mask);
  return S_OK;
}

HRESULT OleControl::SetSite(IUnknown* site) {
  if (site != nullptr) site->AddRef();
  ReleaseAndClear(object_site_);
  object_site_ = site;
  lock_.SiteChanged();
  return S_OK;
}

HRESULT OleControl::GetSite(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (object_site_ == nullptr) return E_FAIL;
  return object_site_->QueryInterface(iid, out);
}

HRESULT OleControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT OleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(iid, id_.events_iid)) return CONNECT_E_NOCONNECTION;
  *out = &events_;
  events_.AddRef();
  return S_OK;
}

}  // namespace kit::win32::com
