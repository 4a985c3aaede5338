#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "exchange/word_access.h"
#include "ports/platform.h"
#include "remark/notaro_ctrl.h"
#include "remark/page_capture.h"
#include "sim/capture/inprocess_automation.h"
#include "sim/capture/inprocess_clipboard.h"
#include "sim/word/standin_host.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

TEST(InProcessClipboardTest, OpensOnceAndHoldsOneFormatAtATime) {
  sim::InProcessClipboard cb;
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
  sim::InProcessClipboardSink sink(sim::ProcessClipboard());
  sim::WordStandIn word(&sink);
  sim::InProcessAutomation automation;
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
  ports.clipboard = &sim::ProcessClipboard();
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
  sim::InProcessAutomation automation;
  sim::StandInHost host;
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
