// The Win32 window system of the remark window, on wine's desktop without a
// display: GDI drawing through the device context port, windows and their
// handlers, the toolbar, menus and the modal loop.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/view/win32_ui.h"

namespace {

using kit::IDeviceContext;
using kit::win32::WrapDeviceContext;
namespace ui = kit::ui;

// A 32 x 32 white bitmap selected into a memory DC.
class Bitmap {
 public:
  Bitmap() {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = -32;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bmp_);
    PatBlt(dc_, 0, 0, 32, 32, WHITENESS);
  }
  ~Bitmap() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  // 0x00RRGGBB
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * 32 + x] & 0xFFFFFF;
  }

 private:
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
  std::uint32_t* bits_ = nullptr;
};

TEST(Win32DeviceContext, DrawsPensBrushesAndRectangles) {
  Bitmap b;
  {
    auto dc = WrapDeviceContext(b.dc());
    const auto pen = dc->CreatePen(kit::kPsSolid, 1, 0x0000FF);  // red
    dc->SelectPen(pen);
    dc->MoveTo(0, 5);
    dc->LineTo(20, 5);
    const auto brush = dc->CreateSolidBrush(0xFF0000);  // blue
    dc->SelectBrush(brush);
    dc->PatBlt(0, 20, 4, 4, kit::kPatCopy);
    dc->PatBlt(10, 20, 4, 4, kit::kBlackness);
    dc->SelectBrush(dc->StockBrush(kit::kWhiteBrush));
    dc->Rectangle(24, 24, 30, 30);
  }
  struct {
    int x, y;
    std::uint32_t rgb;
  } const cases[] = {
      {10, 5, 0xFF0000}, {25, 5, 0xFFFFFF}, {1, 21, 0x0000FF}, {11, 21, 0x000000},
      {24, 27, 0xFF0000},  // the outline in the red pen
      {27, 27, 0xFFFFFF},
  };
  for (const auto& c : cases) EXPECT_EQ(b.At(c.x, c.y), c.rgb) << c.x << "," << c.y;
}

TEST(Win32DeviceContext, RestoresTheDcAndFreesWhatItMade) {
  Bitmap b;
  HGDIOBJ pen0 = GetCurrentObject(b.dc(), OBJ_PEN), brush0 = GetCurrentObject(b.dc(), OBJ_BRUSH);
  HGDIOBJ made = nullptr;
  {
    auto dc = WrapDeviceContext(b.dc());
    const auto pen = dc->CreatePen(kit::kPsSolid, 3, 0);
    made = reinterpret_cast<HGDIOBJ>(pen);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(dc->SelectPen(pen)), pen0);
    dc->SelectBrush(dc->CreateSolidBrush(0x123456));
    dc->SetMapMode(kit::kMmAnisotropic);
    dc->SetWindowExt(100, 200);
    dc->SetViewportExt(50, 400);
    dc->SetWindowOrg(3, 4);
    dc->SetViewportOrg(5, 6);
    const kit::DcMapping m = dc->Mapping();
    EXPECT_EQ(m.mapMode, kit::kMmAnisotropic);
    EXPECT_EQ(std::vector<kit::PointL>({m.windowExt, m.viewportExt, m.windowOrg, m.viewportOrg}),
              std::vector<kit::PointL>({{100, 200}, {50, 400}, {3, 4}, {5, 6}}));
    // The stock brush is never freed, whoever asks.
    dc->DeleteBrush(dc->StockBrush(kit::kWhiteBrush));
  }
  EXPECT_EQ(GetCurrentObject(b.dc(), OBJ_PEN), pen0);
  EXPECT_EQ(GetCurrentObject(b.dc(), OBJ_BRUSH), brush0);
  EXPECT_EQ(GetMapMode(b.dc()), MM_TEXT);
  EXPECT_EQ(GetObjectType(made), 0u);
  EXPECT_NE(GetObjectType(GetStockObject(WHITE_BRUSH)), 0u);
}

