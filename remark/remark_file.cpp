#include "remark/remark_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "ports/le_bytes.h"

namespace kit::remark {
namespace {

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::int32_t Get32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// Buffered writer in the archive's 4096-byte blocks; large blocks go straight through.
class ArchiveWriter {
 public:
  explicit ArchiveWriter(IByteStream& out) : out_(out) {}
  void Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (fill_ + n <= sizeof buf_) {
      std::memcpy(buf_ + fill_, p, n);
      fill_ += n;
      return;
    }
    Flush();
    if (n >= sizeof buf_) {
      out_.Write(p, n);
    } else {
      std::memcpy(buf_, p, n);
      fill_ = n;
    }
  }
  void Flush() {
    if (fill_ != 0) out_.Write(buf_, fill_);
    fill_ = 0;
  }

 private:
  IByteStream& out_;
  std::uint8_t buf_[kArchiveBufferSize];
  std::size_t fill_ = 0;
};

class ArchiveReader {
 public:
  ArchiveReader(IByteStream& in, std::int64_t size_hint) : in_(in), hint_(size_hint) {}

  std::uint64_t offset() const { return offset_; }

  // Bytes known still to arrive, or -1.
  std::int64_t Remaining() const {
    return hint_ < 0 ? -1 : std::max<std::int64_t>(0, hint_ - static_cast<std::int64_t>(offset_));
  }

  void ReadExact(void* data, std::size_t n, const char* what) {
    auto* p = static_cast<std::uint8_t*>(data);
    std::size_t got = 0;
    while (got < n) {
      if (pos_ == fill_) {
        if (n - got >= sizeof buf_) {
          std::size_t r = in_.Read(p + got, n - got);
          if (r == 0) Short(what);
          got += r;
          offset_ += r;
          continue;
        }
        fill_ = in_.Read(buf_, sizeof buf_);
        pos_ = 0;
        if (fill_ == 0) Short(what);
      }
      std::size_t take = std::min(n - got, fill_ - pos_);
      std::memcpy(p + got, buf_ + pos_, take);
      pos_ += take;
      got += take;
      offset_ += take;
    }
  }

  // A block of `n` bytes whose size came from the stream: the buffer grows
  // only as fast as bytes really arrive, and never to more than `n` or to
  // more than half as much again as what has arrived.
  std::unique_ptr<std::uint8_t[]> ReadBlock(std::size_t n, const char* what) {
    std::int64_t rem = Remaining();
    if (rem >= 0 && static_cast<std::uint64_t>(rem) < n) Short(what);
    if (rem >= 0) {
      std::unique_ptr<std::uint8_t[]> buf = Allocate(n, what);
      ReadExact(buf.get(), n, what);
      return buf;
    }
    constexpr std::size_t kFirst = 1u << 20;
    std::size_t cap = std::min(kFirst, n);
    std::unique_ptr<std::uint8_t[]> buf = Allocate(cap, what);
    std::size_t got = 0;
    while (true) {
      ReadExact(buf.get() + got, cap - got, what);
      got = cap;
      if (got == n) return buf;
      cap = n - got <= got / 2 ? n : got + got / 2;
      std::unique_ptr<std::uint8_t[]> bigger = Allocate(cap, what);
      std::memcpy(bigger.get(), buf.get(), got);
      buf = std::move(bigger);
    }
  }

 private:
  std::unique_ptr<std::uint8_t[]> Allocate(std::size_t n, const char* what) const {
    std::unique_ptr<std::uint8_t[]> buf(new (std::nothrow) std::uint8_t[n]);
    if (!buf) throw RemarkFileError(std::string("not enough memory for ") + what, offset_);
    return buf;
  }

  [[noreturn]] void Short(const char* what) {
    throw RemarkFileError(std::string("file ends inside ") + what, offset_);
  }

  IByteStream& in_;
  std::int64_t hint_;
  std::uint8_t buf_[kArchiveBufferSize];
  std::size_t pos_ = 0, fill_ = 0;
  std::uint64_t offset_ = 0;
};

}  // namespace

REMARKFILEHEADER ParseFileHeader(const std::uint8_t* b, std::size_t n) {
  if (n < kFileHeaderSize) throw RemarkFileError("file ends inside the header", n);
  REMARKFILEHEADER h{};
  h.flags = Get16(b);
  h.pageCount = Get16(b + 2);
  h.remarkerListLength = Get16(b + 4);
  h.currentRemarker = Get16(b + 6);
  h.penRed = b[8];
  h.penGreen = b[9];
  h.penBlue = b[10];
  h.penWidth = b[11];
  return h;
}

