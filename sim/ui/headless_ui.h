// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The window system without a screen: windows, menus and toolbar buttons keep
// their state as the desktop would, and the user is a script of UI events.
//
// One event a line (or separated by ';'), '#' starts a comment:
//   down X Y | move X Y | up X Y     left button at a point of the frame's
//   rdown X Y | rup X Y              client area (right button)
//   command ID                       a menu command (refused when disabled)
//   button ID                        a toolbar button (refused when disabled;
//                                    a check box toggles first)
//   tip ID                           the pointer rests on a toolbar button
//   menu | toolbar                   write the menu or button states to the log
//   popup ID | popup none            the choice in the pop-up menu now open
//   color VALUE | color cancel       the answer of the colour dialog
//   file PATH | file cancel          the answer of the file dialog
//   folder PATH | folder cancel      the answer of the folder browser
//   print [ARG] | print cancel       the answer of the print dialog
//   ok                               closes a message or about box
//   size W H                         the frame's client area is resized
//   cancelmode                       WM_CANCELMODE to the window with capture
//   close                            the frame's close box
//   snapshot PATH                    the open frame as it looks now, to a
//                                    PNG file (where a screen is installed)
//   wait MS                          the user does nothing for MS
//                                    milliseconds; the loop does its idle work
// An answer event is taken only by the dialog or pop-up it answers; a dialog
// that finds another event next is cancelled. Events go to the frame in
// front: the one of the innermost modal loop, else the visible frame shown
// last. When the script runs out in a modal loop its frame is closed.
#pragma once
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ports/ui.h"

namespace kit::sim {

struct UiEvent {
  std::string verb;
  std::vector<std::string> args;
  int line = 0;
};

// Throws std::invalid_argument naming the line of an unknown or malformed
// event.
std::vector<UiEvent> ParseUiScript(const std::string& text);

// Answers a print dialog with the event's argument; null when no printer can
// be opened.
using PrinterFactory = std::function<std::unique_ptr<ui::IPrintJob>(const std::string& arg)>;
// A device context for a window's client area; drawing may go nowhere.
using SurfaceFactory = std::function<std::unique_ptr<IDeviceContext>(ui::WindowHandle window, int width, int height)>;
// Writes the frame as it looks to `path`; false when it cannot.
using Snapshotter = std::function<bool(ui::WindowHandle frame, const std::string& path)>;

class HeadlessUi : public ui::IUi, public IDialogs {
 public:
  // The page's own window, owner of what the control opens.
  static constexpr ui::WindowHandle kHostWindow = 1;
  static constexpr int kToolBarHeight = 26;
  static constexpr int kClientEdge = 2;
  static constexpr int kScrollBarSize = 17;
  // Where a frame at the default position lands, and its client size.
  static constexpr int kDefaultX = 100, kDefaultY = 100, kDefaultWidth = 640, kDefaultHeight = 480;

  explicit HeadlessUi(std::vector<UiEvent> events, std::ostream* log = nullptr);
  ~HeadlessUi() override;
  HeadlessUi(const HeadlessUi&) = delete;
  HeadlessUi& operator=(const HeadlessUi&) = delete;

  void SetPrinterFactory(PrinterFactory f) { m_printers = std::move(f); }
  void SetSurfaceFactory(SurfaceFactory f) { m_surfaces = std::move(f); }
  void SetSnapshotter(Snapshotter f) { m_snapshots = std::move(f); }
  // Work a modal loop does between its messages, as the desktop's loops let
  // other work of the thread run: given at most how long it may wait for
  // some. A host that answers callers from its loop answers them there.
  using IdleWork = std::function<void(std::chrono::milliseconds)>;
  void SetIdleWork(IdleWork f) { m_idle = std::move(f); }
  // Events not yet taken.
  std::size_t pending_events() const { return m_events.size(); }
  // Outside modal loops, for modeless frames: dispatches events for as long
  // as a visible frame is there to take them; the rest wait for the next
  // frame. After a "wait" the events wait until its time has passed.
  void DispatchPending();

  // What a snapshot needs: every live window with its screen rectangle, and
  // painting one of them on a given device context.
  struct WindowInfo {
    ui::WindowHandle handle;
    ui::WindowHandle parent;
    RectL screen;
    bool visible;
    bool toolbar;
    RectL client;  // the client area on the screen
    std::uint32_t style;
    std::uint32_t exStyle;
    ScrollInfo horz, vert;
  };
  // Parents come before their children.
  std::vector<WindowInfo> Windows() const;
  struct ButtonState {
    int id;  // 0: a separator
    bool enabled, checked;
  };
  std::vector<ButtonState> ToolBarButtons(ui::WindowHandle toolbar) const;
  void PaintWindow(ui::WindowHandle window, IDeviceContext& dc);
  std::vector<std::string> ToolBarStates() const;
  std::vector<std::string> MenuStates();

