// A JPEG encoder for 24-bit pictures held as device-independent bitmap rows.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kit {

// Rows of BGR pixels, `stride` bytes apart, the bottom row of the picture
// first in memory.
struct JpegImage {
  const std::uint8_t* bits = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
};

// Result codes of the writer; 0 is success.
constexpr int kJpegOk = 0;
constexpr int kJpegBadImage = 1;     // no pixels, or sizes that do not fit
constexpr int kJpegEncodeFailed = 2;  // the encoder gave up
constexpr int kJpegFileFailed = 3;    // the file could not be written

class IJpegWriter {
 public:
  virtual ~IJpegWriter() = default;
  // Prepares the encoder for one picture; non-zero is an error code.
  virtual int Init() = 0;
  // A complete JPEG file of `image` at `quality` (0-100) into `out`, the
  // picture upright; non-zero is an error code.
  virtual int Encode(const JpegImage& image, int quality, std::vector<std::uint8_t>& out) = 0;
  // Releases what Init and Encode held; safe to call after a failure.
  virtual void Free() = 0;
};

// Times and attributes of a file, carried over when the export overwrites it.
// Times are FILETIME values (100 ns units since 1601), attributes the
// FILE_ATTRIBUTE_* bits.
struct FileStamp {
  std::uint64_t creation = 0;
  std::uint64_t last_access = 0;
  std::uint64_t last_write = 0;
  std::uint32_t attributes = 0;
};

class IFileStamps {
 public:
  virtual ~IFileStamps() = default;
  // Nothing when the file does not exist.
  virtual std::optional<FileStamp> Get(const std::string& path) = 0;
  // Best effort: failures are not reported.
  virtual void Set(const std::string& path, const FileStamp& stamp) = 0;
};

}  // namespace kit
