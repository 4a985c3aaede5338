#include "platform/posix/posix_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/platform/temp_kit_root.h"

namespace kit::posix {
namespace {

namespace fs = std::filesystem;
using Cause = FileError::Cause;

void WriteAll(IFileSystem& files, const std::string& path, const std::string& data) {
  std::unique_ptr<IByteStream> out = files.CreateWrite(path);
  out->Write(data.data(), data.size());
}

std::string ReadAll(IFileSystem& files, const std::string& path) {
  std::unique_ptr<IByteStream> in = files.OpenRead(path);
  std::string data;
  char buf[4096];
  for (;;) {
    std::size_t n = in->Read(buf, sizeof buf);
    data.append(buf, n);
    if (n < sizeof buf) break;
  }
  return data;
}

// The cause of the FileError `f` throws, failing the test when it throws none.
template <typename F>
std::optional<Cause> CauseOf(F&& f, const std::string& path) {
  try {
    f();
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), path);
    return e.cause();
  }
  ADD_FAILURE() << "no FileError for " << path;
  return std::nullopt;
}

class PosixFiles : public ::testing::Test {
 protected:
  testing::TempKitRoot tmp;
  PosixFileSystem files;
};

// A second write of a file truncates it; case and code page 936 names are
// the path mapping's.
TEST_F(PosixFiles, CreateWriteTruncates) {
  WriteAll(files, "c:\\a.doc", "hello world");
  WriteAll(files, "C:\\A.DOC", "hi");
  EXPECT_EQ(ReadAll(files, "c:\\a.doc"), "hi");
  EXPECT_EQ(files.Size("c:\\A.doc"), 2u);
  EXPECT_EQ(tmp.ReadFile("c/a.doc"), "hi");
}

TEST_F(PosixFiles, MissingFilesAndFoldersAreNotFound) {
  EXPECT_EQ(CauseOf([&] { files.OpenRead("c:\\nope.doc"); }, "c:\\nope.doc"), Cause::NotFound);
  EXPECT_EQ(CauseOf([&] { files.Size("c:\\nope.doc"); }, "c:\\nope.doc"), Cause::NotFound);
  EXPECT_EQ(CauseOf([&] { files.Rename("c:\\nope.doc", "c:\\x"); }, "c:\\nope.doc"), Cause::NotFound);
  EXPECT_FALSE(files.Exists("c:\\nope.doc"));
  EXPECT_FALSE(files.Remove("c:\\nope.doc"));

  // As on Windows, creating a file does not create its folders.
  EXPECT_EQ(CauseOf([&] { files.CreateWrite("c:\\no\\such\\dir\\a.doc"); }, "c:\\no\\such\\dir\\a.doc"),
            Cause::NotFound);
  EXPECT_FALSE(fs::exists(tmp.root() / "c" / "no"));
  // A file used as a folder.
  WriteAll(files, "c:\\plain", "x");
  EXPECT_EQ(CauseOf([&] { files.OpenRead("c:\\plain\\a"); }, "c:\\plain\\a"), Cause::NotFound);

  const std::string unc = "\\\\server\\share\\a.doc";
  EXPECT_EQ(CauseOf([&] { files.OpenRead(unc); }, unc), Cause::NotFound);
  EXPECT_EQ(CauseOf([&] { files.CreateWrite(unc); }, unc), Cause::NotFound);
  EXPECT_FALSE(files.Exists(unc));
  EXPECT_FALSE(files.Remove(unc));
}

TEST_F(PosixFiles, RemoveDeletesFilesAndFoldersAreNotFiles) {
  WriteAll(files, "c:\\gone.doc", "x");
  EXPECT_TRUE(files.Remove("C:\\GONE.DOC"));
  EXPECT_FALSE(files.Exists("c:\\gone.doc"));
  EXPECT_FALSE(fs::exists(tmp.root() / "c" / "gone.doc"));

  // Folders are not files.
  fs::create_directories(tmp.root() / "c" / "folder");
  EXPECT_FALSE(files.Remove("c:\\folder"));
  EXPECT_TRUE(fs::is_directory(tmp.root() / "c" / "folder"));
  EXPECT_TRUE(files.Exists("c:\\FOLDER"));
  EXPECT_EQ(CauseOf([&] { files.OpenRead("c:\\folder"); }, "c:\\folder"), Cause::AccessDenied);
  EXPECT_EQ(CauseOf([&] { files.CreateWrite("c:\\folder"); }, "c:\\folder"), Cause::AccessDenied);
  EXPECT_EQ(CauseOf([&] { files.Size("c:\\folder"); }, "c:\\folder"), Cause::AccessDenied);
  WriteAll(files, "c:\\f.doc", "x");
  EXPECT_EQ(CauseOf([&] { files.Rename("c:\\f.doc", "c:\\folder"); }, "c:\\f.doc"), Cause::AccessDenied);
  EXPECT_TRUE(files.Exists("c:\\f.doc"));

  // Streams only go the way they were opened.
  std::unique_ptr<IByteStream> in = files.OpenRead("c:\\f.doc");
  EXPECT_EQ(CauseOf([&] { in->Write("x", 1); }, "c:\\f.doc"), Cause::AccessDenied);
  std::unique_ptr<IByteStream> out = files.CreateWrite("c:\\b");
  char c;
  EXPECT_EQ(CauseOf([&] { out->Read(&c, 1); }, "c:\\b"), Cause::AccessDenied);
}

TEST_F(PosixFiles, AFullDeviceIsDiskFull) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::create_directories(tmp.root() / "c");
  fs::create_symlink("/dev/full", tmp.root() / "c" / "full");
  std::unique_ptr<IByteStream> out = files.CreateWrite("c:\\FULL");
  std::string data(100000, 'x');
  EXPECT_EQ(CauseOf([&] { out->Write(data.data(), data.size()); }, "c:\\FULL"), Cause::DiskFull);
}

}  // namespace
}  // namespace kit::posix
