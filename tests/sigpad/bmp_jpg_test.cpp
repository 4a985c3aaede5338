#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ports/le_bytes.h"
#include "sigpad/bmp_file.h"
#include "sigpad/raised_error.h"
#include "sigpad/save_jpg.h"
#include "tests/remark/fakes.h"

namespace kit::sigpad {
namespace {

using kit::testing::FakeFiles;

// Hands out at most 7 bytes a read, as a slow device might.
class DribblingFiles : public FakeFiles {
 public:
  std::unique_ptr<IByteStream> OpenRead(const std::string& path) override {
    return std::make_unique<Dribble>(FakeFiles::OpenRead(path));
  }

 private:
  class Dribble : public IByteStream {
   public:
    explicit Dribble(std::unique_ptr<IByteStream> in) : in_(std::move(in)) {}
    std::size_t Read(void* buf, std::size_t n) override { return in_->Read(buf, std::min<std::size_t>(n, 7)); }
    void Write(const void*, std::size_t) override {}

   private:
    std::unique_ptr<IByteStream> in_;
  };
};

// Reading a file agrees with reading its bytes, for good files and bad.
TEST(BmpFile, FileReadAgreesWithByteRead) {
  cDIBSection d;
  ASSERT_TRUE(d.Create(5, 3));
  for (std::uint32_t i = 0; i < d.Header().biSizeImage; ++i) d.DIBSectionBitsPtr()[i] = static_cast<std::uint8_t>(i * 7);
  const std::vector<std::uint8_t> good = BmpBytes(d);
  auto topDown = [&] {
    auto b = good;
    kit::Put32(b, 22, static_cast<std::uint32_t>(-3));
    std::vector<std::uint8_t> rows(b.begin() + 54, b.end());
    for (int r = 0; r < 3; ++r) std::copy_n(rows.begin() + (2 - r) * 16, 16, b.begin() + 54 + r * 16);
    return b;
  };
  auto gap = [&](std::uint32_t info, std::size_t extra) {  // a longer header and bytes before the rows
    auto b = good;
    b.insert(b.begin() + 54, info - 40 + extra, 0xAB);
    kit::Put32(b, 14, info);
    kit::Put32(b, 10, static_cast<std::uint32_t>(14 + info + extra));
    return b;
  };
  auto with = [&](std::size_t at, std::uint32_t v) {
    auto b = good;
    kit::Put32(b, at, v);
    return b;
  };
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool ok;
  } cases[] = {
      {"as written", good, true},
      {"trailing bytes", [&] { auto b = good; b.resize(b.size() + 9, 1); return b; }(), true},
      {"top-down", topDown(), true},
      {"V5 header and a gap", gap(124, 6), true},
      {"one byte short", {good.begin(), good.end() - 1}, false},
      {"headers cut", {good.begin(), good.begin() + 40}, false},
      {"empty", {}, false},
      {"offset inside the headers", with(10, 50), false},
      {"offset past the end", with(10, 0xF0), false},
      {"offset near 4 GB", with(10, 0xFFFFFFF0u), false},
      {"info size below 40", with(14, 12), false},
      {"huge width", with(18, 0x7FFFFFFF), false},
      {"zero height", with(22, 0), false},
      {"compressed", with(30, 1), false},
      {"palette picture", [&] { auto b = good; b[28] = 8; return b; }(), false},
      {"not a bitmap", [&] { auto b = good; b[0] = 'X'; return b; }(), false},
  };
  for (const auto& c : cases) {
    for (bool dribble : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (dribble ? ", short reads" : ""));
      DribblingFiles dfs;
      FakeFiles mfs;
      FakeFiles& fs = dribble ? dfs : mfs;
      fs.files["c:\\p.bmp"] = c.bytes;
      cDIBSection fromBytes, fromFile;
      ASSERT_TRUE(fromFile.Create(2, 2));
      ASSERT_TRUE(fromBytes.Create(2, 2));
      EXPECT_EQ(ReadBmp(c.bytes.data(), c.bytes.size(), fromBytes), c.ok);
      EXPECT_EQ(ReadBmpFile(fs, "c:\\p.bmp", fromFile), c.ok);
      if (!c.ok) {
        EXPECT_EQ(fromFile.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(fromBytes.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(fromFile.Width(), 0);
        continue;
      }
      ASSERT_EQ(fromFile.Width(), 5);
      ASSERT_EQ(fromFile.Height(), 3);
      EXPECT_EQ(0, std::memcmp(fromFile.DIBSectionBitsPtr(), d.DIBSectionBitsPtr(), d.Header().biSizeImage));
      EXPECT_EQ(0, std::memcmp(fromBytes.DIBSectionBitsPtr(), d.DIBSectionBitsPtr(), d.Header().biSizeImage));
    }
  }
}

class FakeWriter : public IJpegWriter {
 public:
  int init_result = 0;
  int encode_result = 0;
  int frees = 0, encodes = 0;
  int Init() override { return init_result; }
  int Encode(const JpegImage&, int, std::vector<std::uint8_t>& out) override {
    ++encodes;
    if (encode_result != 0) return encode_result;
    out = {0xFF, 0xD8, 0xFF, 0xD9};
    return 0;
  }
  void Free() override { ++frees; }
};

// Counts what the export asks of the stamps.
class FakeStamps : public IFileStamps {
 public:
  explicit FakeStamps(FakeFiles& fs) : fs_(fs) {}
  std::optional<FileStamp> Get(const std::string& path) override {
    ++gets;
    if (!fs_.Exists(path)) return std::nullopt;
    return FileStamp{111, 222, 333, 0x21};
  }
  void Set(const std::string&, const FileStamp&) override { ++sets; }
  int gets = 0, sets = 0;

