#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>

#include "dialer/registry_api.h"
#include "platform/win32/dialer/win32_dialer.h"
#include "platform/win32/dialer/win32_dialer_records.h"
#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

constexpr char kTestKey[] = "Software\\KitDialerAdapterTest";

// A value under HKEY_CURRENT_USER as the ANSI query returns it.
std::optional<std::string> RawCurrentUserString(const std::string& path, const std::string& name,
                                                std::uint32_t* type) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return std::nullopt;
  char buf[1024] = {};
  DWORD size = sizeof buf, t = 0;
  LONG rc = RegQueryValueExA(h, name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  *type = t;
  std::string s(buf, size);
  return s.substr(0, s.find('\0'));
}

class RegistryCleanup {
 public:
  ~RegistryCleanup() {
    Win32CodePage cp;
    for (const std::string& key : {std::string(kTestKey) + "\\" + cp.FromUtf8("澄岚") + "\\sub",
                                   std::string(kTestKey) + "\\" + cp.FromUtf8("澄岚"), std::string(kTestKey)}) {
      RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
  }
};

TEST(Win32Registry, RoundTripsThroughTheSystemRegistry) {
  RegistryCleanup cleanup;
  Win32CodePage cp;
  Win32Registry reg(cp);
  dialer::RegistryAPI api(reg, cp);
  const std::string key = std::string(kTestKey) + "\\澄岚\\sub";
  EXPECT_FALSE(api.KeyExists(RegRoot::kCurrentUser, key));
  EXPECT_FALSE(api.WriteRegValue(RegRoot::kCurrentUser, key, "IsOK", reg::kDword, 1));
  EXPECT_FALSE(api.CreateRegKey(RegRoot::kCurrentUser, key));
  EXPECT_TRUE(api.CreateRegKey(RegRoot::kCurrentUser, key));
  EXPECT_TRUE(api.WriteRegValue(RegRoot::kCurrentUser, key, "IsOK", reg::kDword, 1));
  EXPECT_EQ(std::get<std::int32_t>(api.ReadRegValue(RegRoot::kCurrentUser, key, "isok", reg::kDword, 0)), 1);
  EXPECT_TRUE(api.WriteRegValue(RegRoot::kCurrentUser, key, "Name", reg::kSz, std::string("澄岚市电子政务办公室")));
  EXPECT_EQ(std::get<std::string>(api.ReadRegValue(RegRoot::kCurrentUser, key, "Name", reg::kSz, std::string())),
            "澄岚市电子政务办公室");
  // The bytes the system holds are code page 936.
  std::uint32_t type = 0;
  EXPECT_EQ(RawCurrentUserString(cp.FromUtf8(key), "Name", &type),
            std::optional<std::string>(cp.FromUtf8("澄岚市电子政务办公室")));
  EXPECT_EQ(type, reg::kSz);

  std::string scrambled = dialer::Enc(cp, "剥张三 x", dialer::EncCode);
  EXPECT_TRUE(api.WriteStringBytesCreating(RegRoot::kCurrentUser, key, "VpnUser", scrambled));
  EXPECT_EQ(api.ReadStringBytes(RegRoot::kCurrentUser, key, "VpnUser"), std::optional<std::string>(scrambled));
  EXPECT_EQ(dialer::deEnc(cp, *api.ReadStringBytes(RegRoot::kCurrentUser, key, "VpnUser"), dialer::deEncCode),
            "剥张三 x");
}

// The entry as the create step writes it, with every field the dialer does
// not set left zero.
TEST(Win32Records, VpnEntry) {
  Win32CodePage cp;
  RASENTRYA want;
  std::memset(&want, 0, sizeof want);
  want.dwSize = 2884;
  want.dwfOptions = 0x3D0D0310;
  want.dwCountryID = 86;
  want.dwCountryCode = 86;
  std::strcpy(want.szLocalPhoneNumber, "198.18.20.1");
  want.dwfNetProtocols = 4;
  want.dwFramingProtocol = 1;
  std::strcpy(want.szDeviceType, "vpn");
  std::strcpy(want.szDeviceName, "WAN \xCE\xA2\xD0\xCD\xB6\xCB\xBF\xDA (L2TP)");
  want.dwDialMode = 1;
  want.dwDialExtraPercent = 75;
  want.dwDialExtraSampleSeconds = 120;
  want.dwHangUpExtraPercent = 10;
  want.dwHangUpExtraSampleSeconds = 120;
  want.dwType = 2;
  want.dwEncryptionType = 3;
  want.dwVpnStrategy = 3;
  want.dwfOptions2 = 0x16F;
  want.dwRedialCount = 3;
  want.dwRedialPause = 60;
  RASENTRYA got = VpnEntryRecord(cp, "198.18.20.1");
  ASSERT_EQ(sizeof got, 2884u);
  EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0);
}