class NoDialogs : public kit::IDialogs {
 public:
  int MessageBox(std::uintptr_t, const std::string& text, const std::string& caption, unsigned) override {
    boxes.push_back(caption + ": " + text);
    return 1;
  }
  std::optional<std::vector<std::string>> FileDialog(const kit::FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<kit::ColorRef> ChooseColor(std::uintptr_t, kit::ColorRef) override { return std::nullopt; }
  std::vector<std::string> boxes;
};

// Writes down what the window system told it.
class Recorder : public ui::IWindowHandler {
 public:
  void OnCreate(ui::IWindow& self) override {
    this->self = &self;
    log.push_back("create");
  }
  void OnSize(int cx, int cy) override { log.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy)); }
  void OnPaint(IDeviceContext&) override {
    if (++paints == 1 && closeOnPaint && self != nullptr) self->PostClose();
  }
  void OnCommand(int id) override { log.push_back("command " + std::to_string(id)); }
  bool IsCommandEnabled(int id) override { return id != disabled; }
  std::string OnToolTipText(int id) override { return "tip " + std::to_string(id); }
  void OnClose() override {
    log.push_back("close");
    if (ui_ != nullptr && self != nullptr) ui_->EndModalLoop(*self, 7);
  }
  void OnDestroy() override { log.push_back("destroy"); }
  void OnLButtonDown(int x, int y) override { log.push_back("down " + std::to_string(x) + "," + std::to_string(y)); }
  void OnMouseMove(int x, int y) override { log.push_back("move " + std::to_string(x) + "," + std::to_string(y)); }
  void OnLButtonUp(int x, int y) override { log.push_back("up " + std::to_string(x) + "," + std::to_string(y)); }

  ui::IWindow* self = nullptr;
  ui::IUi* ui_ = nullptr;
  int disabled = -1;
  int paints = 0;
  bool closeOnPaint = false;
  std::vector<std::string> log;
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class Win32UiTest : public ::testing::Test {
 protected:
  NoDialogs dialogs;
  kit::win32::Win32Ui desktop{GetModuleHandleW(nullptr), dialogs};
  Recorder frameHandler, childHandler;

  std::unique_ptr<ui::IWindow> Frame(ui::Menu menu = {}) {
    frameHandler.ui_ = &desktop;
    ui::FrameParams p;
    p.title = "\xE6\x89\xB9\xE6\xB3\xA8";  // 批注
    p.rect = {10, 10, 410, 310};
    p.menu = std::move(menu);
    return desktop.CreateFrame(p, frameHandler);
  }
};

TEST_F(Win32UiTest, FramesAndChildrenTellTheirHandlers) {
  auto frame = Frame();
  ASSERT_NE(frame, nullptr);
  ASSERT_EQ(frameHandler.self, frame.get());  // OnCreate ran inside CreateFrame
  wchar_t title[16] = {};
  GetWindowTextW(reinterpret_cast<HWND>(frame->Handle()), title, 16);
  EXPECT_EQ(std::wstring(title), L"\u6279\u6CE8");

  ui::ChildParams cp;
  cp.controlId = 100;
  cp.exStyle = kit::kWsExClientEdge;
  cp.rect = {0, 0, 200, 100};
  auto child = desktop.CreateChild(*frame, cp, childHandler);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->ControlId(), 100);
  EXPECT_NE(child->ExStyle() & kit::kWsExClientEdge, 0u);
  child->MoveWindow({0, 0, 120, 80});
  const kit::RectL client = child->ClientRect();  // inside the client edge
  EXPECT_LT(client.right, 120);
  const HWND h = reinterpret_cast<HWND>(child->Handle());
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-3), 9));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(7, 8));
  SendMessageW(h, WM_COMMAND, 33000, 0);
  childHandler.disabled = 33001;
  SendMessageW(h, WM_COMMAND, 33001, 0);
  child->Destroy();
  // Sizes the system adds on its own are its business; what matters is the
  // mouse and command routing, refused commands left out.
  auto has = [&](const std::string& e) {
    return std::find(childHandler.log.begin(), childHandler.log.end(), e) != childHandler.log.end();
  };
  EXPECT_EQ(childHandler.log.front(), "create");
  EXPECT_TRUE(has("size " + std::to_string(client.right) + "x" + std::to_string(client.bottom)))
      << ::testing::PrintToString(childHandler.log);
  for (const char* e : {"down 5,6", "move -3,9", "up 7,8", "command 33000"}) EXPECT_TRUE(has(e)) << e;
  EXPECT_FALSE(has("command 33001"));
  EXPECT_EQ(childHandler.log.back(), "destroy");
}