 private:
  FakeFiles& fs_;
};

// Every failure raises 26001 from the JPEG module, frees a writer that
// encoded, and leaves the old file as it was with no part file behind.
TEST(SaveJpgFailures, RaiseAndKeepTheOldFile) {
  const struct {
    const char* what;
    int init, encode;
    bool empty_dib, unwritable;
    std::string description;
    bool encoded;
  } cases[] = {
      {"init", -7, 0, false, false, "Failed to initialise the IJL library: -7", false},
      {"encode", 0, kJpegEncodeFailed, false, false, "Failed to save to JPG 2", true},
      {"empty picture", 0, 0, true, false, "Failed to save to JPG " + std::to_string(kJpegBadImage), false},
      {"unwritable", 0, 0, false, true, "Failed to save to JPG " + std::to_string(kJpegFileFailed), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFiles fs;
    FakeWriter writer;
    FakeStamps stamps{fs};
    JpegSaver saver{fs, writer, "Quillpad", &stamps};
    const std::string name = "C:\\Temp\\qzdesk\\\\Quillpad.JPG";
    fs.files[name] = {7};
    cDIBSection dib;
    if (!c.empty_dib) {
      ASSERT_TRUE(dib.Create(3, 2));
    }
    writer.init_result = c.init;
    writer.encode_result = c.encode;
    if (c.unwritable) fs.unwritable.insert(name + ".part");  // where the new file is written first
    try {
      SaveJPG(saver, dib, name, 90);
      ADD_FAILURE() << "no error raised";
    } catch (const RaisedError& e) {
      EXPECT_EQ(e.number(), 26001);
      EXPECT_EQ(e.source(), "Quillpad.mIntelJPEGLibrary");
      EXPECT_EQ(e.description(), c.description);
    }
    if (c.encoded) {
      EXPECT_EQ(writer.frees, 1);
    } else {
      EXPECT_EQ(writer.encodes, 0);
    }
    EXPECT_EQ(stamps.sets, 0);
    if (c.empty_dib) {
      EXPECT_EQ(stamps.gets, 0);
    }
    EXPECT_EQ(fs.files.at(name), std::vector<std::uint8_t>{7});
    EXPECT_FALSE(fs.Exists(name + ".part"));
  }
}

TEST(SaveJpg, UndeletableFileRaisesAccessErrorBeforeWriting) {
  FakeFiles fs;
  FakeWriter writer;
  FakeStamps stamps{fs};
  JpegSaver saver{fs, writer, "Quillpad", &stamps};
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 2));
  const std::string name = "C:\\Temp\\qzdesk\\\\Quillpad.JPG";
  fs.files[name] = {9, 9};
  fs.locked.insert(name);
  try {
    SaveJPG(saver, dib, name, 90);
    FAIL() << "no error raised";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::Cause::AccessDenied);
  }
  EXPECT_EQ(writer.frees, 1);
  EXPECT_EQ(fs.files.at(name), (std::vector<std::uint8_t>{9, 9}));
  EXPECT_FALSE(fs.Exists(name + ".part"));
}

}  // namespace
}  // namespace kit::sigpad
