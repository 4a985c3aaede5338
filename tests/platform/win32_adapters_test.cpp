// The Win32 metafile adapter against the real system calls (run under wine on
// the build machine): the metafile the remark pages are made of. Only the
// ports are used here: no Windows headers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32_adapters.h"
#include "ports/platform.h"

namespace kit {
namespace {

// The system holds the bits it was given and reads their header; what does
// not match its own header is no metafile.
TEST(Win32Metafile, LoadsMadeBitsAndRefusesGarbage) {
  IMetafileFactory& factory = *DefaultPlatform().metafiles;
  // Application name and title, each closed by a NUL, as the header carries them.
  const std::u16string description(u"Notes\0Page 1\0", 13);
  const std::vector<std::uint8_t> bits = MakeEmfBits({0, 0, 21000, 29700}, description, 40);
  EnhMetaFilePtr emf = factory.FromBits(bits.data(), bits.size());
  ASSERT_NE(emf, nullptr);
  // The system's own reading of the header: the frame and the description.
  EXPECT_EQ(emf->Header().rclFrame.bottom, 29700);
  EXPECT_EQ(emf->Header().nDescription, description.size());
  EXPECT_EQ(emf->Bits(), bits);
  EXPECT_NE(win32::NativeHandle(*emf), nullptr);

  std::vector<std::uint8_t> garbage(200);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37);
  EXPECT_EQ(factory.FromBits(garbage.data(), garbage.size()), nullptr);
  EXPECT_EQ(factory.FromBits(nullptr, 0), nullptr);
  EXPECT_EQ(factory.FromBits(bits.data(), bits.size() - 4), nullptr);  // cut short
}

}  // namespace
}  // namespace kit
