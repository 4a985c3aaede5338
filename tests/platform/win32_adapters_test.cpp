// The Win32 adapters against the real system calls (run under wine on the
// build machine). Only the ports are used here: no Windows headers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
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

TEST_F(Win32FilesTest, WritesAndReadsBack) {
  std::string path = Path("a.doc");
  std::string content("remark\0data\r\n\xff\x80 end", 21);
  WriteFile(path, content);
  EXPECT_TRUE(fs_.Exists(path));
  EXPECT_EQ(fs_.Size(path), content.size());
  EXPECT_EQ(ReadFile(path), content);
}

TEST_F(Win32FilesTest, CreateWriteTruncates) {
  std::string path = Path("t.doc");
  WriteFile(path, std::string(5000, 'x'));
  WriteFile(path, "short");
  EXPECT_EQ(fs_.Size(path), 5u);
  EXPECT_EQ(ReadFile(path), "short");
}

TEST_F(Win32FilesTest, EmptyFile) {
  std::string path = Path("empty.doc");
  WriteFile(path, "");
  EXPECT_TRUE(fs_.Exists(path));
  EXPECT_EQ(fs_.Size(path), 0u);
  char c;
  EXPECT_EQ(fs_.OpenRead(path)->Read(&c, 1), 0u);
}

TEST_F(Win32FilesTest, RenameReplacesTarget) {
  std::string from = Path("new.tmp");
  std::string to = Path("doc.doc");
  WriteFile(to, "old contents, longer");
  WriteFile(from, "new");
  fs_.Rename(from, to);
  EXPECT_FALSE(fs_.Exists(from));
  EXPECT_EQ(ReadFile(to), "new");
  EXPECT_EQ(fs_.Size(to), 3u);
}

TEST_F(Win32FilesTest, RenameMissingThrowsNotFound) {
  try {
    fs_.Rename(Path("missing.tmp"), Path("target.doc"));
    FAIL() << "no exception";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::Cause::NotFound);
  }
}

TEST_F(Win32FilesTest, Remove) {
  std::string path = Path("gone.doc");
  WriteFile(path, "x");
  EXPECT_TRUE(fs_.Remove(path));
  EXPECT_FALSE(fs_.Exists(path));
  EXPECT_FALSE(fs_.Remove(path));
}

TEST_F(Win32FilesTest, MissingFile) {
  std::string path = Path("missing.doc");
  EXPECT_FALSE(fs_.Exists(path));
  try {
    fs_.OpenRead(path);
    FAIL() << "no exception";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::Cause::NotFound);
    EXPECT_EQ(e.path(), path);
  }
  try {
    fs_.Size(path);
    FAIL() << "no exception";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::Cause::NotFound);
  }
}

TEST_F(Win32FilesTest, MissingFolderIsNotFound) {
  try {
    fs_.CreateWrite("c:\\kit_no_such_folder\\sub\\a.doc");
    FAIL() << "no exception";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::Cause::NotFound);
  }
}

TEST_F(Win32FilesTest, FileOpenForWritingIsAccessDenied) {
  std::string path = Path("busy.doc");
  auto writer = fs_.CreateWrite(path);
  try {
    fs_.CreateWrite(path);
    FAIL() << "no exception";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::Cause::AccessDenied);
  }
  // Still measurable while open.
  writer->Write("abc", 3);
  EXPECT_EQ(fs_.Size(path), 3u);
}

TEST(Win32FileErrors, CausesFromSystemErrors) {
  using C = FileError::Cause;
  EXPECT_EQ(win32::CauseOfError(2), C::NotFound);       // ERROR_FILE_NOT_FOUND
  EXPECT_EQ(win32::CauseOfError(3), C::NotFound);       // ERROR_PATH_NOT_FOUND
  EXPECT_EQ(win32::CauseOfError(5), C::AccessDenied);   // ERROR_ACCESS_DENIED
  EXPECT_EQ(win32::CauseOfError(32), C::AccessDenied);  // ERROR_SHARING_VIOLATION
  EXPECT_EQ(win32::CauseOfError(112), C::DiskFull);     // ERROR_DISK_FULL
  EXPECT_EQ(win32::CauseOfError(39), C::DiskFull);      // ERROR_HANDLE_DISK_FULL
  EXPECT_EQ(win32::CauseOfError(87), C::Generic);       // ERROR_INVALID_PARAMETER
}

// "批注人"
const std::string kUtf8Reviewer = "\xE6\x89\xB9\xE6\xB3\xA8\xE4\xBA\xBA";
const std::string kGbkReviewer = "\xC5\xFA\xD7\xA2\xC8\xCB";

