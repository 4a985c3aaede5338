// Records of an enhanced metafile, built byte by byte, spliced into what the
// writer in ports/emf.h makes.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "ports/emf.h"
#include "ports/le_bytes.h"

namespace kit::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t Get32At(const Bytes& v, std::size_t at) {
  return static_cast<std::uint32_t>(v[at]) | static_cast<std::uint32_t>(v[at + 1]) << 8 |
         static_cast<std::uint32_t>(v[at + 2]) << 16 | static_cast<std::uint32_t>(v[at + 3]) << 24;
}

// One record: type, size (filled in), then 32-bit fields and raw bytes.
struct Record {
  Bytes b;
  explicit Record(std::uint32_t type) : b(8, 0) { Put32(b, 0, type); }
  Record& U(std::uint32_t x) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, x);
    return *this;
  }
  Record& I(std::int32_t x) { return U(static_cast<std::uint32_t>(x)); }
  Record& Ints(std::initializer_list<std::int32_t> xs) {
    for (std::int32_t x : xs) I(x);
    return *this;
  }
  Record& Raw(const Bytes& raw) {
    b.insert(b.end(), raw.begin(), raw.end());
    return *this;
  }
  Record& Short(std::int16_t x) {
    b.push_back(static_cast<std::uint8_t>(x));
    b.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(x) >> 8));
    return *this;
  }
  Bytes Done() const {
    Bytes out = b;
    out.resize((out.size() + 3) / 4 * 4, 0);
    Put32(out, 4, static_cast<std::uint32_t>(out.size()));
    return out;
  }
};

// The writer's empty metafile with `records` before its EOF; the header's
// total size, record count and handle count follow.
inline Bytes Metafile(const RectL& frame, const std::vector<Bytes>& records, std::uint16_t handles = 8) {
  Bytes v = MakeEmfBits(frame, u"");
  const std::size_t header = Get32At(v, 4);
  Bytes eof(v.begin() + static_cast<std::ptrdiff_t>(header), v.end());
  v.resize(header);
  for (const Bytes& r : records) v.insert(v.end(), r.begin(), r.end());
  v.insert(v.end(), eof.begin(), eof.end());
  Put32(v, 48, static_cast<std::uint32_t>(v.size()));
  Put32(v, 52, static_cast<std::uint32_t>(records.size() + 2));
  v[56] = static_cast<std::uint8_t>(handles);
  v[57] = static_cast<std::uint8_t>(handles >> 8);
  return v;
}

// The frame, in 0.01 mm, of a picture w x h pixels at 96 dpi.
inline RectL Frame96(int w, int h) { return RectL{0, 0, (w * 2540 + 48) / 96, (h * 2540 + 48) / 96}; }

constexpr std::uint32_t kEmrPolyline = 4, kEmrPolyline16 = 87, kEmrPolygon16 = 86,
                        kEmrPolyPolyline16 = 90, kEmrRectangle = 43, kEmrMoveToEx = 27, kEmrLineTo = 54,
                        kEmrCreatePen = 38, kEmrCreateBrush = 39, kEmrSelectObject = 37, kEmrDeleteObject = 40,
                        kEmrSaveDc = 33, kEmrRestoreDc = 34, kEmrStretchDiBits = 81, kEmrStretchBlt = 77,
                        kEmrExtTextOutW = 84, kEmrSetTextColor = 24, kEmrSetMapMode = 17,
                        kEmrSetWindowExtEx = 9, kEmrSetViewportExtEx = 11;

// A BITMAPINFO (header and colour table) and bits, as DIB records hold them.
struct Dib {
  Bytes bmi, bits;
};

// `rows` top row first, each pixel an index (<= 8 bpp) or 0x00RRGGBB.
inline Dib MakeDib(int bpp, const std::vector<std::vector<std::uint32_t>>& rows,
                   const std::vector<std::uint32_t>& palette, bool topDown = false) {
  const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
  Dib d;
  d.bmi.assign(40 + palette.size() * 4, 0);
  Put32(d.bmi, 0, 40);
  Put32(d.bmi, 4, static_cast<std::uint32_t>(w));
  Put32(d.bmi, 8, static_cast<std::uint32_t>(topDown ? -h : h));
  d.bmi[12] = 1;
  d.bmi[14] = static_cast<std::uint8_t>(bpp);
  Put32(d.bmi, 32, static_cast<std::uint32_t>(palette.size()));
  for (std::size_t i = 0; i < palette.size(); ++i) Put32(d.bmi, 40 + 4 * i, palette[i]);
  const std::size_t stride = (static_cast<std::size_t>(w) * bpp + 31) / 32 * 4;
  d.bits.assign(stride * h, 0);
  for (int r = 0; r < h; ++r) {
    const std::size_t row = static_cast<std::size_t>(topDown ? r : h - 1 - r) * stride;
    for (int x = 0; x < w; ++x) {
      const std::uint32_t px = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(x)];
      switch (bpp) {
        case 1: d.bits[row + x / 8] |= static_cast<std::uint8_t>((px & 1) << (7 - x % 8)); break;
        case 4: d.bits[row + x / 2] |= static_cast<std::uint8_t>((px & 0xF) << (x % 2 ? 0 : 4)); break;
        case 8: d.bits[row + x] = static_cast<std::uint8_t>(px); break;
        case 24:
          d.bits[row + 3 * x] = static_cast<std::uint8_t>(px);
          d.bits[row + 3 * x + 1] = static_cast<std::uint8_t>(px >> 8);
          d.bits[row + 3 * x + 2] = static_cast<std::uint8_t>(px >> 16);
          break;
        case 16: {  // 5-5-5 from 0x00RRGGBB
          const std::uint32_t v = ((px >> 19) & 0x1F) << 10 | ((px >> 11) & 0x1F) << 5 | ((px >> 3) & 0x1F);
          d.bits[row + 2 * x] = static_cast<std::uint8_t>(v);
          d.bits[row + 2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
        }
        default: Put32(d.bits, row + 4 * x, px); break;
      }
    }
  }
  return d;
}

// EMR_STRETCHDIBITS of `d` onto (x, y, cx, cy), the whole source.
inline Bytes StretchDiBits(const Dib& d, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                           std::int32_t srcW, std::int32_t srcH) {
  Record r(kEmrStretchDiBits);
  r.Ints({0, 0, cx - 1, cy - 1, x, y, 0, 0, srcW, srcH});
  r.U(80).U(static_cast<std::uint32_t>(d.bmi.size()));
  r.U(static_cast<std::uint32_t>(80 + d.bmi.size())).U(static_cast<std::uint32_t>(d.bits.size()));
  r.U(0).U(0x00CC0020).I(cx).I(cy);
  r.Raw(d.bmi).Raw(d.bits);
  return r.Done();
}

}  // namespace kit::testing
