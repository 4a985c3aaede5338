#include <gtest/gtest.h>

#include "ports/memory_stream.h"
#include "remark/remark_file.h"
#include "tests/remark/fakes.h"

namespace kit::remark {
namespace {

using testing::FakePlatform;

std::vector<std::uint8_t> Store(const CRemarkDoc& doc) {
  MemoryStream out;
  StoreDocument(doc, out);
  return out.bytes();
}

// Two pages with pictures of different kinds, strokes of two remarkers (one of
// them unconfirmed) and Chinese names in code page 936.
void BuildRichDocument(CRemarkDoc& doc, FakePlatform& fp) {
  std::vector<EnhMetaFilePtr> pics;
  auto a = MakeEmfBits(RectL{0, 0, 21000, 29700}, u"Word page", 3000);
  auto b = MakeEmfBits(RectL{0, 0, 29700, 21000}, u"WPSFile");
  pics.push_back(fp.metafiles.FromBits(a.data(), a.size()));
  pics.push_back(fp.metafiles.FromBits(b.data(), b.size()));
  pics.push_back(nullptr);
  doc.ReplacePages(std::move(pics));
  doc.SelectRemarker("\xC5\xFA\xD7\xA2\xC8\xCB");  // 批注人
  doc.SelectRemarker("\xD5\xC5\xC8\xFD");          // 张三
  doc.SetPenColor(0x00FF8000);
  doc.SetPenWidth(4);
  doc.BeginStroke(300, 400);
  doc.AddStep(10, -3);
  doc.AddStep(-127, 127);
  doc.EndStroke();
  doc.ConfirmAll();
  doc.SelectRemarker("\xC5\xFA\xD7\xA2\xC8\xCB");
  doc.BeginStroke(5, 6);
  doc.AddStep(1, 1);
  doc.EndStroke();
  doc.SetCurrentPage(1);
  doc.BeginStroke(7, 8);
  doc.EndStroke();
}

TEST(RemarkFileTest, DefaultDocumentIsTwelveBytesAndAnEmptyPageEight) {
  FakePlatform fp;
  CRemarkDoc doc(nullptr, fp.platform);
  EXPECT_EQ(Store(doc), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2}));
  doc.SetReadOnly(true);
  doc.SetToolbarHidden(true);
  doc.SelectRemarker("Li");
  EXPECT_EQ(Store(doc), (std::vector<std::uint8_t>{5, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0, 0, 2, 'L', 'i', 0, 0}));
  // An empty page is eight zero bytes.
  CRemarkDoc empty(nullptr, fp.platform);
  std::vector<EnhMetaFilePtr> pics;
  pics.push_back(nullptr);
  empty.ReplacePages(std::move(pics));
  EXPECT_EQ(Store(empty), (std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(RemarkFileTest, RoundTripKeepsEveryByteAndConfirmsStrokes) {
  FakePlatform fp;
  CRemarkDoc doc(nullptr, fp.platform);
  BuildRichDocument(doc, fp);
  std::vector<std::uint8_t> bytes = Store(doc);

  // The page records follow the header in order, pictures before strokes.
  auto pic = doc.page(0).background()->Bits();
  ASSERT_GT(bytes.size(), 20 + pic.size());
  EXPECT_EQ(bytes[12] | bytes[13] << 8, static_cast<int>(pic.size()));
  EXPECT_TRUE(std::equal(pic.begin(), pic.end(), bytes.begin() + 20));

  CRemarkDoc back(nullptr, fp.platform);
  back.SetReadOnly(false);
  MemoryStream in(bytes);
  LoadDocument(back, in);
  EXPECT_EQ(Store(back), bytes);
  EXPECT_EQ(back.page_count(), 3);
  EXPECT_EQ(back.current_page(), 0);
  EXPECT_EQ(back.current_remarker(), 0);
  EXPECT_EQ(back.pen_color(), 0x00FF8000u);
  EXPECT_EQ(back.pen_width(), 4);
  EXPECT_EQ(back.RemarkerNames(), doc.RemarkerNames());
  EXPECT_EQ(back.page(0).width(), doc.page(0).width());
  EXPECT_EQ(back.page(1).left_margin(), 0);
  EXPECT_EQ(back.page(0).confirmed_length(), back.page(0).used_length());
  EXPECT_FALSE(back.DeleteLastStroke()) << "an unconfirmed stroke comes back confirmed";
  EXPECT_EQ(back.page(0).StrokeCount(), 2);
}

// Loading leaves the read-only flag to the control, and negative sizes mean
// a page without picture or strokes.
TEST(RemarkFileTest, LoadingIgnoresTheReadOnlyFlagAndNegativeSizes) {
  FakePlatform fp;
  const std::vector<std::uint8_t> bytes = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF};
  CRemarkDoc doc(nullptr, fp.platform);
  MemoryStream in(bytes);
  LoadDocument(doc, in);
  EXPECT_FALSE(doc.IsReadOnly());
  ASSERT_EQ(doc.page_count(), 1);
  EXPECT_EQ(doc.page(0).used_length(), 0);
  EXPECT_EQ(doc.page(0).background(), nullptr);
}

TEST(RemarkFileTest, TruncationAtEveryOffsetFailsAndChangesNothing) {
  FakePlatform fp;
  CRemarkDoc source(nullptr, fp.platform);
  BuildRichDocument(source, fp);
  const std::vector<std::uint8_t> full = Store(source);

  CRemarkDoc target(nullptr, fp.platform);
  target.SelectRemarker("Old");
  target.SetPenWidth(6);
  std::vector<EnhMetaFilePtr> pics;
  pics.push_back(nullptr);
  target.ReplacePages(std::move(pics));
  target.SelectRemarker("Old");
  target.BeginStroke(1, 2);
  target.EndStroke();
  const std::vector<std::uint8_t> before = Store(target);

  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    for (std::int64_t hint : {static_cast<std::int64_t>(cut), std::int64_t{-1}}) {
      MemoryStream in(full.data(), cut);
      try {
        LoadDocument(target, in, hint);
        ADD_FAILURE() << "a file cut at " << cut << " was accepted";
      } catch (const RemarkFileError& e) {
        EXPECT_LE(e.offset(), cut);
      }
      ASSERT_EQ(Store(target), before) << "document changed by a file cut at " << cut;
      ASSERT_EQ(target.page(0).confirmed_length(), 0);
    }
  }
}

TEST(RemarkFileTest, SizesBeyondTheDataAreRefusedWithoutAllocating) {
  FakePlatform fp;
  CRemarkDoc doc(nullptr, fp.platform);
  // One page claiming a 2 GB picture in a 20-byte file.
  std::vector<std::uint8_t> bytes = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
  MemoryStream in(bytes);
  try {
    LoadDocument(doc, in, static_cast<std::int64_t>(bytes.size()));
    FAIL() << "accepted";
  } catch (const RemarkFileError& e) {
    EXPECT_EQ(e.offset(), 20u);
    EXPECT_NE(std::string(e.what()).find("page 1 picture"), std::string::npos) << e.what();
  }
  // 65535 pages announced, none present.
  std::vector<std::uint8_t> many = {0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1};
  MemoryStream in2(many);
  EXPECT_THROW(LoadDocument(doc, in2, 12), RemarkFileError);
  EXPECT_EQ(doc.page_count(), 0);
}

TEST(RemarkFileTest, UnrepresentableDocumentsAreNotWritten) {
  FakePlatform fp;
  CRemarkDoc doc(nullptr, fp.platform);
  // The remarker list stops where the file's 16-bit length would end.
  int taken = 0;
  while (doc.SelectRemarker(std::string(56, 'r') + std::to_string(taken))) ++taken;
  EXPECT_EQ(taken, 1092);  // names of 58, 59, 60 and 61 bytes with their NULs
  EXPECT_EQ(doc.current_remarker(), 1091);
  EXPECT_LE(doc.remarker_list_length(), 65535);
  MemoryStream out;
  StoreDocument(doc, out);
  EXPECT_EQ(out.bytes().size(), 12u + static_cast<std::size_t>(doc.remarker_list_length()));
  out = MemoryStream();

  CRemarkDoc big(nullptr, fp.platform);
  std::vector<EnhMetaFilePtr> pics(65536);
  big.ReplacePages(std::move(pics));
  EXPECT_THROW(StoreDocument(big, out), RemarkFileError);
  EXPECT_TRUE(out.bytes().empty());
}

TEST(RemarkFileTest, FailedSaveKeepsThePreviousFile) {
  FakePlatform fp;
  CRemarkDoc doc(nullptr, fp.platform);
  BuildRichDocument(doc, fp);
  const std::string path = "c:\\temp\\qzdesk\\remark.dat";
  fp.files.files[path] = {1, 2, 3};
  fp.files.fail_after_bytes = 100;
  EXPECT_THROW(SaveDocumentToFile(doc, fp.files, path), FileError);
  EXPECT_EQ(fp.files.files[path], (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(fp.files.files.size(), 1u) << "no scratch file left behind";
  fp.files.fail_after_bytes = static_cast<std::size_t>(-1);
  SaveDocumentToFile(doc, fp.files, path);
  EXPECT_EQ(fp.files.files[path], Store(doc));
}

}  // namespace
}  // namespace kit::remark
