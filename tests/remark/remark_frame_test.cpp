#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/ui/headless_ui.h"
#include "remark/notaro_ctrl.h"
#include "remark/remark_frame.h"
#include "tests/remark/fakes.h"
#include "tests/remark/view_fakes.h"

namespace kit::remark {
namespace {

using sim::HeadlessUi;
using testing::FakePlatform;

// The window's commands by name: scripts say "button #next", and the numbers
// in the window's log read back as "next".
const std::map<std::string, int> kCommands = {
    {"load", ID_FILE_LOADSOURCE}, {"close", ID_FILE_CLOSE},    {"print", ID_FILE_PRINT},
    {"colour", ID_PEN_COLOR},     {"width", ID_PEN_WIDTH},     {"undo", ID_DELETE_LAST_STROKE},
    {"drop", ID_DELETE_UNCONFIRMED}, {"confirm", ID_CONFIRM_REMARK}, {"remarker", ID_SEL_REMARKER},
    {"first", ID_FIRST_PAGE},     {"prev", ID_PREV_PAGE},      {"next", ID_NEXT_PAGE},
    {"last", ID_LAST_PAGE},       {"hide", ID_HIDE_REMARKS},   {"zoom", ID_ZOOM},
    {"about", ID_APP_ABOUT},      {"zoomLast", ID_ZOOM_LAST},  {"remarkerLast", ID_REMARKER_LAST}};

std::string Ids(const std::string& script) {
  std::string out;
  for (std::size_t i = 0; i < script.size();) {
    if (script[i] != '#') {
      out += script[i++];
      continue;
    }
    std::size_t end = ++i;
    while (end < script.size() && std::isalpha(static_cast<unsigned char>(script[end]))) ++end;
    out += std::to_string(kCommands.at(script.substr(i, end - i)));
    i = end;
  }
  return out;
}

std::string Names(std::string line) {
  for (const auto& [name, id] : kCommands) {
    const std::string number = std::to_string(id);
    for (std::size_t at = line.find(number); at != std::string::npos; at = line.find(number, at))
      line.replace(at, number.size(), name);
  }
  return line;
}

// A printer that records its brackets and the ink it is given.
struct PrintRecord {
  std::vector<std::string> calls;
  std::vector<std::string> drawing;
  int failPage = 0;  // StartPage of this page fails
  bool failStart = false;
};

class RecordingJob : public ui::IPrintJob {
 public:
  explicit RecordingJob(PrintRecord& r) : m_r(r), m_dc(&r.drawing) {}
  IDeviceContext& dc() override { return m_dc; }
  int DeviceCaps(int index) const override {
    return index == ui::kLogPixelsX || index == ui::kLogPixelsY ? 192 : index == ui::kPhysicalOffsetX ? 10 : 20;
  }
  int StartDoc(const std::string& name) override { return Log("StartDoc " + name), m_r.failStart ? 0 : 1; }
  int StartPage() override { return Log("StartPage"), ++m_page == m_r.failPage ? 0 : 1; }
  int EndPage() override { return Log("EndPage"), 1; }
  int EndDoc() override { return Log("EndDoc"), 1; }
  int AbortDoc() override { return Log("AbortDoc"), 1; }

 private:
  void Log(const std::string& call) { m_r.calls.push_back(call); }
  PrintRecord& m_r;
  testing::RecordingDC m_dc;
  int m_page = 0;
};

class RemarkFrameTest : public ::testing::Test {
 protected:
  FakePlatform fp;
  CNotaroCtrl ctrl{fp.platform};
  std::ostringstream log;
  std::unique_ptr<HeadlessUi> ui;
  PrintRecord printed;
  std::function<void()> duringPrint;  // runs inside the modal loop

  // Pages of 300 x 400 pixels without margins.
  void Pages(int n) {
    std::vector<EnhMetaFilePtr> pics;
    for (int i = 0; i < n; ++i) pics.push_back(fp.Picture(RectL{0, 0, 300 * 2540 / 96, 400 * 2540 / 96}));
    ctrl.document().ReplacePages(std::move(pics));
  }

