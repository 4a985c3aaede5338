#include "platform/win32/exchange/win32_exchange.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

class Win32LookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("kit-exchange-" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Make(const std::string& name, std::size_t size) const {
    std::ofstream(dir_ / name, std::ios::binary) << std::string(size, 'x');
  }
  std::filesystem::path dir_;
};

// A file held for writing is not there for IsExsitFile; readers share it.
TEST_F(Win32LookupTest, SharedReadOpenAgainstAWriter) {
  Make("a.doc", 3);
  Win32FileLookup lookup;
  Win32FileSystem fs;
  EXPECT_TRUE(lookup.OpenSharedRead(Path("a.doc")));
  {
    auto reader = fs.OpenRead(Path("a.doc"));
    EXPECT_TRUE(lookup.OpenSharedRead(Path("a.doc")));
  }
  {
    auto writer = fs.CreateWrite(Path("a.doc"));
    EXPECT_FALSE(lookup.OpenSharedRead(Path("a.doc")));
  }
  EXPECT_TRUE(lookup.OpenSharedRead(Path("a.doc")));
  EXPECT_FALSE(lookup.OpenSharedRead(dir_.string())) << "a folder";
  EXPECT_FALSE(lookup.OpenSharedRead(Path("none.doc")));
}

TEST(FileDialogAnswerTest, FolderAndNames) {
  const char one[] = "C:\\d\\a.doc\0";
  EXPECT_EQ(SplitFileDialogAnswer(one, sizeof one), (std::vector<std::string>{"C:\\d\\a.doc"}));
  const char three[] = "C:\\d\0" "1.doc\0" "2.doc\0" "3.doc\0";
  EXPECT_EQ(SplitFileDialogAnswer(three, sizeof three),
            (std::vector<std::string>{"C:\\d\\1.doc", "C:\\d\\2.doc", "C:\\d\\3.doc"}));
  const char root[] = "C:\\\0" "x.doc\0" "y.doc\0";
  EXPECT_EQ(SplitFileDialogAnswer(root, sizeof root), (std::vector<std::string>{"C:\\x.doc", "C:\\y.doc"}));
  const char none[] = "\0";
  EXPECT_TRUE(SplitFileDialogAnswer(none, sizeof none).empty());
  const char unterminated[] = {'C', ':', '\\', 'a'};
  EXPECT_EQ(SplitFileDialogAnswer(unterminated, sizeof unterminated), (std::vector<std::string>{"C:\\a"}));
}

}  // namespace
}  // namespace kit::win32
