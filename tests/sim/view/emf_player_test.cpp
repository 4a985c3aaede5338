// The metafile player through what it draws: each table is played tile by
// tile onto one canvas and compared with a golden picture, pixel for pixel.
// KIT_UPDATE_GOLDEN=1 writes the pictures anew (look at them before keeping).
#include "sim/view/emf_player.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/view/cairo_dc.h"
#include "tests/sim/view/emf_records.h"

namespace kit::view {
namespace {

using testing::Bytes;
using testing::Frame96;
using testing::MakeDib;
using testing::Metafile;
using testing::Record;
namespace t = kit::testing;

constexpr int kTile = 40;

struct Tile {
  const char* what;
  Bytes bits;
  RectL dest{0, 0, kTile, kTile};  // within the tile
  bool played = true;              // a valid header, its records played to the end
};

// Plays each metafile into its own tile, `columns` a row, over `background`.
void ExpectGolden(const std::string& name, const std::vector<Tile>& tiles, int columns, int background) {
  const int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
  CairoDC dc(columns * kTile, rows * kTile);
  dc.SelectBrush(dc.StockBrush(background));
  dc.PatBlt(0, 0, columns * kTile, rows * kTile, kPatCopy);
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    const Tile& c = tiles[i];
    const int x = static_cast<int>(i) % columns * kTile, y = static_cast<int>(i) / columns * kTile;
    const EmfPlayResult r = PlayEnhMetaFile(dc.cairo(), c.bits.data(), c.bits.size(),
                                            RectL{x + c.dest.left, y + c.dest.top, x + c.dest.right, y + c.dest.bottom});
    EXPECT_EQ(r.header && !r.truncated, c.played) << c.what;
  }
  const std::string golden = std::string(KIT_GOLDEN_DIR) + "/" + name + ".png";
  if (std::getenv("KIT_UPDATE_GOLDEN")) {
    ASSERT_TRUE(dc.WritePng(golden));
  }
  cairo_surface_t* want = cairo_image_surface_create_from_png(golden.c_str());
  ASSERT_EQ(cairo_surface_status(want), CAIRO_STATUS_SUCCESS) << golden;
  ASSERT_EQ(cairo_image_surface_get_width(want), columns * kTile);
  ASSERT_EQ(cairo_image_surface_get_height(want), rows * kTile);
  const unsigned char* data = cairo_image_surface_get_data(want);
  const int stride = cairo_image_surface_get_stride(want);
  int wrong = 0;
  for (int y = 0; y < rows * kTile; ++y) {
    for (int x = 0; x < columns * kTile; ++x) {
      const std::uint32_t rgb = reinterpret_cast<const std::uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
      const ColorRef ref = (rgb >> 16) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
      if (dc.PixelAt(x, y) != ref && wrong++ < 5) {
        ADD_FAILURE() << name << ": " << tiles[static_cast<std::size_t>(y / kTile * columns + x / kTile)].what
                      << " differs at " << x % kTile << "," << y % kTile;
      }
    }
  }
  cairo_surface_destroy(want);
  if (wrong) dc.WritePng(name + ".actual.png");
  EXPECT_EQ(wrong, 0) << "see " << name << ".actual.png";
}

// Bitmaps of every kind the writers and the office suite put in page pictures.
TEST(EmfPlayer, BitmapsMatchTheirGoldenPicture) {
  const std::vector<std::uint32_t> px = {0xFF0000, 0x00FF00, 0x0000FF, 0x112233, 0x445566, 0x778899,
                                         0xAABBCC, 0x000000, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080};
  const Bytes writers = MakeBitBltEmfBits(4, 3, px, Frame96(4, 3), u"WPSFile");
  std::vector<std::uint32_t> fine(8 * 6, 0x0000FF);  // twice the reference size, bottom-right quarter red
  for (int y = 3; y < 6; ++y)
    for (int x = 4; x < 8; ++x) fine[static_cast<std::size_t>(y * 8 + x)] = 0xFF0000;
  const std::vector<std::uint32_t> pal16 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x654321, 0, 0,
                                            0,        0,        0,        0,        0,        0,        0, 0xABCDEF};
  auto dib = [](const t::Dib& d) { return Metafile(Frame96(kTile, kTile), {t::StretchDiBits(d, 4, 4, 32, 32, 2, 2)}); };
  const t::Dib wide = MakeDib(24, {{0x111111, 0x222222, 0x333333}, {0x444444, 0x555555, 0x666666}}, {});
  Record blt(t::kEmrStretchBlt);  // source (1, 0, 2 x 2) onto (4, 4, 32 x 32)
  blt.Ints({0, 0, 5, 5, 4, 4, 32, 32}).U(0x00CC0020).Ints({1, 0});
  blt.Ints({0x3F800000, 0, 0, 0x3F800000, 0, 0}).U(0xFFFFFF).U(0);
  blt.U(108).U(static_cast<std::uint32_t>(wide.bmi.size())).U(static_cast<std::uint32_t>(108 + wide.bmi.size()));
  blt.U(static_cast<std::uint32_t>(wide.bits.size())).Ints({2, 2}).Raw(wide.bmi).Raw(wide.bits);
  ExpectGolden("emf_bitmaps",
               {{"writer's bitmap, pixel for pixel", writers, {10, 10, 14, 13}},
                {"writer's bitmap doubled", writers, {1, 1, 9, 7}},
                {"writer's bitmap stretched threefold", writers, {5, 7, 17, 16}},
                {"a finer bitmap fills its reference size",
                 MakeStretchBltEmfBits(8, 6, fine, 4, 3, Frame96(4, 3), u""), {2, 2, 34, 26}},
                {"1 bpp", dib(MakeDib(1, {{0, 1}, {1, 0}}, {0x000000, 0xFFFFFF}))},
                {"1 bpp, two colours", dib(MakeDib(1, {{1, 1}, {0, 1}}, {0x336699, 0xCC0000}))},
                {"4 bpp", dib(MakeDib(4, {{1, 2}, {15, 4}}, pal16))},
                {"8 bpp, an index past the table is black",
                 dib(MakeDib(8, {{3, 200}, {1, 2}}, {0x000000, 0x111111, 0x222222, 0x333333}))},
                {"16 bpp, five bits a channel", dib(MakeDib(16, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, {}))},
                {"24 bpp", dib(MakeDib(24, {{0x102030, 0x405060}, {0x708090, 0xA0B0C0}}, {}))},
                {"32 bpp", dib(MakeDib(32, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, {}))},
                {"32 bpp top-down", dib(MakeDib(32, {{0xFF0000, 0x00FF00}, {0x0000FF, 0x010203}}, {}, true))},
                {"stretch blit of a source rectangle", Metafile(Frame96(kTile, kTile), {blt.Done()})}},
               4, kWhiteBrush);
}

