#include "ports/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kit {
namespace {

std::vector<std::uint8_t> Sample() { return MakeEmfBits({0, 0, 21000, 29700}, u"Remark page", 64); }

void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<std::uint8_t>(x >> (8 * i));
}

TEST(PosixMetafiles, ValidBitsAreHeldByteForByte) {
  IMetafileFactory& factory = *DefaultPlatform().metafiles;
  for (const std::vector<std::uint8_t>& bits :
       {Sample(), MakeEmfBits({0, 0, 100, 100}, u""), MakeEmfBits({10, 20, 5000, 7000}, u"x", 4097)}) {
    EnhMetaFilePtr emf = factory.FromBits(bits.data(), bits.size());
    ASSERT_NE(emf, nullptr);
    EXPECT_EQ(emf->Bits(), bits);
    EXPECT_EQ(emf->BitsSize(), bits.size());
    EmfHeader expected = *ParseEmfHeader(bits.data(), bits.size());
    EmfHeader h = emf->Header();
    EXPECT_EQ(h.nBytes, bits.size());
    EXPECT_EQ(h.rclFrame.left, expected.rclFrame.left);
    EXPECT_EQ(h.rclFrame.right, expected.rclFrame.right);
    EXPECT_EQ(h.rclFrame.bottom, expected.rclFrame.bottom);
    EXPECT_EQ(h.nRecords, expected.nRecords);
    EXPECT_EQ(h.nDescription, expected.nDescription);
  }
}

TEST(PosixMetafiles, TheCopyOutlivesTheCallersBuffer) {
  std::vector<std::uint8_t> bits = Sample();
  const std::vector<std::uint8_t> original = bits;
  EnhMetaFilePtr emf = DefaultPlatform().metafiles->FromBits(bits.data(), bits.size());
  ASSERT_NE(emf, nullptr);
  bits.assign(bits.size(), 0xEE);
  bits.clear();
  bits.shrink_to_fit();
  EXPECT_EQ(emf->Bits(), original);
}

TEST(PosixMetafiles, TruncatedBitsAreRejected) {
  IMetafileFactory& factory = *DefaultPlatform().metafiles;
  const std::vector<std::uint8_t> bits = Sample();
  EXPECT_EQ(factory.FromBits(nullptr, 0), nullptr);
  EXPECT_EQ(factory.FromBits(bits.data(), 0), nullptr);
  EXPECT_EQ(factory.FromBits(bits.data(), kEmfHeaderMinSize - 1), nullptr);
  EXPECT_EQ(factory.FromBits(bits.data(), 100), nullptr);
  EXPECT_EQ(factory.FromBits(bits.data(), bits.size() - 1), nullptr);
  EXPECT_EQ(factory.FromBits(bits.data(), bits.size() - 20), nullptr);
}

TEST(PosixMetafiles, CorruptedHeadersAreRejected) {
  IMetafileFactory& factory = *DefaultPlatform().metafiles;
  struct Corruption {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  for (const Corruption& c : {Corruption{"record type", 0, 2}, Corruption{"signature", 40, 0x464D4521},
                              Corruption{"header size past the image", 4, 0x10000},
                              Corruption{"unaligned header size", 4, 109}, Corruption{"total size", 48, 12},
                              Corruption{"no records", 52, 0}, Corruption{"description outside", 64, 0x1000}}) {
    std::vector<std::uint8_t> bits = Sample();
    Put32(bits, c.at, c.value);
    EXPECT_EQ(factory.FromBits(bits.data(), bits.size()), nullptr) << c.what;
  }
  // Trailing bytes the header does not account for.
  std::vector<std::uint8_t> longer = Sample();
  longer.resize(longer.size() + 4);
  EXPECT_EQ(factory.FromBits(longer.data(), longer.size()), nullptr);
}

TEST(PosixScreen, Is96DotsPerInch) {
  EXPECT_EQ(DefaultPlatform().screen->LogPixelsX(), 96);
  EXPECT_EQ(DefaultPlatform().screen->LogPixelsY(), 96);
}

TEST(PosixDefaultPlatform, IsOneCompleteSetOfAdapters) {
  Platform& p = DefaultPlatform();
  EXPECT_EQ(&p, &DefaultPlatform());
  ASSERT_NE(p.files, nullptr);
  ASSERT_NE(p.screen, nullptr);
  ASSERT_NE(p.metafiles, nullptr);
  ASSERT_NE(p.codepage, nullptr);
  EXPECT_EQ(p.files, DefaultPlatform().files);
  EXPECT_EQ(p.codepage->FromUtf8("\xE6\x89\xB9\xE6\xB3\xA8\xE4\xBA\xBA"), "\xC5\xFA\xD7\xA2\xC8\xCB");
}

}  // namespace
}  // namespace kit
