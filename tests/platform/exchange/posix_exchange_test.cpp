#include "platform/posix/exchange/posix_exchange.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/posix/posix_files.h"
#include "tests/common/wait_for.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::posix {
namespace {

using kit::testing::TempKitRoot;

TEST(PosixFileLookupTest, FindFirstWithWildcards) {
  TempKitRoot root;
  root.MakeFile("c/d/a1.txt", std::string(100, 'x'));
  root.MakeFile("c/d/a2.txt", std::string(200, 'y'));
  root.MakeFile("c/d/B.TXT", std::string(3, 'z'));
  root.MakeFile("c/d/\xe6\x96\x87.txt", std::string(9, 'w'));  // 文
  PosixFileLookup lookup;

  ASSERT_TRUE(lookup.FindFirst("c:\\d\\a1.txt"));
  EXPECT_EQ(lookup.FindFirst("c:\\d\\a1.txt")->size, 100u);
  EXPECT_EQ(lookup.FindFirst("C:\\D\\A2.TXT")->size, 200u) << "names match without regard to case";
  EXPECT_EQ(lookup.FindFirst("c:\\d\\a?.txt")->size, 100u) << "the first match";
  EXPECT_EQ(lookup.FindFirst("c:\\d\\b.tx?")->size, 3u);
  EXPECT_EQ(lookup.FindFirst("c:\\d\\?.txt")->size, 3u) << "B.TXT sorts before the double-byte name";
  EXPECT_EQ(lookup.FindFirst("c:\\d\\\xce\xc4.t?t")->size, 9u) << "code page 936 pattern";
  EXPECT_FALSE(lookup.FindFirst("c:\\d\\??.txt.x"));
  EXPECT_FALSE(lookup.FindFirst("c:\\d\\missing.txt"));
  EXPECT_FALSE(lookup.FindFirst("c:\\nofolder\\a?.txt"));
  EXPECT_FALSE(lookup.FindFirst(""));
  EXPECT_FALSE(lookup.FindFirst("c:\\d\\"));
  std::optional<FoundFile> folder = lookup.FindFirst("c:\\d");
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->folder);

  using Names = std::vector<std::string>;
  root.MakeFile("c/d/sub/x");
  root.MakeFile("c/d/README");
  EXPECT_EQ(lookup.List("c:\\d\\*.*"), (Names{".", "..", "B.TXT", "README", "a1.txt", "a2.txt", "sub", "\xce\xc4.txt"}))
      << "*.* takes names without a dot too";
  EXPECT_EQ(lookup.List("c:\\d\\*.txt"), (Names{"B.TXT", "a1.txt", "a2.txt", "\xce\xc4.txt"}));
  EXPECT_EQ(lookup.List("c:\\d\\A?.TXT"), (Names{"a1.txt", "a2.txt"}));
  EXPECT_EQ(lookup.List("c:\\d\\*.doc"), Names{});
  EXPECT_FALSE(lookup.List("c:\\nofolder\\*.*"));
  EXPECT_FALSE(lookup.List("c:\\d\\missing.txt"));
}

TEST(PosixFileLookupTest, SharedReadOpenAgainstWriters) {
  TempKitRoot root;
  root.MakeFile("c/temp/qzdesk/a.doc", "doc");
  PosixFileLookup lookup;
  PosixFileSystem fs;
  EXPECT_TRUE(lookup.OpenSharedRead("c:\\temp\\qzdesk\\a.doc"));
  {
    auto reader = fs.OpenRead("c:\\temp\\qzdesk\\a.doc");
    EXPECT_TRUE(lookup.OpenSharedRead("c:\\temp\\qzdesk\\a.doc")) << "other readers are let in";
  }
  {
    auto writer = fs.CreateWrite("c:\\temp\\qzdesk\\a.doc");
    EXPECT_FALSE(lookup.OpenSharedRead("c:\\temp\\qzdesk\\a.doc")) << "held for writing";
    auto second = fs.CreateWrite("c:\\temp\\qzdesk\\a.doc");  // writers do not wait for each other
  }
  EXPECT_TRUE(lookup.OpenSharedRead("c:\\temp\\qzdesk\\a.doc")) << "the writer has closed";
  EXPECT_FALSE(lookup.OpenSharedRead("c:\\temp\\qzdesk")) << "a folder";
  EXPECT_FALSE(lookup.OpenSharedRead("c:\\temp\\qzdesk\\none.doc"));
  EXPECT_FALSE(lookup.OpenSharedRead(""));

  // Another process holding the file for writing.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    {
      PosixFileSystem child_fs;
      auto writer = child_fs.CreateWrite("c:\\temp\\qzdesk\\a.doc");
      char c = 1;
      (void)!write(ready[1], &c, 1);
      sleep(2);
    }
    _exit(0);
  }
  close(ready[1]);
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  EXPECT_FALSE(lookup.OpenSharedRead("c:\\temp\\qzdesk\\a.doc"));
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(lookup.OpenSharedRead("c:\\temp\\qzdesk\\a.doc"));
}

TEST(PosixShellTest, StartsTheOpenerWithTheNativePath) {
  TempKitRoot root;
  root.MakeFile("c/temp/qzdesk/\xe6\x96\x87.doc", "doc");
  const std::string log = (root.dir() / "opened.txt").string();
  const std::string script = (root.dir() / "opener.sh").string();
  std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" > '" << log << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  PosixShell shell(script);
  ShellRequest request;
  request.file = "c:\\temp\\qzdesk\\\xe6\x96\x87.doc";
  EXPECT_GT(shell.Execute(request), 32);
  // The opener runs on its own; give it a moment.
  kit::testing::WaitFor([&] { return std::filesystem::exists(log); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::ifstream in(log);
  std::string opened;
  std::getline(in, opened);
  EXPECT_EQ(opened, root.Native("c/temp/qzdesk/\xe6\x96\x87.doc"));

  request.file = "c:\\temp\\qzdesk\\none.doc";
  EXPECT_EQ(shell.Execute(request), 2);
  PosixShell missing((root.dir() / "no-such-opener").string());
  request.file = "c:\\temp\\qzdesk\\\xe6\x96\x87.doc";
  EXPECT_LE(missing.Execute(request), 32);
}

TEST(TerminalDialogsTest, AnswersReadFromTheInput) {
  std::FILE* out = std::tmpfile();
  auto Input = [](const std::string& text) {
    std::FILE* f = std::tmpfile();
    std::fputs(text.c_str(), f);
    std::rewind(f);
    return f;
  };
  std::FILE* in = Input("c:\\docs\n\nc:\\a.doc\nc:\\b.doc\n\n");
  TerminalDialogs dialogs(in, out);
  EXPECT_EQ(dialogs.BrowseForFolder(0, "t"), std::optional<std::string>("c:\\docs"));
  EXPECT_EQ(dialogs.BrowseForFolder(0, "t"), std::nullopt) << "empty line cancels";
  FileDialogRequest request;
  request.multi_select = true;
  EXPECT_EQ(dialogs.FileDialog(request), (std::optional<std::vector<std::string>>({"c:\\a.doc", "c:\\b.doc"})));
  EXPECT_EQ(dialogs.FileDialog(request), std::nullopt) << "end of input cancels";
  std::fclose(in);

  in = Input(std::string(2000, 'x') + "\n");
  TerminalDialogs small(in, out);
  request.buffer_chars = 1024;
  EXPECT_EQ(small.FileDialog(request), std::nullopt) << "an answer that does not fit fails";
  std::fclose(in);
  std::fclose(out);
}

}  // namespace
}  // namespace kit::posix