TEST(Win32Records, CredentialsAndFields) {
  Win32CodePage cp;
  RASCREDENTIALSA c = VpnCredentialsRecord(cp, "张三", "secret");
  ASSERT_EQ(sizeof c, 540u);
  EXPECT_EQ(c.dwSize, 540u);
  EXPECT_EQ(c.dwMask, 0xBu);
  EXPECT_STREQ(c.szUserName, "\xD5\xC5\xC8\xFD");
  EXPECT_STREQ(c.szPassword, "secret");
  EXPECT_STREQ(c.szDomain, "");

  // Too long: cut to the field with its NUL, never inside a character.
  char f[20];
  std::memset(f, 0xEE, sizeof f);
  PutField(f + 2, 6, "abcdefgh");
  EXPECT_EQ(std::string(f + 2, 6), std::string("abcde\0", 6));
  EXPECT_EQ(static_cast<unsigned char>(f[8]), 0xEE);
  PutField(f + 2, 6, "ab\xD5\xC5\xC8\xFD");
  EXPECT_EQ(std::string(f + 2, 6), std::string("ab\xD5\xC5\0\0", 6));
}

// The two phonebook calls, caught instead of made.
struct Calls {
  std::vector<std::string> log;
  DWORD entry_result = 0, credentials_result = 0;
  RASENTRYA entry;
  RASCREDENTIALSA credentials;
};
Calls* g_calls = nullptr;

unsigned long __stdcall CatchEntry(const char* phonebook, const char* name, void* record, unsigned long size,
                                   unsigned char* device, unsigned long device_size) {
  g_calls->log.push_back(std::string("entry ") + (phonebook ? phonebook : "(default)") + " " + name + " " +
                         std::to_string(size) + (device == nullptr && device_size == 0 ? "" : " device"));
  std::memcpy(&g_calls->entry, record, sizeof g_calls->entry);
  return g_calls->entry_result;
}

unsigned long __stdcall CatchCredentials(const char* phonebook, const char* name, void* record, int clear) {
  g_calls->log.push_back(std::string("credentials ") + (phonebook ? phonebook : "(default)") + " " + name +
                         (clear ? " clear" : ""));
  std::memcpy(&g_calls->credentials, record, sizeof g_calls->credentials);
  return g_calls->credentials_result;
}

TEST(Win32Phonebook, EntryThenCredentialsOfTheDefaultPhonebook) {
  Win32CodePage cp;
  const std::string entry = cp.FromUtf8("澄岚市电子政务内网VPN连接");
  struct Case {
    DWORD entry_result, credentials_result;
    bool ok;
    std::vector<std::string> log;
  } cases[] = {
      {0, 0, true, {"entry (default) " + entry + " 2884", "credentials (default) " + entry}},
      {621, 0, false, {"entry (default) " + entry + " 2884"}},
      {0, 5, false, {"entry (default) " + entry + " 2884", "credentials (default) " + entry}},
  };
  for (const Case& c : cases) {
    Calls calls;
    calls.entry_result = c.entry_result;
    calls.credentials_result = c.credentials_result;
    g_calls = &calls;
    Win32Phonebook phonebook(cp, CatchEntry, CatchCredentials);
    EXPECT_EQ(phonebook.CreateVpnEntry("澄岚市电子政务内网VPN连接", "198.18.10.1", "张三", "pw"), c.ok);
    EXPECT_EQ(calls.log, c.log);
    EXPECT_STREQ(calls.entry.szLocalPhoneNumber, "198.18.10.1");
    if (c.log.size() == 2) {
      EXPECT_STREQ(calls.credentials.szUserName, "\xD5\xC5\xC8\xFD");
    }
    g_calls = nullptr;
  }
}

