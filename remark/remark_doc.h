// The remark document: pages with their background pictures and per-remarker
// ink strokes, the remarker list and the pen.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/canvas.h"
#include "ports/emf.h"
#include "ports/platform.h"

namespace kit::remark {

// First ten bytes of every stroke; little-endian on disk and in memory.
struct STROKEHEADER {
  std::uint16_t remarker;
  std::uint8_t red, green, blue;
  std::uint8_t width;
  std::uint16_t x, y;
};
constexpr std::size_t kStrokeHeaderSize = 10;
constexpr std::size_t kStrokeTerminatorSize = 2;

// Filters for drawing.
constexpr int kAllRemarkers = -1;
constexpr int kNoRemarkers = -2;

constexpr std::uint32_t kFlagReadOnly = 1u << 0;
constexpr std::uint32_t kFlagToolbarHidden = 1u << 2;

// The remark file stores the remarker list's length in 16 bits.
constexpr std::size_t kMaxRemarkerListLength = 65535;

// One stroke as found in a page's stroke bytes.
struct StrokeView {
  std::size_t offset;  // of the header
  std::size_t length;  // bytes up to and including the terminator, or to the end of the used bytes
  STROKEHEADER header;
  const std::uint8_t* steps;  // pairs of signed bytes (dx, dy)
  std::size_t step_count;
  bool terminated;
};

// Walks stroke bytes without ever reading past `used`; an unterminated tail
// becomes a last, unterminated stroke.
class StrokeCursor {
 public:
  StrokeCursor(const std::uint8_t* bytes, std::size_t used, std::size_t start = 0)
      : bytes_(bytes), used_(used), pos_(start) {}
  bool Next(StrokeView& out);

 private:
  const std::uint8_t* bytes_;
  std::size_t used_;
  std::size_t pos_;
};

// Receives SetModifiedFlag(TRUE) from the document.
class IModifiedSink {
 public:
  virtual ~IModifiedSink() = default;
  virtual void SetModifiedFlag(bool modified) = 0;
};

class CRemarkPage {
 public:
  const IEnhMetaFile* background() const { return m_background.get(); }
  const std::uint8_t* stroke_bytes() const { return m_strokes.get(); }
  int used_length() const { return m_used; }
  int capacity() const { return m_capacity; }
  int confirmed_length() const { return m_confirmed; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  int left_margin() const { return m_leftMargin; }
  int top_margin() const { return m_topMargin; }
  int StrokeCount() const;

 private:
  friend class CRemarkDoc;
  friend class RemarkFileReader;
  // Appends with the document's growth rule; false (buffer unchanged) when
  // memory runs out.
  bool Append(const std::uint8_t* data, std::size_t n);

  EnhMetaFilePtr m_background;
  std::unique_ptr<std::uint8_t[]> m_strokes;
  int m_used = 0;
  int m_capacity = 0;
  int m_confirmed = 0;
  int m_width = 0, m_height = 0;
  int m_leftMargin = 0, m_topMargin = 0;
};

class CRemarkDoc {
 public:
  CRemarkDoc(IModifiedSink* owner, const Platform& platform);
  virtual ~CRemarkDoc();
  CRemarkDoc(const CRemarkDoc&) = delete;
  CRemarkDoc& operator=(const CRemarkDoc&) = delete;

  void Clear();

  std::uint32_t flags() const { return m_flags; }
  bool IsReadOnly() const { return (m_flags & kFlagReadOnly) != 0; }
  bool IsToolbarHidden() const { return (m_flags & kFlagToolbarHidden) != 0; }
  void SetReadOnly(bool on);
  void SetToolbarHidden(bool on);

  int pen_width() const { return m_penWidth; }
  ColorRef pen_color() const { return m_penColor; }
  void SetPenWidth(int width);
  void SetPenColor(ColorRef color);

  int page_count() const { return static_cast<int>(m_pages.size()); }
  const CRemarkPage& page(int i) const { return *m_pages[static_cast<std::size_t>(i)]; }
  int current_page() const { return m_currentPage; }
  void SetCurrentPage(int index) { m_currentPage = index; }
  // (0, 0) when there is no current page.
  void CurrentPageSize(int& width, int& height) const;

  const std::vector<std::uint8_t>& remarker_list() const { return m_remarkers; }
  int remarker_list_length() const { return static_cast<int>(m_remarkers.size()); }
  std::vector<std::string> RemarkerNames() const;
  int current_remarker() const { return m_currentRemarker; }
  // False, with nothing changed, when appending the name would make the list
  // longer than the remark file's 16-bit length field holds.
  bool SelectRemarker(const std::string& name);

  void BeginStroke(int x, int y);
  void AddStep(int dx, int dy);
  void EndStroke();
  bool DeleteLastStroke();
  bool DeleteUnconfirmedStrokes();
  void ConfirmAll();

  // Pictures as captured, one per page; a null entry is a page without one.
  void ReplacePages(std::vector<EnhMetaFilePtr> pictures);

  void DrawCurrentPage(ICanvas& dc, int remarkerFilter) const;
  void DrawPage(int index, ICanvas& dc, int remarkerFilter) const;

  const Platform& platform() const { return m_platform; }
  // Moves the whole content of `other` (read from a file) into this document;
  // flags and owner stay.
  void TakeContentFrom(CRemarkDoc& other);

 private:
  friend class RemarkFileReader;
  void MarkModified();
  CRemarkPage* CurrentPage();
  void AppendToCurrent(const std::uint8_t* data, std::size_t n);
  void SetBackground(CRemarkPage& page, EnhMetaFilePtr emf) const;

  std::uint32_t m_flags = 0;
  std::vector<std::unique_ptr<CRemarkPage>> m_pages;
  std::vector<std::uint8_t> m_remarkers;  // empty when there is no list
  int m_currentPage = -1;
  int m_currentRemarker = 0;
  int m_penWidth = 2;
  ColorRef m_penColor = 255;
  IModifiedSink* m_owner;
  Platform m_platform;
};

}  // namespace kit::remark
