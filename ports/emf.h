// Enhanced metafiles: a handle over the bits of a Windows EMF.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

struct RectL {
  std::int32_t left, top, right, bottom;
};

struct SizeL {
  std::int32_t cx, cy;
};

// The fields of ENHMETAHEADER (the EMR_HEADER record).
struct EmfHeader {
  std::uint32_t iType;
  std::uint32_t nSize;
  RectL rclBounds;
  RectL rclFrame;  // 0.01 mm
  std::uint32_t dSignature;
  std::uint32_t nVersion;
  std::uint32_t nBytes;
  std::uint32_t nRecords;
  std::uint16_t nHandles;
  std::uint16_t sReserved;
  std::uint32_t nDescription;  // characters (UTF-16 units)
  std::uint32_t offDescription;
  std::uint32_t nPalEntries;
  SizeL szlDevice;
  SizeL szlMillimeters;
};

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::size_t kEmfHeaderMinSize = 88;

// Validates the header record of an EMF byte image: type, signature, record
// size, total size equal to the image, description inside the header record.
std::optional<EmfHeader> ParseEmfHeader(const std::uint8_t* bits, std::size_t size);

class IEnhMetaFile {
 public:
  virtual ~IEnhMetaFile() = default;
  virtual EmfHeader Header() const = 0;        // GetEnhMetaFileHeader
  virtual std::vector<std::uint8_t> Bits() const = 0;  // GetEnhMetaFileBits
  virtual std::size_t BitsSize() const = 0;
  // The bits where the metafile keeps them as they are, BitsSize() long, so
  // that a picture of any size is played or stored without a copy; null when
  // they can only be had through Bits().
  virtual const std::uint8_t* BitsInPlace() const { return nullptr; }
};

using EnhMetaFilePtr = std::unique_ptr<IEnhMetaFile>;

class IMetafileFactory {
 public:
  virtual ~IMetafileFactory() = default;
  // SetEnhMetaFileBits; null when the bits are not a metafile.
  virtual EnhMetaFilePtr FromBits(const std::uint8_t* bits, std::size_t size) = 0;
  // The same for bits the caller gives up: a factory that keeps the bits as
  // they are takes these instead of copying them.
  virtual EnhMetaFilePtr FromOwnedBits(std::unique_ptr<std::uint8_t[]> bits, std::size_t size) {
    return FromBits(bits.get(), size);
  }
};

// Writes a minimal valid metafile (header and EOF record) with the given frame
// and description; what tests, tools and benchmarks make page pictures from.
std::vector<std::uint8_t> MakeEmfBits(const RectL& frame, const std::u16string& description,
                                      std::size_t extra_record_bytes = 0);

constexpr std::uint32_t kEmrBitBlt = 76;
constexpr std::uint32_t kEmrStretchBlt = 77;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;

// A metafile holding one EMR_BITBLT (SRCCOPY) of a 32-bit bitmap at (0, 0) in
// its own size, as recording a BitBlt into a new metafile gives. `pixels` are
// rows from the top, 0x00RRGGBB; frame in 0.01 mm. Empty when the size is
// not positive, does not match the pixels or would not fit a record.
std::vector<std::uint8_t> MakeBitBltEmfBits(std::int32_t width, std::int32_t height,
                                            const std::vector<std::uint32_t>& pixels, const RectL& frame,
                                            const std::u16string& description);

// The same bitmap drawn into a destination of destWidth x destHeight
// reference pixels (EMR_STRETCHBLT from the whole bitmap; EMR_BITBLT when
// the sizes agree): a page rendered finer than 96 dpi that still plays at
// its paper size. Empty on the same grounds and for a destination that is
// not positive.
std::vector<std::uint8_t> MakeStretchBltEmfBits(std::int32_t width, std::int32_t height,
                                                const std::vector<std::uint32_t>& pixels, std::int32_t destWidth,
                                                std::int32_t destHeight, const RectL& frame,
                                                const std::u16string& description);

}  // namespace kit
