#include "platform/posix/view/emf_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/view/cairo_dc.h"
#include "tests/platform/view/emf_records.h"

namespace kit::view {
namespace {

using testing::Bytes;
using testing::Dib;
using testing::Frame96;
using testing::MakeDib;
using testing::Metafile;
using testing::Record;
namespace t = kit::testing;

constexpr ColorRef kWhite = 0xFFFFFF;

// COLORREF of 0x00RRGGBB.
ColorRef Ref(std::uint32_t rgb) { return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16; }

EmfPlayResult Play(CairoDC& dc, const Bytes& bits, const RectL& dest) {
  return PlayEnhMetaFile(dc.cairo(), bits.data(), bits.size(), dest);
}

TEST(EmfPlayer, TheWritersBitmapPlaysPixelForPixelAndStretched) {
  const std::vector<std::uint32_t> px = {0xFF0000, 0x00FF00, 0x0000FF, 0x112233,
                                         0x445566, 0x778899, 0xAABBCC, 0x000000,
                                         0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080};
  const Bytes bits = MakeBitBltEmfBits(4, 3, px, Frame96(4, 3), u"WPSFile");
  struct Case {
    RectL dest;
    int scale;
  } cases[] = {{{10, 10, 14, 13}, 1}, {{1, 1, 9, 7}, 2}, {{5, 7, 17, 16}, 3}};
  for (const Case& c : cases) {
    CairoDC dc(40, 40);
    EmfPlayResult r = Play(dc, bits, c.dest);
    EXPECT_TRUE(r.header);
    EXPECT_EQ(r.played, 1);
    EXPECT_FALSE(r.truncated);
    for (int y = 0; y < 3 * c.scale; ++y) {
      for (int x = 0; x < 4 * c.scale; ++x) {
        ASSERT_EQ(dc.PixelAt(c.dest.left + x, c.dest.top + y), Ref(px[(y / c.scale) * 4 + x / c.scale]))
            << "scale " << c.scale << " at " << x << "," << y;
      }
    }
    // Nothing outside the rectangle.
    EXPECT_EQ(dc.PixelAt(c.dest.left - 1, c.dest.top), kWhite);
    EXPECT_EQ(dc.PixelAt(c.dest.right, c.dest.bottom - 1), kWhite);
  }
}

// A page rendered at twice the reference resolution plays at its reference
// size: the 8 x 6 bitmap fills the 4 x 3 picture, not its top-left quarter.
TEST(EmfPlayer, AFinerBitmapFillsItsReferenceSize) {
  std::vector<std::uint32_t> px(8 * 6, 0x0000FF);
  for (int y = 3; y < 6; ++y)
    for (int x = 4; x < 8; ++x) px[static_cast<std::size_t>(y * 8 + x)] = 0xFF0000;  // bottom-right quarter red
  const Bytes bits = MakeStretchBltEmfBits(8, 6, px, 4, 3, Frame96(4, 3), u"");
  CairoDC dc(20, 20);
  EmfPlayResult r = Play(dc, bits, {0, 0, 4, 3});
  EXPECT_EQ(r.played, 1);
  struct Probe {
    int x, y;
    ColorRef want;
  } probes[] = {{0, 0, Ref(0x0000FF)}, {1, 1, Ref(0x0000FF)}, {2, 2, Ref(0xFF0000)},
                {3, 2, Ref(0xFF0000)}, {4, 0, kWhite},        {0, 3, kWhite}};
  for (const Probe& p : probes) EXPECT_EQ(dc.PixelAt(p.x, p.y), p.want) << p.x << "," << p.y;
}

// A 2 x 2 DIB of each depth stretched onto 4 x 4 pixels at (0, 0).
TEST(EmfPlayer, DibsOfEveryDepthDecode) {
  const std::vector<std::uint32_t> pal16 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x654321,
                                            0, 0, 0, 0, 0, 0, 0, 0, 0, 0xABCDEF};
  struct Case {
    const char* what;
    int bpp;
    std::vector<std::vector<std::uint32_t>> rows;
    std::vector<std::uint32_t> palette;
    bool topDown;
    std::uint32_t expect[4];  // 0x00RRGGBB, top-left, top-right, bottom-left, bottom-right
  } cases[] = {
      {"1 bpp", 1, {{0, 1}, {1, 0}}, {0x000000, 0xFFFFFF}, false, {0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000}},
      {"1 bpp two colours", 1, {{1, 1}, {0, 1}}, {0x336699, 0xCC0000}, false, {0xCC0000, 0xCC0000, 0x336699, 0xCC0000}},
      {"4 bpp", 4, {{1, 2}, {15, 4}}, pal16, false, {0xFF0000, 0x00FF00, 0xABCDEF, 0x123456}},
      {"8 bpp", 8, {{3, 0}, {1, 2}}, {0x000000, 0x111111, 0x222222, 0x333333}, false,
       {0x333333, 0x000000, 0x111111, 0x222222}},
      {"8 bpp index past the colour table is black", 8, {{3, 200}, {1, 2}}, {0x0, 0x111111, 0x222222, 0x333333}, false,
       {0x333333, 0x000000, 0x111111, 0x222222}},
      {"24 bpp", 24, {{0x102030, 0x405060}, {0x708090, 0xA0B0C0}}, {}, false, {0x102030, 0x405060, 0x708090, 0xA0B0C0}},
      {"16 bpp, five bits a channel", 16, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, {}, false,
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
      {"32 bpp", 32, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, {}, false, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
      {"32 bpp top-down", 32, {{0xFF0000, 0x00FF00}, {0x0000FF, 0x010203}}, {}, true, {0xFF0000, 0x00FF00, 0x0000FF, 0x010203}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Dib d = MakeDib(c.bpp, c.rows, c.palette, c.topDown);
    const Bytes bits = Metafile(Frame96(4, 4), {t::StretchDiBits(d, 0, 0, 4, 4, 2, 2)});
    CairoDC dc(10, 10);
    EmfPlayResult r = Play(dc, bits, RectL{0, 0, 4, 4});
    EXPECT_EQ(r.played, 1);
    EXPECT_EQ(r.skipped, 0);
    EXPECT_EQ(dc.PixelAt(0, 0), Ref(c.expect[0]));
    EXPECT_EQ(dc.PixelAt(3, 1), Ref(c.expect[1]));
    EXPECT_EQ(dc.PixelAt(1, 3), Ref(c.expect[2]));
    EXPECT_EQ(dc.PixelAt(2, 2), Ref(c.expect[3]));
    EXPECT_EQ(dc.PixelAt(4, 4), kWhite);
  }
}

TEST(EmfPlayer, StretchBltCopiesItsSourceRectangle) {
  const Dib d = MakeDib(24, {{0x111111, 0x222222, 0x333333}, {0x444444, 0x555555, 0x666666}}, {});
  // EMR_STRETCHBLT: source (1, 0, 2 x 2) of the bitmap onto (2, 2, 4 x 4).
  Record r(t::kEmrStretchBlt);
  r.Ints({0, 0, 5, 5, 2, 2, 4, 4}).U(0x00CC0020).Ints({1, 0});
  r.Ints({0x3F800000, 0, 0, 0x3F800000, 0, 0}).U(0xFFFFFF).U(0);
  r.U(108).U(static_cast<std::uint32_t>(d.bmi.size())).U(static_cast<std::uint32_t>(108 + d.bmi.size()));
  r.U(static_cast<std::uint32_t>(d.bits.size())).Ints({2, 2}).Raw(d.bmi).Raw(d.bits);
  CairoDC dc(10, 10);
  EXPECT_EQ(Play(dc, Metafile(Frame96(10, 10), {r.Done()}), RectL{0, 0, 10, 10}).played, 1);
  EXPECT_EQ(dc.PixelAt(2, 2), 0x222222u);
  EXPECT_EQ(dc.PixelAt(5, 2), 0x333333u);
  EXPECT_EQ(dc.PixelAt(2, 5), 0x555555u);
  EXPECT_EQ(dc.PixelAt(1, 2), kWhite);
  EXPECT_EQ(dc.PixelAt(6, 6), kWhite);
}

// Shapes with pens and brushes made, selected and freed by the metafile, world
// transforms and pattern blits, over a grey background.
TEST(EmfPlayer, ShapesTransformsAndBlitsUseTheMetafilesState) {
  const Bytes pen = Record(t::kEmrCreatePen).Ints({1, 0, 3, 0}).U(0x0000FF).Done();  // red, 3 wide
  const Bytes brush = Record(t::kEmrCreateBrush).Ints({2, 0}).U(0x00FF00).U(0).Done();
  const Bytes selPen = Record(t::kEmrSelectObject).U(1).Done();
  const Bytes selBrush = Record(t::kEmrSelectObject).U(2).Done();
  const Bytes blackPen = Record(t::kEmrSelectObject).U(0x80000007).Done();
  const Bytes nullBrush = Record(t::kEmrSelectObject).U(0x80000005).Done();
  const Bytes del = Record(t::kEmrDeleteObject).U(1).Done();
  const Bytes save = Record(t::kEmrSaveDc).Done();
  const Bytes restore = Record(t::kEmrRestoreDc).I(-1).Done();
  const Bytes rect = Record(t::kEmrRectangle).Ints({10, 10, 20, 20}).Done();
  const Bytes poly32 = Record(t::kEmrPolyline).Ints({0, 0, 0, 0}).U(3).Ints({30, 5, 38, 5, 38, 15}).Done();
  const Bytes poly16 = Record(t::kEmrPolyline16).Ints({0, 0, 0, 0}).U(2).Short(2).Short(30).Short(12).Short(30).Done();
  const Bytes polygon16 = Record(t::kEmrPolygon16).Ints({0, 0, 0, 0}).U(3).Short(25).Short(25).Short(35).Short(25).Short(30).Short(35).Done();
  const Bytes move = Record(t::kEmrMoveToEx).Ints({2, 38}).Done();
  const Bytes line = Record(t::kEmrLineTo).Ints({12, 38}).Done();
  const Bytes polypoly = Record(t::kEmrPolyPolyline16).Ints({0, 0, 0, 0}).U(2).U(4).U(2).U(2)
                             .Short(20).Short(2).Short(24).Short(2).Short(20).Short(6).Short(24).Short(6).Done();
  constexpr std::uint32_t kOne = 0x3F800000, kTwo = 0x40000000, kTen = 0x41200000;
  auto xform = [](std::uint32_t type, std::vector<std::uint32_t> f, int mode = -1) {
    Record r(type);
    for (std::uint32_t v : f) r.U(v);
    if (mode >= 0) r.I(mode);
    return r.Done();
  };
  const Bytes box = Record(t::kEmrRectangle).Ints({2, 2, 6, 6}).Done();
  auto blt = [](std::uint32_t rop) {
    return Record(76).Ints({0, 0, 0, 0, 20, 20, 4, 4}).U(rop).Ints({0, 0, 0, 0, 0, 0, 0, 0}).U(0).U(0)
        .Ints({0, 0, 0, 0}).Done();
  };
  const Bytes green = Record(t::kEmrCreateBrush).Ints({1, 0}).U(0x00FF00).U(0).Done();
  const Bytes selGreen = Record(t::kEmrSelectObject).U(1).Done();
  struct Check {
    PointL p;
    ColorRef c;
  };
  struct Case {
    const char* what;
    std::vector<Bytes> records;
    std::vector<Check> checks;
  } cases[] = {
      {"rectangle with the default black pen and white brush over grey",
       {rect}, {{{10, 10}, 0}, {{19, 15}, 0}, {{15, 15}, kWhite}, {{20, 15}, 0x808080}}},
      {"created pen and brush", {pen, brush, selPen, selBrush, rect},
       {{{10, 15}, 0x0000FF}, {{15, 15}, 0x00FF00}, {{5, 5}, 0x808080}}},
      {"null brush", {nullBrush, rect}, {{{15, 15}, 0x808080}, {{10, 15}, 0}}},
      {"deleting a selected pen keeps drawing with it", {pen, selPen, del, poly32},
       {{{34, 5}, 0x0000FF}, {{38, 10}, 0x0000FF}, {{34, 10}, 0x808080}}},
      {"restore brings the pen saved", {save, pen, selPen, restore, poly32}, {{{34, 5}, 0}, {{34, 6}, 0x808080}}},
      {"stock pen after created one", {pen, selPen, blackPen, poly16}, {{{7, 30}, 0}, {{7, 31}, 0x808080}}},
      {"polygon filled", {brush, selBrush, polygon16}, {{{30, 29}, 0x00FF00}, {{25, 25}, 0}, {{26, 33}, 0x808080}}},
      {"move and line", {move, line}, {{{7, 38}, 0}, {{7, 37}, 0x808080}}},
      {"poly-polyline", {polypoly}, {{{22, 2}, 0}, {{22, 6}, 0}, {{22, 4}, 0x808080}}},
      {"translated", {xform(35, {kOne, 0, 0, kOne, kTen, 0}), box}, {{{12, 4}, 0}, {{2, 4}, 0x808080}}},
      {"scaled", {xform(35, {kTwo, 0, 0, kTwo, 0, 0}), box}, {{{4, 8}, 0}, {{11, 8}, 0}, {{8, 8}, kWhite}, {{2, 8}, 0x808080}}},
      {"reset to identity", {xform(35, {kTwo, 0, 0, kTwo, 0, 0}), xform(36, {kOne, 0, 0, kOne, 0, 0}, 1), box},
       {{{2, 4}, 0}, {{10, 8}, 0x808080}}},
      {"right-multiplied translation", {xform(35, {kTwo, 0, 0, kTwo, 0, 0}), xform(36, {kOne, 0, 0, kOne, kTen, 0}, 3), box},
       {{{14, 8}, 0}, {{4, 8}, 0x808080}}},
      {"blackness", {blt(0x42)}, {{{21, 21}, 0}, {{24, 21}, 0x808080}}},
      {"whiteness", {blt(0xFF0062)}, {{{23, 23}, kWhite}}},
      {"pattern copy with the metafile's brush", {green, selGreen, blt(0xF00021)}, {{{22, 22}, 0x00FF00}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CairoDC dc(40, 40);
    dc.SelectBrush(dc.StockBrush(kGrayBrush));
    dc.PatBlt(0, 0, 40, 40, kPatCopy);
    EmfPlayResult r = Play(dc, Metafile(Frame96(40, 40), c.records), RectL{0, 0, 40, 40});
    EXPECT_EQ(r.skipped, 0);
    EXPECT_EQ(r.played, static_cast<int>(c.records.size()));
    for (const Check& k : c.checks) EXPECT_EQ(dc.PixelAt(k.p.x, k.p.y), k.c) << k.p.x << "," << k.p.y;
  }
}

TEST(EmfPlayer, PictureMappingAndFrameScaling) {
  // Logical units of 0.5 pixel through the metafile's own mapping, then the
  // whole 40-pixel frame played into 20 pixels at (5, 5).
  const Bytes aniso = Record(t::kEmrSetMapMode).U(8).Done();
  const Bytes wext = Record(t::kEmrSetWindowExtEx).Ints({2, 2}).Done();
  const Bytes vext = Record(t::kEmrSetViewportExtEx).Ints({1, 1}).Done();
  const Bytes rect = Record(t::kEmrRectangle).Ints({40, 40, 80, 80}).Done();  // pixels 20..40 of the frame
  CairoDC dc(40, 40);
  Play(dc, Metafile(Frame96(40, 40), {aniso, wext, vext, rect}), RectL{5, 5, 25, 25});
  EXPECT_EQ(dc.PixelAt(15, 15), 0u);  // the frame's corner at half size
  EXPECT_EQ(dc.PixelAt(15, 20), 0u);
  EXPECT_EQ(dc.PixelAt(20, 20), kWhite);
  EXPECT_EQ(dc.PixelAt(14, 14), kWhite);
}

TEST(EmfPlayer, TextIsBoxesInTheTextColour) {
  // "A B" at (4, 4) with advances of 8: boxes at 4 and 20, none for the space.
  Record text(t::kEmrExtTextOutW);
  text.Ints({0, 0, -1, -1}).U(1).U(0).U(0);  // bounds, graphics mode, scales
  text.Ints({4, 4}).U(3).U(76).U(0).Ints({0, 0, 0, 0}).U(84);
  text.Short('A').Short(' ').Short('B').Short(0).Ints({8, 8, 8});
  const Bytes colour = Record(t::kEmrSetTextColor).U(0x0000FF).Done();
  CairoDC dc(40, 40);
  EmfPlayResult r = Play(dc, Metafile(Frame96(40, 40), {colour, text.Done()}), RectL{0, 0, 40, 40});
  EXPECT_EQ(r.played, 2);
  int redA = 0, redSpace = 0, redB = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (dc.PixelAt(x, y) != 0x0000FF) continue;
      (x < 12 ? redA : x < 20 ? redSpace : redB)++;
    }
  }
  EXPECT_GT(redA, 8);
  EXPECT_EQ(redSpace, 0);
  EXPECT_GT(redB, 8);
}

// Damaged records: each is skipped (or ends the play) and nothing is read
// outside the bits; the records after a skipped one still play.
TEST(EmfPlayer, HostileRecordsAreSkippedSafely) {
  const Dib d = MakeDib(8, {{1, 1}, {1, 1}}, {0, 0x00FF00});
  const Bytes good = t::StretchDiBits(d, 0, 0, 4, 4, 2, 2);
  auto patched = [&](std::size_t at, std::uint32_t v) {
    Bytes b = good;
    kit::Put32(b, at, v);
    return b;
  };
  const Bytes marker = Record(t::kEmrRectangle).Ints({30, 30, 35, 35}).Done();
  struct Case {
    const char* what;
    Bytes record;
    bool chainBroken;
  } cases[] = {
      {"bitmap info offset past the record", patched(48, 0xFFFFFFF0u), false},
      {"bitmap info size past the record", patched(52, 0x7FFFFFFFu), false},
      {"bits offset past the record", patched(56, 1000000), false},
      {"bits size smaller than the rows", patched(60, 4), false},
      {"huge width", patched(84, 0x7FFFFFFF), false},
      {"negative width", patched(84, 0xFFFFFFFE), false},
      {"height of INT_MIN", patched(88, 0x80000000u), false},
      {"odd bit count", patched(94, 7), false},
      {"run-length compression", patched(96, 1), false},
      {"colour table larger than the record", patched(112, 100000), false},
      {"zero destination", patched(72, 0), false},
      {"polyline count past the record", Record(t::kEmrPolyline).Ints({0, 0, 0, 0}).U(0x40000000).Ints({1, 1}).Done(), false},
      {"polyline16 count past the record", Record(t::kEmrPolyline16).Ints({0, 0, 0, 0}).U(0xFFFFFFFF).Done(), false},
      {"poly-polyline counts disagree", Record(t::kEmrPolyPolyline16).Ints({0, 0, 0, 0}).U(2).U(2).U(5).U(5).Ints({0, 0}).Done(), false},
      {"poly-polyline with 2^30 polygons", Record(t::kEmrPolyPolyline16).Ints({0, 0, 0, 0}).U(0x40000000).U(0).Done(), false},
      {"pen in handle 0", Record(t::kEmrCreatePen).Ints({0, 0, 3, 0}).U(0).Done(), false},
      {"pen past the handle table", Record(t::kEmrCreatePen).Ints({9999, 0, 3, 0}).U(0).Done(), false},
      {"selecting an empty handle", Record(t::kEmrSelectObject).U(5).Done(), false},
      {"restoring more than saved", Record(t::kEmrRestoreDc).I(-5).Done(), false},
      {"text longer than the record", Record(t::kEmrExtTextOutW).Ints({0, 0, 0, 0, 1, 0, 0, 4, 4}).U(0x10000000).U(76).U(0).Ints({0, 0, 0, 0}).U(0).Done(), false},
      {"rectangle without its box", Record(t::kEmrRectangle).U(1).Done(), false},
      {"unknown record", Record(9999).Ints({1, 2, 3}).Done(), false},
      {"size past the end", [&] { Bytes b = marker; kit::Put32(b, 4, 0x100000); return b; }(), true},
      {"size not a multiple of four", [&] { Bytes b = marker; kit::Put32(b, 4, 10); return b; }(), true},
      {"size of zero", [&] { Bytes b = marker; kit::Put32(b, 4, 0); return b; }(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CairoDC dc(40, 40);
    const Bytes bits = Metafile(Frame96(40, 40), {c.record, marker});
    EmfPlayResult r = Play(dc, bits, RectL{0, 0, 40, 40});
    EXPECT_TRUE(r.header);
    EXPECT_EQ(dc.PixelAt(1, 1), kWhite);  // the damaged bitmap drew nothing
    if (c.chainBroken) {
      EXPECT_TRUE(r.truncated);
      EXPECT_EQ(r.played, 0);
    } else {
      EXPECT_FALSE(r.truncated);
      EXPECT_EQ(r.skipped, 1);
      EXPECT_EQ(r.played, 1);
      EXPECT_EQ(dc.PixelAt(30, 32), 0u);  // the marker after it
    }
  }
}

TEST(EmfPlayer, BitsThatAreNoMetafileDrawNothing) {
  const Bytes good = MakeBitBltEmfBits(1, 1, {0xFF0000}, Frame96(1, 1), u"");
  struct Case {
    const char* what;
    Bytes bits;
  } cases[] = {
      {"empty", {}},
      {"cut in the header", Bytes(good.begin(), good.begin() + 60)},
      {"cut in the bitmap", Bytes(good.begin(), good.end() - 30)},
      {"no signature", [&] { Bytes b = good; b[40] = 'X'; return b; }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CairoDC dc(4, 4);
    EmfPlayResult r = Play(dc, c.bits, RectL{0, 0, 4, 4});
    EXPECT_FALSE(r.header);
    EXPECT_EQ(dc.PixelAt(0, 0), kWhite);
  }
  // A frame of zero size, and bounds of zero size too, have nothing to map.
  Bytes flat = MakeEmfBits(RectL{0, 0, 0, 0}, u"");
  for (int i = 8; i < 24; ++i) flat[i] = 0;
  CairoDC dc(4, 4);
  EXPECT_EQ(Play(dc, flat, RectL{0, 0, 4, 4}).played, 0);
}

TEST(EmfPlayer, TheDeviceContextPlaysThroughItsMapping) {
  const Bytes bits = MakeBitBltEmfBits(2, 2, {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000}, Frame96(2, 2), u"");
  struct HeldBits : IEnhMetaFile {
    Bytes b;
    EmfHeader Header() const override { return *ParseEmfHeader(b.data(), b.size()); }
    std::vector<std::uint8_t> Bits() const override { return b; }
    std::size_t BitsSize() const override { return b.size(); }
  } emf;
  emf.b = bits;
  CairoDC dc(20, 20);
  dc.SetMapMode(kMmAnisotropic);
  dc.SetViewportOrg(4, 4);
  dc.SetViewportExt(200, 200);
  dc.SetWindowExt(100, 100);
  dc.PlayMetafile(emf, RectL{1, 1, 3, 3});  // device (6, 6) to (10, 10)
  EXPECT_EQ(dc.PixelAt(6, 6), 0x0000FFu);
  EXPECT_EQ(dc.PixelAt(9, 9), 0x0000FFu);
  EXPECT_EQ(dc.PixelAt(5, 6), kWhite);
  EXPECT_EQ(dc.PixelAt(10, 9), kWhite);
}

}  // namespace
}  // namespace kit::view
