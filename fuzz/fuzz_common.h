// What the fuzz targets share: a check that traps, and a canvas that draws
// nothing but holds DrawPage to the rules of a device context.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <set>
#include <vector>

#include "ports/canvas.h"
#include "remark/remark_doc.h"

#define FUZZ_CHECK(cond)                                                          \
  do {                                                                            \
    if (!(cond)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      __builtin_trap();                                                           \
    }                                                                             \
  } while (0)

namespace kit::fuzz {

// Pens are handles the canvas hands out; each must be deleted once, never
// while selected, and the stock pen selected at the start must be back at
// the end.
class NullCanvas : public ICanvas {
 public:
  static constexpr PenHandle kStockPen = 1;

  PenHandle CreatePen(int, int, ColorRef) override {
    PenHandle p = next_++;
    live_.insert(p);
    return p;
  }
  PenHandle SelectPen(PenHandle pen) override {
    FUZZ_CHECK(pen == kStockPen || live_.count(pen) == 1);
    PenHandle old = selected_;
    selected_ = pen;
    return old;
  }
  void DeletePen(PenHandle pen) override {
    FUZZ_CHECK(live_.count(pen) == 1);
    FUZZ_CHECK(pen != selected_);
    live_.erase(pen);
  }
  void MoveTo(int, int) override {
    FUZZ_CHECK(selected_ != kStockPen);
    ++moves;
  }
  void LineTo(int, int) override {
    FUZZ_CHECK(selected_ != kStockPen);
    ++lines;
  }
  void PlayMetafile(const IEnhMetaFile& emf, const RectL&) override {
    FUZZ_CHECK(emf.BitsSize() >= 88);
    ++pictures;
  }

  // After a whole DrawPage: nothing leaked, the stock pen back.
  void CheckBalanced() const {
    FUZZ_CHECK(live_.empty());
    FUZZ_CHECK(selected_ == kStockPen);
  }

  std::size_t moves = 0, lines = 0, pictures = 0;

 private:
  std::set<PenHandle> live_;
  PenHandle selected_ = kStockPen;
  PenHandle next_ = 2;
};

struct StrokeWalk {
  std::vector<std::size_t> offsets;
  std::size_t drawable = 0;      // strokes with a whole header
  std::size_t steps = 0;         // of the drawable strokes
};

// Walks [start, used) and checks that the strokes tile it exactly.
inline StrokeWalk WalkStrokes(const std::uint8_t* bytes, std::size_t used, std::size_t start = 0,
                              int remarker_filter = remark::kAllRemarkers) {
  StrokeWalk w;
  remark::StrokeCursor c(bytes, used, start);
  remark::StrokeView s;
  std::size_t at = start;
  while (c.Next(s)) {
    FUZZ_CHECK(s.offset == at);
    FUZZ_CHECK(s.length > 0 && s.length <= used - at);
    if (s.length >= remark::kStrokeHeaderSize) {
      FUZZ_CHECK(s.length == remark::kStrokeHeaderSize + 2 * s.step_count + (s.terminated ? 2 : 0) ||
                 (!s.terminated && s.length == remark::kStrokeHeaderSize + 2 * s.step_count + 1));
      FUZZ_CHECK(s.steps == bytes + at + remark::kStrokeHeaderSize);
      if (remarker_filter < 0 || s.header.remarker == remarker_filter) {
        ++w.drawable;
        w.steps += s.step_count;
      }
    } else {
      FUZZ_CHECK(!s.terminated && s.step_count == 0 && at + s.length == used);
    }
    w.offsets.push_back(at);
    at += s.length;
  }
  FUZZ_CHECK(at == (start < used ? used : start));
  return w;
}

// Draws page `index` with `filter` and checks the calls against a walk of its strokes.
inline void DrawAndCheck(const remark::CRemarkDoc& doc, int index, int filter) {
  const remark::CRemarkPage& p = doc.page(index);
  NullCanvas dc;
  doc.DrawPage(index, dc, filter);
  dc.CheckBalanced();
  bool picture = p.background() != nullptr && p.width() != 0 && p.height() != 0;
  FUZZ_CHECK(dc.pictures == (picture ? 1u : 0u));
  if (filter == remark::kNoRemarkers || p.used_length() == 0) {
    FUZZ_CHECK(dc.moves == 0 && dc.lines == 0);
    return;
  }
  StrokeWalk w = WalkStrokes(p.stroke_bytes(), static_cast<std::size_t>(p.used_length()), 0, filter);
  FUZZ_CHECK(dc.moves == w.drawable);
  FUZZ_CHECK(dc.lines == w.steps);
}

}  // namespace kit::fuzz
