#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dialer/dialer_platform.h"
#include "dialer/probes.h"
#include "dialer/registry_api.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "platform/posix/dialer/test_support.h"
#include "platform/posix/iconv_codepage.h"
#include "tests/dialer/fakes.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::posix {
namespace {

using dialer::RegistryAPI;
using dialer::RegVariant;

void Write(const std::filesystem::path& p, const std::string& text) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

TEST(FileRegistry, RoundTripsAndPersists) {
  testing::TempKitRoot root;
  {
    FileRegistry store;
    RegistryAPI api(store, SystemCodePage());
    EXPECT_FALSE(api.KeyExists(RegRoot::kCurrentUser, "Software\\澄岚电政办\\NeedCreat"));
    EXPECT_FALSE(api.CreateRegKey(RegRoot::kCurrentUser, "Software\\澄岚电政办\\NeedCreat"));
    EXPECT_TRUE(api.WriteRegValue(RegRoot::kCurrentUser, "Software\\澄岚电政办\\NeedCreat", "IsOK", reg::kDword, 1));
    dialer::Settings s(api, dialer::ProfileFor(dialer::Build::kTunnelgate));
    EXPECT_TRUE(s.Save("LocalGateway", "192.168.1.1"));
    EXPECT_TRUE(s.SaveCredentials("张三", "密码pw"));
    EXPECT_EQ(store.open_keys(), 0u);
    EXPECT_TRUE(std::filesystem::exists(root.root() / "registry" / "HKEY_CURRENT_USER.reg"));
  }
  // A new store on the same files: names match whatever the case of ASCII letters.
  FileRegistry store;
  RegistryAPI api(store, SystemCodePage());
  EXPECT_TRUE(api.KeyExists(RegRoot::kCurrentUser, "SOFTWARE\\澄岚电政办\\needcreat"));
  EXPECT_TRUE(api.CreateRegKey(RegRoot::kCurrentUser, "software\\澄岚电政办\\NEEDCREAT"));
  EXPECT_EQ(std::get<std::int32_t>(api.ReadRegValue(RegRoot::kCurrentUser, "Software\\澄岚电政办\\NeedCreat", "isok",
                                                    reg::kDword, std::int32_t{0})),
            1);
  dialer::Settings s(api, dialer::ProfileFor(dialer::Build::kTunnelgate));
  EXPECT_EQ(s.Get("LOCALGATEWAY"), "192.168.1.1");
  EXPECT_EQ(s.LoadCredentials(), std::make_pair(std::string("张三"), std::string("密码pw")));
  // Other root, other file.
  EXPECT_FALSE(api.KeyExists(RegRoot::kLocalMachine, "Software\\澄岚电政办\\NeedCreat"));
  // Writing needs an existing key.
  EXPECT_FALSE(api.WriteRegValue(RegRoot::kLocalMachine, "SYSTEM\\X", "v", reg::kDword, 1));
}

TEST(FileRegistry, FoldsOnlyAsciiLetters) {
  // B0 41 and B0 61 are two different characters; A and a are one name.
  EXPECT_EQ(FoldName("AbC\\\xB0\x41Z"), "abc\\\xB0\x41z");
  testing::TempKitRoot root;
  FileRegistry store;
  RegKey k = 0;
  bool existed = true;
  ASSERT_EQ(store.CreateKey(RegRoot::kCurrentUser, "K\\\xB0\x41", &k, &existed), reg::kSuccess);
  EXPECT_FALSE(existed);
  store.CloseKey(k);
  EXPECT_EQ(store.OpenKey(RegRoot::kCurrentUser, "k\\\xB0\x61", reg::kKeyRead, &k), reg::kFileNotFound);
  ASSERT_EQ(store.OpenKey(RegRoot::kCurrentUser, "k\\\\\xB0\x41\\", reg::kKeyRead, &k), reg::kSuccess);
  std::uint8_t big[8] = {};
  ASSERT_EQ(store.SetValue(k, "V", reg::kBinary, big, 8), reg::kSuccess);
  std::uint8_t small[4];
  std::uint32_t size = 4, type = 0;
  EXPECT_EQ(store.QueryValue(k, "v", &type, small, &size), reg::kMoreData);
  EXPECT_EQ(size, 8u);
  store.CloseKey(k);
}

TEST(FileRegistry, ACrashNeverLosesWhatWasThere) {
  testing::TempKitRoot root;
  FileRegistry store;
  RegistryAPI api(store, SystemCodePage());
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

  RegistryImage image;
  EXPECT_TRUE(DecodeRegistryImage(reinterpret_cast<const std::uint8_t*>(good.data()), good.size(), &image));
  EXPECT_EQ(EncodeRegistryImage(image), std::vector<std::uint8_t>(good.begin(), good.end()));
}

TEST(FileRegistry, UnwritableStoreRaises1001) {
  testing::TempKitRoot root;
  root.MakeFile("blocker", "x");
  FileRegistry store((root.root() / "blocker" / "registry").string());
  RegistryAPI api(store, SystemCodePage());
  try {
    api.CreateRegKey(RegRoot::kCurrentUser, "Software\\澄岚电政办\\NeedCreat");
    FAIL() << "no error";
  } catch (const dialer::RegistryError& e) {
    EXPECT_EQ(e.number(), 1001);
  }
}

TEST(SocketIcmp, RealEchoOfLoopback) {
  SocketIcmp icmp;
  ProcWmi wmi;
  ProcInterfaceTable table;
  dialer::CProbes probes(icmp, wmi, table);
  dialer::PingResult r = probes.Ping("127.0.0.1");
  if (r == dialer::PingResult::kUnavailable) {
    // The kernel allows neither socket kind to this process: say so, never guess.
    EXPECT_NE(probes.unavailable_reason().find("probe unavailable"), std::string::npos);
    GTEST_SKIP() << probes.unavailable_reason();
  }
  EXPECT_EQ(r, dialer::PingResult::kReply);
  EXPECT_TRUE(probes.ping("127.0.0.2"));
  EXPECT_EQ(probes.Ping("localhost"), dialer::PingResult::kBadAddress);

  // A buffer too small for one reply record gets nothing.
  std::unique_ptr<IIcmpHandle> h = icmp.Create();
  ASSERT_TRUE(h);
  std::uint8_t tiny[8] = {};
  EXPECT_EQ(h->SendEcho(*dialer::ParseDottedIPv4("127.0.0.1"), 0, tiny, sizeof tiny, 500), 0u);
  std::uint8_t reply[270] = {};
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(h->SendEcho(*dialer::ParseDottedIPv4("127.0.0.1"), 0, reply, sizeof reply, 500), 1u);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
  EXPECT_EQ(reply[0], 127);
  EXPECT_EQ(reply[4] | reply[5] | reply[6] | reply[7], 0);
}

TEST(ProcWmi, GatewaysFromTheRouteFile) {
  const std::string route =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
      "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
      "ppp0\t00000000\t0100A8C0\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
      "wlan9\t00000000\t0101A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
      "junk line\n";
  auto g = DefaultGateways(route);
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(g[0], std::make_pair(std::string("eth0"), std::string("192.0.2.1")));
  EXPECT_EQ(g[1], std::make_pair(std::string("wlan9"), std::string("192.168.1.1")));

  testing::TempKitRoot root;
  Write(root.dir() / "route", route);
  ProcWmi wmi((root.dir() / "route").string(), "6.1.7601");
  SocketIcmp icmp;
  ProcInterfaceTable table;
  dialer::CProbes probes(icmp, wmi, table);
  EXPECT_EQ(probes.GetOsversion(), "6.1");
  // wlan9 has no address here, so it gives nothing; eth0 may have none either.
  std::string gw = probes.GetIpGateway();
  EXPECT_TRUE(gw.empty() || gw == "192.0.2.1") << gw;

  ProcWmi missing((root.dir() / "none").string());
  EXPECT_THROW(missing.ExecQuery("Select * from Win32_NetworkAdapterConfiguration", {}), WmiError);
  EXPECT_EQ(dialer::CProbes(icmp, missing, table).GetOsversion(), "5.1");

  // The machine's own table: a dotted address or nothing.
  ProcWmi real;
  std::string mine = dialer::CProbes(icmp, real, table).GetIpGateway();
  EXPECT_TRUE(mine.empty() || dialer::IsDottedIPv4(mine)) << mine;
}

TEST(ProcInterfaceTable, SyntheticAndReal) {
  testing::TempKitRoot root;
  const auto sys = root.dir() / "sys";
  Write(sys / "ppp0" / "type", "512\n");
  Write(sys / "eth0" / "type", "1\n");
  Write(sys / "eth0" / "speed", "1000\n");
  Write(sys / "lo" / "type", "772\n");
  Write(root.dir() / "dev",
        "Inter-|   Receive                                                |  Transmit\n"
        " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
        "    lo:  100 1 0 0 0 0 0 0 100 1 0 0 0 0 0 0\n"
        "  eth0: 4294967396 9 0 0 0 0 0 0 77 7 0 0 0 0 0 0\n"
        "  ppp0: 5000 50 9 3 0 0 0 0 900 9 0 0 0 0 0 0\n");
  ProcInterfaceTable table(sys.string(), (root.dir() / "dev").string());
  std::vector<std::uint8_t> t = table.Snapshot();
  ASSERT_EQ(t.size(), 4 + 3 * 860u);
  EXPECT_EQ(t[4 + 860 + iftable::kTypeOffset], iftable::kTypeEthernet);
  // 1000 Mbit/s as bits per second; counters wrap at 32 bits.
  std::uint32_t speed = 0, in = 0;
  std::memcpy(&speed, &t[4 + 860 + iftable::kSpeedOffset], 4);
  std::memcpy(&in, &t[4 + 860 + iftable::kInOctetsOffset], 4);
  EXPECT_EQ(speed, 1000000000u);
  EXPECT_EQ(in, 100u);

  SocketIcmp icmp;
  ProcWmi wmi;
  dialer::CProbes probes(icmp, wmi, table);
  EXPECT_EQ(probes.ShowLinkStatistics(), (dialer::LinkPanels{"VPN连接0MB", "收到 5000", "发送 900", "错误 3"}));

  std::uint32_t size = 10;
  EXPECT_EQ(table.GetIfTable(t.data(), &size, false), iftable::kInsufficientBuffer);
  EXPECT_EQ(size, 4 + 3 * 860u);

  // The machine's own table reads without a PPP link; loopback is typed.
  ProcInterfaceTable real;
  std::vector<std::uint8_t> mine = real.Snapshot();
  ASSERT_GE(mine.size(), 4u);
  std::uint32_t count = 0;
  std::memcpy(&count, mine.data(), 4);
  EXPECT_EQ(mine.size(), 4 + count * 860u);
  bool loopback = false;
  for (std::uint32_t i = 0; i < count; ++i) loopback |= mine[4 + i * 860 + iftable::kTypeOffset] == iftable::kTypeLoopback;
  EXPECT_TRUE(loopback);
  EXPECT_EQ(dialer::CProbes(icmp, wmi, real).ShowLinkStatistics()[0], "VPN尚未连接");
}

TEST(Recorders, PhonebookCommandsAndRestart) {
  testing::TempKitRoot root;
  RecordingRas ras;
  std::vector<std::uint8_t> entry(2884, 7);
  const std::string name = "\xB3\xCE../x";
  EXPECT_EQ(ras.SetEntryProperties("", name, entry), 0u);
  EXPECT_EQ(ras.SetCredentials("", name, std::vector<std::uint8_t>(540, 9), false), 0u);
  EXPECT_EQ(ras.FileFor(name, "entry"), (root.root() / "phonebook" / "b3ce2e2e2f78.entry").string());
  EXPECT_EQ(root.ReadFile("phonebook/b3ce2e2e2f78.entry"), std::string(2884, 7));
  EXPECT_EQ(root.ReadFile("phonebook/b3ce2e2e2f78.credentials"), std::string(540, 9));
  EXPECT_NE(ras.SetEntryProperties("other.pbk", name, entry), 0u);

  std::ostringstream out;
  DryRunStarter starter(out);
  EXPECT_TRUE(starter.Start("cmd /c route delete 10.1.0.0 ", show::kHide));
  EXPECT_TRUE(starter.Start("rasphone  -d 澄岚市电子政务内网VPN连接", show::kNormalFocus));
  EXPECT_EQ(out.str(),
            "[dry-run] hidden: cmd /c route delete 10.1.0.0 \n"
            "[dry-run] normal: rasphone  -d 澄岚市电子政务内网VPN连接\n");
  ASSERT_EQ(starter.started.size(), 2u);
  EXPECT_EQ(starter.started[1].show, show::kNormalFocus);

  std::ostringstream power_out;
  DryRunPower power(power_out);
  EXPECT_TRUE(power.ExitSession(6, 0));
  EXPECT_EQ(power_out.str(), "[dry-run] restart: flags 6 reason 0\n");

  ClockWait wait;
  std::int64_t t0 = wait.NowSeconds();
  wait.SleepMs(20);
  wait.PumpMessages();
  EXPECT_GE(wait.NowSeconds(), t0);
}

// In a network namespace of its own with only loopback up and one host
// route into it, an echo to that address goes nowhere outside and gets no
// answer: the probe must give up after its 500 ms.
TEST(SocketIcmp, TimesOutAfterHalfASecondInAPrivateNetwork) {
  testing_support::NamespaceEchoResult r = testing_support::EchoInPrivateNetwork("192.0.2.77");
  if (r.outcome == testing_support::NamespaceEcho::kNoNamespace ||
      r.outcome == testing_support::NamespaceEcho::kUnavailable) {
    GTEST_SKIP() << "no private network namespace with a usable echo here";
  }
  EXPECT_EQ(r.outcome, testing_support::NamespaceEcho::kNoReply);
  EXPECT_GE(r.elapsed_ms, 450);
  EXPECT_LE(r.elapsed_ms, 1000);
}

// The optimize step end to end on the platform's own ports: what the user
// reads is the transcript of commands that were not run.
TEST(DialerPorts, OptimizeTranscriptOnTheHost) {
  testing::TempKitRoot root;
  kit::testing::Journal j;
  kit::testing::FakeDialogs answers(j);
  answers.answers = {id::kYes};
  kit::testing::FakeView view(j);
  dialer::DialerPorts ports = dialer::DefaultDialerPorts(&answers, nullptr);
  dialer::CDialer d(ports, dialer::DialerConfig(), dialer::ProfileFor(dialer::Build::kTunnelgate), view);
  EXPECT_FALSE(d.IsOptimized());
  RegKey k = 0;
  bool existed = false;
  ASSERT_EQ(ports.registry->CreateKey(RegRoot::kLocalMachine, dialer::kRasManParametersKey, &k, &existed), reg::kSuccess);
  ports.registry->CloseKey(k);

  ::testing::internal::CaptureStdout();
  auto t0 = std::chrono::steady_clock::now();
  d.OptimizeStep();
  auto took = std::chrono::steady_clock::now() - t0;
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "[dry-run] hidden: cmd /c NET STOP PolicyAgent\n"
            "[dry-run] hidden: sc.exe config PolicyAgent start= demand\n"
            "[dry-run] hidden: cmd /c NET STOP sharedaccess\n"
            "[dry-run] hidden: sc.exe config sharedaccess start= disabled\n"
            "[dry-run] privilege: SeShutdownPrivilege\n"
            "[dry-run] restart: flags 6 reason 0\n");
  EXPECT_GE(took, std::chrono::seconds(2));
  EXPECT_EQ(j.With("box ").size(), 2u);
  EXPECT_TRUE(d.IsOptimized());
}

}  // namespace
}  // namespace kit::posix
