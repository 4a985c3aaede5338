// The remark data file: the flat little-endian form of a CRemarkDoc, also the
// control's persistent state in a container's stream.
#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "ports/files.h"
#include "ports/stream.h"
#include "remark/remark_doc.h"

namespace kit::remark {

struct REMARKFILEHEADER {
  std::uint16_t flags;
  std::uint16_t pageCount;
  std::uint16_t remarkerListLength;
  std::uint16_t currentRemarker;
  std::uint8_t penRed, penGreen, penBlue;
  std::uint8_t penWidth;
};
constexpr std::size_t kFileHeaderSize = 12;
constexpr std::size_t kPageRecordSize = 8;
constexpr std::size_t kArchiveBufferSize = 4096;

// A stream that does not hold a remark document, or a document the format
// cannot represent; `offset` is where reading or writing stopped.
class RemarkFileError : public std::runtime_error {
 public:
  RemarkFileError(const std::string& what, std::uint64_t offset)
      : std::runtime_error(what), offset_(offset) {}
  std::uint64_t offset() const { return offset_; }

 private:
  std::uint64_t offset_;
};

// Throws RemarkFileError before writing anything when the document cannot be
// represented, FileError when the stream fails.
void StoreDocument(const CRemarkDoc& doc, IByteStream& out);

// Reads into a fresh document and moves it into `doc` only when the whole
// stream was read: on any error `doc` is exactly as it was. Flags stay.
// `size_hint` is the number of bytes the stream holds, when known, so that no
// buffer is ever sized beyond what can still arrive.
void LoadDocument(CRemarkDoc& doc, IByteStream& in, std::int64_t size_hint = -1);

// One page record or the header as found in a stream, for tools.
REMARKFILEHEADER ParseFileHeader(const std::uint8_t* bytes, std::size_t n);

// Writes beside `path`, then renames over it, so that a failed save leaves the
// previous file in place.
void SaveDocumentToFile(const CRemarkDoc& doc, IFileSystem& fs, const std::string& path);
void LoadDocumentFromFile(CRemarkDoc& doc, IFileSystem& fs, const std::string& path);

}  // namespace kit::remark
