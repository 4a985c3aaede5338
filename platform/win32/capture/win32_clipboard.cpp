// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>

#include "platform/win32/capture/win32_capture.h"

namespace kit::win32 {

bool Win32Clipboard::Open() { return OpenClipboard(nullptr) != FALSE; }
void Win32Clipboard::Close() { CloseClipboard(); }
bool Win32Clipboard::Empty() { return EmptyClipboard() != FALSE; }
bool Win32Clipboard::HasFormat(unsigned format) { return IsClipboardFormatAvailable(format) != FALSE; }

EnhMetaFilePtr Win32Clipboard::GetEnhMetaFile(IMetafileFactory& factory) {
  auto h = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
  if (h == nullptr) return nullptr;
  UINT size = GetEnhMetaFileBits(h, 0, nullptr);
  if (size == 0) return nullptr;
  std::vector<std::uint8_t> bits(size);
  if (GetEnhMetaFileBits(h, size, bits.data()) != size) return nullptr;
  return factory.FromBits(bits.data(), bits.size());
}

std::optional<ClipboardBitmap> Win32Clipboard::GetBitmap() {
  auto hb = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (hb == nullptr) return std::nullopt;
  BITMAP bm{};
  if (GetObject(hb, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) return std::nullopt;
  // A picture larger than any page would be is not one.
  if (static_cast<long long>(bm.bmWidth) * bm.bmHeight > (1LL << 26)) return std::nullopt;
  ClipboardBitmap out;
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  out.pixels.assign(static_cast<std::size_t>(bm.bmWidth) * static_cast<std::size_t>(bm.bmHeight), 0);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;  // rows from the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return std::nullopt;
  int rows = GetDIBits(screen, hb, 0, static_cast<UINT>(bm.bmHeight), out.pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != bm.bmHeight) return std::nullopt;
  for (auto& p : out.pixels) p &= 0x00FFFFFFu;
  return out;
}

bool Win32Clipboard::SetMetafile(const std::vector<std::uint8_t>& bits) {
  if (bits.empty() || !ParseEmfHeader(bits.data(), bits.size())) return false;
  HENHMETAFILE h = SetEnhMetaFileBits(static_cast<UINT>(bits.size()), bits.data());
  if (h == nullptr) return false;
  if (SetClipboardData(CF_ENHMETAFILE, h) == nullptr) {
    DeleteEnhMetaFile(h);
    return false;
  }
  return true;  // the clipboard owns it now
}

bool Win32Clipboard::SetBitmap(const ClipboardBitmap& b) {
  if (b.width <= 0 || b.height <= 0 ||
      b.pixels.size() != static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height))
    return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = b.width;
  bi.bmiHeader.biHeight = -b.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  HBITMAP hb = CreateDIBitmap(screen, &bi.bmiHeader, CBM_INIT, b.pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (hb == nullptr) return false;
  if (SetClipboardData(CF_BITMAP, hb) == nullptr) {
    DeleteObject(hb);
    return false;
  }
  return true;
}

std::uintptr_t Win32Cursor::ShowWait() {
  return reinterpret_cast<std::uintptr_t>(SetCursor(LoadCursor(nullptr, IDC_WAIT)));
}
void Win32Cursor::Restore(std::uintptr_t previous) { SetCursor(reinterpret_cast<HCURSOR>(previous)); }

}  // namespace kit::win32
