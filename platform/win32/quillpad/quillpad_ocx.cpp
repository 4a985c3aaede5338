// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// Quillpad.ocx: the signature pad as an in-process COM server. The pad's
// behaviour is the core's UCQuillpad; this file speaks COM for it and puts
// its toolbar and picture on the screen with GDI.
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
#include "ports/platform.h"
#include "sigpad/quillpad_ctrl.h"
#include "sigpad/quillpad_module.h"
#include "win32_file_stamps.h"

namespace kit::win32::quillpad {
namespace {

using com::ParseGuid;
using sigpad::UCQuillpad;

constexpr int kButtonWidth = 52;

const com::ControlIdentity& Identity() {
  static const com::ControlIdentity id{ParseGuid(sigpad::kQuillpadClsid), ParseGuid(sigpad::kQuillpadDispIid),
                                       ParseGuid(sigpad::kQuillpadEventsIid), sigpad::kQuillpadMiscStatus,
                                       GUID_NULL, "Quillpad"};
  return id;
}

// The pointer over picMain: a framed box with a scribble in it, hot spot
// (16, 15).
HCURSOR PadCursor() {
  static HCURSOR cursor = [] {
    BYTE andMask[32 * 4], xorMask[32 * 4];
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const bool frame = (x >= 4 && x <= 27 && (y == 4 || y == 27)) || (y >= 4 && y <= 27 && (x == 4 || x == 27));
        // A zigzag across the box.
        const int zig = 15 + ((x / 4) % 2 == 0 ? (x % 4) * 2 : 6 - (x % 4) * 2) - 3;
        const bool scribble = x >= 8 && x <= 23 && (y == zig || y == zig + 1);
        const int byte = y * 4 + x / 8, bit = 0x80 >> (x % 8);
        if (x % 8 == 0) andMask[byte] = 0xFF, xorMask[byte] = 0;
        if (frame || scribble) andMask[byte] = static_cast<BYTE>(andMask[byte] & ~bit);
      }
    }
    return CreateCursor(com::g_module, sigpad::kCursorHotSpotX, sigpad::kCursorHotSpotY, 32, 32, andMask, xorMask);
  }();
  return cursor != nullptr ? cursor : LoadCursor(nullptr, IDC_CROSS);
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

