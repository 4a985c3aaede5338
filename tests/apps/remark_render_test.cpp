// remark-tool render and print: pixels of the PNG and of the PDF's pages at
// chosen points.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ports/emf.h"
#include "tests/apps/remark_file.h"
#include "tests/platform/view/page_pixels.h"

namespace {

namespace fs = std::filesystem;
using namespace kit::testing;

constexpr int kPicW = 200, kPicH = 150;
constexpr std::uint32_t kBand = 0x3060C0;  // 0x00RRGGBB: the picture's top band

// A page picture: white with a band across rows 10-29, as a capture gives it.
Bytes Picture(const std::u16string& description) {
  std::vector<std::uint32_t> px(kPicW * kPicH, 0xFFFFFF);
  for (int y = 10; y < 30; ++y)
    for (int x = 0; x < kPicW; ++x) px[y * kPicW + x] = kBand;
  return kit::MakeBitBltEmfBits(kPicW, kPicH, px, {0, 0, (kPicW * 2540 + 48) / 96, (kPicH * 2540 + 48) / 96},
                                description);
}

// Two pages: the first with the picture (no margins: a seven-character
// description), a red stroke of remarker 0 at y = 100 and a blue one of
// remarker 1 at y = 120; the second with a picture that gets margins.
Bytes RemarkFile() {
  Bytes pic1 = Picture(u"WPSFile"), pic2 = Picture(u"");
  const std::vector<std::pair<int, int>> right(10, {10, 0});
  Bytes strokes = Stroke(0, 255, 0, 0, 3, 20, 100, right);
  Append(strokes, Stroke(1, 0, 0, 255, 2, 20, 120, right));
  Bytes f;
  Put16(f, 0);
  Put16(f, 2);
  Put16(f, 5);  // "A", "B" and the end of the list
  Put16(f, 0);
  f.insert(f.end(), {255, 0, 0, 2});
  Put32(f, static_cast<std::uint32_t>(pic1.size()));
  Put32(f, static_cast<std::uint32_t>(strokes.size()));
  f.insert(f.end(), pic1.begin(), pic1.end());
  f.insert(f.end(), strokes.begin(), strokes.end());
  Put32(f, static_cast<std::uint32_t>(pic2.size()));
  Put32(f, 0);
  f.insert(f.end(), pic2.begin(), pic2.end());
  f.insert(f.end(), {'A', 0, 'B', 0, 0});
  return f;
}

class RemarkRenderTest : public RemarkToolTest {
 protected:
  void SetUp() override {
    RemarkToolTest::SetUp();
    file_ = Write("two.dat", RemarkFile());
  }
  std::string file_;
};

// Each rendering against its golden picture, pixel for pixel: desk, frame,
// sheet and shadow, the picture upright (its band near the top) and the
// strokes by filter and zoom. KIT_UPDATE_GOLDEN=1 writes the pictures anew
// (look at them before keeping them).
TEST_F(RemarkRenderTest, PagesRenderAsTheirGoldenPictures) {
  const struct {
    const char* golden;
    std::vector<std::string> options;
  } cases[] = {
      {"all", {"1"}},
      {"all", {"1", "--filter", "-1", "--zoom", "100"}},
      {"red", {"1", "--filter", "0"}},
      {"blue", {"1", "--filter", "1"}},
      {"none", {"1", "--filter", "-2"}},
      {"none", {"1", "--filter", "7"}},  // nobody's index
      {"zoom50", {"1", "--zoom", "50"}},
      {"zoom150", {"1", "--zoom", "150"}},
      {"zoom200", {"1", "--zoom", "200"}},
      {"margins", {"2"}},  // 96-point side and 72-point top margins
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"render", file_, c.options[0], Out("p.png")};
    args.insert(args.end(), c.options.begin() + 1, c.options.end());
    SCOPED_TRACE(::testing::PrintToString(args));
    ASSERT_EQ(Run(args), 0) << err_;
    const std::string golden = std::string(KIT_GOLDEN_DIR) + "/remark_render_" + c.golden + ".png";
    if (std::getenv("KIT_UPDATE_GOLDEN")) fs::copy_file(Out("p.png"), golden, fs::copy_options::overwrite_existing);
    const Pixels want = ReadPng(golden), got = ReadPng(Out("p.png"));
    ASSERT_GT(want.w, 0) << golden;
    ASSERT_EQ(got.w, want.w);
    ASSERT_EQ(got.h, want.h);
    int wrong = 0;
    for (int y = 0; y < want.h; ++y)
      for (int x = 0; x < want.w; ++x)
        if (got.at(x, y) != want.at(x, y) && wrong++ == 0) {
          ADD_FAILURE() << "first difference at " << x << "," << y;
        }
    if (wrong) fs::copy_file(Out("p.png"), std::string(c.golden) + ".actual.png", fs::copy_options::overwrite_existing);
    EXPECT_EQ(wrong, 0) << "see " << c.golden << ".actual.png";
  }
}

