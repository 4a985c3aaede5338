// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/iconv_codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace kit::posix {
namespace {

// Length of the well-formed UTF-8 sequence at p, or 0 when it is not one.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
  unsigned char c = p[0];
  std::size_t n;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  // Overlong forms, surrogates and values past U+10FFFF.
  if (c == 0xE0 && p[1] < 0xA0) return 0;
  if (c == 0xED && p[1] > 0x9F) return 0;
  if (c == 0xF0 && p[1] < 0x90) return 0;
  if (c == 0xF4 && p[1] > 0x8F) return 0;
  return n;
}

// Without a converter (gconv modules missing) ASCII still passes through.
std::string AsciiOnly(const std::string& in) {
  std::string out = in;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return out;
}

// Converts `in`, replacing each bad or unconvertible input unit with '?'.
// Every pass through the loop consumes input or grows the output, so
// malformed input cannot stall it. The output is converted into in one
// piece: glibc converts through an inner encoding, and a small output buffer
// makes it convert the same input over and over (a 1 MB text took 40 ms).
std::string Convert(const char* to, const char* from, const std::string& in, bool from_utf8) {
  if (in.empty()) return {};
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(in);

  std::string out(in.size() + in.size() / 2 + 16, '\0');
  std::size_t used = 0;
  auto room = [&out, &used](std::size_t n) {
    if (out.size() - used < n) out.resize(std::max(out.size() * 2, used + n));
  };
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = &out[used];
    std::size_t dst_left = out.size() - used;
    std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    int err = errno;
    used = static_cast<std::size_t>(dst - out.data());
    if (r != static_cast<std::size_t>(-1)) break;
    if (err == E2BIG) {
      room(out.size());
      continue;
    }
    room(1);
    if (err == EINVAL) {
      // A sequence cut short by the end of the text.
      out[used++] = '?';
      break;
    }
    // EILSEQ (or anything unexpected): skip one character where it is a
    // well-formed but unmappable one, else a single byte.
    std::size_t skip = 1;
    if (from_utf8) {
      std::size_t n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(src), src_left);
      if (n != 0) skip = n;
    }
    out[used++] = '?';
    src += skip;
    src_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  room(16);
  char* dst = &out[used];
  std::size_t dst_left = out.size() - used;
  iconv(cd, nullptr, nullptr, &dst, &dst_left);
  out.resize(static_cast<std::size_t>(dst - out.data()));
  iconv_close(cd);
  return out;
}

}  // namespace

IconvCodePage::IconvCodePage(std::string ansi) : ansi_(std::move(ansi)) {}

std::string IconvCodePage::ToUtf8(const std::string& ansi) const {
  return Convert("UTF-8", ansi_.c_str(), ansi, false);
}

std::string IconvCodePage::FromUtf8(const std::string& utf8) const {
  return Convert(ansi_.c_str(), "UTF-8", utf8, true);
}

IconvCodePage& SystemCodePage() {
  static IconvCodePage cp936;
  return cp936;
}

}  // namespace kit::posix
