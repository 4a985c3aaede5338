// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

int Length(std::size_t n) {
  if (n > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long to convert");
  return static_cast<int>(n);
}

std::string Utf8FromWide(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), Length(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), Length(w.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// Converts strictly; false when any byte sequence is not in the code page.
bool WidenStrict(UINT cp, const char* s, int n, std::wstring& out) {
  int wn = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, s, n, nullptr, 0);
  if (wn <= 0) return false;
  out.assign(static_cast<std::size_t>(wn), L'\0');
  MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, s, n, &out[0], wn);
  return true;
}

}  // namespace

std::string Win32CodePage::ToUtf8(const std::string& ansi) const {
  if (ansi.empty()) return {};
  std::wstring wide;
  if (WidenStrict(code_page_, ansi.data(), Length(ansi.size()), wide)) return Utf8FromWide(wide);

  // Some sequence is not in the code page: go character by character so that
  // each bad one becomes a single '?' and everything around it survives (the
  // system's own fallback character differs between code pages).
  wide.clear();
  std::wstring piece;
  for (std::size_t i = 0; i < ansi.size();) {
    bool lead = IsDBCSLeadByteEx(code_page_, static_cast<BYTE>(ansi[i])) != 0;
    if (lead && i + 1 < ansi.size() && WidenStrict(code_page_, ansi.data() + i, 2, piece)) {
      wide += piece;
      i += 2;
    } else if (!lead && WidenStrict(code_page_, ansi.data() + i, 1, piece)) {
      wide += piece;
      i += 1;
    } else {
      // A bad pair gives up only its lead byte: the next byte may be plain ASCII.
      wide += L'?';
      i += 1;
    }
  }
  return Utf8FromWide(wide);
}

std::string Win32CodePage::FromUtf8(const std::string& utf8) const {
  if (utf8.empty()) return {};
  int n = Length(utf8.size());
  // Malformed UTF-8 comes out as U+FFFD, which no ANSI code page has.
  int wn = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
  if (wn <= 0) return std::string(utf8.size(), '?');
  std::wstring wide(static_cast<std::size_t>(wn), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, &wide[0], wn);

  // Characters beyond the BMP are in no DBCS code page; one '?' for the
  // whole surrogate pair rather than one per half.
  std::wstring bmp;
  bmp.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wchar_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      bmp += L'?';
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      bmp += L'?';
    } else {
      bmp += c;
    }
  }

  // No best-fit look-alikes: what the code page lacks becomes '?'.
  int bn = Length(bmp.size());
  int an = WideCharToMultiByte(code_page_, WC_NO_BEST_FIT_CHARS, bmp.data(), bn, nullptr, 0, "?",
                               nullptr);
  if (an <= 0) return std::string(bmp.size(), '?');
  std::string out(static_cast<std::size_t>(an), '\0');
  WideCharToMultiByte(code_page_, WC_NO_BEST_FIT_CHARS, bmp.data(), bn, &out[0], an, "?",
                      nullptr);
  return out;
}

}  // namespace kit::win32