TEST(Win32CodePage, ChineseRoundTrip) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  EXPECT_EQ(cp.FromUtf8(kUtf8Reviewer), kGbkReviewer);
  EXPECT_EQ(cp.ToUtf8(kGbkReviewer), kUtf8Reviewer);
  std::string mixed = "a " + kUtf8Reviewer + ": ok";
  EXPECT_EQ(cp.ToUtf8(cp.FromUtf8(mixed)), mixed);
}

TEST(Win32CodePage, EmptyAndAscii) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  EXPECT_EQ(cp.FromUtf8(""), "");
  EXPECT_EQ(cp.ToUtf8(""), "");
  EXPECT_EQ(cp.FromUtf8("c:\\temp\\a.doc"), "c:\\temp\\a.doc");
  EXPECT_EQ(cp.ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Win32CodePage, UnconvertibleBecomesQuestionMark) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  // Hebrew alef and an emoji are not in code page 936.
  EXPECT_EQ(cp.FromUtf8("x\xD7\x90y"), "x?y");
  EXPECT_EQ(cp.FromUtf8("x\xF0\x9F\x98\x80y"), "x?y");
  EXPECT_EQ(cp.FromUtf8(kUtf8Reviewer + "\xD7\x90"), kGbkReviewer + "?");
  // A lead byte with nothing after it, and one with a bad trail byte.
  EXPECT_EQ(cp.ToUtf8(kGbkReviewer + "\xC5"), kUtf8Reviewer + "?");
  EXPECT_EQ(cp.ToUtf8("\xC5\x20z"), "? z");
}

TEST(Win32Screen, ReportsAResolution) {
  const IScreenMetrics& screen = *DefaultPlatform().screen;
  EXPECT_GT(screen.LogPixelsX(), 0);
  EXPECT_GT(screen.LogPixelsY(), 0);
}

TEST(Win32Metafile, LoadsMadeBits) {
  RectL frame{0, 0, 21000, 29700};
  // Application name and title, each closed by a NUL, as the header carries them.
  const std::u16string description(u"Notes\0Page 1\0", 13);
  std::vector<std::uint8_t> bits = MakeEmfBits(frame, description, 40);
  EnhMetaFilePtr emf = DefaultPlatform().metafiles->FromBits(bits.data(), bits.size());
  ASSERT_NE(emf, nullptr);
  EmfHeader h = emf->Header();
  EXPECT_EQ(h.iType, kEmrHeader);
  EXPECT_EQ(h.dSignature, kEmfSignature);
  EXPECT_EQ(h.rclFrame.left, frame.left);
  EXPECT_EQ(h.rclFrame.top, frame.top);
  EXPECT_EQ(h.rclFrame.right, frame.right);
  EXPECT_EQ(h.rclFrame.bottom, frame.bottom);
  EXPECT_EQ(h.nDescription, description.size());
  EXPECT_EQ(h.nBytes, bits.size());
  EXPECT_EQ(h.nRecords, 3u);
  EXPECT_EQ(emf->BitsSize(), bits.size());
  EXPECT_EQ(emf->Bits(), bits);
  EXPECT_NE(win32::NativeHandle(*emf), nullptr);
}

TEST(Win32Metafile, LoadsWithoutDescription) {
  std::vector<std::uint8_t> bits = MakeEmfBits({10, 20, 300, 400}, u"");
  EnhMetaFilePtr emf = DefaultPlatform().metafiles->FromBits(bits.data(), bits.size());
  ASSERT_NE(emf, nullptr);
  EXPECT_EQ(emf->Header().nDescription, 0u);
  EXPECT_EQ(emf->Header().rclFrame.right, 300);
  EXPECT_EQ(emf->Bits(), bits);
}

TEST(Win32Metafile, GarbageIsNull) {
  IMetafileFactory& factory = *DefaultPlatform().metafiles;
  std::vector<std::uint8_t> garbage(200);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37);
  EXPECT_EQ(factory.FromBits(garbage.data(), garbage.size()), nullptr);
  EXPECT_EQ(factory.FromBits(nullptr, 0), nullptr);

  // A real image cut short no longer matches its header.
  std::vector<std::uint8_t> bits = MakeEmfBits({0, 0, 100, 100}, u"x");
  EXPECT_EQ(factory.FromBits(bits.data(), bits.size() - 4), nullptr);
}

}  // namespace
}  // namespace kit
