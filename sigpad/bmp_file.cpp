#include "sigpad/bmp_file.h"

#include <algorithm>
#include <cstring>

namespace kit::sigpad {
namespace {

// Pictures larger than this are refused when read, whatever the header says.
constexpr std::int64_t kMaxReadPixels = std::int64_t{1} << 26;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
std::uint32_t Get16(const std::uint8_t* p) { return p[0] | (static_cast<std::uint32_t>(p[1]) << 8); }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

}  // namespace

namespace {

std::vector<std::uint8_t> Headers(const cDIBSection& dib, std::uint32_t image) {
  const BitmapInfoHeader& h = dib.Header();
  std::vector<std::uint8_t> out;
  out.reserve(kBmpHeadersSize + image);
  out.push_back('B');
  out.push_back('M');
  Put32(out, kBmpHeadersSize + image);
  Put32(out, 0);
  Put32(out, kBmpHeadersSize);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(h.biWidth));
  Put32(out, static_cast<std::uint32_t>(h.biHeight));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, image);
  Put32(out, static_cast<std::uint32_t>(h.biXPelsPerMeter));
  Put32(out, static_cast<std::uint32_t>(h.biYPelsPerMeter));
  Put32(out, 0);
  Put32(out, 0);
  return out;
}

std::uint32_t ImageSize(const cDIBSection& dib) { return dib.DIBSectionBitsPtr() ? dib.Header().biSizeImage : 0; }

}  // namespace

std::vector<std::uint8_t> BmpBytes(const cDIBSection& dib) {
  const std::uint32_t image = ImageSize(dib);
  std::vector<std::uint8_t> out = Headers(dib, image);
  if (image != 0) out.insert(out.end(), dib.DIBSectionBitsPtr(), dib.DIBSectionBitsPtr() + image);
  return out;
}

void WriteBmpFile(const cDIBSection& dib, IFileSystem& files, const std::string& path) {
  // The rows go straight from the section to the file.
  const std::uint32_t image = ImageSize(dib);
  std::vector<std::uint8_t> head = Headers(dib, image);
  std::unique_ptr<IByteStream> out = files.CreateWrite(path);
  out->Write(head.data(), head.size());
  if (image != 0) out->Write(dib.DIBSectionBitsPtr(), image);
}

bool ReadBmp(const std::uint8_t* data, std::size_t size, cDIBSection& dib) {
  dib.ClearUp();
  if (data == nullptr || size < kBmpHeadersSize || data[0] != 'B' || data[1] != 'M') return false;
  const std::uint32_t offset = Get32(data + 10);
  const std::uint32_t info_size = Get32(data + 14);
  if (info_size < 40 || info_size > size - 14) return false;
  const auto width = static_cast<std::int32_t>(Get32(data + 18));
  const auto height = static_cast<std::int32_t>(Get32(data + 22));
  const std::uint32_t planes = Get16(data + 26);
  const std::uint32_t bit_count = Get16(data + 28);
  const std::uint32_t compression = Get32(data + 30);
  if (planes != 1 || bit_count != 24 || compression != 0) return false;
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  const std::int32_t rows = height < 0 ? -height : height;
  if (static_cast<std::int64_t>(width) * rows > kMaxReadPixels) return false;
  const std::int64_t stride = (static_cast<std::int64_t>(width) * 3 + 3) & ~std::int64_t{3};
  const std::int64_t image = stride * rows;
  if (offset < 14 + info_size || offset > size || image > static_cast<std::int64_t>(size - offset)) return false;
  if (!dib.Create(width, rows)) return false;
  const std::uint8_t* src = data + offset;
  for (std::int32_t r = 0; r < rows; ++r) {
    // Top-down files store the top row first; the section keeps it last.
    const std::int32_t dst_row = height < 0 ? rows - 1 - r : r;
    std::memcpy(dib.DIBSectionBitsPtr() + static_cast<std::size_t>(dst_row) * stride,
                src + static_cast<std::size_t>(r) * stride, static_cast<std::size_t>(stride));
  }
  return true;
}

bool ReadBmpFile(IFileSystem& files, const std::string& path, cDIBSection& dib) {
  std::unique_ptr<IByteStream> in = files.OpenRead(path);
  constexpr std::size_t kLimit = static_cast<std::size_t>(kMaxReadPixels) * 3 + (1u << 20);
  std::vector<std::uint8_t> bytes;
  try {
    // Sized up front where the file layer knows the size; read to the end
    // either way, so a size that changed underneath does no harm.
    const std::uint64_t size = files.Size(path);
    if (size <= kLimit) bytes.reserve(static_cast<std::size_t>(size) + 1);
  } catch (const FileError&) {
  }
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(std::max<std::size_t>(bytes.capacity(), used + 65536));
    const std::size_t n = in->Read(bytes.data() + used, bytes.size() - used);
    if (n == 0) break;
    used += n;
    if (used > kLimit) {
      dib.ClearUp();
      return false;
    }
  }
  return ReadBmp(bytes.data(), used, dib);
}

}  // namespace kit::sigpad
