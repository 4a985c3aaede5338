#include <gtest/gtest.h>

#include "ports/dc_mapping.h"

namespace kit {
namespace {

TEST(DcMappingTest, TextModeShiftsByOriginsAndAnisotropicScalesWithRounding) {
  DcMapping m;
  m.windowOrg = {5, 7};
  m.viewportOrg = {100, 200};
  m.windowExt = {100, 100};
  m.viewportExt = {200, 300};  // ignored in MM_TEXT
  EXPECT_EQ(m.LPtoDP({5, 7}), (PointL{100, 200}));
  EXPECT_EQ(m.DPtoLP({101, 199}), (PointL{6, 6}));
  EXPECT_EQ(m.LengthToDevice(3), 3);

  // A zoom of 150 % with the page at (16, 16), as the view maps a page.
  m.mapMode = kMmAnisotropic;
  m.windowOrg = {0, 0};
  m.viewportOrg = {16, 16};
  m.windowExt = {100, 100};
  m.viewportExt = {150, 150};
  EXPECT_EQ(m.LPtoDP({0, 0}), (PointL{16, 16}));
  EXPECT_EQ(m.LPtoDP({1, 3}), (PointL{18, 21}));  // 1.5 -> 2, 4.5 -> 5
  EXPECT_EQ(m.LPtoDP({-1, -3}), (PointL{14, 11}));
  EXPECT_EQ(m.DPtoLP({18, 21}), (PointL{1, 3}));
  EXPECT_EQ(m.LengthToDevice(3), 5);
  EXPECT_EQ(m.LengthToDevice(2, true), 3);

  // Printer mapping: 600 dpi against 96 page pixels per inch, offset corner.
  m.viewportOrg = {-50, -60};
  m.viewportExt = {600, 600};
  m.windowExt = {96, 96};
  EXPECT_EQ(m.LPtoDP({96, 48}), (PointL{550, 240}));
  EXPECT_EQ(m.LPtoDP({1, 1}), (PointL{-44, -54}));  // 6.25 -> 6
}

}  // namespace
}  // namespace kit
