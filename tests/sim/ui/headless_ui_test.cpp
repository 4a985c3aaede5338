#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <numeric>
#include <thread>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/ui/headless_ui.h"

namespace kit::sim {
namespace {

// Writes down what its window is told.
struct Recorder : ui::IWindowHandler {
  std::vector<std::string> calls;
  ui::IUi* ui = nullptr;
  ui::IWindow* self = nullptr;
  bool endOnClose = true;
  std::function<void(int)> onCommand;
  std::function<void()> onClose;

  void Add(const std::string& s) { calls.push_back(s); }
  void OnCreate(ui::IWindow& w) override {
    self = &w;
    Add("create");
  }
  void OnSize(int cx, int cy) override { Add("size " + std::to_string(cx) + "," + std::to_string(cy)); }
  void OnCommand(int id) override {
    Add("command " + std::to_string(id));
    if (onCommand) onCommand(id);
  }
  bool IsCommandEnabled(int id) override { return id != 2; }
  std::string OnToolTipText(int id) override { return "tip of " + std::to_string(id); }
  void OnClose() override {
    Add("close");
    if (onClose) onClose();
    if (endOnClose && ui && self) ui->EndModalLoop(*self, 7);
  }
  void OnDestroy() override { Add("destroy"); }
  void OnLButtonDown(int x, int y) override { Add("down " + std::to_string(x) + "," + std::to_string(y)); }
  void OnLButtonUp(int x, int y) override { Add("up " + std::to_string(x) + "," + std::to_string(y)); }
  void OnMouseMove(int x, int y) override { Add("move " + std::to_string(x) + "," + std::to_string(y)); }
  void OnRButtonDown(int x, int y) override { Add("rdown " + std::to_string(x) + "," + std::to_string(y)); }
  void OnCancelMode() override { Add("cancelmode"); }
  void OnCaptureChanged() override { Add("capture lost"); }
};

TEST(ParseUiScript, ReadsEventsAndRefusesWhatItCannotRead) {
  const auto events = ParseUiScript(
      "down 1 2; move 0x10 -3 # comment\n\n  file C:\\My Files\\a b.doc\nprint\npopup none\nsnapshot out/the window.png");
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].verb, "down");
  EXPECT_EQ(events[0].args, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(events[1].args, (std::vector<std::string>{"0x10", "-3"}));
  EXPECT_EQ(events[2].args, (std::vector<std::string>{"C:\\My Files\\a b.doc"}));
  EXPECT_EQ(events[2].line, 3);
  EXPECT_TRUE(events[3].args.empty());
  EXPECT_EQ(events[4].args[0], "none");
  EXPECT_EQ(events[5].args, (std::vector<std::string>{"out/the window.png"}));

  for (const char* bad : {"frobnicate", "down 1", "command x", "popup", "close now", "color red", "size 1 2 3", "snapshot",
                          "wait", "wait long"}) {
    try {
      ParseUiScript(std::string("menu\n") + bad);
      ADD_FAILURE() << bad;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
  }
}

class HeadlessUiTest : public ::testing::Test {
 protected:
  std::ostringstream log;
  Recorder frame, child;
  std::unique_ptr<HeadlessUi> ui;
  std::unique_ptr<ui::IWindow> frameWnd, childWnd;

  // A 300 x 200 frame with a child at (10, 20) of 100 x 50 with a client edge.
  void Make(const std::string& events) {
    childWnd.reset();
    frameWnd.reset();
    frame.calls.clear();
    child.calls.clear();
    ui = std::make_unique<HeadlessUi>(ParseUiScript(events), &log);
    frame.ui = child.ui = ui.get();
    ui::FrameParams fp;
    fp.title = "T";
    fp.rect = {50, 60, 350, 260};
    fp.menu = {ui::MenuItem::Popup("P", {ui::MenuItem::Command(1, "one"), ui::MenuItem::Command(2, "two")})};
    frameWnd = ui->CreateFrame(fp, frame);
    ui::ChildParams cp;
    cp.controlId = 100;
    cp.exStyle = kWsExClientEdge;
    cp.rect = {10, 20, 110, 70};
    childWnd = ui->CreateChild(*frameWnd, cp, child);
  }
  int Run() { return ui->RunModalLoop(*frameWnd, ui::kMlfShowOnIdle); }
};

TEST_F(HeadlessUiTest, WindowsKnowTheirPlaceAndClientArea) {
  Make("");
  EXPECT_EQ(frame.calls, (std::vector<std::string>{"create", "size 300,200"}));
  EXPECT_EQ(child.calls, (std::vector<std::string>{"create", "size 96,46"}));
  const RectL wr = childWnd->WindowRect();
  EXPECT_EQ(wr.left, 60);
  EXPECT_EQ(wr.top, 80);
  EXPECT_EQ(childWnd->ClientToScreen({0, 0}), (PointL{62, 82}));
  // A scroll bar takes client room and says so.
  childWnd->ShowScrollBar(kSbVert, true);
  EXPECT_EQ(child.calls.back(), "size 79,46");
  ScrollInfo si;
  si.nMax = 100;
  si.nPage = 40;
  si.nPos = 90;
  childWnd->SetScrollInfo(kSbVert, si);
  EXPECT_EQ(childWnd->GetScrollInfo(kSbVert).nPos, 61);
}

TEST_F(HeadlessUiTest, MouseGoesToTheWindowUnderItOrToTheCapture) {
  Make("down 12 22; move 200 150; up 5 5; rdown 200 150");
  child.calls.clear();
  // Capture and confinement as the view sets them on a press: every event
  // goes to the child, at a pointer held inside the rectangle.
  childWnd->SetCapture();
  const RectL clip{62, 82, 100, 100};
  childWnd->ClipCursor(&clip);
  EXPECT_EQ(Run(), 7);
  EXPECT_EQ(child.calls, (std::vector<std::string>{"down 0,0", "move 37,17", "up 0,0", "rdown 37,17"}));
  childWnd->ReleaseCapture();
  EXPECT_EQ(child.calls.back(), "capture lost");

  // Without the capture, presses outside the child reach the frame.
  Make("down 5 5; down 15 25");
  Run();
  EXPECT_EQ(frame.calls[2], "down 5,5");
  EXPECT_EQ(child.calls.back(), "down 3,3");
  // Taking the capture from another window tells the loser.
  childWnd->SetCapture();
  frameWnd->SetCapture();
  EXPECT_EQ(child.calls.back(), "capture lost");
}

TEST_F(HeadlessUiTest, AnswersAreTakenOnlyByWhatTheyAnswer) {
  Make("command 1; popup 12; command 1; popup 13; command 1; command 2; popup 11; command 3; close; command 1");
  std::vector<int> choices;
  frame.onCommand = [&](int id) {
    if (id != 1) return;
    ui::Menu m = {ui::MenuItem::Command(11, "a"), ui::MenuItem::Command(12, "b", true),
                  ui::MenuItem::Command(13, "c")};
    m[2].enabled = false;
    choices.push_back(ui->TrackPopupMenu(*frameWnd, m, ui->GetCursorPos()));
  };
  EXPECT_EQ(Run(), 7);
  // 12 chosen; 13 is disabled; the third pop-up meets a command and closes.
  EXPECT_EQ(choices, (std::vector<int>{12, 0, 0}));
  const std::string text = log.str();
  EXPECT_NE(text.find("popup a 11 | [x]b 12 | c 13 (disabled)"), std::string::npos) << text;
  EXPECT_NE(text.find("popup dismissed"), std::string::npos);
  EXPECT_NE(text.find("command 2 disabled"), std::string::npos);
  EXPECT_NE(text.find("popup 11 answers nothing"), std::string::npos);
  EXPECT_NE(text.find("command 3 not in the menu"), std::string::npos);
  // The loop ended at close; the rest waits for the next window.
  EXPECT_EQ(ui->pending_events(), 1u);
}

TEST_F(HeadlessUiTest, DialogsTakeTheirAnswersOrCancel) {
  Make("color 0x123456; color cancel; file /tmp/a b.doc; folder /tmp; ok");
  EXPECT_EQ(ui->ChooseColor(0, 1), std::optional<ColorRef>(0x123456));
  EXPECT_EQ(ui->ChooseColor(0, 1), std::nullopt);
  EXPECT_EQ(ui->ChooseColor(0, 1), std::nullopt);  // the next event is a file answer
  FileDialogRequest req;
  EXPECT_EQ(ui->FileDialog(req), (std::optional<std::vector<std::string>>{{"/tmp/a b.doc"}}));
  EXPECT_EQ(ui->BrowseForFolder(0, "t"), std::optional<std::string>("/tmp"));
  EXPECT_EQ(ui->MessageBox(0, "m", "c", 0), id::kOk);
  EXPECT_EQ(ui->pending_events(), 0u);
}

TEST_F(HeadlessUiTest, ToolBarButtonsKeepTheirState) {
  Make("button 5; button 6; button 6; tip 6; toolbar; button 9; close");
  ui::ToolBarParams tp;
  tp.style = kWsChild | kWsVisible;
  tp.buttons = {{5}, {0}, {6}};
  auto tb = ui->CreateToolBar(*frameWnd, tp, frame);
  tb->EnableButton(5, false);
  tb->SetCheckBoxStyle(2);
  Run();
  EXPECT_TRUE(tb->IsCheckBox(6));
  EXPECT_FALSE(tb->IsButtonChecked(6));  // pressed twice
  const std::string text = log.str();
  EXPECT_NE(text.find("button 5 disabled"), std::string::npos);
  EXPECT_NE(text.find("button 6 checked\nbutton 6 unchecked"), std::string::npos) << text;
  EXPECT_NE(text.find("tip 6 tip of 6"), std::string::npos);
  EXPECT_NE(text.find("toolbar 5- 6+"), std::string::npos);
  EXPECT_NE(text.find("button 9 not on a toolbar"), std::string::npos);
  EXPECT_EQ(std::count(frame.calls.begin(), frame.calls.end(), "command 6"), 2);
  EXPECT_EQ(std::count(frame.calls.begin(), frame.calls.end(), "command 5"), 0);
}

TEST_F(HeadlessUiTest, LoopsEndAtCloseAndAStubbornWindowIsLeftAnyway) {
  Make("");
  EXPECT_EQ(Run(), 7);
  EXPECT_EQ(frame.calls.back(), "close");
  frame.endOnClose = false;
  EXPECT_EQ(Run(), -1);
  EXPECT_NE(log.str().find("modal loop forced to end"), std::string::npos);
  // A posted close ends the loop; destroying the frame reaches every window.
  frame.endOnClose = true;
  Make("command 1");
  frame.onCommand = [&](int) { frameWnd->PostClose(); };
  EXPECT_EQ(Run(), 7);
  frameWnd->Destroy();
  EXPECT_EQ(frame.calls.back(), "destroy");
  EXPECT_EQ(child.calls.back(), "destroy");
  ui->EnableWindow(HeadlessUi::kHostWindow, false);
  EXPECT_FALSE(ui->IsWindowEnabled(HeadlessUi::kHostWindow));
  ui->EnableWindow(HeadlessUi::kHostWindow, true);
  EXPECT_TRUE(ui->IsWindowEnabled(HeadlessUi::kHostWindow));
}

// A modal loop lets other work of the thread run before each event and
// throughout a wait of the user; outside modal loops, events go to the
// visible frame shown last, for as long as there is one.
TEST_F(HeadlessUiTest, IdleWorkWaitsAndModelessFrames) {
  Make("down 12 22; wait 30; up 12 22");
  std::vector<long long> given;
  ui->SetIdleWork([&](std::chrono::milliseconds ms) {
    given.push_back(ms.count());
    std::this_thread::sleep_for(ms);
  });
  EXPECT_EQ(Run(), 7);
  EXPECT_EQ(child.calls.back(), "up 0,0");
  EXPECT_GE(std::count(given.begin(), given.end(), 0LL), 3);
  EXPECT_GE(std::accumulate(given.begin(), given.end(), 0LL), 30LL);
  EXPECT_LE(*std::max_element(given.begin(), given.end()), 31LL);

  Make("down 12 22; wait 40; close; down 15 25");
  frame.endOnClose = false;
  frame.onClose = [&] { frameWnd->Show(false); };
  ui->DispatchPending();
  EXPECT_EQ(ui->pending_events(), 4u) << "no frame is shown";
  frameWnd->Show(true);
  ui->DispatchPending();
  EXPECT_EQ(child.calls.back(), "down 0,0");
  EXPECT_EQ(ui->pending_events(), 2u) << "the user waits";
  std::this_thread::sleep_for(std::chrono::milliseconds(45));
  ui->DispatchPending();
  EXPECT_EQ(frame.calls.back(), "close");
  EXPECT_EQ(ui->pending_events(), 1u) << "the hidden frame takes nothing more";
  Recorder second;
  ui::FrameParams fp;
  fp.rect = {0, 0, 100, 100};
  auto secondWnd = ui->CreateFrame(fp, second);
  frameWnd->Show(true);
  secondWnd->Show(true);
  ui->DispatchPending();
  EXPECT_EQ(second.calls.back(), "down 15,25");
}

}  // namespace
}  // namespace kit::sim
