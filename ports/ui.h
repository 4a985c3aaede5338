// Frame windows as the remark window uses them: top-level and child windows,
// menus, a toolbar with button states and tooltips, pop-up menus that return
// the choice, the common dialogs, printing, and a modal loop with its owner
// disabled. Texts are UTF-8; adapters convert at the desktop's boundary.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/canvas.h"
#include "ports/dialogs.h"
#include "ports/window.h"

namespace kit::ui {

using WindowHandle = std::uintptr_t;  // 0 is no window

constexpr std::uint32_t kWsOverlappedWindow = 0x00CF0000;
constexpr std::uint32_t kWsClipChildren = 0x02000000;
constexpr int kCwUseDefault = static_cast<int>(0x80000000u);

// Toolbar creation styles.
constexpr std::uint32_t kTbStyleFlat = 0x0800;
constexpr std::uint32_t kCbrsAlignTop = 0x1000;
constexpr std::uint32_t kCbrsToolTips = 0x0010;
constexpr std::uint32_t kCbrsFlyBy = 0x8000;
constexpr int kAfxIdwToolBar = 0xE800;

// Print dialog flags.
constexpr std::uint32_t kPdNoSelection = 0x00000004;
constexpr std::uint32_t kPdNoPageNums = 0x00000008;
constexpr std::uint32_t kPdUseDevModeCopies = 0x00040000;

// Device capabilities a printer reports.
constexpr int kLogPixelsX = 88;
constexpr int kLogPixelsY = 90;
constexpr int kPhysicalOffsetX = 112;
constexpr int kPhysicalOffsetY = 113;

// RunModalLoop: show the window once the loop is idle.
constexpr std::uint32_t kMlfShowOnIdle = 0x0001;

struct MenuItem {
  int id = 0;
  std::string text;
  bool separator = false;
  bool enabled = true;
  bool checked = false;
  std::vector<MenuItem> items;  // non-empty: a pop-up holding these items

