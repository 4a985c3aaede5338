#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <filesystem>
#include <vector>

#include "libjpeg_writer.h"
#include "posix_file_stamps.h"
#include "platform/posix/posix_files.h"
#include "sigpad/bmp_file.h"
#include "sigpad/raised_error.h"
#include "sigpad/save_jpg.h"
#include "tests/platform/sigpad/direct_jpeg.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::sigpad {
namespace {

// A smooth 353 x 201 picture: blue in the bottom rows, red in the top ones.
void Paint(cDIBSection& d) {
  ASSERT_TRUE(d.Create(353, 201));
  for (int row = 0; row < d.Height(); ++row)
    for (int x = 0; x < d.Width(); ++x) d.SetByteAt(row, 3 * x + (row < d.Height() / 2 ? 0 : 2), 255);
}

class PosixSigpadTest : public ::testing::Test {
 protected:
  kit::testing::TempKitRoot root;
  posix::PosixFileSystem files;
  LibjpegWriter writer;
  PosixFileStamps stamps;
  JpegSaver saver{files, writer, "Quillpad", &stamps};
};

TEST_F(PosixSigpadTest, OverwriteKeepsTimesAndReadOnlyAttribute) {
  cDIBSection d;
  ASSERT_TRUE(d.Create(8, 8));
  root.MakeFile("c/t/old.jpg", "old contents");
  const std::string native = root.Native("c/t/old.jpg");
  const timespec times[2] = {{1000000000, 0}, {1100000000, 500}};  // 2001 and 2004
  ASSERT_EQ(utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
  ASSERT_EQ(chmod(native.c_str(), 0444), 0);
  ASSERT_TRUE(SaveJPG(saver, d, "c:\\t\\old.jpg", 90));
  struct stat st;
  ASSERT_EQ(stat(native.c_str(), &st), 0);
  EXPECT_NE(root.ReadFile("c/t/old.jpg"), "old contents");
  EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
  EXPECT_EQ(st.st_mode & 0222, 0u);  // still read-only

  // A writable file stays writable and a fresh file gets the time of writing.
  ASSERT_TRUE(SaveJPG(saver, d, "c:\\t\\new.jpg", 90));
  ASSERT_EQ(stat(root.Native("c/t/new.jpg").c_str(), &st), 0);
  EXPECT_GT(st.st_mtim.tv_sec, 1100000000);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

// The writer's output buffer starts at a guess and grows: the file is the
// same whether the guess held or not.
TEST(LibjpegWriterTest, SameBytesAsLibjpegMemoryDestination) {
  const struct {
    int width, height, quality;
    bool noise;
    bool outgrows_first_buffer;  // beyond 64 KB and a quarter of the pixels
  } cases[] = {
      {1, 1, 90, true, false},
      {353, 201, 90, false, false},
      {397, 3, 75, true, false},
      {300, 300, 100, true, true},
      {2000, 60, 100, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " q" + std::to_string(c.quality));
    cDIBSection d;
    ASSERT_TRUE(d.Create(c.width, c.height));
    if (c.noise) {
      d.RandomiseBits(false, 3);
    } else {
      Paint(d);
    }
    JpegImage image{d.DIBSectionBitsPtr(), d.Width(), d.Height(), d.BytesPerScanLine()};
    LibjpegWriter w;
    ASSERT_EQ(w.Init(), kJpegOk);
    std::vector<std::uint8_t> out = {1, 2, 3};  // replaced, not appended to
    ASSERT_EQ(w.Encode(image, c.quality, out), kJpegOk);
    w.Free();
    EXPECT_EQ(out, DirectJpeg(image, c.quality));
    const std::size_t first = std::max<std::size_t>(65536, static_cast<std::size_t>(c.width) * 3 * c.height / 4);
    EXPECT_EQ(out.size() > first, c.outgrows_first_buffer) << out.size();
  }
}

}  // namespace
}  // namespace kit::sigpad
