// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// Notaro.ocx: the remark control as an in-process COM server. The control's
// behaviour is the core's CNotaroCtrl; this file only speaks COM for it.
#include <windows.h>

#include <memory>

#include "platform/win32/com/com_support.h"
#include "platform/win32/com/ole_control.h"
#include "platform/win32/com/property_page.h"
#include "platform/win32/notaro/notaro_extensions.h"
#include "remark/notaro_ctrl.h"
#include "remark/notaro_module.h"

namespace kit::win32::notaro {
namespace {

using com::ParseGuid;
using remark::CNotaroCtrl;

constexpr int kFaceBitmap = 203;
constexpr int kPageDialog = 200;
constexpr int kPageCaption = 200;

const com::ControlIdentity& Identity() {
  static const com::ControlIdentity id{ParseGuid(remark::kNotaroClsid), ParseGuid(remark::kNotaroDispIid),
                                       ParseGuid(remark::kNotaroEventsIid), remark::kNotaroMiscStatus,
                                       ParseGuid(remark::kNotaroPageClsid), "Notaro"};
  return id;
}

// The core control must exist before the COM base takes its dispatch table.
struct CoreHolder {
  std::unique_ptr<CNotaroCtrl> ctrl = std::make_unique<CNotaroCtrl>();
};

class NotaroObject : private CoreHolder, public com::OleControl {
 public:
  NotaroObject() : OleControl(Identity(), *ctrl) {
    InstallWin32Extensions(*ctrl, com::g_module, 0);
    face_ = LoadBitmapW(com::g_module, MAKEINTRESOURCEW(kFaceBitmap));
    BITMAP bm{};
    if (face_ != nullptr && GetObjectW(face_, sizeof bm, &bm) != 0) size_ = SIZE{bm.bmWidth, bm.bmHeight};
  }
  ~NotaroObject() override {
    if (face_ != nullptr) DeleteObject(face_);
  }

  // The face at its own size in the top-left corner; the rest of the
  // bounds is the container's.
  void Draw(HDC dc, const RECT& bounds) override {
    if (face_ == nullptr) return;
    HDC mem = CreateCompatibleDC(dc);
    if (mem == nullptr) return;
    HGDIOBJ old = SelectObject(mem, face_);
    BitBlt(dc, bounds.left, bounds.top, size_.cx, size_.cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  SIZE NaturalSize() const override { return size_; }
  // In place on a page, the remark window's owner is the page's top-level
  // window, which it disables while it runs.
  LRESULT WindowMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_CREATE) ctrl->SetUi(ctrl->ui(), reinterpret_cast<ui::WindowHandle>(GetAncestor(hwnd, GA_ROOT)));
    if (msg == WM_DESTROY) ctrl->SetUi(ctrl->ui(), 0);
    return OleControl::WindowMessage(hwnd, msg, w, l);
  }
  bool OnSetExtent(const SIZEL&) override { return false; }
  void Serialize(IByteStream& stream, bool storing) override { ctrl->Serialize(stream, storing); }
  bool IsModified() const override { return ctrl->IsModified(); }
  void SetModified(bool modified) override { ctrl->SetModifiedFlag(modified); }

 private:
  HBITMAP face_ = nullptr;
  SIZE size_{28, 28};
};

HRESULT MakeControl(REFIID iid, void** out) {
  auto* obj = new NotaroObject();
  HRESULT h = obj->QueryInterface(iid, out);
  obj->Release();
  return h;
}

HRESULT MakePage(REFIID iid, void** out) { return com::PropertyPage::Make(kPageDialog, kPageCaption, iid, out); }

com::ClassFactory g_controlFactory(&MakeControl);
com::ClassFactory g_pageFactory(&MakePage);

}  // namespace
}  // namespace kit::win32::notaro

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  using namespace kit::win32::notaro;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualCLSID(clsid, Identity().clsid)) return g_controlFactory.QueryInterface(iid, out);
  if (IsEqualCLSID(clsid, Identity().page_clsid)) return g_pageFactory.QueryInterface(iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  kit::win32::com::Registrar registrar;
  return static_cast<HRESULT>(kit::remark::RegisterNotaroServer(registrar));
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  kit::win32::com::Registrar registrar;
  return static_cast<HRESULT>(kit::remark::UnregisterNotaroServer(registrar));
}
