#include "remark/remark_doc.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace kit::remark {
namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

int ClampToInt(long long v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

}  // namespace

bool StrokeCursor::Next(StrokeView& out) {
  if (pos_ >= used_) return false;
  std::size_t start = pos_;
  std::size_t avail = used_ - start;
  out = StrokeView{};
  out.offset = start;
  if (avail < kStrokeHeaderSize) {
    // Too short even for a header: nothing drawable, but keep the walk bounded.
    out.length = avail;
    out.terminated = false;
    pos_ = used_;
    return true;
  }
  const std::uint8_t* p = bytes_ + start;
  out.header.remarker = U16(p);
  out.header.red = p[2];
  out.header.green = p[3];
  out.header.blue = p[4];
  out.header.width = p[5];
  out.header.x = U16(p + 6);
  out.header.y = U16(p + 8);
  out.steps = p + kStrokeHeaderSize;
  std::size_t at = start + kStrokeHeaderSize;
  while (at + 2 <= used_) {
    if (bytes_[at] == 0 && bytes_[at + 1] == 0) {
      out.terminated = true;
      at += 2;
      break;
    }
    ++out.step_count;
    at += 2;
  }
  if (!out.terminated) at = used_;
  out.length = at - start;
  pos_ = at;
  return true;
}

int CRemarkPage::StrokeCount() const {
  int n = 0;
  StrokeCursor c(m_strokes.get(), static_cast<std::size_t>(m_used));
  StrokeView s;
  while (c.Next(s)) ++n;
  return n;
}

bool CRemarkPage::Append(const std::uint8_t* data, std::size_t n) {
  std::size_t used = static_cast<std::size_t>(m_used);
  if (used + n > static_cast<std::size_t>(std::numeric_limits<int>::max() / 2)) return false;
  if (!m_strokes) {
    std::size_t cap = std::max<std::size_t>(256, n);
    std::unique_ptr<std::uint8_t[]> buf(new (std::nothrow) std::uint8_t[cap]);
    if (!buf) return false;
    m_strokes = std::move(buf);
    m_capacity = static_cast<int>(cap);
  } else if (used + n > static_cast<std::size_t>(m_capacity)) {
    std::size_t cap = 2 * (used + n);
    std::unique_ptr<std::uint8_t[]> buf(new (std::nothrow) std::uint8_t[cap]);
    if (!buf) return false;
    std::memcpy(buf.get(), m_strokes.get(), used);
    m_strokes = std::move(buf);
    m_capacity = static_cast<int>(cap);
  }
  std::memcpy(m_strokes.get() + used, data, n);
  m_used = static_cast<int>(used + n);
  return true;
}

CRemarkDoc::CRemarkDoc(IModifiedSink* owner, const Platform& platform) : m_owner(owner), m_platform(platform) {}

CRemarkDoc::~CRemarkDoc() = default;

void CRemarkDoc::MarkModified() {
  if (m_owner != nullptr) m_owner->SetModifiedFlag(true);
}

void CRemarkDoc::Clear() {
  m_pages.clear();
  m_remarkers.clear();
  m_currentPage = 0;
  m_currentRemarker = 0;
}

void CRemarkDoc::SetReadOnly(bool on) {
  m_flags = on ? (m_flags | kFlagReadOnly) : (m_flags & ~kFlagReadOnly);
  MarkModified();
}

void CRemarkDoc::SetToolbarHidden(bool on) {
  m_flags = on ? (m_flags | kFlagToolbarHidden) : (m_flags & ~kFlagToolbarHidden);
  MarkModified();
}

void CRemarkDoc::SetPenWidth(int width) {
  if (width < 1 || width > 6) return;
  m_penWidth = width;
  MarkModified();
}

void CRemarkDoc::SetPenColor(ColorRef color) {
  m_penColor = color;
  MarkModified();
}

CRemarkPage* CRemarkDoc::CurrentPage() {
  if (m_currentPage < 0 || m_currentPage >= page_count()) return nullptr;
  return m_pages[static_cast<std::size_t>(m_currentPage)].get();
}

void CRemarkDoc::CurrentPageSize(int& width, int& height) const {
  width = height = 0;
  if (m_currentPage < 0 || m_currentPage >= page_count()) return;
  const CRemarkPage& p = page(m_currentPage);
  width = p.m_width;
  height = p.m_height;
}

