#include "sigpad/bmp_file.h"

#include <algorithm>
#include <cstring>

#include "ports/le_bytes.h"

namespace kit::sigpad {
namespace {

// Pictures larger than this are refused when read, whatever the header says.
constexpr std::int64_t kMaxReadPixels = std::int64_t{1} << 26;

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

namespace {

// What the two headers say about the rows, checked as far as the headers
// alone allow.
struct Layout {
  std::uint32_t offset = 0;
  std::uint32_t info_size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative for top-down files
  std::int32_t rows = 0;
  std::int64_t stride = 0;
  std::int64_t image = 0;
};

bool ParseHeaders(const std::uint8_t* data, Layout& l) {
  if (data[0] != 'B' || data[1] != 'M') return false;
  l.offset = Get32(data + 10);
  l.info_size = Get32(data + 14);
  if (l.info_size < 40) return false;
  l.width = static_cast<std::int32_t>(Get32(data + 18));
  l.height = static_cast<std::int32_t>(Get32(data + 22));
  const std::uint32_t planes = Get16(data + 26);
  const std::uint32_t bit_count = Get16(data + 28);
  const std::uint32_t compression = Get32(data + 30);
  if (planes != 1 || bit_count != 24 || compression != 0) return false;
  if (l.width <= 0 || l.height == 0 || l.height == INT32_MIN) return false;
  l.rows = l.height < 0 ? -l.height : l.height;
  if (static_cast<std::int64_t>(l.width) * l.rows > kMaxReadPixels) return false;
  l.stride = (static_cast<std::int64_t>(l.width) * 3 + 3) & ~std::int64_t{3};
  l.image = l.stride * l.rows;
  return l.offset >= 14 + static_cast<std::uint64_t>(l.info_size);
}

// Top-down files store the top row first; the section keeps it last.
void FlipRows(cDIBSection& dib, const Layout& l) {
  if (l.height > 0) return;
  const auto stride = static_cast<std::size_t>(l.stride);
  std::vector<std::uint8_t> row(stride);
  std::uint8_t* bits = dib.DIBSectionBitsPtr();
  for (std::int32_t lo = 0, hi = l.rows - 1; lo < hi; ++lo, --hi) {
    std::uint8_t* a = bits + static_cast<std::size_t>(lo) * stride;
    std::uint8_t* b = bits + static_cast<std::size_t>(hi) * stride;
    std::memcpy(row.data(), a, stride);
    std::memcpy(a, b, stride);
    std::memcpy(b, row.data(), stride);
  }
}

// Up to `n` bytes; fewer only at the end of the stream.
std::size_t ReadFully(IByteStream& in, std::uint8_t* p, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const std::size_t r = in.Read(p + got, n - got);
    if (r == 0) break;
    got += r;
  }
  return got;
}

}  // namespace

bool ReadBmp(const std::uint8_t* data, std::size_t size, cDIBSection& dib) {
  dib.ClearUp();
  if (data == nullptr || size < kBmpHeadersSize) return false;
  Layout l;
  if (!ParseHeaders(data, l)) return false;
  if (l.info_size > size - 14 || l.offset > size || l.image > static_cast<std::int64_t>(size - l.offset)) return false;
  if (!dib.Create(l.width, l.rows)) return false;
  std::memcpy(dib.DIBSectionBitsPtr(), data + l.offset, static_cast<std::size_t>(l.image));
  FlipRows(dib, l);
  return true;
}

bool ReadBmpFile(IFileSystem& files, const std::string& path, cDIBSection& dib) {
  dib.ClearUp();
  std::unique_ptr<IByteStream> in = files.OpenRead(path);
  std::uint8_t head[kBmpHeadersSize];
  Layout l;
  if (ReadFully(*in, head, sizeof head) != sizeof head || !ParseHeaders(head, l)) return false;
  // Whatever lies between the headers and the rows is passed over, within
  // the same bound as the picture itself.
  constexpr std::uint64_t kMaxSkip = static_cast<std::uint64_t>(kMaxReadPixels) * 3 + (1u << 20);
  std::uint64_t skip = l.offset - kBmpHeadersSize;
  if (skip > kMaxSkip) return false;
  std::uint8_t scratch[4096];
  while (skip > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip, sizeof scratch));
    if (ReadFully(*in, scratch, n) != n) return false;
    skip -= n;
  }
  // The rows go straight from the file into the section, in one read.
  if (!dib.Create(l.width, l.rows)) return false;
  const auto image = static_cast<std::size_t>(l.image);
  if (ReadFully(*in, dib.DIBSectionBitsPtr(), image) != image) {
    dib.ClearUp();
    return false;
  }
  FlipRows(dib, l);
  return true;
}

}  // namespace kit::sigpad
