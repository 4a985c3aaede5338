// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>

#include <climits>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

class Win32EnhMetaFile : public IEnhMetaFile {
 public:
  explicit Win32EnhMetaFile(HENHMETAFILE handle) : handle_(handle) {}
  ~Win32EnhMetaFile() override { DeleteEnhMetaFile(handle_); }
  Win32EnhMetaFile(const Win32EnhMetaFile&) = delete;
  Win32EnhMetaFile& operator=(const Win32EnhMetaFile&) = delete;

  EmfHeader Header() const override {
    // A header record may be shorter than ENHMETAHEADER; the rest reads as 0.
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(handle_, sizeof h, &h);
    EmfHeader out{};
    out.iType = h.iType;
    out.nSize = h.nSize;
    out.rclBounds = {h.rclBounds.left, h.rclBounds.top, h.rclBounds.right, h.rclBounds.bottom};
    out.rclFrame = {h.rclFrame.left, h.rclFrame.top, h.rclFrame.right, h.rclFrame.bottom};
    out.dSignature = h.dSignature;
    out.nVersion = h.nVersion;
    out.nBytes = h.nBytes;
    out.nRecords = h.nRecords;
    out.nHandles = h.nHandles;
    out.sReserved = h.sReserved;
    out.nDescription = h.nDescription;
    out.offDescription = h.offDescription;
    out.nPalEntries = h.nPalEntries;
    out.szlDevice = {h.szlDevice.cx, h.szlDevice.cy};
    out.szlMillimeters = {h.szlMillimeters.cx, h.szlMillimeters.cy};
    return out;
  }

  std::vector<std::uint8_t> Bits() const override {
    std::vector<std::uint8_t> bits(BitsSize());
    if (!bits.empty()) {
      UINT got = GetEnhMetaFileBits(handle_, static_cast<UINT>(bits.size()), bits.data());
      bits.resize(got);
    }
    return bits;
  }

  std::size_t BitsSize() const override { return GetEnhMetaFileBits(handle_, 0, nullptr); }

  HENHMETAFILE handle() const { return handle_; }

 private:
  HENHMETAFILE handle_;
};

}  // namespace

EnhMetaFilePtr Win32MetafileFactory::FromBits(const std::uint8_t* bits, std::size_t size) {
  // GDI's own checks differ between Windows versions (and wine); the portable
  // one makes every platform refuse the same images.
  if (!ParseEmfHeader(bits, size)) return nullptr;
  if (size > UINT_MAX) return nullptr;
  HENHMETAFILE h = SetEnhMetaFileBits(static_cast<UINT>(size), bits);
  if (h == nullptr) return nullptr;
  return std::make_unique<Win32EnhMetaFile>(h);
}

void* NativeHandle(const IEnhMetaFile& emf) {
  const auto* own = dynamic_cast<const Win32EnhMetaFile*>(&emf);
  return own != nullptr ? static_cast<void*>(own->handle()) : nullptr;
}

}  // namespace kit::win32
