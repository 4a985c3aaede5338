// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// Quillpad.ocx: the signature pad as an in-process COM server. The pad's
// behaviour is the core's UCQuillpad and its face on the screen PadFace;
// this file speaks COM for them.
#include <windows.h>

#include <exception>
#include <memory>
#include <optional>

#include "Quillpad_h.h"
#include "gdi_dib_canvas.h"
#include "libjpeg_writer.h"
#include "platform/win32/com/com_support.h"
#include "platform/win32/com/ole_control.h"
#include "platform/win32/exchange/win32_exchange.h"
#include "platform/win32/quillpad/pad_face.h"
#include "ports/platform.h"
#include "sigpad/quillpad_ctrl.h"
#include "sigpad/quillpad_module.h"
#include "win32_file_stamps.h"

namespace kit::win32::quillpad {
namespace {

using com::ParseGuid;
using sigpad::UCQuillpad;

const com::ControlIdentity& Identity() {
  static const com::ControlIdentity id{ParseGuid(sigpad::kQuillpadClsid), ParseGuid(sigpad::kQuillpadDispIid),
                                       ParseGuid(sigpad::kQuillpadEventsIid), sigpad::kQuillpadMiscStatus,
                                       GUID_NULL, "Quillpad"};
  return id;
}

struct Adapters {
  Win32FileLookup lookup;
  Win32Dialogs dialogs;
  GdiDibCanvasFactory canvas;
  LibjpegWriter jpeg;
  Win32FileStamps stamps;
};
Adapters& Shared() {
  static Adapters a;
  return a;
}

class QuillpadObject;
std::optional<std::string> PopupOf(QuillpadObject& self, const std::vector<sigpad::MenuItem>& items);

// The core must exist before the COM base takes its dispatch table.
struct CoreHolder {
  explicit CoreHolder(QuillpadObject& self) {
    sigpad::QuillpadPorts ports;
    ports.files = DefaultPlatform().files;
    ports.codepage = DefaultPlatform().codepage;
    ports.lookup = &Shared().lookup;
    ports.dialogs = &Shared().dialogs;
    ports.canvas = &Shared().canvas;
    ports.jpeg = &Shared().jpeg;
    ports.stamps = &Shared().stamps;
    ports.popup = [&self](const std::vector<sigpad::MenuItem>& items) { return PopupOf(self, items); };
    pad = std::make_unique<UCQuillpad>(std::move(ports));
  }
  std::unique_ptr<UCQuillpad> pad;
};

// _UCQuillpad's vtable for early-bound callers: each call goes through the
// same dispatch path as a script's, and an error arrives as the call's HRESULT
// with its description in the thread's error object.
class DualFace : public _UCQuillpad {
 public:
  explicit DualFace(IDispatch& owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return owner_.QueryInterface(iid, out); }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return owner_.GetTypeInfoCount(n); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
    return owner_.GetTypeInfo(i, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid, DISPID* ids) override {
    return owner_.GetIDsOfNames(iid, names, n, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT* r,
                                   EXCEPINFO* e, UINT* a) override {
    return owner_.Invoke(id, iid, lcid, flags, p, r, e, a);
  }

  HRESULT STDMETHODCALLTYPE get_strSavePath(BSTR* v) override { return GetString(sigpad::DISPID_strSavePath, v); }
  HRESULT STDMETHODCALLTYPE put_strSavePath(BSTR v) override { return PutString(sigpad::DISPID_strSavePath, v); }
  HRESULT STDMETHODCALLTYPE get_Height(short* v) override { return GetShort(sigpad::DISPID_Height, v); }
  HRESULT STDMETHODCALLTYPE put_Height(short v) override { return PutShort(sigpad::DISPID_Height, v); }
  HRESULT STDMETHODCALLTYPE get_Width(short* v) override { return GetShort(sigpad::DISPID_Width, v); }
  HRESULT STDMETHODCALLTYPE put_Width(short v) override { return PutShort(sigpad::DISPID_Width, v); }
  HRESULT STDMETHODCALLTYPE get_SavePath(BSTR* v) override { return GetString(sigpad::DISPID_SavePath, v); }
  HRESULT STDMETHODCALLTYPE put_SavePath(BSTR v) override { return PutString(sigpad::DISPID_SavePath, v); }
  HRESULT STDMETHODCALLTYPE Save() override { return Call(sigpad::DISPID_Save, DISPATCH_METHOD, nullptr, nullptr); }
  HRESULT STDMETHODCALLTYPE Clear() override { return Call(sigpad::DISPID_Clear, DISPATCH_METHOD, nullptr, nullptr); }

 private:
  HRESULT Call(DISPID id, WORD flags, VARIANT* arg, VARIANT* result) {
    DISPPARAMS p{};
    DISPID put = DISPID_PROPERTYPUT;
    if (arg != nullptr) {
      p.cArgs = 1;
      p.rgvarg = arg;
      p.cNamedArgs = 1;
      p.rgdispidNamedArgs = &put;
    }
    EXCEPINFO e{};
    HRESULT h = owner_.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, result, &e, nullptr);
    if (h == DISP_E_EXCEPTION) {
      h = e.scode != 0 ? e.scode : E_FAIL;
      ICreateErrorInfo* create = nullptr;
      if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(Identity().dispatch_iid);
        create->SetSource(e.bstrSource);
        create->SetDescription(e.bstrDescription);
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
          SetErrorInfo(0, info);
          info->Release();
        }
        create->Release();
      }
      SysFreeString(e.bstrSource);
      SysFreeString(e.bstrDescription);
      SysFreeString(e.bstrHelpFile);
    }
    return h;
  }
  HRESULT Get(DISPID id, VARTYPE type, VARIANT* out) {
    VariantInit(out);
    VARIANT r;
    VariantInit(&r);
    HRESULT h = Call(id, DISPATCH_PROPERTYGET, nullptr, &r);
    if (SUCCEEDED(h)) h = VariantChangeType(out, &r, 0, type);
    VariantClear(&r);
    return h;
  }
  HRESULT GetString(DISPID id, BSTR* v) {
    if (v == nullptr) return E_POINTER;
    VARIANT r;
    HRESULT h = Get(id, VT_BSTR, &r);
    *v = SUCCEEDED(h) ? r.bstrVal : nullptr;
    return h;
  }
  HRESULT GetShort(DISPID id, short* v) {
    if (v == nullptr) return E_POINTER;
    VARIANT r;
    HRESULT h = Get(id, VT_I2, &r);
    if (SUCCEEDED(h)) *v = r.iVal;
    return h;
  }
  HRESULT PutString(DISPID id, BSTR v) {
    VARIANT a;
    a.vt = VT_BSTR;
    a.bstrVal = v;
    return Call(id, DISPATCH_PROPERTYPUT, &a, nullptr);
  }
  HRESULT PutShort(DISPID id, short v) {
    VARIANT a;
    a.vt = VT_I2;
    a.iVal = v;
    return Call(id, DISPATCH_PROPERTYPUT, &a, nullptr);
  }

