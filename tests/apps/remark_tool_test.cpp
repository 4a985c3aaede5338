#include "apps/remark-tool/remark_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ports/emf.h"
#include "ports/platform.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& v, unsigned x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Put32(Bytes& v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}
void Append(Bytes& v, const Bytes& w) { v.insert(v.end(), w.begin(), w.end()); }

Bytes Stroke(unsigned remarker, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t width, unsigned x,
             unsigned y, const std::vector<std::pair<int, int>>& steps, bool terminate = true) {
  Bytes v;
  Put16(v, remarker);
  v.push_back(r);
  v.push_back(g);
  v.push_back(b);
  v.push_back(width);
  Put16(v, x);
  Put16(v, y);
  for (auto [dx, dy] : steps) {
    v.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(dx)));
    v.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(dy)));
  }
  if (terminate) {
    v.push_back(0);
    v.push_back(0);
  }
  return v;
}

// 张三 and 李四 in code page 936.
const Bytes kRemarkerList = {0xD5, 0xC5, 0xC8, 0xFD, 0x00, 0xC0, 0xEE, 0xCB, 0xC4, 0x00, 0x00};

struct Sample {
  Bytes file;
  std::size_t picture_size;
  std::size_t page1_strokes_size;
};

// Built byte by byte rather than through the document, so that the tool is
// checked against the layout and not against the writer.
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

class RemarkToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("remark_tool_test_" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string Write(const std::string& name, const Bytes& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  int Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = kit::remark_tool::Run(args, kit::DefaultPlatform(), out, err);
    out_ = out.str();
    err_ = err.str();
    return status;
  }

  fs::path dir_;
  std::string out_, err_;
};

TEST_F(RemarkToolTest, InfoDescribesHeaderPagesStrokesAndRemarkers) {
  Sample s = TwoPageFile();
  std::string path = Write("two.dat", s.file);
  ASSERT_EQ(Run({"info", path}), 0) << err_;
  EXPECT_EQ(err_, "");
  std::string expected =
      "flags: 0x0004\n"
      "pages: 2\n"
      "remarker list length: 11\n"
      "current remarker: 1\n"
      "pen colour: 16,32,48 (0x302010)\n"
      "pen width: 4\n"
      "page 1: E " + std::to_string(s.picture_size) + ", S " + std::to_string(s.page1_strokes_size) + "\n"
      "  picture: frame 0,0,21000,29700 (0.01 mm), description 7 characters\n"
      "  strokes: 2\n"
      "    stroke 1: remarker 0, colour 255,0,0 (0x0000FF), width 2, points 4\n"
      "    stroke 2: remarker 1, colour 0,0,255 (0xFF0000), width 3, points 2\n"
      "page 2: E 0, S 26\n"
      "  strokes: 2\n"
      "    stroke 1: remarker 1, colour 0,128,0 (0x008000), width 1, points 1\n"
      "    stroke 2: remarker 0, colour 1,2,3 (0x030201), width 6, points 3, unterminated\n"
      "remarkers: 2\n"
      "  0: \xE5\xBC\xA0\xE4\xB8\x89\n"   // 张三
      "  1: \xE6\x9D\x8E\xE5\x9B\x9B\n";  // 李四
  EXPECT_EQ(out_, expected);
}

TEST_F(RemarkToolTest, InfoNotesBytesAfterTheDocument) {
  Sample s = TwoPageFile();
  s.file.insert(s.file.end(), {1, 2, 3});
  ASSERT_EQ(Run({"info", Write("tail.dat", s.file)}), 0) << err_;
  EXPECT_NE(out_.find("\ntrailing bytes: 3, not part of the document\n"), std::string::npos) << out_;
}

TEST_F(RemarkToolTest, InfoReportsAPictureThatIsNotAMetafile) {
  Bytes f = {0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2};
  Put32(f, 4);
  Put32(f, 0);
  f.insert(f.end(), {'J', 'U', 'N', 'K'});
  ASSERT_EQ(Run({"info", Write("junk.dat", f)}), 0) << err_;
  EXPECT_NE(out_.find("page 1: E 4, S 0\n  picture: not a metafile, dropped on loading\n  strokes: 0\n"),
            std::string::npos)
      << out_;
}