  // IUi
  std::unique_ptr<ui::IWindow> CreateFrame(const ui::FrameParams& params, ui::IWindowHandler& handler) override;
  std::unique_ptr<ui::IWindow> CreateChild(ui::IWindow& parent, const ui::ChildParams& params,
                                           ui::IWindowHandler& handler) override;
  std::unique_ptr<ui::IToolBar> CreateToolBar(ui::IWindow& parent, const ui::ToolBarParams& params,
                                              ui::IWindowHandler& notify) override;
  const IWindowMetrics& Metrics() const override;
  IViewWindow::CursorHandle LoadCursor(int resource) override { return static_cast<IViewWindow::CursorHandle>(resource); }
  int TrackPopupMenu(ui::IWindow& owner, const ui::Menu& items, PointL screen) override;
  PointL GetCursorPos() const override { return m_cursor; }
  int RunModalLoop(ui::IWindow& window, std::uint32_t flags) override;
  void EndModalLoop(ui::IWindow& window, int code) override;
  void EnableWindow(ui::WindowHandle window, bool enable) override;
  bool IsWindowEnabled(ui::WindowHandle window) const override;
  void SetActiveWindow(ui::WindowHandle window) override;
  IDialogs& Dialogs() override { return *this; }
  std::unique_ptr<ui::IPrintJob> PrintDialog(ui::WindowHandle owner, std::uint32_t flags) override;
  void AboutBox(ui::WindowHandle owner, int dialog, const std::string& title, const std::string& text) override;

  // IDialogs
  int MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned style) override;
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> BrowseForFolder(std::uintptr_t owner, const std::string& title) override;
  std::optional<ColorRef> ChooseColor(std::uintptr_t owner, ColorRef initial) override;

  struct Node;
  class Proxy;
  class ToolBarProxy;

 private:
  friend class Proxy;
  friend class ToolBarProxy;

  Node* Find(ui::WindowHandle h) const;
  Node& NewNode(ui::WindowHandle parent, ui::IWindowHandler* handler);
  PointL ClientOrigin(const Node& n) const;
  PointL WindowOrigin(const Node& n) const;
  RectL ClientRectOf(const Node& n) const;
  void Resized(Node& n);
  void DestroyNode(Node& n);
  void SetCaptureTo(ui::WindowHandle h);
  void ReleaseCaptureFrom(ui::WindowHandle h);
  Node* HitTest(Node& n, PointL screen);
  Node* ModalFrame() const;
  // Where events go: the modal frame, else the visible frame shown last.
  Node* FrontFrame() const;
  void Dispatch(const UiEvent& e);
  // A "wait" event inside a modal loop.
  void Wait(std::chrono::milliseconds time);
  void Mouse(const UiEvent& e);
  void Button(int id);
  void PaintInvalid();
  void PaintNode(Node& n);
  std::unique_ptr<IDeviceContext> Surface(const Node& n);
  // The next event when it is `verb`, taken from the script; null otherwise.
  const UiEvent* Answer(const char* verb);
  void Log(const std::string& line);

  std::deque<UiEvent> m_events;
  UiEvent m_answer;
  std::ostream* m_log;
  std::map<ui::WindowHandle, std::unique_ptr<Node>> m_nodes;
  std::map<ui::WindowHandle, bool> m_enabled;  // windows not our own
  ui::WindowHandle m_next = 0x100;
  ui::WindowHandle m_capture = 0;
  ui::WindowHandle m_active = 0;
  PointL m_cursor{0, 0};
  bool m_clipped = false;
  RectL m_clip{};
  struct Modal {
    ui::WindowHandle window;
    bool ended;
    int code;
  };
  std::vector<Modal> m_modal;
  std::deque<std::function<void()>> m_posted;
  unsigned long m_shownCount = 0;
  std::chrono::steady_clock::time_point m_resumeAt{};
  IdleWork m_idle;
  PrinterFactory m_printers;
  SurfaceFactory m_surfaces;
  Snapshotter m_snapshots;
};

}  // namespace kit::sim
