// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The remark window's window system on the Win32 desktop: USER windows,
// menus, the common-controls toolbar, the print dialog and a message loop,
// painted through GDI. Free of <windows.h> so other code can name it.
#pragma once
#include <memory>
#include <vector>

#include "ports/canvas.h"
#include "ports/dialogs.h"
#include "ports/ui.h"

namespace kit::win32 {

// A device context over an HDC (passed as void*); the selections made
// through it are undone and the pens and brushes it made are freed when it
// goes, and with `release_window` the DC is given back with ReleaseDC.
std::unique_ptr<IDeviceContext> WrapDeviceContext(void* hdc, void* release_window = nullptr);

class Win32Ui : public ui::IUi {
 public:
  // Resources (toolbar bitmaps, cursors, icons) come from `module`, an
  // HINSTANCE; dialogs are `dialogs`.
  Win32Ui(void* module, IDialogs& dialogs);
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  std::unique_ptr<ui::IWindow> CreateFrame(const ui::FrameParams& params, ui::IWindowHandler& handler) override;
  std::unique_ptr<ui::IWindow> CreateChild(ui::IWindow& parent, const ui::ChildParams& params,
                                           ui::IWindowHandler& handler) override;
  std::unique_ptr<ui::IToolBar> CreateToolBar(ui::IWindow& parent, const ui::ToolBarParams& params,
                                              ui::IWindowHandler& notify) override;
  const IWindowMetrics& Metrics() const override;
  IViewWindow::CursorHandle LoadCursor(int resource) override;
  int TrackPopupMenu(ui::IWindow& owner, const ui::Menu& items, PointL screen) override;
  PointL GetCursorPos() const override;
  int RunModalLoop(ui::IWindow& window, std::uint32_t flags) override;
  void EndModalLoop(ui::IWindow& window, int code) override;
  void EnableWindow(ui::WindowHandle window, bool enable) override;
  bool IsWindowEnabled(ui::WindowHandle window) const override;
  void SetActiveWindow(ui::WindowHandle window) override;
  IDialogs& Dialogs() override { return m_dialogs; }
  std::unique_ptr<ui::IPrintJob> PrintDialog(ui::WindowHandle owner, std::uint32_t flags) override;
  // The module's dialog `dialog` (text in control 1000, an OK button).
  void AboutBox(ui::WindowHandle owner, int dialog, const std::string& title, const std::string& text) override;

 private:
  struct Modal {
    ui::WindowHandle window;
    bool ended;
    int code;
  };
  void* m_module;
  IDialogs& m_dialogs;
  std::vector<Modal> m_modal;
};

}  // namespace kit::win32
