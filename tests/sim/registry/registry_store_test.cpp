// The registry of the POSIX programs: files under KIT_ROOT that survive a
// crash, names as the desktop's ANSI calls see them. The values the dialer
// keeps there are pinned by its own tests and sessions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dialer/registry_api.h"
#include "platform/posix/iconv_codepage.h"
#include "sim/registry/registry_store.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::sim {
namespace {

void Write(const std::filesystem::path& p, const std::string& text) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

TEST(FileRegistry, KeepsCodePage936AndFoldsOnlyAsciiLetters) {
  // 癆 is B0 41 and 癮 B0 61: two different characters; A and a are one name.
  EXPECT_EQ(FoldName("AbC\\\xB0\x41Z"), "abc\\\xB0\x41z");
  testing::TempKitRoot root;
  FileRegistry store;
  EXPECT_EQ(store.CreateKey(RegRoot::kCurrentUser, "K\\癆"), KeyCreation::kCreated);
  EXPECT_EQ(store.CreateKey(RegRoot::kCurrentUser, "k\\\\癆\\"), KeyCreation::kExisted);
  EXPECT_FALSE(store.KeyExists(RegRoot::kCurrentUser, "k\\癮"));
  ASSERT_TRUE(store.WriteValue(RegRoot::kCurrentUser, "k\\癆", "V", RegValue{reg::kBinary, {1, 2, 3}}));
  std::optional<RegValue> v = FileRegistry().ReadValue(RegRoot::kCurrentUser, "K\\癆", "v");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, reg::kBinary);
  EXPECT_EQ(v->data, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_FALSE(store.KeyExists(RegRoot::kLocalMachine, "K\\癆"));
  // The file holds the names as the desktop's ANSI calls see them.
  RegistryImage image;
  const std::string bytes = root.ReadFile("registry/HKEY_CURRENT_USER.reg");
  ASSERT_TRUE(DecodeRegistryImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &image));
  ASSERT_EQ(image.size(), 2u);
  EXPECT_EQ(image[1].path, "K\\\xB0\x41");
  EXPECT_EQ(EncodeRegistryImage(image), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

TEST(FileRegistry, ACrashNeverLosesWhatWasThere) {
  testing::TempKitRoot root;
  FileRegistry store;
  dialer::RegistryAPI api(store, posix::SystemCodePage());
  dialer::Settings s(api, dialer::ProfileFor(dialer::Build::kTunnelpost));
  ASSERT_TRUE(s.Save("LocalGateway", "192.168.1.1"));
  const std::filesystem::path file = root.root() / "registry" / "HKEY_CURRENT_USER.reg";
  const std::string before = root.ReadFile("registry/HKEY_CURRENT_USER.reg");

  // A write that died half-way leaves only its temporary file behind.
  Write(file.string() + ".new", before.substr(0, before.size() / 2));
  EXPECT_EQ(s.Get("LocalGateway"), "192.168.1.1");
  ASSERT_TRUE(s.Save("RomteGateway", "172.16.0.1"));
  EXPECT_EQ(s.Get("LocalGateway"), "192.168.1.1");
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".new"));

  // A damaged store is neither read as empty nor overwritten.
  const std::string good = root.ReadFile("registry/HKEY_CURRENT_USER.reg");
  Write(file, good.substr(0, good.size() - 3));
  EXPECT_EQ(s.Get("LocalGateway"), "");
  EXPECT_FALSE(s.Save("LocalGateway", "x"));
  EXPECT_EQ(root.ReadFile("registry/HKEY_CURRENT_USER.reg"), good.substr(0, good.size() - 3));
}

}  // namespace
}  // namespace kit::sim