// Pens and brushes made, selected and freed by the metafile, world transforms,
// the picture's own mapping, pattern blits and text, over grey.
TEST(EmfPlayer, ShapesAndTheirStateMatchTheirGoldenPicture) {
  const Bytes pen = Record(t::kEmrCreatePen).Ints({1, 0, 3, 0}).U(0x0000FF).Done();  // red, 3 wide
  const Bytes brush = Record(t::kEmrCreateBrush).Ints({2, 0}).U(0x00FF00).U(0).Done();
  const Bytes selPen = Record(t::kEmrSelectObject).U(1).Done(), selBrush = Record(t::kEmrSelectObject).U(2).Done();
  const Bytes blackPen = Record(t::kEmrSelectObject).U(0x80000007).Done();
  const Bytes nullBrush = Record(t::kEmrSelectObject).U(0x80000005).Done();
  const Bytes rect = Record(t::kEmrRectangle).Ints({10, 10, 20, 20}).Done();
  const Bytes poly32 = Record(t::kEmrPolyline).Ints({0, 0, 0, 0}).U(3).Ints({30, 5, 38, 5, 38, 15}).Done();
  const Bytes poly16 = Record(t::kEmrPolyline16).Ints({0, 0, 0, 0}).U(2).Short(2).Short(30).Short(12).Short(30).Done();
  const Bytes box = Record(t::kEmrRectangle).Ints({2, 2, 6, 6}).Done();
  constexpr std::uint32_t kOne = 0x3F800000, kTwo = 0x40000000, kTen = 0x41200000;
  auto xform = [](std::uint32_t type, std::vector<std::uint32_t> f, int mode = -1) {
    Record r(type);
    for (std::uint32_t v : f) r.U(v);
    if (mode >= 0) r.I(mode);
    return r.Done();
  };
  const Bytes scale2 = xform(35, {kTwo, 0, 0, kTwo, 0, 0});
  auto blt = [](std::uint32_t rop) {
    return Record(76).Ints({0, 0, 0, 0, 20, 20, 4, 4}).U(rop).Ints({0, 0, 0, 0, 0, 0, 0, 0}).U(0).U(0)
        .Ints({0, 0, 0, 0}).Done();
  };
  Record text(t::kEmrExtTextOutW);  // "A B" at (4, 4), advances of 8: boxes, none for the space
  text.Ints({0, 0, -1, -1}).U(1).U(0).U(0).Ints({4, 4}).U(3).U(76).U(0).Ints({0, 0, 0, 0}).U(84);
  text.Short('A').Short(' ').Short('B').Short(0).Ints({8, 8, 8});
  auto frame = [](std::vector<Bytes> records) { return Metafile(Frame96(kTile, kTile), records); };
  ExpectGolden(
      "emf_shapes",
      {{"default black pen and white brush", frame({rect})},
       {"created pen and brush", frame({pen, brush, selPen, selBrush, rect})},
       {"null brush", frame({nullBrush, rect})},
       {"a deleted selected pen still draws", frame({pen, selPen, Record(t::kEmrDeleteObject).U(1).Done(), poly32})},
       {"restore brings back the saved pen",
        frame({Record(t::kEmrSaveDc).Done(), pen, selPen, Record(t::kEmrRestoreDc).I(-1).Done(), poly32})},
       {"stock pen after a created one", frame({pen, selPen, blackPen, poly16})},
       {"filled polygon",
        frame({brush, selBrush,
               Record(t::kEmrPolygon16).Ints({0, 0, 0, 0}).U(3).Short(25).Short(25).Short(35).Short(25).Short(30)
                   .Short(35).Done()})},
       {"move and line", frame({Record(t::kEmrMoveToEx).Ints({2, 38}).Done(), Record(t::kEmrLineTo).Ints({12, 38}).Done()})},
       {"poly-polyline",
        frame({Record(t::kEmrPolyPolyline16).Ints({0, 0, 0, 0}).U(2).U(4).U(2).U(2).Short(20).Short(2).Short(24)
                   .Short(2).Short(20).Short(6).Short(24).Short(6).Done()})},
       {"translated", frame({xform(35, {kOne, 0, 0, kOne, kTen, 0}), box})},
       {"scaled", frame({scale2, box})},
       {"reset to identity", frame({scale2, xform(36, {kOne, 0, 0, kOne, 0, 0}, 1), box})},
       {"right-multiplied translation", frame({scale2, xform(36, {kOne, 0, 0, kOne, kTen, 0}, 3), box})},
       {"blackness and whiteness", frame({blt(0x42), Record(76).Ints({0, 0, 0, 0, 30, 30, 4, 4}).U(0xFF0062)
                                              .Ints({0, 0, 0, 0, 0, 0, 0, 0}).U(0).U(0).Ints({0, 0, 0, 0}).Done()})},
       {"pattern copy with the metafile's brush", frame({brush, Record(t::kEmrSelectObject).U(2).Done(), blt(0xF00021)})},
       {"text is boxes in the text colour", frame({Record(t::kEmrSetTextColor).U(0x0000FF).Done(), text.Done()})},
       {"half-pixel units through the picture's mapping, the frame halved",
        frame({Record(t::kEmrSetMapMode).U(8).Done(), Record(t::kEmrSetWindowExtEx).Ints({2, 2}).Done(),
               Record(t::kEmrSetViewportExtEx).Ints({1, 1}).Done(), Record(t::kEmrRectangle).Ints({40, 40, 80, 80}).Done()}),
        {5, 5, 25, 25}}},
      4, kGrayBrush);
}

