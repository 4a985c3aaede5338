// The registry of the POSIX programs: files under KIT_ROOT that survive a
// crash. The values the dialer keeps there, and their names, are pinned by
// its own tests and sessions.
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
