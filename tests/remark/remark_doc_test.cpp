#include <gtest/gtest.h>

#include "remark/remark_doc.h"
#include "tests/remark/fakes.h"

namespace kit::remark {
namespace {

using testing::FakePlatform;

// 210 x 297 mm, as a captured A4 page.
EnhMetaFilePtr Picture(FakePlatform& fp, const std::u16string& desc = u"Page") {
  return fp.Picture(RectL{0, 0, 21000, 29700}, desc);
}

std::vector<std::uint8_t> Used(const CRemarkPage& p) {
  return std::vector<std::uint8_t>(p.stroke_bytes(), p.stroke_bytes() + p.used_length());
}

class RemarkDocTest : public ::testing::Test {
 protected:
  FakePlatform fp;
  CRemarkDoc doc{nullptr, fp.platform};

  void OnePage() {
    std::vector<EnhMetaFilePtr> pics;
    pics.push_back(Picture(fp));
    doc.ReplacePages(std::move(pics));
  }
  void Stroke(int x, int y, std::vector<std::pair<int, int>> steps) {
    doc.BeginStroke(x, y);
    for (auto [dx, dy] : steps) doc.AddStep(dx, dy);
    doc.EndStroke();
  }
};

TEST_F(RemarkDocTest, StrokeBytesAndGrowth) {
  OnePage();
  doc.SelectRemarker("A");
  doc.SelectRemarker("B");
  doc.SetPenColor(0x00332211);
  doc.SetPenWidth(5);
  Stroke(0x1234, 0x0102, {{1, -1}, {-127, 127}});
  const CRemarkPage& p = doc.page(0);
  const std::vector<std::uint8_t> expect = {1, 0, 0x11, 0x22, 0x33, 5, 0x34, 0x12, 0x02, 0x01,
                                            1, 0xFF, 0x81, 0x7F, 0, 0};
  EXPECT_EQ(Used(p), expect);
  EXPECT_EQ(p.capacity(), 256);
  // 16 used; the second stroke fills the buffer exactly, then one step more
  // needs 258 bytes and the buffer becomes 2 * (used + k).
  doc.BeginStroke(0, 0);
  for (int i = 0; i < 115; ++i) doc.AddStep(1, 0);
  EXPECT_EQ(p.used_length(), 256);
  EXPECT_EQ(p.capacity(), 256);
  doc.AddStep(1, 0);
  EXPECT_EQ(p.capacity(), 2 * 258);
  doc.EndStroke();
  EXPECT_EQ(p.StrokeCount(), 2);
  EXPECT_EQ(Used(p).front(), 1) << "copied bytes survive the growth";
}

TEST(StrokeCursorTest, WalksAreBoundedByTheUsedLength) {
  // A whole stroke, then a header whose steps run off the end without a terminator.
  const std::uint8_t bytes[] = {0, 0, 1, 2, 3, 1, 5, 0, 6, 0, 1, 1, 0, 0,
                                1, 0, 1, 2, 3, 2, 7, 0, 8, 0, 2, 2, 3, 3};
  StrokeCursor c(bytes, sizeof bytes);
  StrokeView s;
  ASSERT_TRUE(c.Next(s));
  EXPECT_TRUE(s.terminated);
  EXPECT_EQ(s.length, 14u);
  EXPECT_EQ(s.step_count, 1u);
  ASSERT_TRUE(c.Next(s));
  EXPECT_FALSE(s.terminated);
  EXPECT_EQ(s.offset, 14u);
  EXPECT_EQ(s.length, 14u);
  EXPECT_EQ(s.step_count, 2u);
  EXPECT_EQ(s.header.remarker, 1);
  EXPECT_FALSE(c.Next(s));
  // Five stray bytes: one short stroke, nothing read past them.
  StrokeCursor tail(bytes, 5);
  ASSERT_TRUE(tail.Next(s));
  EXPECT_EQ(s.length, 5u);
  EXPECT_FALSE(tail.Next(s));
}

}  // namespace
}  // namespace kit::remark
