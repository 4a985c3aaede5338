#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "libjpeg_writer.h"
#include "platform/win32/win32_adapters.h"
#include "sigpad/raised_error.h"
#include "sigpad/save_jpg.h"
#include "win32_file_stamps.h"

namespace kit::sigpad {
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

std::string ReadAll(IFileSystem& fs, const std::string& path) {
  std::unique_ptr<IByteStream> in = fs.OpenRead(path);
  std::string data;
  char buf[4096];
  for (std::size_t n; (n = in->Read(buf, sizeof buf)) != 0;) data.append(buf, n);
  return data;
}

class Win32SigpadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937_64 rng(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    base_ = TempFolder() + "kit_w32pad_" + std::to_string(rng() % 1000000000u) + "_";
  }
  void TearDown() override {
    for (const auto& p : made_) {
      SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(p.c_str());
    }
  }
  std::string Path(const std::string& name) {
    made_.push_back(base_ + name);
    return made_.back();
  }
  win32::Win32FileSystem files;
  LibjpegWriter writer;
  Win32FileStamps stamps;
  JpegSaver saver{files, writer, "Quillpad", &stamps};

 private:
  std::string base_;
  std::vector<std::string> made_;
};

TEST_F(Win32SigpadTest, OverwriteKeepsTimesAndAttributes) {
  cDIBSection d;
  ASSERT_TRUE(d.Create(8, 8));
  const std::string path = Path("old.jpg");
  {
    auto out = files.CreateWrite(path);
    out->Write("old", 3);
  }
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SYSTEMTIME st = {2004, 5, 0, 6, 7, 8, 9, 0};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  ASSERT_TRUE(SetFileTime(h, &ft, &ft, &ft));
  CloseHandle(h);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  ASSERT_TRUE(SaveJPG(saver, d, path, 90));
  EXPECT_NE(ReadAll(files, path), "old");
  WIN32_FIND_DATAA fd;
  HANDLE f = FindFirstFileA(path.c_str(), &fd);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  FindClose(f);
  EXPECT_EQ(fd.ftLastWriteTime.dwLowDateTime, ft.dwLowDateTime);
  EXPECT_EQ(fd.ftLastWriteTime.dwHighDateTime, ft.dwHighDateTime);
  EXPECT_EQ(fd.ftCreationTime.dwHighDateTime, ft.dwHighDateTime);
  EXPECT_NE(fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(Win32SigpadTest, ReadOnlyFileRaisesAccessErrorBeforeWriting) {
  cDIBSection d;
  ASSERT_TRUE(d.Create(8, 8));
  const std::string path = Path("locked.jpg");
  {
    auto out = files.CreateWrite(path);
    out->Write("old", 3);
  }
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_THROW(SaveJPG(saver, d, path, 90), FileError);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadAll(files, path), "old");
}

}  // namespace
}  // namespace kit::sigpad
