// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/sigpad/pad_window.h"

#include <exception>

#include "sigpad/dib_section.h"

namespace kit::sim {

namespace {
PadWindow* g_clicked = nullptr;
}  // namespace

PadWindow* PadWindow::Clicked() { return g_clicked; }

class PadWindow::FrameHandler : public ui::IWindowHandler {
 public:
  explicit FrameHandler(PadWindow& w) : w_(w) {}
  void OnSize(int cx, int cy) override {
    w_.pad_.UserControl_Resize(cx, cy);
    if (w_.picture_) {
      const sigpad::PictureBox& p = w_.pad_.picMain();
      w_.picture_->MoveWindow({p.Left, p.Top, p.Left + p.width, p.Top + p.height});
      w_.picture_->Invalidate(false);
    }
  }
  void OnCommand(int id) override {
    PadWindow* const outer = g_clicked;
    g_clicked = &w_;
    // A core error must not unwind through the window system's loop.
    try {
      w_.pad_.ToolbarMain_ButtonClick(id);
    } catch (const std::exception&) {
    }
    g_clicked = outer;
    w_.SyncButtons();
    if (w_.picture_) w_.picture_->Invalidate(false);
  }
  void OnClose() override {
    if (!w_.modal_) {
      // A modeless pad stays with its page, which may show it again.
      w_.frame_->Show(false);
      return;
    }
    if (w_.closed_) return;
    w_.closed_ = true;
    w_.ui_.EndModalLoop(*w_.frame_, 0);
    w_.ui_.EnableWindow(w_.owner_, true);
    w_.frame_->Destroy();
  }

 private:
  PadWindow& w_;
};

class PadWindow::PictureHandler : public ui::IWindowHandler {
 public:
  explicit PictureHandler(PadWindow& w) : w_(w) {}
  void OnCreate(ui::IWindow& self) override { self_ = &self; }
  void OnLButtonDown(int x, int y) override { Down(1, x, y); }
  void OnRButtonDown(int x, int y) override { Down(2, x, y); }
  void OnLButtonUp(int x, int y) override { Up(1, x, y); }
  void OnRButtonUp(int x, int y) override { Up(2, x, y); }
  void OnMouseMove(int x, int y) override {
    w_.pad_.picMain_MouseMove(button_, 0, UnitsX(x), UnitsY(y));
    if (button_ != 0) Changed();
  }
  // picMain keeps its drawing (AutoRedraw): the window shows the pad's picture.
  void OnPaint(IDeviceContext& dc) override {
    const sigpad::cDIBSection& image = w_.pad_.Image();
    dc.SetDIBitsToDevice(0, 0, image.Width(), image.Height(), image.DIBSectionBitsPtr(), image.BytesPerScanLine());
  }
  void Changed() {
    if (self_) self_->Invalidate(false);
  }

 private:
  void Down(int button, int x, int y) {
    button_ = button;
    if (self_) self_->SetCapture();
    w_.pad_.picMain_MouseDown(button, 0, UnitsX(x), UnitsY(y));
    Changed();
  }
  void Up(int button, int x, int y) {
    if (self_) self_->ReleaseCapture();
    w_.pad_.picMain_MouseUp(button, 0, UnitsX(x), UnitsY(y));
    button_ = 0;
    w_.SyncButtons();
    Changed();
  }
  double UnitsX(int x) const { return w_.pad_.UnitsFromPixelsX(x); }
  double UnitsY(int y) const { return w_.pad_.UnitsFromPixelsY(y); }

  PadWindow& w_;
  ui::IWindow* self_ = nullptr;
  int button_ = 0;
};

PadWindow::PadWindow(ui::IUi& ui, sigpad::UCQuillpad& pad, ui::WindowHandle owner, const RectL& place)
    : ui_(ui), pad_(pad), owner_(owner),
      frameHandler_(std::make_unique<FrameHandler>(*this)),
      pictureHandler_(std::make_unique<PictureHandler>(*this)) {
  ui::FrameParams fp;
  fp.title = kTitle;
  fp.owner = owner;
  fp.rect = place;
  frame_ = ui_.CreateFrame(fp, *frameHandler_);
  // picMain first: where it meets the toolbar's lower edge, the picture is
  // what the pointer finds.
  ui::ChildParams cp;
  cp.controlId = kPicMainId;
  const sigpad::PictureBox& p = pad_.picMain();
  cp.rect = {p.Left, p.Top, p.Left + p.width, p.Top + p.height};
  picture_ = ui_.CreateChild(*frame_, cp, *pictureHandler_);
  ui::ToolBarParams tp;
  tp.style = ui::kTbStyleFlat | kWsChild | kWsVisible | ui::kCbrsAlignTop;
  for (int id = sigpad::kBtnPen; id <= sigpad::kBtnBrush; ++id) tp.buttons.push_back({id});
  toolbar_ = ui_.CreateToolBar(*frame_, tp, *frameHandler_);
  frameHandler_->OnSize(frame_->ClientRect().right, frame_->ClientRect().bottom);
  SyncButtons();
}

PadWindow::~PadWindow() {
  if (g_clicked == this) g_clicked = nullptr;
  if (!closed_) {
    closed_ = true;
    if (modal_) ui_.EnableWindow(owner_, true);
    frame_->Destroy();
  }
}

void PadWindow::Run() {
  modal_ = true;
  ui_.EnableWindow(owner_, false);
  ui_.RunModalLoop(*frame_, ui::kMlfShowOnIdle);
}

void PadWindow::Show() {
  if (closed_) return;
  frame_->Show(true);
}

void PadWindow::Place(const RectL& place) {
  if (closed_) return;
  frame_->MoveWindow(place);
}

void PadWindow::SyncButtons() {
  for (int id = sigpad::kBtnPen; id <= sigpad::kBtnBrush; ++id)
    toolbar_->EnableButton(id, pad_.Buttons()[id - 1].enabled);
}

std::optional<std::string> PadWindow::Popup(const std::vector<sigpad::MenuItem>& items) {
  ui::Menu menu;
  for (std::size_t i = 0; i < items.size(); ++i)
    menu.push_back(ui::MenuItem::Command(static_cast<int>(i) + 1, items[i].caption, items[i].checked));
  const int chosen = ui_.TrackPopupMenu(*frame_, menu, ui_.GetCursorPos());
  if (chosen < 1 || chosen > static_cast<int>(items.size())) return std::nullopt;
  return std::string(items[chosen - 1].name);
}

}  // namespace kit::sim