// Damaged records are skipped (or end the play) without reading outside the
// bits; the marker square after a skipped one still plays. Bits that are no
// metafile draw nothing.
TEST(EmfPlayer, DamagedMetafilesMatchTheirGoldenPicture) {
  const Bytes good = t::StretchDiBits(MakeDib(8, {{1, 1}, {1, 1}}, {0, 0x00FF00}), 0, 0, 4, 4, 2, 2);
  auto patched = [&](std::size_t at, std::uint32_t v) {
    Bytes b = good;
    kit::Put32(b, at, v);
    return b;
  };
  const Bytes marker = Record(t::kEmrRectangle).Ints({30, 30, 35, 35}).Done();
  auto resized = [&](std::uint32_t size) {
    Bytes b = marker;
    kit::Put32(b, 4, size);
    return b;
  };
  auto with = [&](Bytes record) { return Metafile(Frame96(kTile, kTile), {record, marker}); };
  const Bytes writers = MakeBitBltEmfBits(1, 1, {0xFF0000}, Frame96(kTile, kTile), u"");
  Bytes flat = MakeEmfBits(RectL{0, 0, 0, 0}, u"");  // a frame and bounds of no size
  for (int i = 8; i < 24; ++i) flat[i] = 0;
  ExpectGolden(
      "emf_damaged",
      {{"bitmap info offset past the record", with(patched(48, 0xFFFFFFF0u))},
       {"bitmap info size past the record", with(patched(52, 0x7FFFFFFFu))},
       {"bits offset past the record", with(patched(56, 1000000))},
       {"bits smaller than the rows", with(patched(60, 4))},
       {"huge width", with(patched(84, 0x7FFFFFFF))},
       {"negative width", with(patched(84, 0xFFFFFFFE))},
       {"height of INT_MIN", with(patched(88, 0x80000000u))},
       {"odd bit count", with(patched(94, 7))},
       {"run-length compression", with(patched(96, 1))},
       {"colour table larger than the record", with(patched(112, 100000))},
       {"zero destination", with(patched(72, 0))},
       {"polyline count past the record",
        with(Record(t::kEmrPolyline).Ints({0, 0, 0, 0}).U(0x40000000).Ints({1, 1}).Done())},
       {"polyline16 count past the record", with(Record(t::kEmrPolyline16).Ints({0, 0, 0, 0}).U(0xFFFFFFFF).Done())},
       {"poly-polyline counts disagree",
        with(Record(t::kEmrPolyPolyline16).Ints({0, 0, 0, 0}).U(2).U(2).U(5).U(5).Ints({0, 0}).Done())},
       {"2^30 polygons", with(Record(t::kEmrPolyPolyline16).Ints({0, 0, 0, 0}).U(0x40000000).U(0).Done())},
       {"pen in handle 0", with(Record(t::kEmrCreatePen).Ints({0, 0, 3, 0}).U(0).Done())},
       {"pen past the handle table", with(Record(t::kEmrCreatePen).Ints({9999, 0, 3, 0}).U(0).Done())},
       {"selecting an empty handle", with(Record(t::kEmrSelectObject).U(5).Done())},
       {"restoring more than saved", with(Record(t::kEmrRestoreDc).I(-5).Done())},
       {"text longer than the record",
        with(Record(t::kEmrExtTextOutW).Ints({0, 0, 0, 0, 1, 0, 0, 4, 4}).U(0x10000000).U(76).U(0)
                 .Ints({0, 0, 0, 0}).U(0).Done())},
       {"rectangle without its box", with(Record(t::kEmrRectangle).U(1).Done())},
       {"unknown record", with(Record(9999).Ints({1, 2, 3}).Done())},
       {"size past the end", with(resized(0x100000)), {0, 0, kTile, kTile}, false},
       {"size not a multiple of four", with(resized(10)), {0, 0, kTile, kTile}, false},
       {"size of zero", with(resized(0)), {0, 0, kTile, kTile}, false},
       {"empty", {}, {0, 0, kTile, kTile}, false},
       {"cut in the header", Bytes(writers.begin(), writers.begin() + 60), {0, 0, kTile, kTile}, false},
       {"cut in the bitmap", Bytes(writers.begin(), writers.end() - 30), {0, 0, kTile, kTile}, false},
       {"no signature", [&] { Bytes b = writers; b[40] = 'X'; return b; }(), {0, 0, kTile, kTile}, false},
       {"no size to map", flat}},
      6, kWhiteBrush);
}

}  // namespace
}  // namespace kit::view