  static MenuItem Command(int id, std::string text, bool checked = false) {
    MenuItem m;
    m.id = id;
    m.text = std::move(text);
    m.checked = checked;
    return m;
  }
  static MenuItem Separator() {
    MenuItem m;
    m.separator = true;
    return m;
  }
  static MenuItem Popup(std::string text, std::vector<MenuItem> items) {
    MenuItem m;
    m.text = std::move(text);
    m.items = std::move(items);
    return m;
  }
};
using Menu = std::vector<MenuItem>;

struct ToolButton {
  int id = 0;  // 0: a separator
  bool separator() const { return id == 0; }
};

class IWindow;

// What a window's own code answers. Mouse points are client coordinates.
class IWindowHandler {
 public:
  virtual ~IWindowHandler() = default;
  virtual void OnCreate(IWindow& /*self*/) {}
  virtual void OnSize(int /*cx*/, int /*cy*/) {}
  virtual void OnPaint(IDeviceContext& /*dc*/) {}
  virtual void OnCommand(int /*id*/) {}
  // Asked before a menu item shows and before its command runs.
  virtual bool IsCommandEnabled(int /*id*/) { return true; }
  // TTN_NEEDTEXT for the tool with this ID.
  virtual std::string OnToolTipText(int /*id*/) { return std::string(); }
  virtual void OnClose() {}
  virtual void OnDestroy() {}
  virtual void OnLButtonDown(int /*x*/, int /*y*/) {}
  virtual void OnLButtonUp(int /*x*/, int /*y*/) {}
  virtual void OnRButtonDown(int /*x*/, int /*y*/) {}
  virtual void OnRButtonUp(int /*x*/, int /*y*/) {}
  virtual void OnMouseMove(int /*x*/, int /*y*/) {}
  virtual void OnHScroll(int /*code*/) {}
  virtual void OnVScroll(int /*code*/) {}
  virtual void OnCancelMode() {}
  virtual void OnCaptureChanged() {}
};

// A created window. Rectangles given to MoveWindow are in the parent's
// client coordinates (screen coordinates for a top-level window).
class IWindow : public IViewWindow {
 public:
  virtual WindowHandle Handle() const = 0;
  virtual int ControlId() const = 0;
  virtual void MoveWindow(const RectL& rect) = 0;
  virtual void Show(bool show) = 0;
  // Sends the destroy notice to the handler; the object stays until freed.
  virtual void Destroy() = 0;
  // PostMessage(WM_CLOSE): the handler's OnClose runs from the loop.
  virtual void PostClose() = 0;
  virtual void SetIcon(int resource) = 0;  // big and small
};

class IToolBar : public IWindow {
 public:
  virtual int Height() const = 0;  // its natural height
  virtual void EnableButton(int id, bool enable) = 0;
  virtual bool IsButtonEnabled(int id) const = 0;
  virtual void CheckButton(int id, bool check) = 0;
  virtual bool IsButtonChecked(int id) const = 0;
  // The button at this index presses and releases as a check box.
  virtual void SetCheckBoxStyle(int index) = 0;
  virtual bool IsCheckBox(int id) const = 0;
};

struct FrameParams {
  std::string title;
  std::uint32_t style = kWsOverlappedWindow;
  std::uint32_t exStyle = 0;
  RectL rect{kCwUseDefault, kCwUseDefault, kCwUseDefault, kCwUseDefault};
  WindowHandle owner = 0;
  Menu menu;
};

struct ChildParams {
  int controlId = 0;
  std::uint32_t style = kWsChild | kWsVisible;
  std::uint32_t exStyle = 0;
  RectL rect{0, 0, 0, 0};
};

struct ToolBarParams {
  int controlId = kAfxIdwToolBar;
  std::uint32_t style = 0;  // kTbStyleFlat, kWsChild, kWsVisible, kCbrs...
  int resource = 0;
  std::vector<ToolButton> buttons;
};

// A printer device context with its document and page brackets. Each
// returns > 0 on success, as the system calls do.
class IPrintJob {
 public:
  virtual ~IPrintJob() = default;
  virtual IDeviceContext& dc() = 0;
  virtual int DeviceCaps(int index) const = 0;
  virtual int StartDoc(const std::string& name) = 0;
  virtual int StartPage() = 0;
  virtual int EndPage() = 0;
  virtual int EndDoc() = 0;
  virtual int AbortDoc() = 0;
};

class IUi {
 public:
  virtual ~IUi() = default;

  // The handler receives OnCreate before these return.
  virtual std::unique_ptr<IWindow> CreateFrame(const FrameParams& params, IWindowHandler& handler) = 0;
  virtual std::unique_ptr<IWindow> CreateChild(IWindow& parent, const ChildParams& params,
                                               IWindowHandler& handler) = 0;
  // Commands and tooltip requests of the buttons go to `notify`.
  virtual std::unique_ptr<IToolBar> CreateToolBar(IWindow& parent, const ToolBarParams& params,
                                                  IWindowHandler& notify) = 0;
  virtual const IWindowMetrics& Metrics() const = 0;
  virtual IViewWindow::CursorHandle LoadCursor(int resource) = 0;

  // TrackPopupMenu with TPM_RETURNCMD: the chosen item's ID, 0 when none.
  virtual int TrackPopupMenu(IWindow& owner, const Menu& items, PointL screen) = 0;
  virtual PointL GetCursorPos() const = 0;

  // Dispatches messages until EndModalLoop; returns its code.
  virtual int RunModalLoop(IWindow& window, std::uint32_t flags) = 0;
  virtual void EndModalLoop(IWindow& window, int code) = 0;
  virtual void EnableWindow(WindowHandle window, bool enable) = 0;
  virtual bool IsWindowEnabled(WindowHandle window) const = 0;
  virtual void SetActiveWindow(WindowHandle window) = 0;

  virtual IDialogs& Dialogs() = 0;
  // The print dialog, then the chosen printer opened; null when cancelled or
  // when the printer cannot be opened.
  virtual std::unique_ptr<IPrintJob> PrintDialog(WindowHandle owner, std::uint32_t flags) = 0;
  // A modal box with an OK button.
  virtual void AboutBox(WindowHandle owner, int dialog, const std::string& title, const std::string& text) = 0;
};

}  // namespace kit::ui
