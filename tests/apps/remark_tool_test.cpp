#include "tests/apps/remark_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ports/emf.h"

namespace {

namespace fs = std::filesystem;
using namespace kit::testing;

// 张三 and 李四 in code page 936.
const Bytes kRemarkerList = {0xD5, 0xC5, 0xC8, 0xFD, 0x00, 0xC0, 0xEE, 0xCB, 0xC4, 0x00, 0x00};

struct Sample {
  Bytes file;
  std::size_t picture_size;
  std::size_t page1_strokes_size;
};

Sample TwoPageFile() {
  Sample s;
  Bytes picture = kit::MakeEmfBits(kit::RectL{0, 0, 21000, 29700}, u"Remarks");
  Bytes strokes1 = Stroke(0, 255, 0, 0, 2, 10, 20, {{1, 1}, {2, -1}, {0, 3}});
  Append(strokes1, Stroke(1, 0, 0, 255, 3, 100, 200, {{-5, 5}}));
  Bytes strokes2 = Stroke(1, 0, 128, 0, 1, 300, 400, {});
  Append(strokes2, Stroke(0, 1, 2, 3, 6, 7, 8, {{4, 4}, {-4, -4}}, false));

  Bytes& f = s.file;
  Put16(f, 0x0004);  // toolbar hidden
  Put16(f, 2);
  Put16(f, static_cast<unsigned>(kRemarkerList.size()));
  Put16(f, 1);
  f.insert(f.end(), {0x10, 0x20, 0x30, 4});
  Put32(f, static_cast<std::uint32_t>(picture.size()));
  Put32(f, static_cast<std::uint32_t>(strokes1.size()));
  Append(f, picture);
  Append(f, strokes1);
  Put32(f, 0);
  Put32(f, static_cast<std::uint32_t>(strokes2.size()));
  Append(f, strokes2);
  Append(f, kRemarkerList);
  s.picture_size = picture.size();
  s.page1_strokes_size = strokes1.size();
  return s;
}

TEST_F(RemarkToolTest, InfoDescribesHeaderPagesStrokesAndRemarkers) {
  Sample s = TwoPageFile();
  std::string path = Write("two.dat", s.file);
  ASSERT_EQ(Run({"info", path}), 0) << err_;
  EXPECT_EQ(err_, "");
  // KIT_UPDATE_GOLDEN=1 writes the description anew (read it before keeping it).
  const std::string golden = std::string(KIT_GOLDEN_DIR) + "/remark_tool_info.txt";
  if (std::getenv("KIT_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << out_;
  std::ifstream in(golden, std::ios::binary);
  EXPECT_EQ(out_, std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(RemarkToolTest, InfoNotesWhatLoadingLeavesOut) {
  Sample s = TwoPageFile();
  s.file.insert(s.file.end(), {1, 2, 3});
  ASSERT_EQ(Run({"info", Write("tail.dat", s.file)}), 0) << err_;
  EXPECT_NE(out_.find("\ntrailing bytes: 3, not part of the document\n"), std::string::npos) << out_;

  Bytes junk = {0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2};
  Put32(junk, 4);
  Put32(junk, 0);
  junk.insert(junk.end(), {'J', 'U', 'N', 'K'});
  ASSERT_EQ(Run({"info", Write("junk.dat", junk)}), 0) << err_;
  EXPECT_NE(out_.find("page 1: E 4, S 0\n  picture: not a metafile, dropped on loading\n  strokes: 0\n"),
            std::string::npos)
      << out_;
}

// One line on stderr, naming the file, what is wrong and where; nothing on stdout.
TEST_F(RemarkToolTest, DamagedFilesNameWhatIsWrongAndWhere) {
  const Sample s = TwoPageFile();
  const std::size_t page2 = 12 + 8 + s.picture_size + s.page1_strokes_size;
  auto cut = [&](std::size_t n) { return Bytes(s.file.begin(), s.file.begin() + static_cast<std::ptrdiff_t>(n)); };
  struct Case {
    Bytes file;
    std::string what;
    std::size_t offset;
  } cases[] = {
      {cut(20 + 50), "file ends inside page 1 picture", 20},  // where the picture starts
      {cut(page2 + 5), "file ends inside page 2 record", page2 + 5},
      {cut(s.file.size() - 4), "file ends inside the remarker list", s.file.size() - 4},
      {{0, 0, 0x10, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0},
       "page count 16 exceeds the data that follows", 2},
      {{0, 0, 1}, "file ends inside the header", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Write("damaged.dat", c.file);
    EXPECT_EQ(Run({"info", path}), 1);
    EXPECT_EQ(err_, "remark-tool: " + path + ": " + c.what + " at byte " + std::to_string(c.offset) + "\n");
    EXPECT_EQ(out_, "");
  }
  const std::string absent = Out("absent.dat");
  EXPECT_EQ(Run({"info", absent}), 1);
  EXPECT_EQ(err_.rfind("remark-tool: " + absent + ": ", 0), 0u) << err_;
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
}

}  // namespace
