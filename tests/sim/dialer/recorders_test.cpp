// The dialer's message boxes on a terminal, as a person running the POSIX
// programs by hand answers them; the recorders' transcripts themselves are
// pinned by the dialer's tests and sessions.
#include "sim/dialer/recorders.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kit::sim {
namespace {

TEST(TranscriptDialogs, TheTerminalAnswersWithTheBoxsButtons) {
  struct Case {
    unsigned style;
    const char* typed;
    int want;
    const char* prompt;
  } cases[] = {
      {mb::kYesNo, "n\n", id::kNo, "answer yes or no? "},
      {mb::kYesNo, "y\n", id::kYes, "answer yes or no? "},
      {mb::kOkCancel, "cancel\n", id::kCancel, "answer ok or cancel? "},
      {mb::kOkCancel, "", id::kOk, "answer ok or cancel? "},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    std::istringstream terminal(c.typed);
    TranscriptDialogs d(out, &terminal);
    EXPECT_EQ(d.MessageBox(0, "正文", "标题", c.style), c.want) << c.typed;
    EXPECT_EQ(out.str().rfind("box: [标题] 正文 (style " + std::to_string(c.style) + ")\n", 0), 0u) << out.str();
    EXPECT_NE(out.str().find(c.prompt), std::string::npos);
  }
}

}  // namespace
}  // namespace kit::sim
