#include "exchange/local_files.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "exchange/exchange_members.h"
#include "remark/notaro_ctrl.h"
#include "tests/common/golden.h"
#include "tests/remark/fakes.h"

namespace kit::exchange {
namespace {

using automation::InvokeByName;
using automation::InvokeKind;
using automation::Variant;

// Paths are matched as the desktop does: case-insensitively, '?' for one
// character in the last component.
class FakeLookup : public IFileLookup {
 public:
  std::map<std::string, FoundFile> entries;  // keys lower case

  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }
  static bool Match(const std::string& pattern, const std::string& name) {
    if (pattern.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (pattern[i] != '?' && pattern[i] != name[i]) return false;
    }
    return true;
  }
  void AddFile(const std::string& path, std::uint64_t size) { entries[Lower(path)] = FoundFile{size, false}; }

  std::optional<FoundFile> FindFirst(const std::string& pattern) override {
    for (const auto& [path, found] : entries) {
      if (Match(Lower(pattern), path)) return found;
    }
    return std::nullopt;
  }
  bool OpenSharedRead(const std::string& path) override {
    auto it = entries.find(Lower(path));
    return it != entries.end() && !it->second.folder;
  }
  bool CreateFolder(const std::string& path) override {
    entries[Lower(path)] = FoundFile{0, true};
    return true;
  }
};

class RecordingShell : public IShell {
 public:
  std::vector<ShellRequest> requests;
  std::intptr_t answer = 42;
  std::intptr_t Execute(const ShellRequest& request) override {
    requests.push_back(request);
    return answer;
  }
};

class ScriptedDialogs : public IDialogs {
 public:
  std::optional<std::string> folder;
  std::optional<std::vector<std::string>> files;
  std::vector<std::string> folder_titles;
  std::vector<FileDialogRequest> file_requests;

  int MessageBox(std::uintptr_t, const std::string&, const std::string&, unsigned) override { return id::kOk; }
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest& request) override {
    file_requests.push_back(request);
    return files;
  }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string& title) override {
    folder_titles.push_back(title);
    return folder;
  }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }
};

// Marks each direction so that a test sees which text was converted.
class TaggingCodePage : public ICodePage {
 public:
  std::string ToUtf8(const std::string& ansi) const override { return "<u>" + ansi; }
  std::string FromUtf8(const std::string& utf8) const override { return "<a>" + utf8; }
};

class LocalFilesTest : public ::testing::Test {
 protected:
  FakeLookup lookup;
  RecordingShell shell;
  ScriptedDialogs dialogs;
  TaggingCodePage codepage;
  LocalFilePorts Ports() {
    LocalFilePorts p;
    p.lookup = &lookup;
    p.shell = &shell;
    p.dialogs = &dialogs;
    p.codepage = &codepage;
    p.main_window = 0x1234;
    return p;
  }
};

TEST(CutTokenTest, SplitsAtTheFirstSeparator) {
  kit::testing::ExpectTable(KIT_TESTS_DIR "/exchange/cut_token.table", [](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    std::string s = f.at(0);
    const std::string token = CutToken(s, f.at(1));
    return token + "\t" + s;
  });
}

TEST(ReplaceAllTest, RestartsFromTheFront) {
  kit::testing::ExpectTable(KIT_TESTS_DIR "/exchange/replace_all.table", [](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    std::string s = f.at(0);
    const std::size_t n = ReplaceAll(s, f.at(1), f.at(2));
    return s + "\t" + std::to_string(n);
  });
  // Each replacement forms a new match with the byte before it, for ever.
  std::string s("\xff\xff\xff\xff\x00\x08", 6);
  ReplaceAll(s, std::string("\xff\x00", 2), std::string("\0\0\0\0\0\xff\xff", 7));
  EXPECT_GT(s.size(), 64u << 10);
  EXPECT_LT(s.size(), (64u << 10) + 64);
}

TEST(WorkingPathTest, NamesStayInTheFolder) {
  kit::testing::ExpectTable(KIT_TESTS_DIR "/exchange/working_paths.table", [](const std::string& name) {
    const std::optional<std::string> path = WorkingPath(name), exchange = ExchangePath(name);
    if (path.has_value() != exchange.has_value()) return std::string("taken in one folder only");
    return path.value_or("refused");
  });
  EXPECT_EQ(ExchangePath("gw.doc"), std::optional<std::string>("c:\\temp\\qzexch\\gw.doc"));
  // "文档" in code page 936 carries no separator byte.
  EXPECT_EQ(WorkingPath("\xce\xc4\xb5\xb5.doc"), std::optional<std::string>("c:\\temp\\qzdesk\\\xce\xc4\xb5\xb5.doc"));
  // 0x5C as the trail byte of a double-byte character is not a backslash.
  EXPECT_TRUE(WorkingPath("\x81\x5c.doc"));
  EXPECT_TRUE(WorkingPath("\x81\x5c\\x"));
  for (const char* bad : {"\x81", "\x81/x", "\x81:x", "\x81\x7f"}) EXPECT_FALSE(WorkingPath(bad)) << bad;
}

