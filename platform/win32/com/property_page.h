// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// A property page that shows a dialog of the module and carries no property
// of its own: what a control offers through its properties verb.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>

#include "platform/win32/com/com_support.h"

namespace kit::win32::com {

class PropertyPage : public ModuleObject, public IPropertyPage {
 public:
  PropertyPage(int dialog_id, int caption_string_id) : dialog_(dialog_id), caption_(caption_string_id) {}
  ~PropertyPage();
  static HRESULT Make(int dialog_id, int caption_string_id, REFIID iid, void** out);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT STDMETHODCALLTYPE Show(UINT cmd) override;
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Apply() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

 private:
  int dialog_, caption_;
  std::atomic<long> refs_{1};
  IPropertyPageSite* site_ = nullptr;
  HWND hwnd_ = nullptr;
};

}  // namespace kit::win32::com
