#include <gtest/gtest.h>

#include "dialer/dialer.h"
#include "tests/dialer/fakes.h"

namespace kit::dialer {
namespace {

using testing::Rig;

TEST(VpnEntry, CreateConnectionPassesTheEntryOn) {
  Rig rig;
  EXPECT_TRUE(Create_VPN_Connection(rig.ras, kEntryName, "1.2.3.4", "u", "p"));
  EXPECT_EQ(rig.ras.name, kEntryName);
  EXPECT_EQ(rig.j.lines, (std::vector<std::string>{"phonebook 1.2.3.4 u"}));
  rig.ras.result = false;
  EXPECT_FALSE(Create_VPN_Connection(rig.ras, kEntryName, "1.2.3.4", "u", "p"));
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
  EXPECT_EQ(rig.ras.server, "198.18.10.1");
  EXPECT_EQ(rig.ras.user, "张三");
  EXPECT_EQ(rig.ras.password, "pw");
  const auto* v = rig.registry.Get(RegRoot::kCurrentUser, kNeedCreatKey, "IsOK");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(rig.j.lines.back(), kCreated);
  EXPECT_TRUE(rig.dialer.IsEntryRecorded());

  // Again, with the second line: same entry overwritten, still marked.
  rig.view.option2 = true;
  rig.dialer.CreateEntryStep();
  EXPECT_EQ(rig.ras.server, "198.18.20.1");
  EXPECT_TRUE(rig.dialer.IsEntryRecorded());

  // Failure: the message, no mark.
  Rig failed;
  failed.view.user = "u";
  failed.view.password = "p";
  failed.ras.result = false;
  failed.dialer.CreateEntryStep();
  EXPECT_FALSE(failed.dialer.IsEntryRecorded());
  EXPECT_EQ(failed.j.lines.back(), kNotCreated);
}

TEST(CreateStep, VistaFailureIsReportedAndUnmarked) {
  Rig rig;
  rig.wmi.version = "6.1.7600";
  rig.view.user = "u";
  rig.view.password = "p";
  rig.ras.result = false;
  rig.dialer.CreateEntryStep();
  EXPECT_FALSE(rig.dialer.IsEntryRecorded());
  EXPECT_EQ(rig.j.lines.back(), kNotCreated);
  EXPECT_TRUE(rig.registry.keys.empty());

  rig.ras.result = true;
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
      EXPECT_TRUE(r.j.With("phonebook").empty());
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
                "restart force"}));
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
  refused.power.ok = false;
  refused.dialogs.answers = {id::kYes, id::kOk};
  refused.dialer.OptimizeStep();
  EXPECT_EQ(refused.j.lines.back(), std::string("box 优化失败|") + text::kRebootFailed + "|48");
}

}  // namespace
}  // namespace kit::dialer
