// Mapping modes of a device context and the logical <-> device arithmetic,
// computed the way the system does it (rounded MulDiv per axis).
#pragma once
#include <cstdint>

namespace kit {

constexpr int kMmText = 1;
constexpr int kMmAnisotropic = 8;

struct PointL {
  int x, y;
  bool operator==(const PointL& o) const { return x == o.x && y == o.y; }
};

// a * b / c rounded to the nearest integer, halves away from zero; -1 when
// c is 0 or the result does not fit an int.
inline int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  std::int64_t p = static_cast<std::int64_t>(a) * b;
  std::int64_t q = c;
  bool negative = (p < 0) != (q < 0);
  if (p < 0) p = -p;
  if (q < 0) q = -q;
  std::int64_t r = (p + q / 2) / q;
  if (negative) r = -r;
  if (r > INT32_MAX || r < INT32_MIN) return -1;
  return static_cast<int>(r);
}

struct DcMapping {
  int mapMode = kMmText;
  PointL windowOrg{0, 0};
  PointL windowExt{1, 1};
  PointL viewportOrg{0, 0};
  PointL viewportExt{1, 1};

  // The extents only count in MM_ANISOTROPIC; MM_TEXT is one to one.
  bool Scaled() const { return mapMode == kMmAnisotropic; }

  PointL LPtoDP(PointL p) const {
    if (!Scaled()) return {p.x - windowOrg.x + viewportOrg.x, p.y - windowOrg.y + viewportOrg.y};
    return {MulDiv(p.x - windowOrg.x, viewportExt.x, windowExt.x) + viewportOrg.x,
            MulDiv(p.y - windowOrg.y, viewportExt.y, windowExt.y) + viewportOrg.y};
  }
  PointL DPtoLP(PointL p) const {
    if (!Scaled()) return {p.x - viewportOrg.x + windowOrg.x, p.y - viewportOrg.y + windowOrg.y};
    return {MulDiv(p.x - viewportOrg.x, windowExt.x, viewportExt.x) + windowOrg.x,
            MulDiv(p.y - viewportOrg.y, windowExt.y, viewportExt.y) + windowOrg.y};
  }
  // A length along one axis (pen widths, rectangle sizes).
  int LengthToDevice(int n, bool vertical = false) const {
    if (!Scaled()) return n;
    return vertical ? MulDiv(n, viewportExt.y, windowExt.y) : MulDiv(n, viewportExt.x, windowExt.x);
  }
};

}  // namespace kit