TEST_F(LocalFilesTest, FilesSizeAddsEveryStarredPath) {
  CLocalFiles files(Ports());
  lookup.AddFile("c:\\d\\a.txt", 100);
  lookup.AddFile("c:\\d\\b.txt", 200);
  EXPECT_EQ(files.GetFilesSize("c:\\d\\a.txt*c:\\d\\b.txt*"), "300.000000");
  EXPECT_EQ(files.GetFilesSize("c:\\d\\a.txt*c:\\d\\b.txt"), "100.000000") << "no star, not a path";
  EXPECT_EQ(files.GetFilesSize(""), "0.000000");
  EXPECT_EQ(files.GetFilesSize("c:\\d\\a.txt*c:\\d\\missing*c:\\d\\b.txt*"), "300.000000");
  EXPECT_EQ(files.GetFilesSize("C:\\D\\A.TXT*c:\\d\\a.txt*"), "200.000000") << "counted each time named";
  EXPECT_EQ(files.GetFilesSize("c:\\d\\?.txt*"), "100.000000") << "the first match of a wildcard";
  // Each file counts its low 32 bits; the total is not cut.
  lookup.AddFile("c:\\big.iso", (std::uint64_t{1} << 32) + 5);
  lookup.AddFile("c:\\max.bin", 0xFFFFFFFFu);
  EXPECT_EQ(files.GetFilesSize("c:\\big.iso*"), "5.000000");
  EXPECT_EQ(files.GetFilesSize("c:\\max.bin*c:\\max.bin*"), "8589934590.000000");
}

TEST_F(LocalFilesTest, SaveFolderEndsInABackslash) {
  CLocalFiles files(Ports());
  dialogs.folder = "C:\\";
  EXPECT_EQ(files.GetSaveFilePath(), "<a>C:\\");
  dialogs.folder = "C:\\Docs";
  EXPECT_EQ(files.GetSaveFilePath(), "<a>C:\\Docs\\");
  dialogs.folder = "/home/u/";
  EXPECT_EQ(files.GetSaveFilePath(), "<a>/home/u/");
  dialogs.folder = std::nullopt;
  EXPECT_EQ(files.GetSaveFilePath(), "");
  dialogs.folder = "";
  EXPECT_EQ(files.GetSaveFilePath(), "") << "a choice without a path";
  ASSERT_EQ(dialogs.folder_titles.size(), 5u);
  EXPECT_EQ(dialogs.folder_titles[0], "请选择文件保存路径");
}

TEST_F(LocalFilesTest, MembersThroughTheControl) {
  kit::testing::FakePlatform fp;
  remark::CNotaroCtrl ctrl(fp.platform);
  LocalFilePorts ports;
  ports.lookup = &lookup;
  ports.shell = &shell;
  ports.dialogs = &dialogs;
  ports.codepage = ctrl.platform().codepage;
  ctrl.AddMembers(LocalFileMembers(ports));
  lookup.AddFile("c:\\a.txt", 7);

  EXPECT_EQ(InvokeByName(ctrl, "GetFilesSize", InvokeKind::Method, {Variant::Str("c:\\a.txt*")}),
            Variant::Str("7.000000"));
  EXPECT_EQ(InvokeByName(ctrl, "IsExsitFile", InvokeKind::Method, {Variant::Str("c:\\a.txt")}), Variant::Bool(true));
  EXPECT_EQ(InvokeByName(ctrl, "IsExsitFile", InvokeKind::Method, {Variant::Str("c:\\b.txt")}), Variant::Bool(false));
  EXPECT_EQ(InvokeByName(ctrl, "IsExsitFile", InvokeKind::Method, {Variant::Str("")}), Variant::Bool(false));
  // The shell's answer is not passed on; the file opens in a normal window
  // with its own program.
  shell.answer = 2;  // file not found
  EXPECT_EQ(InvokeByName(ctrl, "OpenFile", InvokeKind::Method, {Variant::Str("c:\\a.txt")}), Variant::Bool(true));
  ASSERT_EQ(shell.requests.size(), 1u);
  EXPECT_EQ(shell.requests[0].owner, 0u);
  EXPECT_EQ(shell.requests[0].verb, "");
  EXPECT_EQ(shell.requests[0].parameters, "");
  EXPECT_EQ(shell.requests[0].show, kSwShowNormal);
  dialogs.folder = std::nullopt;
  EXPECT_EQ(InvokeByName(ctrl, "GetSaveFilePath", InvokeKind::Method), Variant::Str(""));
  dialogs.files = std::vector<std::string>{"c:\\x", "c:\\y"};
  const Variant upload = InvokeByName(ctrl, "GetUploadFilePath", InvokeKind::Method);
  ASSERT_EQ(upload.type(), automation::VarType::Bstr);
  EXPECT_NE(upload.AsStr().find(';'), std::string::npos);
  EXPECT_EQ(dialogs.file_requests.at(0).owner, 0u);
  EXPECT_EQ(ctrl.transfer_state(), 0) << "local helpers do not open the transfer gate";
  EXPECT_THROW(InvokeByName(ctrl, "Upload", InvokeKind::Method, {Variant::Str("u"), Variant::Str(""), Variant::Str("")}),
               automation::AutomationError)
      << "other members pass on";
}

}  // namespace
}  // namespace kit::exchange
