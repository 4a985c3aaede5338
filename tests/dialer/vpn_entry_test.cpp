#include <gtest/gtest.h>

#include "dialer/dialer.h"
#include "tests/dialer/desk.h"

namespace kit::dialer {
namespace {

using testing::Desk;
using testing::Lines;

const char kCreated[] = "box: [成功] VPN连接建立成功！连接名称不可更改 (style 64)";
const char kNotCreated[] =
    "box: [失败] VPN连接建立失败！请重新建立或检查您的操作系统，本程序不支持Windows 2000及以下版本。 (style 112)";

TEST(CreateStep, AsksForTheBoxesFirst) {
  Desk desk;
  desk.dialer().CreateEntryStep();
  desk.Boxes("u", "");
  desk.dialer().CreateEntryStep();
  EXPECT_EQ(desk.Transcript(), (Lines{"box: [Tunnelgate] 请输入密码！ (style 0)", "answer: ok", "form: focus Text2"}));
  EXPECT_FALSE(desk.desktop.registry.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));
  EXPECT_TRUE(desk.desktop.phonebook.entries.empty());
  Desk empty;
  empty.Boxes("", "p");
  empty.dialer().CreateEntryStep();
  EXPECT_EQ(empty.Transcript(), (Lines{"box: [Tunnelgate] 请输入用户名！ (style 0)", "answer: ok", "form: focus Text1"}));
}

TEST(CreateStep, XpMarksTheEntry) {
  Desk desk;
  desk.Boxes("张三", "pw");
  desk.dialer().CreateEntryStep();
  ASSERT_EQ(desk.desktop.phonebook.entries.size(), 1u);
  EXPECT_EQ(desk.desktop.phonebook.entries[0].server, "198.18.10.1");
  EXPECT_EQ(desk.desktop.phonebook.entries[0].user, "张三");
  EXPECT_EQ(desk.desktop.phonebook.entries[0].password, "pw");
  std::optional<RegValue> v = desk.Get(RegRoot::kCurrentUser, kNeedCreatKey, "IsOK");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(desk.Transcript(), (Lines{kCreated, "answer: ok"}));
  EXPECT_TRUE(desk.dialer().IsEntryRecorded());

  // Again, with the second line: same entry overwritten, still marked.
  desk.win().SetValue("Option2", 1);
  desk.dialer().CreateEntryStep();
  EXPECT_EQ(desk.desktop.phonebook.entries.back().server, "198.18.20.1");
  EXPECT_TRUE(desk.dialer().IsEntryRecorded());

  // Failure: the message, no mark.
  Desk failed;
  failed.Boxes("u", "p");
  failed.desktop.phonebook.refuse = true;
  failed.dialer().CreateEntryStep();
  EXPECT_FALSE(failed.dialer().IsEntryRecorded());
  EXPECT_EQ(failed.Transcript(), (Lines{kNotCreated, "answer: ok"}));
}

TEST(CreateStep, VistaFailureIsReportedAndUnmarked) {
  Desk desk;
  desk.net().os = "6.1.7600";
  desk.Boxes("u", "p");
  desk.desktop.phonebook.refuse = true;
  desk.dialer().CreateEntryStep();
  EXPECT_FALSE(desk.dialer().IsEntryRecorded());
  EXPECT_EQ(desk.Transcript(), (Lines{kNotCreated, "answer: ok"}));
  EXPECT_FALSE(desk.desktop.registry.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));

  desk.desktop.phonebook.refuse = false;
  desk.Clear();
  desk.dialer().CreateEntryStep();
  EXPECT_EQ(desk.Transcript(), (Lines{kCreated, "answer: ok"}));
  EXPECT_FALSE(desk.desktop.registry.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));

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
      {"6.1.7601", "u", "50%off", true, "form: focus Text2"},  {"6.0.6002", "u", "say \"hi\"", true, "form: focus Text2"},
      {"6.1.7601", "u\tv", "p", true, "form: focus Text1"},   {"6.1.7601", "my name", "a&b", false, ""},
      {"5.1.2600", "u", "50%off", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " " + c.user + " " + c.password);
    Desk d;
    d.net().os = c.version;
    d.Boxes(c.user, c.password);
    d.dialer().CreateEntryStep();
    if (c.refused) {
      EXPECT_EQ(d.Transcript(), (Lines{std::string("box: [Tunnelgate] ") + text::kUnsafeCredentials + " (style 48)",
                                       "answer: ok", c.focus}));
      EXPECT_TRUE(d.desktop.phonebook.entries.empty());
    } else {
      EXPECT_EQ(d.Transcript(), (Lines{kCreated, "answer: ok"}));
    }
  }

  // Other versions: nothing at all.
  Desk other;
  other.net().os = "6.2.9200";
  other.Boxes("u", "p");
  other.dialer().CreateEntryStep();
  EXPECT_TRUE(other.Transcript().empty());
}

// The optimization's own transcript is in the dialer sessions of tests/apps;
// here what stops it.
TEST(OptimizeStep, DeclinedUnwritableOrRefusedReboot) {
  const std::string question =
      "box: [优化完毕重启计算机] 本次操作将会重新启动您的计算机，请关闭或保存您所有应用程序后在继续，是否继续本次操作？ (style 68)";
  Desk no;
  no.desktop.dialogs.answers = {id::kNo};
  no.dialer().OptimizeStep();
  EXPECT_EQ(no.Transcript(), (Lines{question, "answer: no"}));
  EXPECT_FALSE(no.dialer().IsOptimized());

  // No RasMan key: the failure is shown and nothing else happens.
  sim::DesktopOptions without = Desk::Options();
  without.remote_access = false;
  Desk missing(Build::kTunnelgate, without);
  missing.desktop.dialogs.answers = {id::kYes};
  missing.dialer().OptimizeStep();
  EXPECT_EQ(missing.Transcript(), (Lines{question, "answer: yes",
                                         std::string("box: [优化失败] ") + text::kOptimizeWriteFailed + " (style 16)",
                                         "answer: ok"}));
  EXPECT_FALSE(missing.dialer().IsOptimized());

  Desk refused;
  refused.desktop.restart.refuse = true;
  refused.desktop.dialogs.answers = {id::kYes};
  refused.dialer().OptimizeStep();
  EXPECT_EQ(refused.With("box:").back(), std::string("box: [优化失败] ") + text::kRebootFailed + " (style 48)");
}

}  // namespace
}  // namespace kit::dialer
