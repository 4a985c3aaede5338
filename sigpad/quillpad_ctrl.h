// UCQuillpad: the signature pad control. A toolbar, the drawing surface
// picMain with its persistent bitmap, the pen and colour menus, an undo ring
// of 16 snapshot files, and the save action writing Quillpad.BMP and
// Quillpad.JPG into the working folder.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/automation.h"
#include "ports/class_registry.h"
#include "ports/codepage.h"
#include "ports/dialogs.h"
#include "ports/dib_canvas.h"
#include "ports/files.h"
#include "ports/jpeg.h"
#include "sigpad/dib_section.h"

namespace kit::sigpad {

constexpr const char* kQuillpadProgId = "Quillpad.UCQuillpad";
constexpr const char* kDefaultSavePath = "C:\\Temp\\qzdesk\\";
constexpr int kSnapshotSlots = 16;
constexpr int kToolbarHeight = 24;
constexpr int kDesignWidth = 396, kDesignHeight = 235;
constexpr std::int16_t kMaxPenWidth = 32767;
// Errors of the control itself (the JPEG writer's are 26001).
constexpr int kErrPathNotFound = 76;
constexpr int kErrInvalidPropertyValue = 380;

enum QuillpadDispId : automation::DispId {
  DISPID_strSavePath = 1,
  DISPID_Height,
  DISPID_Width,
  DISPID_SavePath,
  DISPID_Save,
  DISPID_Clear,
};

// Toolbar button indexes, 1-based as the toolbar counts them.
enum ToolbarButton { kBtnPen = 1, kBtnColor, kBtnUndo, kBtnRedo, kBtnClearAll, kBtnEraser, kBtnBrush };

struct ToolbarButtonState {
  const char* label;
  bool enabled;
};

struct MenuItem {
  const char* name;
  const char* caption;
  bool checked;
};

// The pop-up menus' parents: SetMenu "设置" holds Pan and color.
constexpr const char* kSetMenuCaption = "设置";
constexpr const char* kPanMenuCaption = "笔迹";
constexpr const char* kColorMenuCaption = "颜色";

// The graphical buttons below the visible area that hold save and clear.
struct CommandButton {
  const char* name;
  const char* toolTip;
  int left, top, width, height;
};
constexpr CommandButton kCmdSave{"cmdSave", "保存批注图片", 16, 288, 25, 25};
constexpr CommandButton kCmdClear{"cmdClear", "清除当前修改", 96, 288, 25, 25};
// The custom pointer's hot spot on picMain.
constexpr int kCursorHotSpotX = 16, kCursorHotSpotY = 15;

struct QuillpadPorts {
  IFileSystem* files = nullptr;
  IFileLookup* lookup = nullptr;  // folder test and creation
  IDialogs* dialogs = nullptr;
  IDibCanvasFactory* canvas = nullptr;
  ICodePage* codepage = nullptr;  // SavePath must survive code page 936
  IJpegWriter* jpeg = nullptr;
  IFileStamps* stamps = nullptr;
  std::string exe_name = "Quillpad";
  // Shows a pop-up menu at the pointer; the name of the item chosen, or
  // nothing. Without it menus are driven through MenuClick alone.
  std::function<std::optional<std::string>(const std::vector<MenuItem>&)> popup;
};

// picMain: the drawing surface and what the picture box keeps of it.
struct PictureBox {
  int Left = 0, Top = kToolbarHeight;
  int width = 353, height = 201;  // pixels
  ColorRef BackColor = 0xFFFFFF;  // the system window colour
  ColorRef ForeColor = 0;
  std::int16_t DrawWidth = 2;
  bool AutoRedraw = false;
};

class UCQuillpad : public automation::IDispatchObject {
 public:
  explicit UCQuillpad(QuillpadPorts ports);

  static const automation::DispatchTable& DispatchMap();
  const automation::DispatchTable& Members() const override { return DispatchMap(); }
  automation::Variant Invoke(automation::DispId id, automation::InvokeKind kind,
                             const std::vector<automation::Variant>& args) override;

  // _UCQuillpad from C++. Path puts raise RaisedError 380 for a value that
  // is not a plain absolute local folder.
  const std::string& GetStrSavePath() const { return strSavePath; }
  void SetStrSavePath(const std::string& value);
  std::string GetSavePath() const { return strSavePath; }
  void SetSavePath(const std::string& vNewValue) { SetStrSavePath(vNewValue); }
  std::int16_t GetHeight() const;
  void SetHeight(std::int16_t myHeight);
  std::int16_t GetWidth() const;
  void SetWidth(std::int16_t myWidth);
  void Save();
  void Clear();
  void cmdSave_Click() { Save(); }
  void cmdClear_Click() { Clear(); }

