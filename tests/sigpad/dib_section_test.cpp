#include "sigpad/dib_section.h"

#include <gtest/gtest.h>

#include <functional>

#include "sigpad/raised_error.h"

namespace kit::sigpad {
namespace {

void SetPixel(cDIBSection& d, int x, int row, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  d.SetByteAt(row, 3 * x, b);
  d.SetByteAt(row, 3 * x + 1, g);
  d.SetByteAt(row, 3 * x + 2, r);
}

int RaisedNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const RaisedError& e) {
    return e.number();
  }
  return 0;
}

TEST(DibSectionLifecycle, RefusedSizesLeaveItEmpty) {
  cDIBSection d;
  ASSERT_TRUE(d.Create(3, 3));
  EXPECT_FALSE(d.Create(0, 3));
  EXPECT_EQ(d.hdc(), 0u);
  EXPECT_FALSE(d.Create(3, -1));
  EXPECT_EQ(d.DIBSectionBitsPtr(), nullptr);

  class NoDc : public IDibFactory {
   public:
    std::unique_ptr<IDibSurface> Create(const BitmapInfoHeader&) override { return nullptr; }
  } no_dc;
  cDIBSection e(no_dc);
  EXPECT_FALSE(e.Create(3, 3));
  EXPECT_EQ(e.hdc(), 0u);
  EXPECT_EQ(e.Width(), 0);
  // Sizes beyond 32 bits.
  EXPECT_EQ(RaisedNumber([&] { d.Create(0x7FFFFFFF / 2, 1); }), kErrOverflow);
  EXPECT_EQ(RaisedNumber([&] { d.Create(70000, 70000); }), kErrOverflow);
  EXPECT_EQ(d.hdc(), 0u);
}

TEST(DibNoise, GreyHasEqualChannelsColourHasNoBluePaddingStaysClear) {
  for (bool grey : {true, false}) {
    SCOPED_TRACE(grey ? "grey" : "colour");
    cDIBSection d;
    ASSERT_TRUE(d.Create(5, 4));  // 16 bytes a row, one of padding
    for (std::uint32_t i = 0; i < d.Header().biSizeImage; ++i) d.DIBSectionBitsPtr()[i] = grey ? 0 : 0xFF;
    d.RandomiseBits(grey, 42);
    int changed = 0;
    for (int row = 0; row < 4; ++row) {
      for (int x = 0; x < 5; ++x) {
        const int b = d.ByteAt(row, 3 * x), g = d.ByteAt(row, 3 * x + 1), r = d.ByteAt(row, 3 * x + 2);
        if (grey) {
          EXPECT_EQ(b, g);
          EXPECT_EQ(b, r);
          if (b != d.ByteAt(0, 0)) ++changed;
        } else {
          EXPECT_EQ(b, 0);
          if (g != 0xFF || r != 0xFF) ++changed;
        }
      }
      if (grey) {
        EXPECT_EQ(d.ByteAt(row, 15), 0);
      }
    }
    EXPECT_GT(changed, 0);
  }
  cDIBSection empty;
  empty.RandomiseBits(true);  // nothing to fill
  EXPECT_EQ(empty.DIBSectionBitsPtr(), nullptr);
}

TEST(DibSectionAccess, OutsideTheGridRaisesSubscriptError) {
  cDIBSection d;
  ASSERT_TRUE(d.Create(2, 2));  // 8 bytes a row
  EXPECT_EQ(RaisedNumber([&] { d.ByteAt(0, 7); }), 0);
  EXPECT_EQ(RaisedNumber([&] { d.ByteAt(0, 8); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(RaisedNumber([&] { d.ByteAt(2, 0); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(RaisedNumber([&] { d.SetByteAt(-1, 0, 1); }), kErrSubscriptOutOfRange);
}

TEST(DibResample, BilinearAtChosenPixels) {
  // 3 x 3 source, scaled to 4 x 4: scale 2/4 = 0.5 on both axes. Blue steps
  // by an odd 101, so blends land on halves, which round to even.
  cDIBSection d;
  ASSERT_TRUE(d.Create(3, 3));
  for (int row = 0; row < 3; ++row) {
    for (int x = 0; x < 3; ++x) {
      SetPixel(d, x, row, static_cast<std::uint8_t>(101 * x), static_cast<std::uint8_t>(100 * row), 255);
    }
  }
  auto big = d.Resample(4, 4);  // height first
  ASSERT_NE(big, nullptr);
  ASSERT_EQ(big->Width(), 4);
  ASSERT_EQ(big->Height(), 4);
  // Target (x 1, row 1) samples (0.5, 0.5): halfway in both directions,
  // blue 50.5 -> 50.
  EXPECT_EQ(big->ByteAt(1, 3), 50);
  EXPECT_EQ(big->ByteAt(1, 4), 50);
  EXPECT_EQ(big->ByteAt(1, 5), 255);
  // Target (x 3, row 2) samples (1.5, 1.0): blue 151.5 -> 152.
  EXPECT_EQ(big->ByteAt(2, 9), 152);
  EXPECT_EQ(big->ByteAt(2, 10), 100);
  // Target (x 2, row 3) samples (1.0, 1.5).
  EXPECT_EQ(big->ByteAt(3, 6), 101);
  EXPECT_EQ(big->ByteAt(3, 7), 150);
}

TEST(DibResample, OnePixelWideOrHighSourceRaisesAndLeavesTarget) {
  cDIBSection narrow;
  ASSERT_TRUE(narrow.Create(1, 4));
  narrow.SetByteAt(0, 0, 77);
  EXPECT_EQ(RaisedNumber([&] { narrow.Resample(4, 3); }), kErrSubscriptOutOfRange);

  cDIBSection flat;
  ASSERT_TRUE(flat.Create(4, 1));
  cDIBSection target;
  ASSERT_TRUE(target.Create(2, 2));
  target.SetByteAt(0, 0, 5);
  EXPECT_EQ(RaisedNumber([&] { flat.ResampleDib(target); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(target.ByteAt(0, 0), 5);
  EXPECT_EQ(target.Width(), 2);

  // The same size needs no neighbours.
  auto same = narrow.Resample(4, 1);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(same->ByteAt(0, 0), 77);
}

}  // namespace
}  // namespace kit::sigpad