TEST_F(Win32UiTest, ToolBarButtonsKeepTheirStatesAndSpeakToTheirOwner) {
  auto frame = Frame();
  ASSERT_NE(frame, nullptr);
  ui::ToolBarParams tp;
  tp.style = ui::kTbStyleFlat | kit::kWsChild | kit::kWsVisible | ui::kCbrsToolTips;
  tp.buttons = {{57601}, {0}, {32768}, {32778}};
  Recorder notify;
  auto bar = desktop.CreateToolBar(*frame, tp, notify);
  ASSERT_NE(bar, nullptr);
  EXPECT_GT(bar->Height(), 0);
  bar->SetCheckBoxStyle(3);
  EXPECT_FALSE(bar->IsCheckBox(57601));
  EXPECT_FALSE(bar->IsCheckBox(32768));
  EXPECT_TRUE(bar->IsCheckBox(32778));
  bar->EnableButton(32768, false);
  bar->CheckButton(32778, true);
  EXPECT_TRUE(bar->IsButtonEnabled(57601));
  EXPECT_FALSE(bar->IsButtonEnabled(32768));
  EXPECT_TRUE(bar->IsButtonChecked(32778));
  bar->CheckButton(32778, false);
  EXPECT_FALSE(bar->IsButtonChecked(32778));

  // A button's command reaches the toolbar's owner, not the frame's handler.
  SendMessageW(reinterpret_cast<HWND>(frame->Handle()), WM_COMMAND, 57601,
               reinterpret_cast<LPARAM>(reinterpret_cast<HWND>(bar->Handle())));
  EXPECT_EQ(notify.log, std::vector<std::string>{"command 57601"});
  NMTTDISPINFOW tip{};
  tip.hdr.code = TTN_NEEDTEXTW;
  tip.hdr.idFrom = 32768;
  SendMessageW(reinterpret_cast<HWND>(frame->Handle()), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
  ASSERT_NE(tip.lpszText, nullptr);
  EXPECT_EQ(std::wstring(tip.lpszText), L"tip 32768");
}

TEST_F(Win32UiTest, MenusAskWhetherACommandIsEnabled) {
  auto frame = Frame({ui::MenuItem::Popup("File", {ui::MenuItem::Command(57601, "Load"), ui::MenuItem::Separator(),
                                                   ui::MenuItem::Command(57607, "Print", true)})});
  ASSERT_NE(frame, nullptr);
  HMENU file = GetSubMenu(GetMenu(reinterpret_cast<HWND>(frame->Handle())), 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_NE(GetMenuState(file, 57607, MF_BYCOMMAND) & MF_CHECKED, 0u);
  frameHandler.disabled = 57601;
  SendMessageW(reinterpret_cast<HWND>(frame->Handle()), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  EXPECT_NE(GetMenuState(file, 57601, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(GetMenuState(file, 57607, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(Win32UiTest, TheModalLoopShowsTheWindowAndEndsWithItsCodeAndAboutIsAMessage) {
  auto frame = Frame();
  ASSERT_NE(frame, nullptr);
  const HWND owner = CreateWindowW(L"STATIC", L"page", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  desktop.EnableWindow(reinterpret_cast<ui::WindowHandle>(owner), false);
  EXPECT_FALSE(desktop.IsWindowEnabled(reinterpret_cast<ui::WindowHandle>(owner)));
  EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(frame->Handle())));
  // Shown once the queue is idle, painted, and closed from its first paint.
  frameHandler.closeOnPaint = true;
  EXPECT_EQ(desktop.RunModalLoop(*frame, ui::kMlfShowOnIdle), 7);
  EXPECT_TRUE(IsWindowVisible(reinterpret_cast<HWND>(frame->Handle())));
  EXPECT_EQ(frameHandler.paints, 1);
  EXPECT_EQ(frameHandler.log.back(), "close");
  desktop.EnableWindow(reinterpret_cast<ui::WindowHandle>(owner), true);
  EXPECT_TRUE(desktop.IsWindowEnabled(reinterpret_cast<ui::WindowHandle>(owner)));
  // Nothing to enable or ask for no window at all.
  desktop.EnableWindow(0, true);
  EXPECT_FALSE(desktop.IsWindowEnabled(0));
  DestroyWindow(owner);

  // A window destroyed under its loop ends the loop too.
  auto second = Frame();
  ASSERT_NE(second, nullptr);
  PostMessageW(reinterpret_cast<HWND>(second->Handle()), WM_NULL, 0, 0);
  second->Destroy();
  EXPECT_EQ(desktop.RunModalLoop(*second, 0), -1);
  Pump();

  // The test program has no about dialog: the about box is a message.
  desktop.AboutBox(0, 209, "About", "Notaro 1.0");
  EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"About: Notaro 1.0"});
}

}  // namespace
