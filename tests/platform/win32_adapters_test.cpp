// The Win32 adapters against the real system calls (run under wine on the
// build machine). Only the ports are used here: no Windows headers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/win32_adapters.h"
#include "ports/platform.h"

namespace kit {
namespace {

std::string TempFolder() {
  for (const char* name : {"TEMP", "TMP"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      std::string folder = value;
      if (folder.back() != '\\') folder += '\\';
      return folder;
    }
  }
  return ".\\";
}

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937_64 rng(static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    base_ = TempFolder() + "kit_w32test_" + std::to_string(rng() % 1000000000u) + "_";
  }
  void TearDown() override {
    for (const auto& path : made_) fs_.Remove(path);
  }
  std::string Path(const std::string& name) {
    made_.push_back(base_ + name);
    return made_.back();
  }
  void WriteFile(const std::string& path, const std::string& content) {
    auto out = fs_.CreateWrite(path);
    out->Write(content.data(), content.size());
  }
  std::string ReadFile(const std::string& path) {
    auto in = fs_.OpenRead(path);
    std::string content;
    char buf[7];  // small, so reads end mid-file and at the end
    for (std::size_t n; (n = in->Read(buf, sizeof buf)) > 0;) content.append(buf, n);
    return content;
  }

  IFileSystem& fs_ = *DefaultPlatform().files;

 private:
  std::string base_;
  std::vector<std::string> made_;
};

// The cause of the FileError `f` throws; none when it throws none.
template <typename F>
std::optional<FileError::Cause> CauseOf(F&& f) {
  try {
    f();
  } catch (const FileError& e) {
    return e.cause();
  }
  return std::nullopt;
}

TEST_F(Win32FilesTest, WritesTruncatesRenamesAndRemoves) {
  std::string path = Path("a.doc");
  std::string content("remark\0data\r\n\xff\x80 end", 21);
  WriteFile(path, std::string(5000, 'x'));
  WriteFile(path, content);
  EXPECT_TRUE(fs_.Exists(path));
  EXPECT_EQ(fs_.Size(path), content.size());
  EXPECT_EQ(ReadFile(path), content);

  std::string empty = Path("empty.doc");
  WriteFile(empty, "");
  EXPECT_TRUE(fs_.Exists(empty));
  EXPECT_EQ(fs_.Size(empty), 0u);
  EXPECT_EQ(ReadFile(empty), "");

  std::string from = Path("new.tmp");
  WriteFile(from, "new");
  fs_.Rename(from, path);  // replaces the target
  EXPECT_FALSE(fs_.Exists(from));
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_EQ(fs_.Size(path), 3u);

  EXPECT_TRUE(fs_.Remove(path));
  EXPECT_FALSE(fs_.Exists(path));
  EXPECT_FALSE(fs_.Remove(path));
}

TEST_F(Win32FilesTest, FailuresHaveTheirCauses) {
  using C = FileError::Cause;
  std::string missing = Path("missing.doc");
  EXPECT_FALSE(fs_.Exists(missing));
  EXPECT_EQ(CauseOf([&] { fs_.OpenRead(missing); }), C::NotFound);
  EXPECT_EQ(CauseOf([&] { fs_.Size(missing); }), C::NotFound);
  EXPECT_EQ(CauseOf([&] { fs_.Rename(missing, Path("target.doc")); }), C::NotFound);
  EXPECT_EQ(CauseOf([&] { fs_.CreateWrite("c:\\kit_no_such_folder\\sub\\a.doc"); }), C::NotFound);
  try {
    fs_.OpenRead(missing);
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), missing);
  }
  // A file open for writing cannot be opened again, but can be measured.
  std::string busy = Path("busy.doc");
  auto writer = fs_.CreateWrite(busy);
  EXPECT_EQ(CauseOf([&] { fs_.CreateWrite(busy); }), C::AccessDenied);
  writer->Write("abc", 3);
  EXPECT_EQ(fs_.Size(busy), 3u);
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
  const EmfHeader h = emf->Header();
  EXPECT_EQ(h.dSignature, kEmfSignature);
  EXPECT_EQ(h.rclFrame.right, 21000);
  EXPECT_EQ(h.rclFrame.bottom, 29700);
  EXPECT_EQ(h.nDescription, description.size());
  EXPECT_EQ(h.nBytes, bits.size());
  EXPECT_EQ(h.nRecords, 3u);
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
