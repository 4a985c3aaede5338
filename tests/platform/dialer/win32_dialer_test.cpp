#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "dialer/probes.h"
#include "dialer/registry_api.h"
#include "dialer/vpn_entry.h"
#include "platform/win32/dialer/win32_dialer.h"
#include "platform/win32/win32_adapters.h"
#include "tests/platform/dialer/win32_test_support.h"

namespace kit::win32 {
namespace {

constexpr char kTestKey[] = "Software\\KitDialerAdapterTest";

using namespace testing_support;

class RegistryCleanup {
 public:
  ~RegistryCleanup() {
    Win32CodePage cp;
    DeleteCurrentUserKey(std::string(kTestKey) + "\\" + cp.FromUtf8("澄岚") + "\\sub");
    DeleteCurrentUserKey(std::string(kTestKey) + "\\" + cp.FromUtf8("澄岚"));
    DeleteCurrentUserKey(kTestKey);
  }
};

TEST(Win32Registry, RoundTripsThroughTheSystemRegistry) {
  RegistryCleanup cleanup;
  Win32Registry reg;
  Win32CodePage cp;
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

TEST(Win32Probes, EchoTableAndManagement) {
  Win32Icmp icmp;
  Win32InterfaceTable table;
  Win32Wmi wmi;
  dialer::CProbes probes(icmp, wmi, table);
  auto t0 = std::chrono::steady_clock::now();
  dialer::PingResult r = probes.Ping("127.0.0.1");
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1500));
  // Where the host gives the ICMP helper no socket, it must say so, not answer.
  EXPECT_TRUE(r == dialer::PingResult::kReply || r == dialer::PingResult::kNoReply ||
              r == dialer::PingResult::kUnavailable);
  if (r != dialer::PingResult::kReply) std::printf("loopback echo: no reply (%s)\n", probes.unavailable_reason().c_str());
  EXPECT_EQ(probes.Ping("localhost"), dialer::PingResult::kBadAddress);

  std::uint32_t size = 0;
  ASSERT_EQ(table.GetIfTable(nullptr, &size, false), iftable::kInsufficientBuffer);
  ASSERT_GE(size, 4u);
  std::vector<std::uint8_t> bytes(size);
  ASSERT_EQ(table.GetIfTable(bytes.data(), &size, false), iftable::kSuccess);
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), 4);
  EXPECT_GE(size, 4 + count * iftable::kRowSize);
  EXPECT_EQ(probes.ShowLinkStatistics()[0], "VPN尚未连接");

  std::string os;
  try {
    os = probes.GetOsversion();
  } catch (const WmiError& e) {
    GTEST_SKIP() << "WMI not reachable here: " << e.what();
  }
  EXPECT_EQ(os.size(), 3u) << os;
  EXPECT_EQ(os[1], '.');
  std::string gw = probes.GetIpGateway();
  EXPECT_TRUE(gw.empty() || dialer::IsDottedIPv4(gw)) << gw;
}

TEST(Win32Desktop, FindsTheDialogAndPressesItsButton) {
  Win32CodePage cp;
  TestDialog dialog("KitDialerTestDialog", cp.FromUtf8("连接 测试连接"), {cp.FromUtf8("取消"), cp.FromUtf8("连接(&C)")});
  if (!dialog.created()) {
    // Under a runner without a display no window can be made at all.
    GTEST_SKIP() << "no top-level window could be created (error " << dialog.error() << ")";
  }
  Win32WindowFinder finder(cp);
  const WindowHandle dlg = dialog.window();
  EXPECT_EQ(finder.FindTopLevel("KitDialerTestDialog", "连接 测试连接"), dlg);
  EXPECT_EQ(finder.FindTopLevel("KitDialerTestDialog", "连接 别的"), 0u);
  WindowHandle first = finder.FindChild(dlg, 0, "Button");
  EXPECT_EQ(first, dialog.button(0));
  WindowHandle second = finder.FindChild(dlg, first, "Button");
  EXPECT_EQ(second, dialog.button(1));
  EXPECT_EQ(finder.GetText(second, 255), "连接(&C)");
  EXPECT_EQ(finder.FindChild(dlg, second, "Button"), 0u);
  finder.Click(second);
  Win32WaitHost wait;
  wait.PumpMessages();
  EXPECT_TRUE(dialog.checked(1));
  EXPECT_FALSE(dialog.checked(0));

  std::int64_t t0 = wait.NowSeconds();
  wait.SleepMs(10);
  EXPECT_GE(wait.NowSeconds(), t0);
}

TEST(Win32Actions, ProcessesPowerAndPhonebook) {
  Win32CodePage cp;
  Win32ProcessStarter starter(cp);
  EXPECT_TRUE(starter.Start("cmd /c exit 0", show::kHide));
  EXPECT_FALSE(starter.Start("kit-no-such-program-here.exe", show::kHide));

  Win32Power power;
  EXPECT_EQ(power.PlatformId(), 2u);
  EXPECT_FALSE(power.EnablePrivilege("KitNoSuchPrivilege"));

  Win32Ras ras;
  if (!ras.available()) {
    EXPECT_EQ(ras.SetEntryProperties("", "x", std::vector<std::uint8_t>(2884)),
              kErrorCallNotImplemented);
  }
  // Only the record layouts are checked here; the phonebook is left alone.
  std::vector<std::uint8_t> entry = dialer::BuildRasEntry(cp, "198.18.10.1");
  EXPECT_EQ(entry.size(), 2884u);
}

}  // namespace
}  // namespace kit::win32
