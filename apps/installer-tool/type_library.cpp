#include "apps/installer-tool/type_library.h"

#include <cstdio>

namespace kit::installer {

namespace {

constexpr std::uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr std::uint32_t kHelpDllFlag = 0x100;
constexpr std::size_t kHeaderSize = 0x54;
constexpr std::size_t kSegmentCount = 15;
constexpr std::size_t kTypeInfoSize = 0x64;
enum Segment { kTypeInfoTab = 0, kGuidTab = 5, kNameTab = 7, kStringTab = 8 };
constexpr int kTkindInterface = 3, kTkindDispatch = 4;
constexpr std::uint32_t kTypeFlagDual = 0x40, kTypeFlagOleAutomation = 0x100;

class Reader {
 public:
  explicit Reader(const std::vector<unsigned char>& b) : b_(b) {}
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4);
    return b_[at] | b_[at + 1] << 8 | b_[at + 2] << 16 | static_cast<std::uint32_t>(b_[at + 3]) << 24;
  }
  std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  std::uint16_t U16(std::size_t at) const {
    Need(at, 2);
    return static_cast<std::uint16_t>(b_[at] | b_[at + 1] << 8);
  }
  std::string Bytes(std::size_t at, std::size_t n) const {
    Need(at, n);
    return std::string(b_.begin() + static_cast<std::ptrdiff_t>(at), b_.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  void Need(std::size_t at, std::size_t n) const {
    if (at > b_.size() || n > b_.size() - at) throw TypeLibError("type library is truncated");
  }

 private:
  const std::vector<unsigned char>& b_;
};

struct SegmentInfo {
  std::size_t offset = 0, length = 0;
};

class Library {
 public:
  explicit Library(const std::vector<unsigned char>& bytes) : r_(bytes) {
    if (r_.U32(0) != kMagic) throw TypeLibError("not an MSFT type library");
    std::size_t at = kHeaderSize + ((r_.U32(0x14) & kHelpDllFlag) ? 4 : 0);
    typeinfo_count_ = r_.U32(0x20);
    if (typeinfo_count_ > bytes.size() / kTypeInfoSize) throw TypeLibError("type library is truncated");
    typeinfo_offsets_at_ = at;
    at += 4 * typeinfo_count_;
    for (std::size_t i = 0; i < kSegmentCount; ++i, at += 16) {
      std::int32_t offset = r_.I32(at), length = r_.I32(at + 4);
      if (offset < 0 || length < 0) continue;  // an absent segment
      r_.Need(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
      seg_[i] = {static_cast<std::size_t>(offset), static_cast<std::size_t>(length)};
    }
  }

  std::uint32_t typeinfo_count() const { return typeinfo_count_; }
  std::size_t TypeInfoAt(std::uint32_t index) const {
    return In(kTypeInfoTab, r_.I32(typeinfo_offsets_at_ + 4 * index), kTypeInfoSize);
  }
  std::string Guid(std::int32_t offset) const {
    std::size_t at = In(kGuidTab, offset, 16);
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", r_.U32(at),
                  r_.U16(at + 4), r_.U16(at + 6), Byte(at + 8), Byte(at + 9), Byte(at + 10), Byte(at + 11),
                  Byte(at + 12), Byte(at + 13), Byte(at + 14), Byte(at + 15));
    return text;
  }
  // Name entries: hreftype, hash link, length in the low byte, the text.
  std::string Name(std::int32_t offset) const {
    std::size_t at = In(kNameTab, offset, 12);
    std::size_t n = r_.U32(at + 8) & 0xFF;
    return r_.Bytes(In(kNameTab, offset, 12 + n) + 12, n);
  }
  // String entries: a 16-bit length, the text.
  std::string String(std::int32_t offset) const {
    if (offset < 0) return {};
    std::size_t at = In(kStringTab, offset, 2);
    std::size_t n = r_.U16(at);
    return r_.Bytes(In(kStringTab, offset, 2 + n) + 2, n);
  }
  const Reader& reader() const { return r_; }

 private:
  unsigned Byte(std::size_t at) const { return static_cast<unsigned char>(r_.Bytes(at, 1)[0]); }
  std::size_t In(Segment s, std::int32_t offset, std::size_t n) const {
    if (offset < 0 || static_cast<std::size_t>(offset) > seg_[s].length ||
        n > seg_[s].length - static_cast<std::size_t>(offset)) {
      throw TypeLibError("type library refers outside its tables");
    }
    return seg_[s].offset + static_cast<std::size_t>(offset);
  }

  Reader r_;
  std::uint32_t typeinfo_count_ = 0;
  std::size_t typeinfo_offsets_at_ = 0;
  SegmentInfo seg_[kSegmentCount];
};

}  // namespace

TypeLibInfo ReadTypeLibrary(const std::vector<unsigned char>& bytes) {
  Library lib(bytes);
  const Reader& r = lib.reader();
  TypeLibInfo info;
  info.libid = lib.Guid(r.I32(0x08));
  // The first locale is the compiler's; the library's own is the second.
  info.lcid = r.U32(0x10);
  info.syskind = static_cast<int>(r.U32(0x14) & 0x0F);
  info.major = r.U16(0x18);
  info.minor = r.U16(0x1A);
  info.flags = static_cast<std::uint16_t>(r.U32(0x1C));
  info.doc = lib.String(r.I32(0x24));
  info.name = lib.Name(r.I32(0x38));
  for (std::uint32_t i = 0; i < lib.typeinfo_count(); ++i) {
    std::size_t at = lib.TypeInfoAt(i);
    int kind = static_cast<int>(r.U32(at) & 0x0F);
    std::uint32_t flags = r.U32(at + 0x30);
    if (kind == kTkindDispatch || (kind == kTkindInterface && (flags & kTypeFlagOleAutomation))) {
      info.interfaces.push_back(
          {lib.Guid(r.I32(at + 0x2C)), lib.Name(r.I32(at + 0x34)), kind == kTkindInterface || (flags & kTypeFlagDual)});
    }
  }
  return info;
}

}  // namespace kit::installer
