// The modal remark window: a frame with menu 207 around a window that holds
// toolbar 201 and the remark view, working on the control's own document.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ports/ui.h"
#include "remark/notaro_ctrl.h"
#include "remark/remark_view.h"

namespace kit::remark {

// Commands of menu 207 and toolbar 201.
constexpr int ID_FILE_LOADSOURCE = 57601;
constexpr int ID_FILE_CLOSE = 57602;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_PEN_COLOR = 32768;
constexpr int ID_PEN_WIDTH = 32769;
constexpr int ID_DELETE_LAST_STROKE = 32770;
constexpr int ID_DELETE_UNCONFIRMED = 32771;
constexpr int ID_CONFIRM_REMARK = 32772;
constexpr int ID_SEL_REMARKER = 32773;
constexpr int ID_FIRST_PAGE = 32774;
constexpr int ID_PREV_PAGE = 32775;
constexpr int ID_NEXT_PAGE = 32776;
constexpr int ID_LAST_PAGE = 32777;
constexpr int ID_HIDE_REMARKS = 32778;
constexpr int ID_ZOOM = 32779;
constexpr int ID_APP_ABOUT = 32787;

// Pop-up menu command ranges.
constexpr int ID_PEN_WIDTH_FIRST = 33000, ID_PEN_WIDTH_LAST = 33005;
constexpr int ID_REMARKER_ALL = 33010, ID_REMARKER_LAST = 33209;
constexpr int ID_ZOOM_FIRST = 33210, ID_ZOOM_LAST = 33215;
constexpr int kMaxRemarkerItems = ID_REMARKER_LAST - ID_REMARKER_ALL;  // names after 所有人
constexpr int kZoomLevels[] = {50, 75, 100, 125, 150, 200};

// Resources.
constexpr int IDR_REMARK_FRAME = 207;  // menu, icon and the title string
constexpr int IDR_REMARK_TOOLBAR = 201;
constexpr int IDD_ABOUT = 209;
constexpr int IDC_PAN = 205;
constexpr int IDS_PEN_WIDTH_FORMAT = 3;
constexpr int IDS_EVERYONE = 4;
constexpr int kRemarkWndId = 100;
constexpr int kHideRemarksButtonIndex = 8;

// The toolbar's tooltip buffer, terminator included.
constexpr std::size_t kToolTipBufferChars = 80;

// The module's string resources (UTF-8); empty for an unknown ID.
std::string LoadRemarkString(int id);
// At most kToolTipBufferChars - 1 characters, never a split sequence.
std::string CutToolTipText(const std::string& text);
ui::Menu RemarkFrameMenu();
std::vector<ui::ToolButton> RemarkToolBarButtons();
std::string AboutText();

// Holds the toolbar and the view; carries out the window's commands.
class CRemarkWnd : public ui::IWindowHandler {
 public:
  CRemarkWnd(ui::IUi& ui, CNotaroCtrl& ctrl);
  ~CRemarkWnd() override;
  CRemarkWnd(const CRemarkWnd&) = delete;
  CRemarkWnd& operator=(const CRemarkWnd&) = delete;

  bool Create(ui::IWindow& parent, const RectL& rect);
  ui::IWindow* window() const { return m_window.get(); }
  ui::IToolBar* toolbar() const { return m_wndToolBar.get(); }
  CRemarkView* view() const;
  // What the control reaches while the window is open.
  IActiveRemarkView& active_view() { return m_active; }

  // Button states after opening and after loading a source document.
  void SetToolbarState(bool readOnly);

  void OnCreate(ui::IWindow& self) override;
  void OnSize(int cx, int cy) override;
  void OnCommand(int id) override;
  std::string OnToolTipText(int id) override;

 private:
  class ViewHandler;
  class ActiveView : public IActiveRemarkView {
   public:
    explicit ActiveView(CRemarkWnd& wnd) : m_wnd(wnd) {}
    void SetRemarkerFilter(int filter) override;
    void Repaint() override;
    void CancelDrag() override;

   private:
    CRemarkWnd& m_wnd;
  };

  CRemarkDoc& doc() { return m_ctrl.document(); }
  ui::WindowHandle OwnerHandle() const;
  void UpdatePageButtons();
  void GoToPage(int index);
  void OnLoadSource();
  void OnPenColor();
  void OnPenWidth();
  void OnSelRemarker();
  void OnHideRemarks();
  void OnZoom();
  void OnPrint();
  void Layout(int cx, int cy);

  ui::IUi& m_ui;
  CNotaroCtrl& m_ctrl;
  std::unique_ptr<ui::IToolBar> m_wndToolBar;
  std::uint32_t m_printFlags = ui::kPdNoSelection | ui::kPdNoPageNums | ui::kPdUseDevModeCopies;
  std::unique_ptr<ViewHandler> m_viewHandler;
  std::unique_ptr<ui::IWindow> m_viewWindow;
  std::unique_ptr<ui::IWindow> m_window;
  ui::IWindow* m_self = nullptr;  // set from creation on
  ActiveView m_active{*this};
};

class CRemarkFrame : public ui::IWindowHandler {
 public:
  static constexpr const char* kClassName = "CRemarkFrame";

  CRemarkFrame(ui::IUi& ui, CNotaroCtrl& ctrl);
  ~CRemarkFrame() override;
  CRemarkFrame(const CRemarkFrame&) = delete;
  CRemarkFrame& operator=(const CRemarkFrame&) = delete;

  // LoadFrame with menu 207, WS_OVERLAPPEDWINDOW at the default place.
  bool LoadFrame(const std::string& title, ui::WindowHandle owner);
  ui::IWindow* window() const { return m_window.get(); }
  CRemarkWnd& remark_wnd() { return m_wndRemark; }

  void OnCreate(ui::IWindow& self) override;
  void OnSize(int cx, int cy) override;
  void OnClose() override;
  void OnCommand(int id) override;
  bool IsCommandEnabled(int id) override;

 private:
  ui::IUi& m_ui;
  CNotaroCtrl& m_ctrl;
  CRemarkWnd m_wndRemark;
  std::unique_ptr<ui::IWindow> m_window;
  ui::IWindow* m_self = nullptr;
};

// The print command's job: document "Remark", every page on a sheet of its
// own, one page pixel a 1/96 inch from the paper's corner, strokes by
// `filter`. False when the job did not end with every page printed.
bool PrintRemarkDocument(CRemarkDoc& doc, ui::IPrintJob& job, int filter);

// OpenRemark once the transfer gate is open: the window runs modally over a
// disabled owner and returns when the user closes it.
void OpenRemarkWindow(CNotaroCtrl& ctrl, ui::IUi& ui, ui::WindowHandle owner, bool readOnly);

}  // namespace kit::remark
