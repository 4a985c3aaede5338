// Forms in the manner of the desktop runtime the dialer was laid out in: a
// fixed-size window of named controls placed in twips, menus, a status bar
// of panels with tooltips, timers and a tray icon. Controls are addressed by
// name; text is UTF-8 unless a member says otherwise. Message boxes go
// through ports/dialogs.h.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ports/canvas.h"

namespace kit::forms {

enum class Kind { kFrame, kButton, kOption, kCheck, kText, kLabel, kImage, kLine };

struct Font {
  std::string face = "宋体";
  int tenth_points = 90;  // 9 pt
  bool bold = false;
};

struct Twips {
  int left = 0, top = 0, width = 0, height = 0;
};

constexpr ColorRef kDefaultColor = 0xFFFFFFFFu;  // the system's own
constexpr ColorRef kRed = 0x000000FFu;

struct Control {
  std::string name;
  Kind kind = Kind::kLabel;
  std::string container;  // a frame's name; empty: the form itself
  std::string caption;    // text of a text box; resource name of an image
  Twips place;
  Font font;
  ColorRef fore_color = kDefaultColor;
  bool visible = true;
  bool enabled = true;
  int value = 0;          // option: 1 selected; check box: 0 / 1
  bool password = false;  // text box shown as '*'
};

struct MenuItem {
  std::string name;
  std::string caption;  // "-" is a separator
  std::string parent;   // empty: the menu bar
  bool visible = true;  // a hidden top-level item is a popup of its own
  bool enabled = true;
};

struct Panel {
  std::string tooltip;
  std::string text;
};

struct Timer {
  std::string name;
  unsigned interval_ms = 0;
  bool enabled = false;
};

struct FormLayout {
  std::string name;
  std::string caption;
  int client_width = 0, client_height = 0;  // twips
  Font font;
  std::string icon;  // resource name; empty: none
  std::vector<Control> controls;
  std::vector<MenuItem> menus;
  std::vector<Panel> panels;  // status bar along the bottom, when any
  std::vector<Timer> timers;
};

// Window states with the runtime's values.
enum class WindowState { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// System command and tray codes the dialer relies on.
constexpr unsigned kScRestore = 0xF120;
constexpr long kWmLButtonUp = 514;
constexpr long kWmRButtonUp = 517;

class IFormEvents {
 public:
  virtual ~IFormEvents() = default;
  // A button, option or check box, label or menu item by its name.
  virtual void OnClick(const std::string& name) = 0;
  virtual void OnTimer(const std::string& name) = 0;
  virtual void OnResize() = 0;
  // The tray icon's callback message; false passes it to the window's own
  // procedure.
  virtual bool OnTrayMessage(unsigned message, long lparam) = 0;
  // The title-bar close box.
  virtual void OnClose() = 0;
};

// The tip field of the tray record: 64 bytes in the system code page.
constexpr std::size_t kTrayTipBytes = 64;

class IForm {
 public:
  virtual ~IForm() = default;
  virtual std::uintptr_t Handle() = 0;

  // The form's own caption when name is empty.
  virtual void SetCaption(const std::string& name, const std::string& text) = 0;
  virtual std::string Caption(const std::string& name) = 0;
  virtual void SetVisible(const std::string& name, bool visible) = 0;
  virtual bool Visible(const std::string& name) = 0;
  // Controls and menu items alike.
  virtual void SetEnabled(const std::string& name, bool enabled) = 0;
  virtual bool Enabled(const std::string& name) = 0;
  virtual void SetValue(const std::string& name, int value) = 0;
  virtual int Value(const std::string& name) = 0;
  virtual void SetFocus(const std::string& name) = 0;

  virtual void SetPanelText(int panel, const std::string& text) = 0;  // 1-based
  virtual std::string PanelText(int panel) = 0;

  virtual void SetTimer(const std::string& name, bool enabled, unsigned interval_ms) = 0;

  virtual WindowState State() = 0;
  virtual void SetState(WindowState state) = 0;
  virtual void Show() = 0;  // shows and activates
  virtual void Hide() = 0;
  virtual bool Shown() = 0;
  virtual void SendSysCommand(unsigned code) = 0;
  virtual void MakeTopmost() = 0;  // in place: no move, no size
  virtual void PopupMenu(const std::string& name) = 0;  // at the cursor

  // The icon (id 0, the form's icon) with `callback_message` delivered to
  // OnTrayMessage; the tip bytes are NUL-terminated within the field.
  virtual bool AddTrayIcon(unsigned callback_message) = 0;
  virtual void SetTrayTip(const std::string& tip_field) = 0;
  virtual void RemoveTrayIcon() = 0;

  // Destroys the window; no event arrives afterwards.
  virtual void Unload() = 0;
};

class IFormHost {
 public:
  virtual ~IFormHost() = default;
  virtual std::unique_ptr<IForm> Create(const FormLayout& layout, IFormEvents* events) = 0;
};

// Named kernel mutexes, for the single-instance guard.
class IMutexes {
 public:
  virtual ~IMutexes() = default;
  // Creates or opens; *last_error is the system's error afterwards (183
  // when the mutex existed). 0 when there is no handle.
  virtual std::uintptr_t Create(const std::string& name, bool initially_owned,
                                std::uint32_t* last_error) = 0;
  virtual void Close(std::uintptr_t handle) = 0;
};
constexpr std::uint32_t kErrorAlreadyExists = 183;

// The compiled HTML help viewer.
class IHelpViewer {
 public:
  virtual ~IHelpViewer() = default;
  // HH_DISPLAY_TOPIC (0) of a full path; 0 when nothing was shown.
  virtual std::uintptr_t Display(std::uintptr_t owner, const std::string& path) = 0;
};

// What adapters keep of a form: the state of every control, menu item and
// panel by name. The headless forms of sim/ build on it.
struct FormModel {
  struct Item {
    Kind kind = Kind::kLabel;
    bool menu = false;
    std::string caption;
    bool visible = true, enabled = true;
    int value = 0;
  };
  explicit FormModel(const FormLayout& layout) : caption(layout.caption) {
    for (const Control& c : layout.controls) items[c.name] = Item{c.kind, false, c.caption, c.visible, c.enabled, c.value};
    for (const MenuItem& m : layout.menus) items[m.name] = Item{Kind::kLabel, true, m.caption, m.visible, m.enabled, 0};
    for (const Panel& p : layout.panels) panels.push_back(p.text);
    for (const Timer& t : layout.timers) timers[t.name] = t;
  }
  bool Has(const std::string& name) const { return items.count(name) != 0; }
  Item& at(const std::string& name) { return items.at(name); }

  // Selecting an option clears the others of its container.
  void Select(const FormLayout& layout, const std::string& name) {
    std::string container;
    for (const Control& c : layout.controls) {
      if (c.name == name) container = c.container;
    }
    for (const Control& c : layout.controls) {
      if (c.kind == Kind::kOption && c.container == container) items[c.name].value = c.name == name;
    }
  }

  std::string caption;
  std::map<std::string, Item> items;
  std::vector<std::string> panels;
  std::map<std::string, Timer> timers;
  WindowState state = WindowState::kNormal;
  bool shown = true;
  bool tray = false;
  std::string tray_tip;
  std::string focus;
  bool topmost = false;
};

}  // namespace kit::forms
