#include "remark/page_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "remark/notaro_ctrl.h"
#include "sim/word/word_standin.h"
#include "tests/remark/fakes.h"

namespace kit::remark {
namespace {

using automation::AutomationError;
using automation::InvokeKind;
using automation::Variant;
using testing::Description;
using sim::MemoryClipboard;
using sim::StandInAutomation;
using sim::WordStandIn;

class RecordingCursor : public ICursor {
 public:
  std::vector<std::string> log;
  std::uintptr_t ShowWait() override {
    log.push_back("wait");
    return 77;
  }
  void Restore(std::uintptr_t prev) override { log.push_back("restore " + std::to_string(prev)); }
};

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + name;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct Rig {
  testing::FakePlatform fp;
  MemoryClipboard clipboard;
  RecordingCursor cursor;
  StandInAutomation automation;
  WordStandIn word{&clipboard};
  CapturePorts ports;

  Rig() {
    ports.automation = &automation;
    ports.clipboard = &clipboard;
    ports.cursor = &cursor;
    ports.metafiles = &fp.metafiles;
    ports.screen = &fp.screen;
    ports.codepage = &fp.codepage;
  }
  // A Word file of the given page texts at a real path.
  std::string WordFile(const std::string& name, const std::string& text, const std::string& progId = "Word.Document.8") {
    std::string path = TempPath(name);
    WriteFile(path, text);
    automation.file_classes[std::u16string(path.begin(), path.end())] = progId;
    automation.open_file = [this](const std::u16string& p) { return word.OpenDocument(std::string(p.begin(), p.end())); };
    return path;
  }
  // A WPS file whose document has the given number of pages.
  std::string WpsFile(const std::string& name, const std::string& progId, int pages) {
    std::string path = TempPath(name);
    WriteFile(path, "wps");
    automation.file_classes[std::u16string(path.begin(), path.end())] = progId;
    automation.open_file = [this, pages](const std::u16string&) { return word.WpsDocument(pages); };
    return path;
  }
};

TEST(PageCaptureTest, ThreePageWordDocumentSplitsAtPageStarts) {
  Rig r;
  std::string path = r.WordFile("three.doc", "aaaa\fbbbbbb\fcc");  // pages of 5, 7 and 2 characters
  auto pages = CaptureFromFile(r.ports, path);
  ASSERT_EQ(pages.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(pages[i], nullptr);
    EXPECT_EQ(Description(*pages[i]), "Word page " + std::to_string(i + 1) + " of " + path);
  }
  EXPECT_EQ(r.word.Log(), (std::vector<std::string>{
                              "Document 113 call",
                              "Document 41 get",
                              "Range 3 get",
                              "Range 4 get",
                              "Document 115 call I2:1 I2:-1 I2:1 missing",
                              "Range 313 get I4:3",
                              "Document 115 call I2:1 I2:1 I2:2 missing",
                              "Range 3 get",
                              "Document 2000 call I4:0 I4:5",
                              "Range 167 call",
                              "Document 115 call I2:1 I2:1 I2:3 missing",
                              "Range 3 get",
                              "Document 2000 call I4:5 I4:12",
                              "Range 167 call",
                              "Document 2000 call I4:12 I4:14",
                              "Range 167 call",
                              "Document 1105 call missing missing missing",
                          }));
  // The clipboard is emptied before every copy and left closed.
  EXPECT_EQ(r.clipboard.empties, 3);
  EXPECT_FALSE(r.clipboard.is_open());
  EXPECT_EQ(r.automation.log, (std::vector<std::string>{"GetClassFile " + path, "BindToObject " + path}));
  EXPECT_EQ(r.cursor.log, (std::vector<std::string>{"wait", "restore 77"}));
  EXPECT_TRUE(r.word.documents.at(0)->closed);
}

TEST(PageCaptureTest, WpsDocumentOfThreePages) {
  Rig r;
  std::string path = r.WpsFile("three.wps", "WPS.Document.6", 3);
  auto pages = CaptureFromFile(r.ports, path);
  ASSERT_EQ(pages.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Description(*pages[i]), "WPS page " + std::to_string(i + 1));
  EXPECT_EQ(r.word.Log(), (std::vector<std::string>{
                              "WpsDocument 4097 call I4:1 I4:793 I4:1122",
                              "WpsDocument 4097 call I4:2 I4:793 I4:1122",
                              "WpsDocument 4097 call I4:3 I4:793 I4:1122",
                              "WpsDocument 4097 call I4:4 I4:793 I4:1122",
                              "WpsDocument 1 get",
                              "WpsApplication 1105 call",
                          }));
  EXPECT_EQ(r.word.wps_closes, 1);
  // A server that never runs out of pages is stopped at the bound.
  std::string endless = r.WpsFile("endless.wps", "WPS.Document", 1 << 30);
  EXPECT_EQ(CaptureFromFile(r.ports, endless).size(), static_cast<std::size_t>(kMaxWpsPages));
}

TEST(PageCaptureTest, BitmapOnlyClipboardBecomesWpsFileMetafile) {
  Rig r;
  r.word.wps_pictures_as_bitmaps = true;
  std::string path = r.WpsFile("bmp.wps", "WPSFile", 1);
  r.fp.screen.px = 96;
  r.fp.screen.py = 192;
  auto pages = CaptureFromFile(r.ports, path);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_NE(pages[0], nullptr);
  EXPECT_EQ(Description(*pages[0]), "WPSFile");
  EmfHeader h = pages[0]->Header();
  EXPECT_EQ(h.rclFrame.right, 5 * 2540 / 96);
  EXPECT_EQ(h.rclFrame.bottom, 3 * 2540 / 192);
  EXPECT_EQ(h.nRecords, 3u);
}

TEST(PageCaptureTest, ControlInstallsPagesAndKeepsDocumentOnFailure) {
  Rig r;
  CNotaroCtrl ctrl(r.fp.platform);
  ctrl.SetCaptureAdapters(r.ports);
  std::string path = r.WordFile("ctrl.doc", "p1\fp2");
  ctrl.SetRemarker("alice");
  ctrl.SetModifiedFlag(false);
  ctrl.Invoke(DISPID_LoadDocument, InvokeKind::Method, {Variant::Str(path)});
  EXPECT_TRUE(ctrl.IsModified());
  EXPECT_EQ(ctrl.document().page_count(), 2);
  EXPECT_EQ(ctrl.document().current_page(), 0);
  EXPECT_TRUE(ctrl.document().RemarkerNames().empty());

  // A spreadsheet: nothing changes but the modified flag.
  std::string xls = r.WordFile("ctrl.xls", "1", "Excel.Sheet.8");
  ctrl.SetModifiedFlag(false);
  ctrl.Invoke(DISPID_LoadDocument, InvokeKind::Method, {Variant::Str(xls)});
  EXPECT_EQ(ctrl.document().page_count(), 2);
  EXPECT_TRUE(ctrl.IsModified());

  // Word fails on the object's second page: the error reaches the caller
  // and the two pages stay.
  auto doc = r.word.OpenDocument(r.WordFile("obj.doc", "a\fb\fc"));
  r.word.FailOn("Document", 2000, 2);
  EXPECT_THROW(ctrl.Invoke(DISPID_LoadObject, InvokeKind::Method, {Variant::Dispatch(doc)}), AutomationError);
  EXPECT_EQ(ctrl.document().page_count(), 2);

  auto doc3 = r.word.OpenDocument(r.WordFile("obj3.doc", "a\fb\fc"));
  ctrl.Invoke(DISPID_LoadObject, InvokeKind::Method, {Variant::Dispatch(doc3)});
  EXPECT_EQ(ctrl.document().page_count(), 3);
  EXPECT_EQ(r.word.Log().back(), "Document 1105 call missing missing missing");
}

}  // namespace
}  // namespace kit::remark
