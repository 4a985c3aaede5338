#include "platform/posix/posix_paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "ports/files.h"
#include "tests/common/golden.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::posix {
namespace {

namespace fs = std::filesystem;

// 批注人 and 乗 in code page 936; the second byte of 乗 is 0x5C, a backslash.
const std::string kPizhurenGbk = "\xC5\xFA\xD7\xA2\xC8\xCB";
const std::string kPizhurenUtf8 = "\xE6\x89\xB9\xE6\xB3\xA8\xE4\xBA\xBA";
const std::string kChengGbk = "\x81\x5C";
const std::string kChengUtf8 = "\xE4\xB9\x97";

class PathMapping : public ::testing::Test {
 protected:
  testing::TempKitRoot tmp;
};

// Drive letters name lower-case folders under the root; existing names
// match whatever the case of their ASCII letters, new ones keep theirs; ".."
// is lexical and stops at the drive; code page 936 names become UTF-8.
// Network, device and empty paths are not found.
TEST_F(PathMapping, DrivePathsMapUnderTheRoot) {
  tmp.MakeFile("c/Temp/QZDesk/A.doc", "x");
  tmp.MakeFile("c/dir/ABC");
  tmp.MakeFile("c/dir/abc");
  tmp.MakeFile("c/dir/@");
  tmp.MakeFile("c/" + kPizhurenUtf8 + "Doc/f");
  kit::testing::ExpectTable(KIT_TESTS_DIR "/platform/drive_paths.table", [this](const std::string& path) {
    try {
      return NativePath(path).substr(tmp.root().string().size() + 1);
    } catch (const FileError& e) {
      EXPECT_EQ(e.cause(), FileError::Cause::NotFound) << path;
      EXPECT_EQ(e.path(), path);
      return std::string("not found");
    }
  });
  EXPECT_EQ(NativePath("c:\\" + kPizhurenGbk + "DOC\\F"), tmp.Native("c/" + kPizhurenUtf8 + "Doc/f"));
  // The trail byte 0x5C belongs to the character; it does not split the name.
  EXPECT_EQ(NativePath("c:\\x" + kChengGbk + "y\\z"), tmp.Native("c/x" + kChengUtf8 + "y/z"));
  // Neither spelling: the choice is the same every time.
  EXPECT_EQ(NativePath("c:\\DIR\\aBC"), NativePath("c:\\dir\\Abc"));
  EXPECT_THROW(NativePath(std::string("c:\\a\0b", 7)), FileError);
}

TEST_F(PathMapping, RootComesFromTheEnvironment) {
  EXPECT_EQ(KitRoot(), tmp.root().string());
  setenv("KIT_ROOT", (tmp.root().string() + "//").c_str(), 1);
  EXPECT_EQ(KitRoot(), tmp.root().string());

  unsetenv("KIT_ROOT");
  setenv("XDG_DATA_HOME", (tmp.dir() / "xdg").c_str(), 1);
  EXPECT_EQ(KitRoot(), (tmp.dir() / "xdg" / "desktop-client-kit").string());
  EXPECT_EQ(NativePath("c:\\a"), (tmp.dir() / "xdg" / "desktop-client-kit" / "c" / "a").string());

  unsetenv("XDG_DATA_HOME");
  setenv("HOME", (tmp.dir() / "home").c_str(), 1);
  EXPECT_EQ(KitRoot(), (tmp.dir() / "home" / ".local/share/desktop-client-kit").string());
  setenv("KIT_ROOT", "", 1);
  EXPECT_EQ(KitRoot(), (tmp.dir() / "home" / ".local/share/desktop-client-kit").string());
}

// Folder lookups may be remembered between calls; a change to the folder,
// however soon after a lookup, must show in the next one.
TEST_F(PathMapping, CaseMatchesFollowChangesToTheFolder) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    std::function<void(const fs::path& c)> change;
    const char* expected;  // below the root
  };
  const Case cases[] = {
      {"a smaller spelling appears", [](const fs::path& c) { fs::create_directory(c / "TEMP"); }, "c/TEMP/f"},
      {"the spelling is renamed", [](const fs::path& c) { fs::rename(c / "tEMP", c / "teMp"); }, "c/teMp/f"},
      {"the spelling goes away", [](const fs::path& c) { fs::remove(c / "tEMP"); }, "c/temp/f"},
      {"the folder is replaced", [](const fs::path& c) {
         fs::rename(c, c.parent_path() / "old");
         fs::create_directories(c / "tEmp");
       }, "c/tEmp/f"},
  };
  for (bool settled : {false, true}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(k.name) + (settled ? ", folder settled" : ", right away"));
      std::error_code ec;
      fs::remove_all(tmp.root(), ec);
      fs::create_directories(tmp.root() / "c" / "tEMP");
      // A folder untouched for a while is the one a lookup may remember.
      if (settled) std::this_thread::sleep_for(std::chrono::milliseconds(150));
      ASSERT_EQ(NativePath("c:\\temp\\f"), tmp.Native("c/tEMP/f"));
      ASSERT_EQ(NativePath("c:\\Temp\\f"), tmp.Native("c/tEMP/f"));
      k.change(tmp.root() / "c");
      EXPECT_EQ(NativePath("c:\\temp\\f"), tmp.Native(k.expected));
      fs::remove_all(tmp.root().parent_path() / "old", ec);
    }
  }
}

// Relative, rooted and drive-relative paths against the current directory:
// one on c:, one outside the drives (where no number of ".." leads out of
// the root of c:), the kit root itself.
TEST_F(PathMapping, RelativePathsResolveAgainstTheCurrentDirectory) {
  tmp.MakeFile("c/Work/Sub/Data.txt");
  fs::create_directories(tmp.dir() / "Plain" / "deep");
  const std::map<std::string, fs::path> folders = {
      {"c/Work", tmp.root() / "c" / "Work"}, {"Plain/deep", tmp.dir() / "Plain" / "deep"}, {"root", tmp.root()}};
  kit::testing::ExpectTable(KIT_TESTS_DIR "/platform/relative_paths.table", [&](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    fs::current_path(folders.at(f.at(0)));
    return NativePath(f.at(1)).substr(tmp.root().string().size() + 1);
  });
}

}  // namespace
}  // namespace kit::posix