// Refused requests (2) and unreadable files (1) write no picture and say why.
TEST_F(RemarkRenderTest, BadRequestsWriteNothing) {
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"render", "FILE", "0", "o.png"}, 2},
      {{"render", "FILE", "3", "o.png"}, 2},
      {{"render", "FILE", "1", "o.png", "--zoom", "0"}, 2},
      {{"render", "FILE", "1", "o.png", "--zoom", "-50"}, 2},
      {{"render", "FILE", "1", "o.png", "--filter", "-3"}, 2},
      {{"render", "FILE", "1", "o.png", "--zoom"}, 2},
      {{"render", "FILE", "x", "o.png"}, 2},
      {{"render", "FILE", "1", "o.png", "--size", "3"}, 2},
      {{"render", "FILE", "1", "o.png", "--zoom", "100000"}, 2},
      {{"render", "MISSING", "1", "o.png"}, 1},
      {{"render", "DAMAGED", "1", "o.png"}, 1},
      {{"print", "FILE", "o.pdf", "--paper", "B9"}, 2},
      {{"print", "FILE", "o.pdf", "--filter", "-3"}, 2},
      {{"print", "FILE", "o.pdf", "--filter"}, 2},
      {{"print", "FILE", "o.pdf", "--zoom", "100"}, 2},
      {{"print", "EMPTY", "o.pdf"}, 2},
      {{"print", "MISSING", "o.pdf"}, 1},
      {{"print", "FILE", "no/such/folder/o.pdf"}, 2},
  };
  const std::string damaged = Out("damaged.dat"), empty = Out("empty.dat");
  std::ofstream(damaged, std::ios::binary) << "\x01\x00\x05\x00";
  ASSERT_EQ(Run({"new", empty}), 0) << err_;
  for (Case c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::string out;
    for (std::string& a : c.args) {
      if (a == "FILE") a = file_;
      if (a == "EMPTY") a = empty;
      if (a == "MISSING") a = Out("missing.dat");
      if (a == "DAMAGED") a = damaged;
      if (a.size() > 4 && (a.compare(a.size() - 4, 4, ".png") == 0 || a.compare(a.size() - 4, 4, ".pdf") == 0)) {
        out = a = Out(a);
      }
    }
    EXPECT_EQ(Run(c.args), c.status);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_NE(err_, "");
  }
}

constexpr std::uint32_t kRed = 0xFF0000;

// Near a colour: the PDF's bitmap and lines may be smoothed at their edges.
bool Like(std::uint32_t px, std::uint32_t want) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((px >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > 0x30) return false;
  return true;
}

// A stroke of a million steps is drawn to its end, in the picture and on
// paper: drawing walks the steps without holding the points, so a fault
// shows at the far end. (What such files cost in memory is remark_bench's.)
TEST_F(RemarkRenderTest, AStrokeOfAMillionStepsIsDrawnToItsEnd) {
  // Steps go round a small triangle from (50, 50) and at last run right to
  // (150, 50), so that its end is drawn after all else.
  Bytes strokes = Stroke(0, 255, 0, 0, 2, 50, 50, {});
  const std::int8_t steps[6] = {3, -1, -2, 2, -1, -1};
  strokes.resize((std::size_t{2} << 20) - 22);
  for (std::size_t i = 10; i < strokes.size(); ++i) strokes[i] = static_cast<std::uint8_t>(steps[(i - 10) % 6]);
  strokes.resize(strokes.size() - (strokes.size() - 10) % 6);  // back at (50, 50)
  for (int i = 0; i < 10; ++i) strokes.insert(strokes.end(), {10, 0});
  Put16(strokes, 0);
  const Bytes pic = Picture(u"WPSFile");
  Bytes f;
  Put16(f, 0);
  Put16(f, 1);
  Put32(f, 0);
  f.insert(f.end(), {255, 0, 0, 2});
  Put32(f, static_cast<std::uint32_t>(pic.size()));
  Put32(f, static_cast<std::uint32_t>(strokes.size()));
  Append(f, pic);
  Append(f, strokes);
  const std::string file = Write("long.dat", f);
  std::ofstream discard("/dev/null");
  std::ostringstream err;
  ASSERT_EQ(kit::remark_tool::Run({"render", file, "1", Out("p.png")}, kit::DefaultPlatform(), discard, err), 0)
      << err.str();
  EXPECT_EQ(ReadPng(Out("p.png")).at(16 + 120, 16 + 50), kRed);
  ASSERT_EQ(kit::remark_tool::Run({"print", file, Out("p.pdf")}, kit::DefaultPlatform(), discard, err), 0) << err.str();
  EXPECT_TRUE(Like(ReadPdf(Out("p.pdf")).images[0].at(120, 50), kRed));
}

}  // namespace