  void Draw(HDC dc, const RECT& bounds) override {
    const int x0 = bounds.left, y0 = bounds.top;
    RECT bar{x0, y0, bounds.right, y0 + sigpad::kToolbarHeight};
    FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNFACE));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    for (int i = 0; i < 7; ++i) {
      const sigpad::ToolbarButtonState& b = pad->Buttons()[i];
      RECT r{x0 + i * kButtonWidth, y0, x0 + (i + 1) * kButtonWidth, y0 + sigpad::kToolbarHeight};
      if (r.left >= bounds.right) break;
      DrawEdge(dc, &r, i + 1 == pressed_ ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      SetTextColor(dc, GetSysColor(b.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
      std::wstring label = com::Widen(b.label, CP_UTF8);
      DrawTextW(dc, label.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);

    const sigpad::PictureBox& pic = pad->picMain();
    const sigpad::cDIBSection& img = pad->Image();
    RECT rest{x0, y0 + sigpad::kToolbarHeight, bounds.right, bounds.bottom};
    FillRect(dc, &rest, GetSysColorBrush(COLOR_BTNFACE));
    if (img.DIBSectionBitsPtr() == nullptr) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = img.Width();
    bi.bmiHeader.biHeight = img.Height();  // bottom-up rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, x0 + pic.Left, y0 + pic.Top, static_cast<DWORD>(img.Width()),
                      static_cast<DWORD>(img.Height()), 0, 0, 0, static_cast<UINT>(img.Height()),
                      img.DIBSectionBitsPtr(), &bi, DIB_RGB_COLORS);
  }
  SIZE NaturalSize() const override { return size_; }
  bool OnSetExtent(const SIZEL& himetric) override {
    HDC screen = GetDC(nullptr);
    const int dx = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dy = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    Resize(MulDiv(himetric.cx, dx, 2540), MulDiv(himetric.cy, dy, 2540));
    return true;
  }
  // The pad keeps no persistent properties.
  void Serialize(IByteStream&, bool) override {}
  bool IsModified() const override { return false; }
  void SetModified(bool) override {}

  LRESULT WindowMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override {
    // Nothing of the core may unwind through the window system.
    try {
      return Handle(hwnd, msg, w, l);
    } catch (const std::exception&) {
      return 0;
    }
  }

  std::optional<std::string> Popup(const std::vector<sigpad::MenuItem>& items) {
    if (window() == nullptr) return std::nullopt;
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return std::nullopt;
    for (std::size_t i = 0; i < items.size(); ++i) {
      std::wstring caption = com::Widen(items[i].caption, CP_UTF8);
      AppendMenuW(menu, MF_STRING | (items[i].checked ? MF_CHECKED : MF_UNCHECKED), i + 1, caption.c_str());
    }
    POINT pt{};
    GetCursorPos(&pt);
    const int chosen = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN |
                                                                 TPM_RIGHTBUTTON, pt.x, pt.y, 0, window(), nullptr));
    DestroyMenu(menu);
    if (chosen < 1 || chosen > static_cast<int>(items.size())) return std::nullopt;
    return std::string(items[static_cast<std::size_t>(chosen) - 1].name);
  }

 private:
  void Resize(int cx, int cy) {
    if (cx <= 0 || cy <= 0) return;
    size_ = SIZE{cx, cy};
    pad->UserControl_Resize(cx, cy);
    if (window() != nullptr) InvalidateRect(window(), nullptr, FALSE);
  }
  bool OnPicture(int x, int y) const {
    const sigpad::PictureBox& p = pad->picMain();
    return x >= p.Left && x < p.Left + p.width && y >= p.Top && y < p.Top + p.height;
  }
  double X(int x) const { return pad->UnitsFromPixelsX(x - pad->picMain().Left); }
  double Y(int y) const { return pad->UnitsFromPixelsY(y - pad->picMain().Top); }
  static int Shift(WPARAM w) { return ((w & MK_SHIFT) ? 1 : 0) | ((w & MK_CONTROL) ? 2 : 0); }
  void EndStroke(int button, int x, int y) {
    drawing_ = 0;
    pad->picMain_MouseUp(button, 0, X(x), Y(y));
    InvalidateRect(window(), nullptr, FALSE);
  }

  LRESULT Handle(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    // Signed client coordinates: a captured pointer may leave the window.
    const int x = static_cast<short>(LOWORD(l)), y = static_cast<short>(HIWORD(l));
    switch (msg) {
      case WM_SIZE:
        Resize(LOWORD(l), HIWORD(l));
        return 0;
      case WM_SETCURSOR:
        if (LOWORD(l) == HTCLIENT) {
          POINT pt{};
          GetCursorPos(&pt);
          ScreenToClient(hwnd, &pt);
          SetCursor(OnPicture(pt.x, pt.y) ? PadCursor() : LoadCursor(nullptr, IDC_ARROW));
          return TRUE;
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN: {
        const int button = msg == WM_LBUTTONDOWN ? 1 : 2;
        if (y < sigpad::kToolbarHeight) {
          pressed_ = x / kButtonWidth + 1;
          SetCapture(hwnd);
          InvalidateRect(hwnd, nullptr, FALSE);
        } else if (OnPicture(x, y) && drawing_ == 0) {
          drawing_ = button;
          SetCapture(hwnd);
          pad->picMain_MouseDown(button, Shift(w), X(x), Y(y));
        }
        return 0;
      }
      case WM_MOUSEMOVE:
        lastX_ = x;
        lastY_ = y;
        if (drawing_ != 0 || OnPicture(x, y)) {
          pad->picMain_MouseMove(drawing_, Shift(w), X(x), Y(y));
          if (drawing_ != 0) InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
        if (pressed_ != 0) {
          const int index = pressed_;
          pressed_ = 0;
          ReleaseCapture();
          InvalidateRect(hwnd, nullptr, FALSE);
          if (y >= 0 && y < sigpad::kToolbarHeight && x >= 0 && x / kButtonWidth + 1 == index) {
            pad->ToolbarMain_ButtonClick(index);
            InvalidateRect(hwnd, nullptr, FALSE);
          }
        } else if (drawing_ != 0) {
          const int button = drawing_;
          drawing_ = 0;
          ReleaseCapture();
          EndStroke(button, x, y);
        }
        return 0;
      case WM_CAPTURECHANGED:
        // Capture taken away mid-stroke ends the stroke where it is.
        if (drawing_ != 0) EndStroke(drawing_, lastX_, lastY_);
        pressed_ = 0;
        return 0;
      default:
        break;
    }
    return OleControl::WindowMessage(hwnd, msg, w, l);
  }

  DualFace dual_;
  ErrorSupport errors_;
  SIZE size_{sigpad::kDesignWidth, sigpad::kDesignHeight};
  int pressed_ = 0;  // toolbar button held down, 1-based
  int drawing_ = 0;  // mouse button of the stroke in progress
  int lastX_ = 0, lastY_ = 0;  // where the pointer was last seen
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
