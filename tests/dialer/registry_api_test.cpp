#include "dialer/registry_api.h"

#include <gtest/gtest.h>

#include "ports/platform.h"
#include "sim/registry/registry_store.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::dialer {
namespace {

const ICodePage& Cp() { return *DefaultPlatform().codepage; }

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

struct KitRoot {
  testing::TempKitRoot root;
};

// The registry of the POSIX programs, in a KIT_ROOT of its own.
struct Store : KitRoot, sim::FileRegistry {
  Store() : sim::FileRegistry((root.root() / "registry").string()) {}
  void Put(RegRoot r, const std::string& key, const std::string& name, std::uint32_t type,
           std::vector<std::uint8_t> data) {
    CreateKey(r, key);
    WriteValue(r, key, name, RegValue{type, std::move(data)});
  }
  std::optional<RegValue> Get(RegRoot r, const std::string& key, const std::string& name) {
    return ReadValue(r, key, name);
  }
};

TEST(RegistryApi, CreateRegKeyTellsExistingAndRaises1001) {
  Store reg;
  RegistryAPI api(reg, Cp());
  EXPECT_FALSE(api.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));
  EXPECT_FALSE(api.CreateRegKey(RegRoot::kCurrentUser, kNeedCreatKey));
  EXPECT_TRUE(api.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));
  EXPECT_TRUE(api.CreateRegKey(RegRoot::kCurrentUser, kNeedCreatKey));

  reg.read_only = true;
  EXPECT_TRUE(api.CreateRegKey(RegRoot::kCurrentUser, kNeedCreatKey));
  try {
    api.CreateRegKey(RegRoot::kCurrentUser, "Software\\Other");
    FAIL() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_EQ(e.number(), 1001);
    EXPECT_STREQ(e.what(), "Unable to create the registry key");
  }
}

TEST(RegistryApi, ReadsEachTypeAndDefaults) {
  Store reg;
  RegistryAPI api(reg, Cp());
  // No NeedCreat key at all: "IsOK" reads as the default 0.
  EXPECT_EQ(std::get<std::int32_t>(
                api.ReadRegValue(RegRoot::kCurrentUser, kNeedCreatKey, "IsOK", reg::kDword, std::int32_t{0})),
            0);
  reg.Put(RegRoot::kCurrentUser, kNeedCreatKey, "IsOK", reg::kDword, {1, 0, 0, 0});
  EXPECT_EQ(std::get<std::int32_t>(
                api.ReadRegValue(RegRoot::kCurrentUser, kNeedCreatKey, "isok", reg::kDword, std::int32_t{0})),
            1);
  // Too short for a number, longer than the 1024-byte buffer, absent: the
  // default. Text whole without the NUL or what follows it, or cut at the
  // reported length when not terminated.
  std::string ansi = Cp().FromUtf8("澄岚市电子政务办公室");
  struct Case {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    RegVariant fallback, want;
  } cases[] = {
      {"neg", reg::kDword, {0xFE, 0xFF, 0xFF, 0xFF}, std::int32_t{0}, std::int32_t{-2}},
      {"short", reg::kDword, {1, 0}, std::int32_t{9}, std::int32_t{9}},
      {"CompanyName", reg::kSz, Bytes(ansi + std::string("\0junk\0", 6)), std::string("x"),
       std::string("澄岚市电子政务办公室")},
      {"raw", reg::kSz, Bytes("abc"), std::string(), std::string("abc")},
      {"long", reg::kSz, Bytes(std::string(1500, 'a')), std::string("d"), std::string("d")},
      {"bin", reg::kBinary, {1, 2, 0, 3}, std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{1, 2, 0, 3}},
      {"none", reg::kSz, {}, std::string("d"), std::string("d")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) != "none") reg.Put(RegRoot::kLocalMachine, "K", c.name, c.type, c.data);
    EXPECT_TRUE(api.ReadRegValue(RegRoot::kLocalMachine, "K", c.name, c.type, c.fallback) == c.want);
  }

  // An unsupported type raises 1001; on a key that is not there, the
  // default comes first.
  try {
    api.ReadRegValue(RegRoot::kLocalMachine, "K", "bin", 7, std::string());
    FAIL() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_EQ(e.number(), 1001);
    EXPECT_STREQ(e.what(), "Unsupported value type");
  }
  EXPECT_EQ(std::get<std::string>(api.ReadRegValue(RegRoot::kLocalMachine, "None", "bin", 7, std::string("d"))), "d");
}