  // Events of the host and of the child controls. Coordinates are in the
  // control's inner scale units, relative to picMain.
  void UserControl_Resize(int widthPixels, int heightPixels);
  void ToolbarMain_ButtonClick(int index);
  void MenuClick(const std::string& item);
  void picMain_MouseDown(int button, int shift, double X, double Y);
  void picMain_MouseMove(int button, int shift, double X, double Y);
  void picMain_MouseUp(int button, int shift, double X, double Y);

  // A pointer position on picMain in pixels, in the inner scale's units.
  double UnitsFromPixelsX(int x) const { return x / ScaleX(); }
  double UnitsFromPixelsY(int y) const { return y / ScaleY(); }

  // What the host draws and tests look at.
  const PictureBox& picMain() const { return pic_; }
  const cDIBSection& Image() const { return image_; }
  const std::array<ToolbarButtonState, 7>& Buttons() const { return buttons_; }
  const std::vector<MenuItem>& PanMenu() const { return pan_; }
  const std::vector<MenuItem>& ColorMenu() const { return color_; }
  bool EraserMode() const { return bEraserMode; }
  std::int32_t StrokeCount() const { return lStrokeCount; }
  std::int32_t Slot() const { return lSlot; }
  std::int32_t UndoDepth() const { return lUndoDepth; }
  std::int16_t SkipSlots() const { return iSkipSlots; }
  bool Wrapped() const { return bWrapped; }
  // folder + "\Quillpad" + slot + ".BMP", the doubled backslash included.
  std::string SnapshotName(std::int32_t slot) const;

 private:
  void Undo();
  void Redo();
  void EndStroke();
  // Empty folder -> the default, stored back; then made if missing.
  std::string PrepareFolder();
  std::string EnsureSavePath();
  void ResetHistory();
  void Blank();
  void ResizeSurface(int width, int height);
  // Loads the picture of history position p; false, changing nothing, when
  // its snapshot is gone, unreadable or not the one this pad wrote.
  bool ShowPosition(std::int32_t p);
  bool CanUndo() const;
  void UpdateUndoRedo();
  void SetPenWidth(int width);
  void CheckPan(int which);
  double ScaleX() const;
  double ScaleY() const;
  int ToPixelX(double x) const;
  int ToPixelY(double y) const;
  void DrawLine(int x1, int y1, int x2, int y2);
  void DrawBox(int x1, int y1, int x2, int y2);

  QuillpadPorts ports_;
  PictureBox pic_;
  cDIBSection image_;
  std::array<ToolbarButtonState, 7> buttons_;
  std::vector<MenuItem> pan_;
  std::vector<MenuItem> color_;
  int ctlWidth_ = kDesignWidth, ctlHeight_ = kDesignHeight;  // pixels
  double scaleWidth_ = kDesignWidth, scaleHeight_ = kDesignHeight;

  std::string strSavePath;
  bool bDrawing = false;
  double sngLastX = 0, sngLastY = 0;
  bool bEraserMode = false;
  bool bErasing = false;
  std::int32_t lStrokeCount = 0;
  std::int32_t lSlot = 0;
  std::int32_t lUndoDepth = 0;
  std::int16_t iSkipSlots = 0;
  bool bWrapped = false;

  // Which history position each slot's file holds for this pad, with a
  // fingerprint of its bytes; 0 is none.
  struct SlotRecord {
    std::int32_t position = 0;
    std::uint64_t fingerprint = 0;
    std::uint64_t size = 0;
  };
  std::array<SlotRecord, kSnapshotSlots> slots_{};
  std::string historyFolder_;  // the folder the history was written to
  std::unique_ptr<cDIBSection> beforeStroke_;
};

// Checks a folder path from the page; the reason it is refused, or nothing.
std::optional<std::string> SavePathProblem(const std::string& path, const ICodePage* codepage);

// `shown`, when given, runs on every new pad before the page gets it: the
// host puts it on the screen there.
void RegisterQuillpadControl(ClassRegistry& registry, std::function<QuillpadPorts()> ports,
                             std::function<void(UCQuillpad&)> shown = nullptr);

}  // namespace kit::sigpad
