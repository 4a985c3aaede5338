// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// DefaultPlatform() for POSIX hosts: the adapters of this folder.
#include "ports/platform.h"

#include <cstring>
#include <memory>

#include "platform/posix/iconv_codepage.h"
#include "platform/posix/posix_files.h"

namespace kit {
namespace {

// No display to ask; the desktops this stands in for run at 96 dpi.
class FixedScreenMetrics : public IScreenMetrics {
 public:
  int LogPixelsX() const override { return 96; }
  int LogPixelsY() const override { return 96; }
};

// Holds its own bits, as SetEnhMetaFileBits does, so callers may free theirs.
class HeldEnhMetaFile : public IEnhMetaFile {
 public:
  HeldEnhMetaFile(const EmfHeader& header, std::unique_ptr<std::uint8_t[]> bits, std::size_t size)
      : header_(header), bits_(std::move(bits)), size_(size) {}
  EmfHeader Header() const override { return header_; }
  std::vector<std::uint8_t> Bits() const override { return {bits_.get(), bits_.get() + size_}; }
  std::size_t BitsSize() const override { return size_; }
  const std::uint8_t* BitsInPlace() const override { return bits_.get(); }

 private:
  EmfHeader header_;
  std::unique_ptr<std::uint8_t[]> bits_;
  std::size_t size_;
};

class HeldMetafileFactory : public IMetafileFactory {
 public:
  EnhMetaFilePtr FromBits(const std::uint8_t* bits, std::size_t size) override {
    std::optional<EmfHeader> header = ParseEmfHeader(bits, size);
    if (!header) return nullptr;
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
    std::memcpy(copy.get(), bits, size);
    return std::make_unique<HeldEnhMetaFile>(*header, std::move(copy), size);
  }
  EnhMetaFilePtr FromOwnedBits(std::unique_ptr<std::uint8_t[]> bits, std::size_t size) override {
    std::optional<EmfHeader> header = ParseEmfHeader(bits.get(), size);
    if (!header) return nullptr;
    return std::make_unique<HeldEnhMetaFile>(*header, std::move(bits), size);
  }
};

}  // namespace

Platform& DefaultPlatform() {
  static posix::PosixFileSystem files;
  static FixedScreenMetrics screen;
  static HeldMetafileFactory metafiles;
  static Platform platform{&files, &screen, &metafiles, &posix::SystemCodePage()};
  return platform;
}

}  // namespace kit