void StoreDocument(const CRemarkDoc& doc, IByteStream& out) {
  constexpr int kMax16 = std::numeric_limits<std::uint16_t>::max();
  if (doc.page_count() > kMax16) {
    throw RemarkFileError("a remark file holds at most 65535 pages", 0);
  }
  if (doc.remarker_list_length() > kMax16) {
    throw RemarkFileError("the remarker list is longer than a remark file can hold (65535 bytes)", 0);
  }
  if (doc.current_remarker() < 0 || doc.current_remarker() > kMax16) {
    throw RemarkFileError("the current remarker cannot be stored in a remark file", 0);
  }
  ArchiveWriter w(out);
  std::uint8_t h[kFileHeaderSize];
  Put16(h, doc.flags() & 0xFFFFu);
  Put16(h + 2, static_cast<std::uint32_t>(doc.page_count()));
  Put16(h + 4, static_cast<std::uint32_t>(doc.remarker_list_length()));
  Put16(h + 6, static_cast<std::uint32_t>(doc.current_remarker()));
  h[8] = static_cast<std::uint8_t>(doc.pen_color());
  h[9] = static_cast<std::uint8_t>(doc.pen_color() >> 8);
  h[10] = static_cast<std::uint8_t>(doc.pen_color() >> 16);
  h[11] = static_cast<std::uint8_t>(doc.pen_width());
  w.Write(h, sizeof h);
  for (int i = 0; i < doc.page_count(); ++i) {
    const CRemarkPage& p = doc.page(i);
    // Pictures are written from where the metafile keeps them when it can say.
    std::vector<std::uint8_t> copy;
    const std::uint8_t* bits = nullptr;
    std::size_t size = 0;
    if (p.background() != nullptr) {
      bits = p.background()->BitsInPlace();
      size = p.background()->BitsSize();
      if (bits == nullptr) {
        copy = p.background()->Bits();
        bits = copy.data();
        size = copy.size();
      }
    }
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
      throw RemarkFileError("a page picture is too large for a remark file", 0);
    }
    std::uint8_t rec[kPageRecordSize];
    Put32(rec, static_cast<std::uint32_t>(size));
    Put32(rec + 4, static_cast<std::uint32_t>(p.used_length()));
    w.Write(rec, sizeof rec);
    if (size != 0) w.Write(bits, size);
    if (p.used_length() > 0) w.Write(p.stroke_bytes(), static_cast<std::size_t>(p.used_length()));
  }
  if (doc.remarker_list_length() > 0) {
    w.Write(doc.remarker_list().data(), doc.remarker_list().size());
  }
  w.Flush();
}

class RemarkFileReader {
 public:
  static void Read(CRemarkDoc& target, IByteStream& in, std::int64_t size_hint) {
    CRemarkDoc fresh(nullptr, target.platform());
    ArchiveReader r(in, size_hint);
    std::uint8_t hb[kFileHeaderSize];
    r.ReadExact(hb, sizeof hb, "the header");
    REMARKFILEHEADER h = ParseFileHeader(hb, sizeof hb);
    // Each page record takes at least 8 bytes, so a count the stream cannot
    // hold is refused before any page is made.
    std::int64_t rem = r.Remaining();
    if (rem >= 0 && static_cast<std::uint64_t>(rem) < static_cast<std::uint64_t>(h.pageCount) * kPageRecordSize) {
      throw RemarkFileError("page count " + std::to_string(h.pageCount) + " exceeds the data that follows", 2);
    }
    fresh.Clear();
    fresh.m_pages.reserve(h.pageCount);
    for (unsigned i = 0; i < h.pageCount; ++i) {
      auto page = std::make_unique<CRemarkPage>();
      std::string where = "page " + std::to_string(i + 1);
      std::uint8_t rec[kPageRecordSize];
      r.ReadExact(rec, sizeof rec, (where + " record").c_str());
      std::int32_t e = Get32(rec);
      std::int32_t s = Get32(rec + 4);
      if (e > 0) {
        auto bits = r.ReadBlock(static_cast<std::size_t>(e), (where + " picture").c_str());
        EnhMetaFilePtr emf =
            target.platform().metafiles->FromOwnedBits(std::move(bits), static_cast<std::size_t>(e));
        fresh.SetBackground(*page, std::move(emf));
      }
      if (s > 0) {
        page->m_strokes = r.ReadBlock(static_cast<std::size_t>(s), (where + " strokes").c_str());
        page->m_used = page->m_capacity = page->m_confirmed = s;
      }
      fresh.m_pages.push_back(std::move(page));
    }
    if (h.remarkerListLength > 0) {
      fresh.m_remarkers.resize(h.remarkerListLength);
      r.ReadExact(fresh.m_remarkers.data(), h.remarkerListLength, "the remarker list");
    }
    fresh.m_currentPage = 0;
    fresh.m_currentRemarker = h.currentRemarker;
    fresh.m_penColor = static_cast<ColorRef>(h.penRed) | static_cast<ColorRef>(h.penGreen) << 8 |
                       static_cast<ColorRef>(h.penBlue) << 16;
    fresh.m_penWidth = h.penWidth;
    target.TakeContentFrom(fresh);
  }
};

void LoadDocument(CRemarkDoc& doc, IByteStream& in, std::int64_t size_hint) {
  RemarkFileReader::Read(doc, in, size_hint);
}

void SaveDocumentToFile(const CRemarkDoc& doc, IFileSystem& fs, const std::string& path) {
  std::string temp = path + ".saving";
  {
    std::unique_ptr<IByteStream> out = fs.CreateWrite(temp);
    try {
      StoreDocument(doc, *out);
    } catch (...) {
      out.reset();
      fs.Remove(temp);
      throw;
    }
  }
  try {
    fs.Rename(temp, path);
  } catch (...) {
    fs.Remove(temp);
    throw;
  }
}

void LoadDocumentFromFile(CRemarkDoc& doc, IFileSystem& fs, const std::string& path) {
  std::int64_t size = static_cast<std::int64_t>(fs.Size(path));
  std::unique_ptr<IByteStream> in = fs.OpenRead(path);
  LoadDocument(doc, *in, size);
}

}  // namespace kit::remark