// A table of `rows`, with `count` as its entry count.
std::vector<std::uint8_t> Table(const std::vector<MIB_IFROW>& rows, DWORD count) {
  std::vector<std::uint8_t> t(offsetof(MIB_IFTABLE, table) + rows.size() * sizeof(MIB_IFROW), 0);
  std::memcpy(t.data(), &count, sizeof count);
  if (!rows.empty()) std::memcpy(t.data() + offsetof(MIB_IFTABLE, table), rows.data(), rows.size() * sizeof(MIB_IFROW));
  return t;
}

MIB_IFROW Row(DWORD type, DWORD speed, DWORD in, DWORD out, DWORD discards, DWORD errors) {
  MIB_IFROW r;
  std::memset(&r, 0, sizeof r);
  r.dwType = type;
  r.dwSpeed = speed;
  r.dwInOctets = in;
  r.dwOutOctets = out;
  r.dwInDiscards = discards;
  r.dwInErrors = errors;
  return r;
}

TEST(Win32Records, InterfaceTableRowsTheBytesHold) {
  const std::vector<MIB_IFROW> rows = {Row(IF_TYPE_ETHERNET_CSMACD, 100000000, 77, 88, 1, 1),
                                       Row(IF_TYPE_PPP, 64000, 5000, 900, 3, 44)};
  std::vector<std::uint8_t> t = Table(rows, 2);
  std::vector<InterfaceCounters> got = ReadInterfaceTable(t.data(), t.size());
  ASSERT_EQ(got.size(), 2u);
  EXPECT_FALSE(got[0].ppp);
  EXPECT_TRUE(got[1].ppp);
  EXPECT_EQ(got[1].speed, 64000u);
  EXPECT_EQ(got[1].received, 5000u);
  EXPECT_EQ(got[1].sent, 900u);
  EXPECT_EQ(got[1].discards, 3u);  // the discards, not the errors after them
  // A count far beyond the rows present; a row cut short; no count at all.
  t = Table(rows, 0x7FFFFFFF);
  EXPECT_EQ(ReadInterfaceTable(t.data(), t.size()).size(), 2u);
  EXPECT_EQ(ReadInterfaceTable(t.data(), t.size() - 1).size(), 1u);
  EXPECT_TRUE(ReadInterfaceTable(t.data(), 3).empty());
}

TEST(Win32Records, EchoReplyCountsOnlyWhatWasWritten) {
  std::vector<std::uint8_t> buffer(kEchoReplyBufferSize, 0);
  // No reply counted: the zeroed buffer must not read as success.
  EXPECT_EQ(ReadEchoReply(0, buffer.data(), buffer.size()), EchoResult::kNoReply);
  EXPECT_EQ(ReadEchoReply(1, buffer.data(), buffer.size()), EchoResult::kReply);
  ICMP_ECHO_REPLY timed_out;
  std::memset(&timed_out, 0, sizeof timed_out);
  timed_out.Status = IP_REQ_TIMED_OUT;
  std::memcpy(buffer.data(), &timed_out, sizeof timed_out);
  EXPECT_EQ(ReadEchoReply(1, buffer.data(), buffer.size()), EchoResult::kNoReply);
  EXPECT_EQ(ReadEchoReply(1, buffer.data(), 4), EchoResult::kNoReply);
}

}  // namespace
}  // namespace kit::win32
