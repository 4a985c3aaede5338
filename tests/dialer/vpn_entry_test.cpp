#include <gtest/gtest.h>

#include "dialer/dialer.h"
#include "tests/dialer/desk.h"

namespace kit::dialer {
namespace {

using testing::Desk;
using testing::ExpectSteps;

TEST(CreateStep, AsksForTheBoxesFirst) {
  Desk desk;
  desk.dialer().CreateEntryStep();
  desk.Boxes("u", "");
  desk.dialer().CreateEntryStep();
  ExpectSteps("create without a password", desk.Transcript());
  EXPECT_FALSE(desk.desktop.registry.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));
  EXPECT_TRUE(desk.desktop.phonebook.entries.empty());
  Desk empty;
  empty.Boxes("", "p");
  empty.dialer().CreateEntryStep();
  ExpectSteps("create without a user name", empty.Transcript());
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
  ExpectSteps("entry created", desk.Transcript());
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
  ExpectSteps("entry refused", failed.Transcript());
}

TEST(CreateStep, VistaFailureIsReportedAndUnmarked) {
  Desk desk;
  desk.net().os = "6.1.7600";
  desk.Boxes("u", "p");
  desk.desktop.phonebook.refuse = true;
  desk.dialer().CreateEntryStep();
  EXPECT_FALSE(desk.dialer().IsEntryRecorded());
  ExpectSteps("entry refused", desk.Transcript());
  EXPECT_FALSE(desk.desktop.registry.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));

  desk.desktop.phonebook.refuse = false;
  desk.Clear();
  desk.dialer().CreateEntryStep();
  ExpectSteps("entry created", desk.Transcript());
  EXPECT_FALSE(desk.desktop.registry.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey));

  // What the dial's command line cannot carry is refused before anything is
  // stored, with the dial's own message; XP dials through the phonebook's
  // dialog and takes it.
  struct Case {
    const char* version;
    const char* user;
    const char* password;
    const char* steps;
  } cases[] = {
      {"6.1.7601", "u", "50%off", "unsafe password"},     {"6.0.6002", "u", "say \"hi\"", "unsafe password"},
      {"6.1.7601", "u\tv", "p", "unsafe user name"},      {"6.1.7601", "my name", "a&b", "entry created"},
      {"5.1.2600", "u", "50%off", "entry created"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " " + c.user + " " + c.password);
    Desk d;
    d.net().os = c.version;
    d.Boxes(c.user, c.password);
    d.dialer().CreateEntryStep();
    ExpectSteps(c.steps, d.Transcript());
    EXPECT_EQ(d.desktop.phonebook.entries.empty(), std::string(c.steps) != "entry created");
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
  Desk no;
  no.desktop.dialogs.answers = {id::kNo};
  no.dialer().OptimizeStep();
  ExpectSteps("optimize declined", no.Transcript());
  EXPECT_FALSE(no.dialer().IsOptimized());

  // No RasMan key: the failure is shown and nothing else happens.
  sim::DesktopOptions without = Desk::Options();
  without.remote_access = false;
  Desk missing(Build::kTunnelgate, without);
  missing.desktop.dialogs.answers = {id::kYes};
  missing.dialer().OptimizeStep();
  ExpectSteps("optimize without the remote access key", missing.Transcript());
  EXPECT_FALSE(missing.dialer().IsOptimized());

  Desk refused;
  refused.desktop.restart.refuse = true;
  refused.desktop.dialogs.answers = {id::kYes};
  refused.dialer().OptimizeStep();
  EXPECT_EQ(refused.With("box:").back(), std::string("box: [优化失败] ") + text::kRebootFailed + " (style 48)");
}

}  // namespace
}  // namespace kit::dialer