std::vector<std::string> CRemarkDoc::RemarkerNames() const {
  std::vector<std::string> names;
  std::size_t len = m_remarkers.size();
  std::size_t at = 0;
  while (at < len && m_remarkers[at] != 0) {
    std::size_t end = at;
    while (end < len && m_remarkers[end] != 0) ++end;
    names.emplace_back(reinterpret_cast<const char*>(m_remarkers.data() + at), end - at);
    at = end + 1;
  }
  return names;
}

bool CRemarkDoc::SelectRemarker(const std::string& name) {
  // Names are C strings on the wire; what follows an embedded NUL is not part of it.
  const char* n = name.c_str();
  const std::size_t nlen = std::strlen(n);
  if (nlen == 0) return true;
  const std::size_t len = m_remarkers.size();
  std::size_t at = 0;
  int index = 0;
  while (at < len && m_remarkers[at] != 0) {
    std::size_t end = at;
    while (end < len && m_remarkers[end] != 0) ++end;
    if (end - at == nlen && std::memcmp(m_remarkers.data() + at, n, nlen) == 0) {
      m_currentRemarker = index;
      return true;
    }
    ++index;
    at = end + 1;
  }
  // An absent list counts as its final NUL alone. A list the file cannot
  // hold would make every later save fail.
  const std::size_t grown = (len == 0 ? 1 : len) + nlen + 1;
  if (grown > kMaxRemarkerListLength) return false;
  m_currentRemarker = index;
  // The old list without its final NUL, the name with its NUL, the final NUL.
  if (!m_remarkers.empty()) m_remarkers.pop_back();
  m_remarkers.insert(m_remarkers.end(), n, n + nlen);
  m_remarkers.push_back(0);
  m_remarkers.push_back(0);
  MarkModified();
  return true;
}

void CRemarkDoc::AppendToCurrent(const std::uint8_t* data, std::size_t n) {
  CRemarkPage* p = CurrentPage();
  if (p == nullptr) return;
  p->Append(data, n);
}

void CRemarkDoc::BeginStroke(int x, int y) {
  if (CurrentPage() == nullptr) return;
  std::uint8_t h[kStrokeHeaderSize];
  h[0] = static_cast<std::uint8_t>(m_currentRemarker);
  h[1] = static_cast<std::uint8_t>(m_currentRemarker >> 8);
  h[2] = static_cast<std::uint8_t>(m_penColor);
  h[3] = static_cast<std::uint8_t>(m_penColor >> 8);
  h[4] = static_cast<std::uint8_t>(m_penColor >> 16);
  h[5] = static_cast<std::uint8_t>(m_penWidth);
  h[6] = static_cast<std::uint8_t>(x);
  h[7] = static_cast<std::uint8_t>(x >> 8);
  h[8] = static_cast<std::uint8_t>(y);
  h[9] = static_cast<std::uint8_t>(y >> 8);
  AppendToCurrent(h, sizeof h);
  MarkModified();
}

void CRemarkDoc::AddStep(int dx, int dy) {
  std::uint8_t s[2] = {static_cast<std::uint8_t>(dx), static_cast<std::uint8_t>(dy)};
  AppendToCurrent(s, sizeof s);
}

void CRemarkDoc::EndStroke() {
  static const std::uint8_t zero[2] = {0, 0};
  AppendToCurrent(zero, sizeof zero);
}

bool CRemarkDoc::DeleteLastStroke() {
  CRemarkPage* p = CurrentPage();
  if (p == nullptr || p->m_confirmed >= p->m_used) return false;
  StrokeCursor c(p->m_strokes.get(), static_cast<std::size_t>(p->m_used), static_cast<std::size_t>(p->m_confirmed));
  StrokeView s;
  std::size_t last = static_cast<std::size_t>(p->m_confirmed);
  while (c.Next(s)) last = s.offset;
  p->m_used = static_cast<int>(last);
  MarkModified();
  return true;
}

bool CRemarkDoc::DeleteUnconfirmedStrokes() {
  bool changed = false;
  for (auto& p : m_pages) {
    if (p->m_confirmed < p->m_used) {
      p->m_used = p->m_confirmed;
      changed = true;
    }
  }
  if (changed) MarkModified();
  return changed;
}

