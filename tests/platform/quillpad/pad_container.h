// The least of a container for Quillpad.ocx, shared by the in-place test
// and the screenshot helper: a site that lets the pad activate in place in a
// window of the caller's own, and a reader of the pixels of the bitmap file
// the pad saves.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <cstdio>

namespace kit::test {

class Site : public IOleClientSite, public IOleInPlaceSite {
 public:
  explicit Site(HWND parent) : parent_(parent) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleWindow)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
    *w = parent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame**, IOleInPlaceUIWindow**, LPRECT, LPRECT,
                                             LPOLEINPLACEFRAMEINFO) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

 private:
  HWND parent_;
};

// The colour (0xRRGGBB) of a pixel of a saved 24-bit bottom-up bitmap file.
inline unsigned long BmpPixel(const wchar_t* path, int x, int y) {
  FILE* f = _wfopen(path, L"rb");
  if (f == nullptr) return 0xFFFFFFFFul;
  unsigned char head[54] = {};
  unsigned long color = 0xFFFFFFFFul;
  if (fread(head, 1, sizeof head, f) == sizeof head) {
    const int width = head[18] | head[19] << 8, height = head[22] | head[23] << 8;
    const long stride = (width * 3L + 3) & ~3L;
    unsigned char bgr[3] = {};
    if (fseek(f, 54 + (height - 1 - y) * stride + x * 3L, SEEK_SET) == 0 && fread(bgr, 1, 3, f) == 3)
      color = static_cast<unsigned long>(bgr[2]) << 16 | bgr[1] << 8 | bgr[0];
  }
  fclose(f);
  return color;
}

// How many pixels of a saved 24-bit bitmap file are not white: the ink on
// it, or -1 when the file is not such a bitmap.
inline long InkPixels(const wchar_t* path) {
  FILE* f = _wfopen(path, L"rb");
  if (f == nullptr) return -1;
  unsigned char head[54] = {};
  long ink = -1;
  if (fread(head, 1, sizeof head, f) == sizeof head && head[0] == 'B' && head[1] == 'M' && head[28] == 24) {
    const int width = head[18] | head[19] << 8, height = head[22] | head[23] << 8;
    const long stride = (width * 3L + 3) & ~3L;
    unsigned char row[4 * 4096];
    const long bits = head[10] | head[11] << 8 | head[12] << 16 | static_cast<long>(head[13]) << 24;
    if (width > 0 && height > 0 && stride <= static_cast<long>(sizeof row) && fseek(f, bits, SEEK_SET) == 0) {
      ink = 0;
      for (int y = 0; y < height && ink >= 0; ++y) {
        if (fread(row, 1, static_cast<std::size_t>(stride), f) != static_cast<std::size_t>(stride)) {
          ink = -1;
          break;
        }
        for (int x = 0; x < width; ++x)
          if (row[x * 3] != 0xFF || row[x * 3 + 1] != 0xFF || row[x * 3 + 2] != 0xFF) ++ink;
      }
    }
  }
  fclose(f);
  return ink;
}

}  // namespace kit::test
