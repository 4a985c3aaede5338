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

}  // namespace
}  // namespace kit
