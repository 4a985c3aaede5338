#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "exchange/word_access.h"
#include "platform/posix/capture/inprocess_automation.h"
#include "platform/posix/capture/inprocess_clipboard.h"
#include "platform/posix/capture/posix_processes.h"
#include "ports/platform.h"
#include "remark/page_capture.h"
#include "apps/word-standin/standin_host.h"
#include "remark/notaro_ctrl.h"
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
}

TEST(PosixProcessesTest, OwnProcessIsListedUnderItsExecutableName) {
  posix::PosixProcesses procs;
  const std::uint32_t self = procs.CurrentProcessId();
  auto snap = procs.Snapshot();
  ASSERT_TRUE(snap);
  bool found = false;
  for (const auto& e : *snap)
    if (e.pid == self) found = e.exe == "posix_capture_adapters_test";
  EXPECT_TRUE(found);
  // KillWordPro passes over its own process even when asked for its name.
  EXPECT_EQ(exchange::KillWordPro(procs, "posix_capture_adapters_test"), 0);
}

TEST(InProcessClipboardTest, OpensOnceAndHoldsOneFormatAtATime) {
  posix::InProcessClipboard cb;
  EXPECT_FALSE(cb.SetMetafile({1}));  // not open
  ASSERT_TRUE(cb.Open());
  EXPECT_FALSE(cb.Open());
  auto bits = MakeEmfBits({0, 0, 100, 100}, u"p");
  EXPECT_TRUE(cb.SetMetafile(bits));
  EXPECT_TRUE(cb.HasFormat(kCfEnhMetaFile));
  EXPECT_FALSE(cb.HasFormat(kCfBitmap));
  auto copy = cb.GetEnhMetaFile(*DefaultPlatform().metafiles);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Bits(), bits);
  EXPECT_TRUE(cb.Empty());
  EXPECT_FALSE(cb.HasFormat(kCfEnhMetaFile));
  cb.Close();
  EXPECT_FALSE(cb.Empty());
  EXPECT_TRUE(cb.Open());
  cb.Close();
}

TEST(InProcessAutomationTest, FilesOfRegisteredTypesOpenInTheirStandIn) {
  testing::InProcessClipboardSink sink(posix::ProcessClipboard());
  testing::WordStandIn word(&sink);
  posix::InProcessAutomation automation;
  automation.RegisterClass("Word.Application", [&] { return word.Application(); });
  automation.RegisterFileType(".doc", "Word.Document.8", [&](const std::string& p) { return word.OpenDocument(p); });
  automation.RegisterFileType(".xls", "Excel.Sheet.8", nullptr);

  EXPECT_TRUE(automation.IsRegistered("word.application"));
  EXPECT_FALSE(automation.IsRegistered("Excel.Application"));
  EXPECT_EQ(automation.GetRunning("Word.Application").hr, automation::kNotRunning);
  EXPECT_EQ(automation.GetRunning("Excel.Application").hr, hr::InvalidClassString);
  EXPECT_TRUE(automation.Create("Word.Application").object);
  EXPECT_EQ(automation.Create("Excel.Application").hr, hr::ClassNotRegistered);

  const fs::path dir = fs::path(::testing::TempDir()) / "kit_auto";
  fs::create_directories(dir);
  const std::string doc = (dir / "two.DOC").string();
  std::ofstream(doc) << "one\ftwo";
  std::ofstream((dir / "a.xls").string()) << "1";
  EXPECT_EQ(automation.ProgIdOfFile(remark::Utf8ToUtf16(doc).value()), "Word.Document.8");
  EXPECT_EQ(automation.ProgIdOfFile(remark::Utf8ToUtf16((dir / "none.doc").string()).value()), std::nullopt);
  EXPECT_EQ(automation.ProgIdOfFile(remark::Utf8ToUtf16(dir.string()).value()), std::nullopt);

  remark::CapturePorts ports;
  ports.automation = &automation;
  ports.clipboard = &posix::ProcessClipboard();
  ports.metafiles = DefaultPlatform().metafiles;
  ports.screen = DefaultPlatform().screen;
  ports.codepage = DefaultPlatform().codepage;
  auto pages = remark::CaptureFromFile(ports, doc);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NE(pages[0], nullptr);
  EXPECT_NE(pages[1], nullptr);
  EXPECT_TRUE(remark::CaptureFromFile(ports, (dir / "a.xls").string()).empty());
  fs::remove_all(dir);
}

TEST(StandInHostTest, PageScriptsReachTheStandInThroughTheControl) {
  posix::InProcessAutomation automation;
  testing::StandInHost host;
  host.Install(automation);
  const fs::path dir = fs::path(::testing::TempDir()) / "kit_host";
  fs::create_directories(dir);
  std::ofstream((dir / "a.wps").string()) << "1\f2\f3";
  std::ofstream((dir / "b.doc").string()) << "x";

  remark::CNotaroCtrl ctrl;
  remark::CapturePorts adapters = remark::DefaultCapturePorts();
  adapters.automation = &automation;
  ctrl.SetCaptureAdapters(adapters);
  ctrl.Invoke(remark::DISPID_LoadDocument, automation::InvokeKind::Method,
              {automation::Variant::Str((dir / "a.wps").string())});
  EXPECT_EQ(ctrl.document().page_count(), 3);
  ctrl.Invoke(remark::DISPID_LoadDocument, automation::InvokeKind::Method,
              {automation::Variant::Str((dir / "b.doc").string())});
  EXPECT_EQ(ctrl.document().page_count(), 1);

  // Word errors reach the caller; the document stays.
  host.word().FailOn("Range", 167);
  EXPECT_THROW(ctrl.Invoke(remark::DISPID_LoadDocument, automation::InvokeKind::Method,
                           {automation::Variant::Str((dir / "b.doc").string())}),
               automation::AutomationError);
  EXPECT_EQ(ctrl.document().page_count(), 1);

  // Opening a Word document started Word, and it stays running.
  EXPECT_TRUE(automation.GetRunning("Word.Application").object);

  const std::string log = (dir / "word.log").string();
  ASSERT_TRUE(host.WriteLog(log, *DefaultPlatform().codepage));
  std::ifstream in(log);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "WpsDocument 4097 call I4:1 I4:793 I4:1122");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kit
