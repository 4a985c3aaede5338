#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "exchange/word_access.h"
#include "platform/posix/posix_processes.h"
#include "tests/platform/capture/process_wait.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

using kit::testing::PidsNamed;
using kit::testing::WaitFor;

TEST(PosixProcessesTest, KillWordProEndsEveryProcessOfThatExactNameAndNothingElse) {
  const fs::path dir = fs::path(::testing::TempDir()) / "kit_procs";
  fs::create_directories(dir);
  const fs::path word = dir / "WINWORD.EXE";
  const fs::path other = dir / "WINWORD.EXE.keep";
  fs::copy_file("/bin/sleep", word, fs::copy_options::overwrite_existing);
  fs::copy_file("/bin/sleep", other, fs::copy_options::overwrite_existing);
  const std::string cmd = "'" + word.string() + "' 60 & '" + word.string() + "' 60 & '" + other.string() + "' 60 &";
  ASSERT_EQ(std::system(cmd.c_str()), 0);

  posix::PosixProcesses procs;
  ASSERT_TRUE(WaitFor([&] { return PidsNamed(procs, "WINWORD.EXE").size() == 2 && PidsNamed(procs, "WINWORD.EXE.keep").size() == 1; }));
  auto snap = procs.Snapshot();
  ASSERT_TRUE(snap);
  EXPECT_EQ((*snap)[0].pid, 0u);
  EXPECT_TRUE(exchange::IsHaveWordPro(procs, "WINWORD.EXE"));
  EXPECT_FALSE(exchange::IsHaveWordPro(procs, "winword.exe"));

  EXPECT_EQ(exchange::KillWordPro(procs, "WINWORD.EXE"), 0);
  EXPECT_TRUE(WaitFor([&] { return PidsNamed(procs, "WINWORD.EXE").empty(); }));
  EXPECT_FALSE(exchange::IsHaveWordPro(procs, "WINWORD.EXE"));
  auto kept = PidsNamed(procs, "WINWORD.EXE.keep");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(procs.Terminate(kept[0], 0));
  EXPECT_FALSE(procs.Terminate(0, 0));
  fs::remove_all(dir);
  // Its own process is listed under its executable's name, and passed over
  // even when asked for.
  EXPECT_TRUE(WaitFor([&] { return PidsNamed(procs, "posix_processes_test").size() == 1; }));
  EXPECT_EQ(exchange::KillWordPro(procs, "posix_processes_test"), 0);
  EXPECT_EQ(PidsNamed(procs, "posix_processes_test"), std::vector<std::uint32_t>{procs.CurrentProcessId()});
}

}  // namespace
}  // namespace kit