  IDispatch& owner_;
};

// Tells early-bound callers that _UCQuillpad's failures leave an error object.
class ErrorSupport : public ISupportErrorInfo {
 public:
  explicit ErrorSupport(IUnknown& owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return owner_.QueryInterface(iid, out); }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return IsEqualIID(iid, Identity().dispatch_iid) ? S_OK : S_FALSE;
  }

 private:
  IUnknown& owner_;
};

class QuillpadObject : private CoreHolder, public com::OleControl {
 public:
  QuillpadObject() : CoreHolder(*this), OleControl(Identity(), *pad), dual_(*this), errors_(dual_) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && IsEqualIID(iid, Identity().dispatch_iid)) {
      *out = static_cast<_UCQuillpad*>(&dual_);
      AddRef();
      return S_OK;
    }
    if (out != nullptr && IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(&errors_);
      AddRef();
      return S_OK;
    }
    return OleControl::QueryInterface(iid, out);
  }

  void Draw(HDC dc, const RECT& bounds) override { face_.Draw(dc, bounds); }
  SIZE NaturalSize() const override { return face_.Size(); }
  bool OnSetExtent(const SIZEL& himetric) override {
    HDC screen = GetDC(nullptr);
    const int dx = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dy = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    face_.Resize(window(), MulDiv(himetric.cx, dx, 2540), MulDiv(himetric.cy, dy, 2540));
    return true;
  }
  // The pad keeps no persistent properties.
  void Serialize(IByteStream&, bool) override {}
  bool IsModified() const override { return false; }
  void SetModified(bool) override {}

  LRESULT WindowMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override {
    LRESULT result = 0;
    if (face_.Message(hwnd, msg, w, l, &result)) return result;
    return OleControl::WindowMessage(hwnd, msg, w, l);
  }

  std::optional<std::string> Popup(const std::vector<sigpad::MenuItem>& items) { return face_.Popup(window(), items); }

 private:
  DualFace dual_;
  ErrorSupport errors_;
  PadFace face_{*pad, com::g_module};
};

std::optional<std::string> PopupOf(QuillpadObject& self, const std::vector<sigpad::MenuItem>& items) {
  return self.Popup(items);
}

HRESULT MakeControl(REFIID iid, void** out) {
  auto* obj = new QuillpadObject();
  HRESULT h = obj->QueryInterface(iid, out);
  obj->Release();
  return h;
}

com::ClassFactory g_controlFactory(&MakeControl);

}  // namespace
}  // namespace kit::win32::quillpad

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  using namespace kit::win32::quillpad;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualCLSID(clsid, Identity().clsid)) return g_controlFactory.QueryInterface(iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  kit::win32::com::Registrar registrar;
  return static_cast<HRESULT>(kit::sigpad::RegisterQuillpadServer(registrar));
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  kit::win32::com::Registrar registrar;
  return static_cast<HRESULT>(kit::sigpad::UnregisterQuillpadServer(registrar));
}