void CRemarkDoc::ConfirmAll() {
  for (auto& p : m_pages) p->m_confirmed = p->m_used;
}

void CRemarkDoc::SetBackground(CRemarkPage& page, EnhMetaFilePtr emf) const {
  if (!emf) return;
  EmfHeader h = emf->Header();
  page.m_background = std::move(emf);
  long long px = m_platform.screen->LogPixelsX();
  long long py = m_platform.screen->LogPixelsY();
  // 64-bit so that a frame from a damaged file cannot overflow.
  long long w = (px * h.rclFrame.right + 1270) / 2540;
  long long hgt = (py * h.rclFrame.bottom + 1270) / 2540;
  if (h.nDescription == 7) {
    page.m_leftMargin = page.m_topMargin = 0;
  } else {
    page.m_leftMargin = ClampToInt(px * 96 / 72);
    page.m_topMargin = ClampToInt(py * 72 / 72);
    w += 2LL * page.m_leftMargin;
    hgt += 2LL * page.m_topMargin;
  }
  page.m_width = ClampToInt(w);
  page.m_height = ClampToInt(hgt);
}

void CRemarkDoc::ReplacePages(std::vector<EnhMetaFilePtr> pictures) {
  if (pictures.empty()) return;
  Clear();
  m_pages.reserve(pictures.size());
  for (auto& pic : pictures) {
    auto page = std::make_unique<CRemarkPage>();
    SetBackground(*page, std::move(pic));
    m_pages.push_back(std::move(page));
  }
  m_currentPage = 0;
  MarkModified();
}

void CRemarkDoc::TakeContentFrom(CRemarkDoc& other) {
  m_pages = std::move(other.m_pages);
  m_remarkers = std::move(other.m_remarkers);
  m_currentPage = other.m_currentPage;
  m_currentRemarker = other.m_currentRemarker;
  m_penWidth = other.m_penWidth;
  m_penColor = other.m_penColor;
  other.Clear();
}

void CRemarkDoc::DrawCurrentPage(ICanvas& dc, int remarkerFilter) const {
  DrawPage(m_currentPage, dc, remarkerFilter);
}

void CRemarkDoc::DrawPage(int index, ICanvas& dc, int remarkerFilter) const {
  if (index < 0 || index >= page_count()) return;
  const CRemarkPage& p = page(index);
  if (p.m_width != 0 && p.m_height != 0 && p.m_background) {
    dc.PlayMetafile(*p.m_background,
                    RectL{p.m_leftMargin, p.m_topMargin, p.m_width - p.m_leftMargin, p.m_height - p.m_topMargin});
  }
  if (remarkerFilter == kNoRemarkers || p.m_used == 0) return;

  ICanvas::PenHandle original = 0;
  ICanvas::PenHandle created = 0;
  bool selected = false;
  int curWidth = -1;
  ColorRef curColor = 0;
  StrokeCursor c(p.m_strokes.get(), static_cast<std::size_t>(p.m_used));
  StrokeView s;
  while (c.Next(s)) {
    if (s.length < kStrokeHeaderSize) break;
    if (remarkerFilter >= 0 && s.header.remarker != remarkerFilter) continue;
    ColorRef color = static_cast<ColorRef>(s.header.red) | static_cast<ColorRef>(s.header.green) << 8 |
                     static_cast<ColorRef>(s.header.blue) << 16;
    if (!selected || s.header.width != curWidth || color != curColor) {
      ICanvas::PenHandle pen = dc.CreatePen(kPsSolid, s.header.width, color);
      ICanvas::PenHandle old = dc.SelectPen(pen);
      if (!selected) {
        original = old;
      } else {
        dc.DeletePen(old);
      }
      created = pen;
      selected = true;
      curWidth = s.header.width;
      curColor = color;
    }
    int x = s.header.x, y = s.header.y;
    dc.MoveTo(x, y);
    for (std::size_t i = 0; i < s.step_count; ++i) {
      x += static_cast<std::int8_t>(s.steps[2 * i]);
      y += static_cast<std::int8_t>(s.steps[2 * i + 1]);
      dc.LineTo(x, y);
    }
  }
  if (selected) {
    dc.SelectPen(original);
    dc.DeletePen(created);
  }
}

}  // namespace kit::remark