  // A stroke of `steps` steps by the named remarker on page `page`.
  void Stroke(const std::string& remarker, int page, int steps) {
    ctrl.SetRemarker(remarker);
    ctrl.document().SetCurrentPage(page);
    ctrl.document().BeginStroke(20, 20);
    for (int i = 0; i < steps; ++i) ctrl.document().AddStep(5, 5);
    ctrl.document().EndStroke();
  }

  std::vector<std::string> Open(const std::string& events, bool readOnly = false) {
    log.str("");
    ui = std::make_unique<HeadlessUi>(sim::ParseUiScript(Ids(events)), &log);
    ui->SetPrinterFactory([this](const std::string&) -> std::unique_ptr<ui::IPrintJob> {
      if (duringPrint) duringPrint();
      return std::make_unique<RecordingJob>(printed);
    });
    ctrl.MarkTransferStarted();
    ctrl.SetUi(ui.get(), HeadlessUi::kHostWindow);
    ctrl.OpenRemark(readOnly);
    std::vector<std::string> lines;
    std::istringstream in(log.str());
    for (std::string l; std::getline(in, l);) lines.push_back(Names(l));
    return lines;
  }

  static std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }

  int InkLines() const {
    int n = 0;
    for (const auto& d : printed.drawing)
      if (d.rfind("LineTo", 0) == 0) ++n;
    return n;
  }
};

TEST(RemarkFrameTooltips, AreCutToTheirBuffer) {
  std::string han, ascii(100, 'x');
  for (int i = 0; i < 100; ++i) han += "批";
  const struct {
    std::string in;
    std::size_t bytes;
  } cases[] = {{ascii, 79}, {han, 79 * 3}, {"短", 3}, {"", 0}, {std::string(79, 'y'), 79}};
  for (const auto& c : cases) EXPECT_EQ(CutToolTipText(c.in).size(), c.bytes) << c.in.size();
}

TEST_F(RemarkFrameTest, ToolbarAndMenuStatesFollowPagesAndReadOnly) {
  const struct {
    int pages;
    bool readOnlyArg, docReadOnly;
    std::string events;
    std::vector<std::string> toolbar;
  } cases[] = {
      {0, false, false, "toolbar", {"toolbar load+ colour- width- undo- drop- confirm- hide- zoom- print- first- prev- next- last- remarker-"}},
      {3, false, false, "toolbar; button #last; toolbar; button #prev; toolbar; button #first; toolbar",
       {"toolbar load- colour+ width+ undo+ drop+ confirm+ hide+ zoom+ print+ first- prev- next+ last+ remarker+",
        "toolbar load- colour+ width+ undo+ drop+ confirm+ hide+ zoom+ print+ first+ prev+ next- last- remarker+",
        "toolbar load- colour+ width+ undo+ drop+ confirm+ hide+ zoom+ print+ first+ prev+ next+ last+ remarker+",
        "toolbar load- colour+ width+ undo+ drop+ confirm+ hide+ zoom+ print+ first- prev- next+ last+ remarker+"}},
      {3, true, false, "button #next; command #zoom; popup #zoomLast; toolbar",
       {"toolbar load- colour- width- undo- drop- confirm- hide+ zoom+ print+ first+ prev+ next+ last+ remarker+"}},
      {1, false, true, "toolbar",
       {"toolbar load- colour- width- undo- drop- confirm- hide+ zoom+ print+ first- prev- next- last- remarker+"}},
  };
  for (const auto& c : cases) {
    ctrl.document().Clear();
    Pages(c.pages);
    ctrl.SetReadOnly(c.docReadOnly);
    const auto lines = Open(c.events, c.readOnlyArg);
    EXPECT_EQ(Starting(lines, "toolbar"), c.toolbar) << c.events;
  }
}

TEST_F(RemarkFrameTest, RemarkerPopupStopsBeforeTheZoomRange) {
  Pages(1);
  for (int i = 0; i < 250; ++i) ctrl.SetRemarker("R" + std::to_string(i));
  const auto lines = Open("button #remarker; popup #remarkerLast; command #print; print");
  const auto popup = Starting(lines, "popup 所有人");
  ASSERT_EQ(popup.size(), 1u);
  EXPECT_NE(popup[0].find("R198 remarkerLast"), std::string::npos);
  EXPECT_EQ(popup[0].find("R199"), std::string::npos);
  EXPECT_EQ(popup[0].find("3321"), std::string::npos);  // no zoom item
  EXPECT_EQ(popup[0].find("zoomLast"), std::string::npos);
  EXPECT_EQ(Starting(lines, "popup chose R198").size(), 1u);
}

TEST_F(RemarkFrameTest, PrintingMapsPagePixelsAndEndsCleanly) {
  Pages(3);
  const struct {
    int failPage;
    bool failStart;
    std::vector<std::string> calls;
  } cases[] = {
      {0, false, {"StartDoc Remark", "StartPage", "EndPage", "StartPage", "EndPage", "StartPage", "EndPage", "EndDoc"}},
      {2, false, {"StartDoc Remark", "StartPage", "EndPage", "StartPage", "AbortDoc"}},
      {0, true, {"StartDoc Remark"}},
  };
  for (const auto& c : cases) {
    printed = PrintRecord{};
    printed.failPage = c.failPage;
    printed.failStart = c.failStart;
    Open("command #print; print");
    EXPECT_EQ(printed.calls, c.calls);
  }
  // A 300 x 400 page at 192 dpi from the paper corner (10, 20): doubled and
  // shifted back by the offset.
  printed = PrintRecord{};
  Open("command #print; print");
  ASSERT_FALSE(printed.drawing.empty());
  EXPECT_EQ(printed.drawing[0], "Play -10,-20 590,780");
  // Cancelling the dialog prints nothing.
  printed = PrintRecord{};
  Open("command #print; print cancel");
  EXPECT_TRUE(printed.calls.empty());
}

TEST_F(RemarkFrameTest, SetSelRemarkerReachesTheOpenViewOnly) {
  Pages(1);
  Stroke("A", 0, 1);
  Stroke("B", 0, 2);
  ctrl.SetSelRemarker(0);  // no window: nothing to reach
  bool nestedOpened = true;
  duringPrint = [&] {
    ctrl.Invoke(DISPID_SetSelRemarker, automation::InvokeKind::Method, {automation::Variant::I4(1)});
    // A second opening while the window runs returns at once.
    const std::string before = log.str();
    ctrl.OpenRemark(false);
    nestedOpened = log.str() != before;
  };
  Open("command #print; print");
  EXPECT_EQ(InkLines(), 2);
  EXPECT_FALSE(nestedOpened);
  duringPrint = nullptr;
  printed = PrintRecord{};
  Open("command #print; print");
  EXPECT_EQ(InkLines(), 3);  // a new opening shows everyone
}

TEST_F(RemarkFrameTest, EveryWayOutOfADragTerminatesTheStroke) {
  const struct {
    std::string events;
    int used;
    bool readOnlyArg = false, docReadOnly = false;
  } cases[] = {
      {"down 40 60; move 60 80; up 60 80", 14},
      {"down 40 60; move 60 80; up 60 80", 0, true},  // opened read-only
      {"down 40 60; move 60 80; up 60 80", 0, false, true},
      {"down 40 60; move 60 80; cancelmode; move 80 90; up 80 90", 14},
      {"down 40 60; move 60 80; close", 14},
      {"down 40 60; move 60 80", 14},  // the script ends mid-drag
      {"down 40 60; up 40 60", 12},
      {"down 5 60; up 5 60", 0},  // on the desk, left of the sheet
  };
  for (const auto& c : cases) {
    ctrl.document().Clear();
    Pages(1);
    ctrl.SetReadOnly(c.docReadOnly);
    Open(c.events, c.readOnlyArg);
    const CRemarkPage& p = ctrl.document().page(0);
    ASSERT_EQ(p.used_length(), c.used) << c.events;
    if (c.used) {
      // (40, 60) in the frame is view client (38, 32): page pixel (22, 16).
      const std::uint8_t* b = p.stroke_bytes();
      EXPECT_EQ((b[6] | b[7] << 8) * 1000 + (b[8] | b[9] << 8), 22016) << c.events;
      EXPECT_EQ(b[c.used - 2] | b[c.used - 1], 0) << c.events;
    }
  }
}

TEST_F(RemarkFrameTest, AScriptReplacingTheDocumentMidDragLeavesTheWindowSafe) {
  ASSERT_EQ(ctrl.SaveToFile("c:\\empty.dat"), kScodeOk);
  Pages(2);
  Stroke("A", 1, 4);
  ctrl.MarkTransferStarted();
  duringPrint = [&] {
    ctrl.Invoke(DISPID_LoadFromFile, automation::InvokeKind::Method, {automation::Variant::Str("c:\\empty.dat")});
  };
  Open("down 40 60; move 60 80; command #print; print; move 80 90; up 80 90; button #next; button #last; "
       "button #undo; command #zoom; popup #zoomLast; toolbar");
  EXPECT_EQ(ctrl.document().page_count(), 0);
  // The dialog ran before the load: the job has no page left to print.
  EXPECT_EQ(printed.calls, (std::vector<std::string>{"StartDoc Remark", "EndDoc"}));
}

TEST_F(RemarkFrameTest, WindowCommandsChangeTheDocument) {
  Pages(1);
  Stroke("A", 0, 1);
  ctrl.ConfirmRemark();
  Stroke("A", 0, 1);
  Stroke("A", 0, 1);
  const struct {
    std::string events;
    int strokes, confirmedStrokes;
    ColorRef colour;
  } cases[] = {
      {"button #undo", 2, 1, 255},
      {"button #drop", 1, 1, 255},
      {"button #colour; color cancel", 1, 1, 255},
      {"command #colour; color 0x00FF00", 1, 1, 0x00FF00},
  };
  for (const auto& c : cases) {
    Open(c.events);
    EXPECT_EQ(ctrl.document().page(0).StrokeCount(), c.strokes) << c.events;
    EXPECT_EQ(ctrl.document().pen_color(), c.colour) << c.events;
  }
  Stroke("A", 0, 1);
  Open("button #confirm");
  EXPECT_EQ(ctrl.document().page(0).confirmed_length(), ctrl.document().page(0).used_length());
}

TEST_F(RemarkFrameTest, LoadSourceAsksForWordAndWpsFiles) {
  const auto lines = Open("button #load; file c:\\missing.doc; toolbar; button #load; file cancel");
  EXPECT_EQ(Starting(lines, "file-open dialog"),
            (std::vector<std::string>(2, "file-open dialog Microsoft Word 文档|*.doc|WPS 文档|*.wps")));
  // Nothing to capture from: the window stays empty, loading still offered.
  EXPECT_EQ(ctrl.document().page_count(), 0);
  EXPECT_EQ(Starting(lines, "toolbar load+").size(), 1u);
  EXPECT_EQ(Starting(lines, "file dialog cancelled").size(), 1u);
}

TEST_F(RemarkFrameTest, AboutAndCloseAreAlwaysThere) {
  const auto lines = Open("command #about; ok; command #close; command #colour; color 0");
  EXPECT_EQ(Starting(lines, "dialog "), (std::vector<std::string>{"dialog 209 \"关于Notaro\""}));
  // The close posted by the menu ends the loop before the next event.
  EXPECT_EQ(Starting(lines, "modal loop ends 0").size(), 1u);
  EXPECT_EQ(ui->pending_events(), 2u);
}

}  // namespace
}  // namespace kit::remark
