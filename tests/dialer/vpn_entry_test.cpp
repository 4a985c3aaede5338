#include "dialer/vpn_entry.h"

#include <gtest/gtest.h>

#include "dialer/dialer.h"
#include "tests/dialer/fakes.h"

namespace kit::dialer {
namespace {

using testing::Rig;

std::uint32_t At32(const std::vector<std::uint8_t>& r, std::size_t at) {
  return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | static_cast<std::uint32_t>(r[at + 3]) << 24;
}
std::string Field(const std::vector<std::uint8_t>& r, std::size_t at, std::size_t width) {
  std::string s(r.begin() + static_cast<std::ptrdiff_t>(at), r.begin() + static_cast<std::ptrdiff_t>(at + width));
  return s.substr(0, s.find('\0'));
}

TEST(VpnEntry, EntryRecordBytes) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  std::vector<std::uint8_t> r = BuildRasEntry(cp, "198.18.20.1");
  ASSERT_EQ(r.size(), 2884u);
  // Each field by its offset; every other byte is zero.
  std::vector<std::pair<std::size_t, std::uint32_t>> dwords = {
      {0, 2884}, {4, 0x3D0D0310}, {8, 86}, {12, 86}, {184, 4}, {188, 1}, {1772, 1}, {1776, 75},
      {1780, 120}, {1784, 10}, {1788, 120}, {1796, 2}, {1800, 3}, {2084, 3}, {2088, 0x16F},
      {2876, 3}, {2880, 60}};
  std::vector<std::uint8_t> expect(2884, 0);
  for (auto [at, v] : dwords) testing::Put32(expect, at, v);
  const std::string phone = "198.18.20.1";
  const std::string device = "WAN \xCE\xA2\xD0\xCD\xB6\xCB\xBF\xDA (L2TP)";
  std::copy(phone.begin(), phone.end(), expect.begin() + 27);
  std::copy(std::begin("vpn"), std::end("vpn") - 1, expect.begin() + 972);
  std::copy(device.begin(), device.end(), expect.begin() + 989);
  EXPECT_EQ(r, expect);
}

TEST(VpnEntry, CredentialsRecordBytes) {
  const ICodePage& cp = *DefaultPlatform().codepage;
  std::vector<std::uint8_t> r = BuildRasCredentials(cp, "张三", "secret");
  ASSERT_EQ(r.size(), 540u);
  EXPECT_EQ(At32(r, 0), 540u);
  EXPECT_EQ(At32(r, 4), 0xBu);
  EXPECT_EQ(Field(r, 8, 257), "\xD5\xC5\xC8\xFD");
  EXPECT_EQ(Field(r, 265, 257), "secret");
  for (std::size_t i = 522; i < 540; ++i) EXPECT_EQ(r[i], 0) << i;

  // Too long: cut to the field with its NUL, never inside a character.
  std::vector<std::uint8_t> f(20, 0xEE);
  PutField(f, 2, 6, "abcdefgh");
  EXPECT_EQ(std::string(f.begin() + 2, f.begin() + 8), std::string("abcde\0", 6));
  EXPECT_EQ(f[8], 0xEE);
  PutField(f, 2, 6, "ab\xD5\xC5\xC8\xFD");
  EXPECT_EQ(std::string(f.begin() + 2, f.begin() + 8), std::string("ab\xD5\xC5\0\0", 6));
}

TEST(VpnEntry, CreateConnectionCalls) {
  Rig rig;
  EXPECT_TRUE(Create_VPN_Connection(rig.ras, *DefaultPlatform().codepage, kEntryName, "1.2.3.4", "u", "p"));
  EXPECT_EQ(rig.ras.entry_name, "\xB3\xCE\xE1\xB0\xCA\xD0\xB5\xE7\xD7\xD3\xD5\xFE\xCE\xF1\xC4\xDA\xCD\xF8VPN\xC1\xAC\xBD\xD3");
  EXPECT_EQ(rig.ras.cred_name, rig.ras.entry_name);
  EXPECT_EQ(rig.j.lines, (std::vector<std::string>{"ras entry [] 2884", "ras credentials [] 540"}));
  rig.ras.entry_result = 621;
  EXPECT_FALSE(Create_VPN_Connection(rig.ras, *DefaultPlatform().codepage, kEntryName, "1.2.3.4", "u", "p"));
  EXPECT_EQ(rig.j.lines.size(), 3u);  // no credentials after a failed entry
  rig.ras.entry_result = 0;
  rig.ras.cred_result = 5;
  EXPECT_FALSE(Create_VPN_Connection(rig.ras, *DefaultPlatform().codepage, kEntryName, "1.2.3.4", "u", "p"));
}

const char kCreated[] = "box 成功|VPN连接建立成功！连接名称不可更改|64";
const char kNotCreated[] = "box 失败|VPN连接建立失败！请重新建立或检查您的操作系统，本程序不支持Windows 2000及以下版本。|112";

TEST(CreateStep, AsksForTheBoxesFirst) {
  Rig rig;
  rig.dialer.CreateEntryStep();
  rig.view.user = "u";
  rig.dialer.CreateEntryStep();
  EXPECT_EQ(rig.j.lines, (std::vector<std::string>{"box Tunnelgate|请输入用户名！|0", "focus Text1",
                                                   "box Tunnelgate|请输入密码！|0", "focus Text2"}));
  EXPECT_TRUE(rig.registry.keys.empty());
}

TEST(CreateStep, XpMarksTheEntry) {
  Rig rig;
  rig.view.user = "张三";
  rig.view.password = "pw";
  rig.dialer.CreateEntryStep();
  EXPECT_EQ(Field(rig.ras.entry, rasentry::kLocalPhoneNumber, 129), "198.18.10.1");
  EXPECT_EQ(Field(rig.ras.credentials, 8, 257), "\xD5\xC5\xC8\xFD");
  const auto* v = rig.registry.Get(RegRoot::kCurrentUser, DefaultPlatform().codepage->FromUtf8(kNeedCreatKey), "IsOK");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(rig.j.lines.back(), kCreated);
  EXPECT_TRUE(rig.dialer.IsEntryRecorded());

  // Again, with the second line: same entry overwritten, still marked.
  rig.view.option2 = true;
  rig.dialer.CreateEntryStep();
  EXPECT_EQ(Field(rig.ras.entry, rasentry::kLocalPhoneNumber, 129), "198.18.20.1");
  EXPECT_TRUE(rig.dialer.IsEntryRecorded());
  EXPECT_TRUE(rig.registry.open.empty());

  // Failure: the message, no mark.
  Rig failed;
  failed.view.user = "u";
  failed.view.password = "p";
  failed.ras.cred_result = 1;
  failed.dialer.CreateEntryStep();
  EXPECT_FALSE(failed.dialer.IsEntryRecorded());
  EXPECT_EQ(failed.j.lines.back(), kNotCreated);
}

TEST(CreateStep, VistaFailureIsReportedAndUnmarked) {
  Rig rig;
  rig.wmi.version = "6.1.7600";
  rig.view.user = "u";
  rig.view.password = "p";
  rig.ras.entry_result = 632;
  rig.dialer.CreateEntryStep();
  EXPECT_FALSE(rig.dialer.IsEntryRecorded());
  EXPECT_EQ(rig.j.lines.back(), kNotCreated);
  EXPECT_TRUE(rig.registry.keys.empty());

  rig.ras.entry_result = 0;
  rig.dialer.CreateEntryStep();
  EXPECT_EQ(rig.j.lines.back(), kCreated);
  EXPECT_TRUE(rig.registry.keys.empty());

  // What the dial's command line cannot carry is refused before anything is
  // stored, with the dial's own message; XP dials through the phonebook's
  // dialog and takes it.
  struct Case {
    const char* version;
    const char* user;
    const char* password;
    bool refused;
    const char* focus;
  } cases[] = {
      {"6.1.7601", "u", "50%off", true, "focus Text2"},  {"6.0.6002", "u", "say \"hi\"", true, "focus Text2"},
      {"6.1.7601", "u\tv", "p", true, "focus Text1"},   {"6.1.7601", "my name", "a&b", false, ""},
      {"5.1.2600", "u", "50%off", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " " + c.user + " " + c.password);
    Rig r;
    r.wmi.version = c.version;
    r.view.user = c.user;
    r.view.password = c.password;
    r.dialer.CreateEntryStep();
    if (c.refused) {
      EXPECT_EQ(r.j.lines, (std::vector<std::string>{std::string("box Tunnelgate|") + text::kUnsafeCredentials + "|48",
                                                     c.focus}));
      EXPECT_TRUE(r.ras.credentials.empty());
    } else {
      EXPECT_EQ(r.j.lines.back(), kCreated);
    }
  }

  // Other versions: nothing at all.
  Rig other;
  other.wmi.version = "6.2.9200";
  other.view.user = "u";
  other.view.password = "p";
  other.dialer.CreateEntryStep();
  EXPECT_TRUE(other.j.lines.empty());
}

TEST(OptimizeStep, TranscriptAndReboot) {
  Rig rig;
  rig.registry.AddKey(RegRoot::kLocalMachine, kRasManParametersKey);
  rig.dialogs.answers = {id::kYes, id::kOk};
  rig.dialer.OptimizeStep();
  EXPECT_EQ(rig.j.lines,
            (std::vector<std::string>{
                "box 优化完毕重启计算机|本次操作将会重新启动您的计算机，请关闭或保存您所有应用程序后在继续，是否继续本次操作？|68",
                "start 0 cmd /c NET STOP PolicyAgent", "start 0 sc.exe config PolicyAgent start= demand",
                "start 0 cmd /c NET STOP sharedaccess", "wait 2", "start 0 sc.exe config sharedaccess start= disabled",
                "wait 2", "box 关闭程序后为VPN优化|VPN补丁优化完毕,确定后将重新启动计算机后生效！|64",
                "privilege SeShutdownPrivilege", "exitwindows 6 0"}));
  EXPECT_TRUE(rig.dialer.IsOptimized());

  Rig no;
  no.dialogs.answers = {id::kNo};
  no.dialer.OptimizeStep();
  EXPECT_EQ(no.j.lines.size(), 1u);

  // No RasMan key: the failure is shown and nothing else happens.
  Rig missing;
  missing.dialogs.answers = {id::kYes};
  missing.dialer.OptimizeStep();
  ASSERT_EQ(missing.j.lines.size(), 2u);
  EXPECT_EQ(missing.j.lines[1], std::string("box 优化失败|") + text::kOptimizeWriteFailed + "|16");
  EXPECT_FALSE(missing.dialer.IsOptimized());

  Rig refused;
  refused.registry.AddKey(RegRoot::kLocalMachine, kRasManParametersKey);
  refused.power.exit_ok = false;
  refused.dialogs.answers = {id::kYes, id::kOk};
  refused.dialer.OptimizeStep();
  EXPECT_EQ(refused.j.lines.back(), std::string("box 优化失败|") + text::kRebootFailed + "|48");
}

}  // namespace
}  // namespace kit::dialer