// One line on stderr, naming the file, what is wrong and where.
void ExpectDamaged(int status, const std::string& err, const std::string& path, const std::string& what,
                   std::size_t offset) {
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "remark-tool: " + path + ": " + what + " at byte " + std::to_string(offset) + "\n");
}

TEST_F(RemarkToolTest, TruncatedInsideThePictureNamesWhereThePictureStarts) {
  Sample s = TwoPageFile();
  Bytes cut(s.file.begin(), s.file.begin() + 20 + 50);
  std::string path = Write("cut_picture.dat", cut);
  int status = Run({"info", path});
  ExpectDamaged(status, err_, path, "file ends inside page 1 picture", 20);
  EXPECT_EQ(out_, "");
}

TEST_F(RemarkToolTest, TruncatedInsideASecondPageRecordNamesTheEnd) {
  Sample s = TwoPageFile();
  std::size_t page2 = 12 + 8 + s.picture_size + s.page1_strokes_size;
  Bytes cut(s.file.begin(), s.file.begin() + static_cast<std::ptrdiff_t>(page2 + 5));
  std::string path = Write("cut_record.dat", cut);
  ExpectDamaged(Run({"info", path}), err_, path, "file ends inside page 2 record", page2 + 5);
}

TEST_F(RemarkToolTest, TruncatedInsideTheRemarkerList) {
  Sample s = TwoPageFile();
  Bytes cut(s.file.begin(), s.file.end() - 4);
  std::string path = Write("cut_list.dat", cut);
  ExpectDamaged(Run({"info", path}), err_, path, "file ends inside the remarker list", cut.size());
}

TEST_F(RemarkToolTest, PageCountBeyondTheDataIsRefusedAtTheCountField) {
  Bytes f = {0, 0, 0x10, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
  std::string path = Write("pages.dat", f);
  ExpectDamaged(Run({"info", path}), err_, path, "page count 16 exceeds the data that follows", 2);
}

TEST_F(RemarkToolTest, ShortHeader) {
  std::string path = Write("short.dat", Bytes{0, 0, 1});
  ExpectDamaged(Run({"info", path}), err_, path, "file ends inside the header", 3);
}

TEST_F(RemarkToolTest, MissingFileIsOneLineAndStatusOne) {
  std::string path = (dir_ / "absent.dat").string();
  EXPECT_EQ(Run({"info", path}), 1);
  EXPECT_EQ(err_.rfind("remark-tool: " + path + ": ", 0), 0u) << err_;
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
}

TEST_F(RemarkToolTest, NewWritesTheEmptyDocument) {
  std::string path = (dir_ / "new.dat").string();
  ASSERT_EQ(Run({"new", path}), 0) << err_;
  EXPECT_EQ(Read(path), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2}));
  EXPECT_FALSE(fs::exists(path + ".saving"));
}

TEST_F(RemarkToolTest, NewReplacesAnExistingFile) {
  std::string path = Write("old.dat", TwoPageFile().file);
  ASSERT_EQ(Run({"new", path}), 0) << err_;
  EXPECT_EQ(Read(path), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2}));
}

TEST_F(RemarkToolTest, NewIntoAMissingFolderFails) {
  std::string path = (dir_ / "no" / "such" / "new.dat").string();
  EXPECT_EQ(Run({"new", path}), 1);
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
}

TEST_F(RemarkToolTest, NewThenInfo) {
  std::string path = (dir_ / "fresh.dat").string();
  ASSERT_EQ(Run({"new", path}), 0);
  ASSERT_EQ(Run({"info", path}), 0) << err_;
  EXPECT_EQ(out_,
            "flags: 0x0000\npages: 0\nremarker list length: 0\ncurrent remarker: 0\n"
            "pen colour: 255,0,0 (0x0000FF)\npen width: 2\nremarkers: 0\n");
}

TEST_F(RemarkToolTest, UsageErrorsExitTwo) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_NE(err_.find("usage:"), std::string::npos);
  EXPECT_EQ(Run({"info"}), 2);
  EXPECT_EQ(Run({"show", "x.dat"}), 2);
  EXPECT_EQ(Run({"info", "a.dat", "b.dat"}), 2);
  EXPECT_EQ(out_, "");
}

}  // namespace
