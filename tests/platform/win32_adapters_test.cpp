// The Win32 adapters against the real system calls (run under wine on the
// build machine): files as the core relies on them, and the metafile the
// remark pages are made of. Only the ports are used here: no Windows headers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_adapters.h"
#include "ports/platform.h"

namespace kit {
namespace {

std::string ReadAll(IFileSystem& fs, const std::string& path) {
  std::unique_ptr<IByteStream> in = fs.OpenRead(path);
  std::string content;
  char buf[7];  // small, so reads end mid-file and at the end
  for (std::size_t n; (n = in->Read(buf, sizeof buf)) > 0;) content.append(buf, n);
  return content;
}

// A rewrite truncates, a rename replaces its target, a file held for writing
// cannot be opened for writing again; what is not there is NotFound.
TEST(Win32Files, WriteRenameRemoveAndTheirFailures) {
  IFileSystem& fs = *DefaultPlatform().files;
  const char* temp = std::getenv("TEMP");
  const std::string base = std::string(temp != nullptr ? temp : ".") + "\\kit_w32test_";
  const std::string path = base + "a.doc", from = base + "new.tmp", busy = base + "busy.doc";
  const std::string content("remark\0data\r\n\xff\x80 end", 21);
  fs.CreateWrite(path)->Write(std::string(5000, 'x').data(), 5000);
  fs.CreateWrite(path)->Write(content.data(), content.size());
  EXPECT_EQ(fs.Size(path), content.size());
  EXPECT_EQ(ReadAll(fs, path), content);
  fs.CreateWrite(from)->Write("new", 3);
  fs.Rename(from, path);
  EXPECT_FALSE(fs.Exists(from));
  EXPECT_EQ(ReadAll(fs, path), "new");
  EXPECT_TRUE(fs.Remove(path));
  EXPECT_FALSE(fs.Remove(path));
  for (const auto& step : std::vector<std::function<void()>>{[&] { fs.OpenRead(path); }, [&] { fs.Size(path); },
                                                             [&] { fs.CreateWrite("c:\\kit_no_such_folder\\a"); }}) {
    try {
      step();
      ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
      EXPECT_EQ(e.cause(), FileError::Cause::NotFound);
    }
  }
  {
    auto writer = fs.CreateWrite(busy);
    try {
      fs.CreateWrite(busy);
      ADD_FAILURE() << "opened twice for writing";
    } catch (const FileError& e) {
      EXPECT_EQ(e.cause(), FileError::Cause::AccessDenied);
    }
  }
  fs.Remove(busy);
}

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
