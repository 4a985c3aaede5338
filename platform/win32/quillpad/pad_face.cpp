// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "pad_face.h"

#include <exception>

namespace kit::win32::quillpad {
namespace {

constexpr int kButtonWidth = 52;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

int Shift(WPARAM w) { return ((w & MK_SHIFT) ? 1 : 0) | ((w & MK_CONTROL) ? 2 : 0); }

// The pointer over picMain: a framed box with a scribble in it, hot spot
// (16, 15).
HCURSOR PadCursor(HINSTANCE module) {
  static HCURSOR cursor = [module] {
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
    return CreateCursor(module, sigpad::kCursorHotSpotX, sigpad::kCursorHotSpotY, 32, 32, andMask, xorMask);
  }();
  return cursor != nullptr ? cursor : LoadCursor(nullptr, IDC_CROSS);
}

}  // namespace

void PadFace::Draw(HDC dc, const RECT& bounds) {
  const int x0 = bounds.left, y0 = bounds.top;
  RECT bar{x0, y0, bounds.right, y0 + sigpad::kToolbarHeight};
  FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNFACE));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  for (int i = 0; i < 7; ++i) {
    const sigpad::ToolbarButtonState& b = pad_.Buttons()[i];
    RECT r{x0 + i * kButtonWidth, y0, x0 + (i + 1) * kButtonWidth, y0 + sigpad::kToolbarHeight};
    if (r.left >= bounds.right) break;
    DrawEdge(dc, &r, i + 1 == pressed_ ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    SetTextColor(dc, GetSysColor(b.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const std::wstring label = Wide(b.label);
    DrawTextW(dc, label.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, oldFont);
  SetBkMode(dc, oldMode);

  const sigpad::PictureBox& pic = pad_.picMain();
  const sigpad::cDIBSection& img = pad_.Image();
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

std::optional<std::string> PadFace::Popup(HWND hwnd, const std::vector<sigpad::MenuItem>& items) {
  if (hwnd == nullptr) return std::nullopt;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return std::nullopt;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::wstring caption = Wide(items[i].caption);
    AppendMenuW(menu, MF_STRING | (items[i].checked ? MF_CHECKED : MF_UNCHECKED), i + 1, caption.c_str());
  }
  POINT pt{};
  GetCursorPos(&pt);
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr));
  DestroyMenu(menu);
  if (chosen < 1 || chosen > static_cast<int>(items.size())) return std::nullopt;
  return std::string(items[static_cast<std::size_t>(chosen) - 1].name);
}

void PadFace::Resize(HWND hwnd, int cx, int cy) {
  if (cx <= 0 || cy <= 0) return;
  size_ = SIZE{cx, cy};
  pad_.UserControl_Resize(cx, cy);
  if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

bool PadFace::OnPicture(int x, int y) const {
  const sigpad::PictureBox& p = pad_.picMain();
  return x >= p.Left && x < p.Left + p.width && y >= p.Top && y < p.Top + p.height;
}

double PadFace::X(int x) const { return pad_.UnitsFromPixelsX(x - pad_.picMain().Left); }
double PadFace::Y(int y) const { return pad_.UnitsFromPixelsY(y - pad_.picMain().Top); }

void PadFace::EndStroke(HWND hwnd, int button, int x, int y) {
  drawing_ = 0;
  pad_.picMain_MouseUp(button, 0, X(x), Y(y));
  InvalidateRect(hwnd, nullptr, FALSE);
}

bool PadFace::Message(HWND hwnd, UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  // Signed client coordinates: a captured pointer may leave the window.
  const int x = static_cast<short>(LOWORD(l)), y = static_cast<short>(HIWORD(l));
  *result = 0;
  // Nothing of the core may unwind through the window system.
  try {
    switch (msg) {
      case WM_SIZE:
        Resize(hwnd, LOWORD(l), HIWORD(l));
        return true;
      case WM_SETCURSOR:
        if (LOWORD(l) == HTCLIENT) {
          POINT pt{};
          GetCursorPos(&pt);
          ScreenToClient(hwnd, &pt);
          SetCursor(OnPicture(pt.x, pt.y) ? PadCursor(module_) : LoadCursor(nullptr, IDC_ARROW));
          *result = TRUE;
          return true;
        }
        return false;
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
          pad_.picMain_MouseDown(button, Shift(w), X(x), Y(y));
        }
        return true;
      }
      case WM_MOUSEMOVE:
        lastX_ = x;
        lastY_ = y;
        if (drawing_ != 0 || OnPicture(x, y)) {
          pad_.picMain_MouseMove(drawing_, Shift(w), X(x), Y(y));
          if (drawing_ != 0) InvalidateRect(hwnd, nullptr, FALSE);
        }
        return true;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
        if (pressed_ != 0) {
          const int index = pressed_;
          pressed_ = 0;
          ReleaseCapture();
          InvalidateRect(hwnd, nullptr, FALSE);
          if (y >= 0 && y < sigpad::kToolbarHeight && x >= 0 && x / kButtonWidth + 1 == index) {
            pad_.ToolbarMain_ButtonClick(index);
            InvalidateRect(hwnd, nullptr, FALSE);
          }
        } else if (drawing_ != 0) {
          const int button = drawing_;
          drawing_ = 0;
          ReleaseCapture();
          EndStroke(hwnd, button, x, y);
        }
        return true;
      case WM_CAPTURECHANGED:
        // Capture taken away mid-stroke ends the stroke where it is.
        if (drawing_ != 0) EndStroke(hwnd, drawing_, lastX_, lastY_);
        pressed_ = 0;
        return true;
      default:
        return false;
    }
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace kit::win32::quillpad
