#include <gtest/gtest.h>

#include "ports/emf.h"

namespace kit {
namespace {

std::uint32_t At(const std::vector<std::uint8_t>& v, std::size_t i) {
  return v[i] | v[i + 1] << 8 | v[i + 2] << 16 | static_cast<std::uint32_t>(v[i + 3]) << 24;
}

TEST(EmfBitBltTest, RecordHoldsTheBitmapBottomUp) {
  // 2 x 3 pixels, rows from the top.
  std::vector<std::uint32_t> px = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0xFF101112};
  auto bits = MakeBitBltEmfBits(2, 3, px, RectL{0, 0, 53, 79}, u"WPSFile");
  auto h = ParseEmfHeader(bits.data(), bits.size());
  ASSERT_TRUE(h);
  EXPECT_EQ(h->nRecords, 3u);
  EXPECT_EQ(h->nDescription, 7u);
  EXPECT_EQ(h->rclFrame.right, 53);
  EXPECT_EQ(h->rclFrame.bottom, 79);
  EXPECT_EQ(h->rclBounds.right, 1);
  EXPECT_EQ(h->rclBounds.bottom, 2);
  const std::size_t r = h->nSize;
  EXPECT_EQ(At(bits, r), kEmrBitBlt);
  const std::uint32_t size = At(bits, r + 4);
  EXPECT_EQ(size, 100u + 40u + 24u);
  EXPECT_EQ(At(bits, r + 32), 2u);  // cxDest
  EXPECT_EQ(At(bits, r + 36), 3u);  // cyDest
  EXPECT_EQ(At(bits, r + 40), kSrcCopy);
  EXPECT_EQ(At(bits, r + 84), 100u);
  EXPECT_EQ(At(bits, r + 92), 140u);
  EXPECT_EQ(At(bits, r + 96), 24u);
  EXPECT_EQ(At(bits, r + 100), 40u);
  EXPECT_EQ(At(bits, r + 104), 2u);
  EXPECT_EQ(At(bits, r + 108), 3u);
  EXPECT_EQ(bits[r + 114], 32);
  // Bottom row first; the unused top byte is cleared.
  EXPECT_EQ(At(bits, r + 140), 0x0D0E0Fu);
  EXPECT_EQ(At(bits, r + 144), 0x101112u);
  EXPECT_EQ(At(bits, r + 148), 0x070809u);
  EXPECT_EQ(At(bits, r + 160), 0x040506u);
  EXPECT_EQ(At(bits, r + size), kEmrEof);
}

// A bitmap finer than its destination: the stretch record names the whole
// bitmap as the source and the destination in reference pixels; the header's
// bounds follow the destination. Equal sizes stay a plain blit.
TEST(EmfBitBltTest, StretchRecordsTakeTheWholeBitmapIntoTheDestinationAndBadSizesGiveNothing) {
  struct Case {
    int w, h, dw, dh;
    std::uint32_t type, fixed;
  } cases[] = {
      {4, 6, 2, 3, kEmrStretchBlt, 108},  // rendered at twice the reference
      {2, 3, 4, 6, kEmrStretchBlt, 108},  // coarser than it
      {3, 3, 3, 3, kEmrBitBlt, 100},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(c.w * c.h), 0x123456);
    px[0] = 0xABCDEF;  // the top-left pixel, stored in the last row
    auto bits = MakeStretchBltEmfBits(c.w, c.h, px, c.dw, c.dh, RectL{0, 0, 53, 79}, u"");
    auto h = ParseEmfHeader(bits.data(), bits.size());
    ASSERT_TRUE(h) << c.w << "x" << c.h;
    EXPECT_EQ(h->rclBounds.right, c.dw - 1);
    EXPECT_EQ(h->rclBounds.bottom, c.dh - 1);
    const std::size_t r = h->nSize;
    ASSERT_EQ(At(bits, r), c.type);
    EXPECT_EQ(At(bits, r + 4), c.fixed + 40u + 4u * c.w * c.h);
    EXPECT_EQ(At(bits, r + 32), static_cast<std::uint32_t>(c.dw));
    EXPECT_EQ(At(bits, r + 36), static_cast<std::uint32_t>(c.dh));
    EXPECT_EQ(At(bits, r + 84), c.fixed);
    EXPECT_EQ(At(bits, r + 92), c.fixed + 40u);
    if (c.type == kEmrStretchBlt) {
      EXPECT_EQ(At(bits, r + 100), static_cast<std::uint32_t>(c.w));  // cxSrc
      EXPECT_EQ(At(bits, r + 104), static_cast<std::uint32_t>(c.h));
    }
    EXPECT_EQ(At(bits, r + c.fixed + 4), static_cast<std::uint32_t>(c.w));  // biWidth
    EXPECT_EQ(At(bits, r + c.fixed + 8), static_cast<std::uint32_t>(c.h));
    EXPECT_EQ(At(bits, r + c.fixed + 40 + 4u * c.w * (c.h - 1)), 0xABCDEFu);
  }
  EXPECT_TRUE(MakeStretchBltEmfBits(2, 2, {1, 2, 3, 4}, 0, 2, RectL{0, 0, 1, 1}, u"").empty());
  EXPECT_TRUE(MakeStretchBltEmfBits(2, 2, {1, 2, 3, 4}, 2, -5, RectL{0, 0, 1, 1}, u"").empty());
  EXPECT_TRUE(MakeStretchBltEmfBits(2, 2, {1, 2, 3}, 1, 1, RectL{0, 0, 1, 1}, u"").empty());
  EXPECT_TRUE(MakeBitBltEmfBits(0, 3, {}, RectL{0, 0, 1, 1}, u"WPSFile").empty());
  EXPECT_TRUE(MakeBitBltEmfBits(2, -1, {1, 2}, RectL{0, 0, 1, 1}, u"WPSFile").empty());
  EXPECT_TRUE(MakeBitBltEmfBits(2, 2, {1, 2, 3}, RectL{0, 0, 1, 1}, u"WPSFile").empty());
  EXPECT_TRUE(MakeBitBltEmfBits(0x7FFFFFFF, 0x7FFFFFFF, {1}, RectL{0, 0, 1, 1}, u"WPSFile").empty());
}


TEST(EmfBitBltTest, PlainMetafilesAreUnchanged) {
  // Fixed bytes of the filler record, as tools and seeds made them before.
  auto bits = MakeEmfBits(RectL{0, 0, 2540, 2540}, u"ab", 16);
  auto h = ParseEmfHeader(bits.data(), bits.size());
  ASSERT_TRUE(h);
  EXPECT_EQ(bits.size(), 112u + 16u + 20u);
  EXPECT_EQ(h->nRecords, 3u);
  EXPECT_EQ(h->rclBounds.right, 96);
  EXPECT_EQ(At(bits, 112), 70u);
  EXPECT_EQ(bits[124], static_cast<std::uint8_t>(124 * 31));
  EXPECT_EQ(At(bits, 128), kEmrEof);
}

}  // namespace
}  // namespace kit