TEST(RegistryApi, WriteNeedsAnExistingKey) {
  Store reg;
  RegistryAPI api(reg, Cp());
  EXPECT_FALSE(api.WriteRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "ProhibitIPSec", reg::kDword, 1));
  EXPECT_FALSE(reg.KeyExists(RegRoot::kLocalMachine, kRasManParametersKey));
  reg.CreateKey(RegRoot::kLocalMachine, kRasManParametersKey);
  EXPECT_TRUE(api.WriteRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "ProhibitIPSec", reg::kDword, 1));
  std::optional<RegValue> v = reg.Get(RegRoot::kLocalMachine, kRasManParametersKey, "ProhibitIPSec");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, reg::kDword);
  EXPECT_EQ(v->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_TRUE(api.WriteRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "n", reg::kDword, std::string("7")));
  EXPECT_EQ(reg.Get(RegRoot::kLocalMachine, kRasManParametersKey, "n")->data, (std::vector<std::uint8_t>{7, 0, 0, 0}));
  EXPECT_FALSE(api.WriteRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "n", reg::kDword, std::string("x")));
  EXPECT_TRUE(api.WriteRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "s", reg::kSz, std::string("中文")));
  EXPECT_EQ(reg.Get(RegRoot::kLocalMachine, kRasManParametersKey, "s")->data, Bytes("\xD6\xD0\xCE\xC4" + std::string(1, '\0')));
  reg.read_only = true;
  EXPECT_FALSE(api.WriteRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "ProhibitIPSec", reg::kDword, 0));
  EXPECT_EQ(reg.Get(RegRoot::kLocalMachine, kRasManParametersKey, "ProhibitIPSec")->data,
            (std::vector<std::uint8_t>{1, 0, 0, 0}));
}

TEST(Scramble, ShiftIsOneAndRoundTrips) {
  std::string ascii;
  for (char c = 0x20; c < 0x7F; ++c) ascii += c;
  std::string enc = Enc(Cp(), ascii, EncCode);
  ASSERT_EQ(enc.size(), ascii.size());
  EXPECT_EQ(enc.substr(0, 3), "!\"#");
  EXPECT_EQ(static_cast<unsigned char>(enc.back()), 0x7F);
  EXPECT_EQ(deEnc(Cp(), enc, deEncCode), ascii);

  // "剥" is B0 FE: its trail byte is the last one a pair can have.
  for (std::string s : {"张三", "澄岚市电子政务内网VPN连接", "剥啊齄", "用户 a&b|c", "密码123abc"}) {
    std::string e = Enc(Cp(), s, EncCode);
    EXPECT_EQ(e.find('\0'), std::string::npos);
    EXPECT_EQ(deEnc(Cp(), e, deEncCode), s) << s;
  }
  // A double-byte character moves as one 16-bit code.
  EXPECT_EQ(Enc(Cp(), "剥", 1), "\xB0\xFF");
  EXPECT_EQ(Enc(Cp(), "中a", 1), "\xD6\xD1" "b");
  EXPECT_EQ(Enc(Cp(), "", 1), "");
  // Tampered bytes still give text: no NUL, nothing read past the end.
  EXPECT_EQ(deEnc(Cp(), "\x01\x02", 1), "?\x01");
  EXPECT_EQ(deEnc(Cp(), "\xB0", 1), "?");
}

TEST(Settings, SectionPerBuildAndCredentials) {
  Store reg;
  RegistryAPI api(reg, Cp());
  Settings gate(api, ProfileFor(Build::kTunnelgate));
  Settings post(api, ProfileFor(Build::kTunnelpost));
  EXPECT_EQ(gate.SectionKey(), "Software\\VB and VBA Program Settings\\Tunnelgate\\settings");
  EXPECT_EQ(post.SectionKey(), "Software\\VB and VBA Program Settings\\Tunnelpost\\settings");
  EXPECT_EQ(gate.Get("LocalGateway"), "");
  EXPECT_TRUE(gate.Save("LocalGateway", "192.168.1.1"));
  EXPECT_EQ(gate.Get("LocalGateway"), "192.168.1.1");
  std::optional<RegValue> v = reg.Get(RegRoot::kCurrentUser, gate.SectionKey(), "LocalGateway");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, reg::kSz);

  EXPECT_TRUE(gate.SaveCredentials("张三 zs", "pa55"));
  EXPECT_EQ(reg.Get(RegRoot::kCurrentUser, gate.SectionKey(), "VpnPassword")->data,
            Bytes(std::string("qb66") + std::string(1, '\0')));
  EXPECT_EQ(gate.LoadCredentials(), std::make_pair(std::string("张三 zs"), std::string("pa55")));
  // The other build keeps its own section.
  EXPECT_EQ(post.LoadCredentials(), std::make_pair(std::string(), std::string()));

  reg.read_only = true;
  EXPECT_FALSE(post.Save("LocalGateway", "x"));
}

}  // namespace
}  // namespace kit::dialer
