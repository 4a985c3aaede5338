// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/ui/headless_ui.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace kit::sim {

namespace {

// Keeps the mapping state a painter sets and draws nowhere.
class NullDC : public IDeviceContext {
 public:
  PenHandle CreatePen(int, int, ColorRef) override { return ++m_next; }
  PenHandle SelectPen(PenHandle pen) override { return std::exchange(m_pen, pen); }
  void DeletePen(PenHandle) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override { ++lines; }
  void PlayMetafile(const IEnhMetaFile&, const RectL&) override { ++pictures; }
  int SetMapMode(int mode) override { return std::exchange(m_map.mapMode, mode); }
  void SetWindowOrg(int x, int y) override { m_map.windowOrg = {x, y}; }
  void SetWindowExt(int cx, int cy) override { m_map.windowExt = {cx, cy}; }
  void SetViewportOrg(int x, int y) override { m_map.viewportOrg = {x, y}; }
  void SetViewportExt(int cx, int cy) override { m_map.viewportExt = {cx, cy}; }
  DcMapping Mapping() const override { return m_map; }
  BrushHandle CreateSolidBrush(ColorRef) override { return ++m_next; }
  BrushHandle StockBrush(int which) override { return 1 + static_cast<BrushHandle>(which); }
  BrushHandle SelectBrush(BrushHandle brush) override { return std::exchange(m_brush, brush); }
  void DeleteBrush(BrushHandle) override {}
  void PatBlt(int, int, int, int, std::uint32_t) override {}
  void Rectangle(int, int, int, int) override {}

  int lines = 0, pictures = 0;

 private:
  DcMapping m_map;
  std::uintptr_t m_next = 100, m_pen = 1, m_brush = 1;
};

// A printer that takes the job and writes its brackets to the log.
class LoggingPrintJob : public ui::IPrintJob {
 public:
  explicit LoggingPrintJob(std::function<void(const std::string&)> log) : m_log(std::move(log)) {}
  IDeviceContext& dc() override { return m_dc; }
  int DeviceCaps(int index) const override {
    switch (index) {
      case ui::kLogPixelsX:
      case ui::kLogPixelsY:
        return 600;
      case ui::kPhysicalOffsetX:
      case ui::kPhysicalOffsetY:
        return 100;
      default:
        return 0;
    }
  }
  int StartDoc(const std::string& name) override {
    m_log("print StartDoc " + name);
    return 1;
  }
  int StartPage() override {
    m_log("print StartPage " + std::to_string(++m_page));
    return 1;
  }
  int EndPage() override {
    m_log("print EndPage " + std::to_string(m_page) + ": " + std::to_string(m_dc.pictures) + " pictures, " +
          std::to_string(m_dc.lines) + " lines");
    m_dc.lines = m_dc.pictures = 0;
    return 1;
  }
  int EndDoc() override {
    m_log("print EndDoc");
    return 1;
  }
  int AbortDoc() override {
    m_log("print AbortDoc");
    return 1;
  }

 private:
  std::function<void(const std::string&)> m_log;
  NullDC m_dc;
  int m_page = 0;
};

class HeadlessMetrics : public IWindowMetrics {
 public:
  int SystemMetric(int index) const override {
    return index == kSmCxVScroll || index == kSmCyHScroll ? HeadlessUi::kScrollBarSize : 0;
  }
  RectL AdjustWindowRectEx(const RectL& c, std::uint32_t style, std::uint32_t ex) const override {
    const int e = (ex & kWsExClientEdge) ? HeadlessUi::kClientEdge : 0;
    RectL r{c.left - e, c.top - e, c.right + e, c.bottom + e};
    if (style & kWsVScroll) r.right += HeadlessUi::kScrollBarSize;
    if (style & kWsHScroll) r.bottom += HeadlessUi::kScrollBarSize;
    return r;
  }
};

const std::set<std::string>& Verbs(int arity) {
  static const std::set<std::string> none = {"menu", "toolbar", "ok", "cancelmode", "close"};
  static const std::set<std::string> one = {"command", "button", "tip", "popup", "color", "file", "folder", "wait"};
  static const std::set<std::string> two = {"down", "move", "up", "rdown", "rup", "size"};
  static const std::set<std::string> more;
  return arity == 0 ? none : arity == 1 ? one : arity == 2 ? two : more;
}

int ToInt(const UiEvent& e, std::size_t i) {
  const std::string& s = e.args.at(i);
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 0);
  if (s.empty() || *end != '\0' || v < -1000000000L || v > 1000000000L)
    throw std::invalid_argument("UI event line " + std::to_string(e.line) + ": not a number: " + s);
  return static_cast<int>(v);
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::string Describe(const ui::Menu& items) {
  std::string out;
  for (const auto& m : items) {
    if (!out.empty()) out += " | ";
    if (m.separator) {
      out += "-";
      continue;
    }
    out += (m.checked ? "[x]" : "") + m.text + (m.id ? " " + std::to_string(m.id) : std::string());
    if (!m.enabled) out += " (disabled)";
  }
  return out;
}

}  // namespace

std::vector<UiEvent> ParseUiScript(const std::string& text) {
  std::vector<UiEvent> events;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream parts(line);
    std::string piece;
    while (std::getline(parts, piece, ';')) {
      piece = Trim(piece);
      if (piece.empty()) continue;
      UiEvent e;
      e.line = number;
      const auto space = piece.find_first_of(" \t");
      e.verb = piece.substr(0, space);
      std::string rest = space == std::string::npos ? std::string() : Trim(piece.substr(space));
      if (e.verb == "file" || e.verb == "folder" || e.verb == "print" || e.verb == "snapshot") {
        // A path may hold spaces.
        if (!rest.empty()) e.args.push_back(rest);
      } else {
        std::istringstream words(rest);
        for (std::string w; words >> w;) e.args.push_back(w);
      }
      const bool known = e.verb == "print"      ? e.args.size() <= 1
                         : e.verb == "snapshot" ? e.args.size() == 1
                                                : Verbs(static_cast<int>(e.args.size())).count(e.verb) != 0;
      if (!known) throw std::invalid_argument("UI event line " + std::to_string(number) + ": cannot read \"" + piece + "\"");
      for (std::size_t i = 0; i < e.args.size(); ++i) {
        const bool word = e.verb == "file" || e.verb == "folder" || e.verb == "print" || e.verb == "snapshot" ||
                          ((e.verb == "popup" || e.verb == "color") && (e.args[i] == "none" || e.args[i] == "cancel"));
        if (!word) ToInt(e, i);
      }
      events.push_back(std::move(e));
    }
  }
  return events;
}

// ---------------------------------------------------------------------------

struct HeadlessUi::Node {
  ui::WindowHandle handle = 0;
  ui::WindowHandle parent = 0;
  ui::IWindowHandler* handler = nullptr;  // null once the window object is gone
  int id = 0;
  std::uint32_t style = 0, exStyle = 0;
  RectL rect{};  // in the parent's client area; the screen for a frame
  std::string title;
  ui::Menu menu;
  int icon = 0;
  bool visible = false;
  bool destroyed = false;
  bool invalid = true;
  unsigned long shown = 0;  // of a frame: when it was last shown
  ScrollInfo bars[2];
  struct Button {
    int id;
    bool enabled, checked, checkBox;
  };
  bool toolbar = false;
  std::vector<Button> buttons;

  Button* FindButton(int bid) {
    for (auto& b : buttons)
      if (b.id == bid && bid != 0) return &b;
    return nullptr;
  }
};

class HeadlessUi::Proxy : public ui::IWindow {
 public:
  Proxy(HeadlessUi& ui, ui::WindowHandle h) : m_ui(ui), m_h(h) {}
  ~Proxy() override {
    // The handler may already be gone; nothing is told any more.
    if (Node* n = m_ui.Find(m_h)) {
      n->handler = nullptr;
      n->destroyed = true;
      if (m_ui.m_capture == m_h) m_ui.m_capture = 0;
    }
  }

  Node& node() const { return *m_ui.Find(m_h); }

  ui::WindowHandle Handle() const override { return m_h; }
  int ControlId() const override { return node().id; }
  void MoveWindow(const RectL& r) override {
    Node& n = node();
    const bool sized = (r.right - r.left) != (n.rect.right - n.rect.left) ||
                       (r.bottom - r.top) != (n.rect.bottom - n.rect.top);
    n.rect = r;
    n.invalid = true;
    if (n.parent == 0) {
      m_ui.Log("moved \"" + n.title + "\" to " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
    }
    if (sized) m_ui.Resized(n);
  }
  void Show(bool show) override {
    Node& n = node();
    n.visible = show;
    n.invalid = true;
    if (show && n.parent == 0) n.shown = ++m_ui.m_shownCount;
  }
  void Destroy() override { m_ui.DestroyNode(node()); }
  void PostClose() override {
    const ui::WindowHandle h = m_h;
    m_ui.m_posted.push_back([this_ui = &m_ui, h] {
      Node* n = this_ui->Find(h);
      if (n && !n->destroyed && n->handler) n->handler->OnClose();
    });
  }
  void SetIcon(int resource) override { node().icon = resource; }

  std::uint32_t Style() const override { return node().style; }
  std::uint32_t ExStyle() const override { return node().exStyle; }
  RectL WindowRect() const override {
    const Node& n = node();
    const PointL o = m_ui.WindowOrigin(n);
    return {o.x, o.y, o.x + (n.rect.right - n.rect.left), o.y + (n.rect.bottom - n.rect.top)};
  }
  RectL ClientRect() const override { return m_ui.ClientRectOf(node()); }
  PointL ClientToScreen(PointL p) const override {
    const PointL o = m_ui.ClientOrigin(node());
    return {p.x + o.x, p.y + o.y};
  }
  void ShowScrollBar(int bar, bool show) override {
    Node& n = node();
    const std::uint32_t bit = bar == kSbHorz ? kWsHScroll : kWsVScroll;
    const std::uint32_t style = show ? (n.style | bit) : (n.style & ~bit);
    if (style == n.style) return;
    n.style = style;
    // The client area changed size.
    m_ui.Resized(n);
  }
  ScrollInfo GetScrollInfo(int bar) const override { return node().bars[bar == kSbHorz ? 0 : 1]; }
  void SetScrollInfo(int bar, const ScrollInfo& si) override {
    ScrollInfo& b = node().bars[bar == kSbHorz ? 0 : 1];
    b.nMin = si.nMin;
    b.nMax = std::max(si.nMin, si.nMax);
    b.nPage = std::min<unsigned>(si.nPage, static_cast<unsigned>(b.nMax - b.nMin + 1));
    SetScrollPos(bar, si.nPos);
  }
  void SetScrollPos(int bar, int pos) override {
    ScrollInfo& b = node().bars[bar == kSbHorz ? 0 : 1];
    const int highest = b.nMax - std::max(static_cast<int>(b.nPage) - 1, 0);
    b.nPos = std::max(b.nMin, std::min(pos, highest));
    b.nTrackPos = b.nPos;
    node().invalid = true;
  }
  void ScrollWindow(int, int) override { node().invalid = true; }
  void Invalidate(bool) override { node().invalid = true; }
  std::unique_ptr<IDeviceContext> GetClientDC() override { return m_ui.Surface(node()); }
  void SetCapture() override { m_ui.SetCaptureTo(m_h); }
  void ReleaseCapture() override { m_ui.ReleaseCaptureFrom(m_h); }
  void ClipCursor(const RectL* screen) override {
    m_ui.m_clipped = screen != nullptr;
    if (screen) m_ui.m_clip = *screen;
  }
  void SetCursorPos(int x, int y) override {
    m_ui.m_cursor = {x, y};
    if (m_ui.m_clipped) {
      m_ui.m_cursor.x = std::clamp(x, m_ui.m_clip.left, std::max(m_ui.m_clip.left, m_ui.m_clip.right - 1));
      m_ui.m_cursor.y = std::clamp(y, m_ui.m_clip.top, std::max(m_ui.m_clip.top, m_ui.m_clip.bottom - 1));
    }
  }
  void SetCursor(CursorHandle) override {}

 protected:
  HeadlessUi& m_ui;
  ui::WindowHandle m_h;
};

class HeadlessUi::ToolBarProxy : public ui::IToolBar {
 public:
  ToolBarProxy(HeadlessUi& ui, ui::WindowHandle h) : m_w(ui, h) {}
  Node& node() const { return m_w.node(); }

  int Height() const override { return kToolBarHeight; }
  void EnableButton(int id, bool enable) override {
    if (auto* b = node().FindButton(id)) b->enabled = enable;
  }
  bool IsButtonEnabled(int id) const override {
    auto* b = node().FindButton(id);
    return b && b->enabled;
  }
  void CheckButton(int id, bool check) override {
    if (auto* b = node().FindButton(id)) b->checked = check;
  }
  bool IsButtonChecked(int id) const override {
    auto* b = node().FindButton(id);
    return b && b->checked;
  }
  void SetCheckBoxStyle(int index) override {
    auto& buttons = node().buttons;
    if (index >= 0 && index < static_cast<int>(buttons.size())) buttons[static_cast<std::size_t>(index)].checkBox = true;
  }
  bool IsCheckBox(int id) const override {
    auto* b = node().FindButton(id);
    return b && b->checkBox;
  }

  ui::WindowHandle Handle() const override { return m_w.Handle(); }
  int ControlId() const override { return m_w.ControlId(); }
  void MoveWindow(const RectL& r) override { m_w.MoveWindow(r); }
  void Show(bool show) override { m_w.Show(show); }
  void Destroy() override { m_w.Destroy(); }
  void PostClose() override { m_w.PostClose(); }
  void SetIcon(int resource) override { m_w.SetIcon(resource); }
  std::uint32_t Style() const override { return m_w.Style(); }
  std::uint32_t ExStyle() const override { return m_w.ExStyle(); }
  RectL WindowRect() const override { return m_w.WindowRect(); }
  RectL ClientRect() const override { return m_w.ClientRect(); }
  PointL ClientToScreen(PointL p) const override { return m_w.ClientToScreen(p); }
  void ShowScrollBar(int bar, bool show) override { m_w.ShowScrollBar(bar, show); }
  ScrollInfo GetScrollInfo(int bar) const override { return m_w.GetScrollInfo(bar); }
  void SetScrollInfo(int bar, const ScrollInfo& si) override { m_w.SetScrollInfo(bar, si); }
  void SetScrollPos(int bar, int pos) override { m_w.SetScrollPos(bar, pos); }
  void ScrollWindow(int dx, int dy) override { m_w.ScrollWindow(dx, dy); }
  void Invalidate(bool erase) override { m_w.Invalidate(erase); }
  std::unique_ptr<IDeviceContext> GetClientDC() override { return m_w.GetClientDC(); }
  void SetCapture() override { m_w.SetCapture(); }
  void ReleaseCapture() override { m_w.ReleaseCapture(); }
  void ClipCursor(const RectL* screen) override { m_w.ClipCursor(screen); }
  void SetCursorPos(int x, int y) override { m_w.SetCursorPos(x, y); }
  void SetCursor(CursorHandle c) override { m_w.SetCursor(c); }

 private:
  Proxy m_w;
};

// ---------------------------------------------------------------------------

HeadlessUi::HeadlessUi(std::vector<UiEvent> events, std::ostream* log)
    : m_events(events.begin(), events.end()), m_log(log) {}

HeadlessUi::~HeadlessUi() = default;

void HeadlessUi::Log(const std::string& line) {
  if (m_log) *m_log << line << '\n' << std::flush;
}

const IWindowMetrics& HeadlessUi::Metrics() const {
  static const HeadlessMetrics metrics;
  return metrics;
}

HeadlessUi::Node* HeadlessUi::Find(ui::WindowHandle h) const {
  auto it = m_nodes.find(h);
  return it == m_nodes.end() ? nullptr : it->second.get();
}

HeadlessUi::Node& HeadlessUi::NewNode(ui::WindowHandle parent, ui::IWindowHandler* handler) {
  auto n = std::make_unique<Node>();
  n->handle = m_next++;
  n->parent = parent;
  n->handler = handler;
  Node& ref = *n;
  m_nodes[ref.handle] = std::move(n);
  return ref;
}

PointL HeadlessUi::WindowOrigin(const Node& n) const {
  if (const Node* p = Find(n.parent)) {
    const PointL o = ClientOrigin(*p);
    return {o.x + n.rect.left, o.y + n.rect.top};
  }
  return {n.rect.left, n.rect.top};
}

PointL HeadlessUi::ClientOrigin(const Node& n) const {
  const PointL o = WindowOrigin(n);
  const int e = (n.exStyle & kWsExClientEdge) ? kClientEdge : 0;
  return {o.x + e, o.y + e};
}

RectL HeadlessUi::ClientRectOf(const Node& n) const {
  const int e = (n.exStyle & kWsExClientEdge) ? kClientEdge : 0;
  int w = n.rect.right - n.rect.left - 2 * e - ((n.style & kWsVScroll) ? kScrollBarSize : 0);
  int h = n.rect.bottom - n.rect.top - 2 * e - ((n.style & kWsHScroll) ? kScrollBarSize : 0);
  return {0, 0, std::max(w, 0), std::max(h, 0)};
}

void HeadlessUi::Resized(Node& n) {
  n.invalid = true;
  if (n.handler && !n.destroyed) {
    const RectL c = ClientRectOf(n);
    n.handler->OnSize(c.right, c.bottom);
  }
}

std::unique_ptr<ui::IWindow> HeadlessUi::CreateFrame(const ui::FrameParams& p, ui::IWindowHandler& handler) {
  Node& n = NewNode(0, &handler);
  n.style = p.style;
  n.exStyle = p.exStyle;
  n.title = p.title;
  n.menu = p.menu;
  const int x = p.rect.left == ui::kCwUseDefault ? kDefaultX : p.rect.left;
  const int y = p.rect.top == ui::kCwUseDefault ? kDefaultY : p.rect.top;
  const int w = p.rect.right == ui::kCwUseDefault ? kDefaultWidth : p.rect.right - p.rect.left;
  const int h = p.rect.bottom == ui::kCwUseDefault ? kDefaultHeight : p.rect.bottom - p.rect.top;
  n.rect = {x, y, x + w, y + h};
  const ui::WindowHandle handle = n.handle;
  auto proxy = std::make_unique<Proxy>(*this, handle);
  // A frame placed by its owner says where.
  const bool placed = x != kDefaultX || y != kDefaultY;
  Log("frame \"" + p.title + "\" " + std::to_string(w) + "x" + std::to_string(h) +
      (placed ? " at " + std::to_string(x) + "," + std::to_string(y) : std::string()) + " owner " +
      std::to_string(p.owner));
  handler.OnCreate(*proxy);
  Resized(*Find(handle));
  return proxy;
}

std::unique_ptr<ui::IWindow> HeadlessUi::CreateChild(ui::IWindow& parent, const ui::ChildParams& p,
                                                     ui::IWindowHandler& handler) {
  Node& n = NewNode(parent.Handle(), &handler);
  n.id = p.controlId;
  n.style = p.style;
  n.exStyle = p.exStyle;
  n.rect = p.rect;
  n.visible = (p.style & kWsVisible) != 0;
  const ui::WindowHandle handle = n.handle;
  auto proxy = std::make_unique<Proxy>(*this, handle);
  handler.OnCreate(*proxy);
  Resized(*Find(handle));
  return proxy;
}

std::unique_ptr<ui::IToolBar> HeadlessUi::CreateToolBar(ui::IWindow& parent, const ui::ToolBarParams& p,
                                                        ui::IWindowHandler& notify) {
  Node& n = NewNode(parent.Handle(), &notify);
  n.id = p.controlId;
  n.style = p.style;
  n.toolbar = true;
  n.visible = (p.style & kWsVisible) != 0;
  n.rect = {0, 0, ClientRectOf(*Find(parent.Handle())).right, kToolBarHeight};
  for (const auto& b : p.buttons) n.buttons.push_back({b.id, true, false, false});
  return std::make_unique<ToolBarProxy>(*this, n.handle);
}

void HeadlessUi::DestroyNode(Node& n) {
  if (n.destroyed) return;
  n.destroyed = true;
  n.visible = false;
  // The window hears of it before its children do.
  if (n.handler && !n.toolbar) n.handler->OnDestroy();
  if (m_capture == n.handle) m_capture = 0;
  for (auto& [h, child] : m_nodes)
    if (child->parent == n.handle) DestroyNode(*child);
  if (n.parent == 0) Log("destroyed \"" + n.title + "\"");
}

void HeadlessUi::SetCaptureTo(ui::WindowHandle h) {
  if (m_capture == h) return;
  const ui::WindowHandle old = m_capture;
  m_capture = h;
  if (Node* n = Find(old))
    if (n->handler && !n->destroyed) n->handler->OnCaptureChanged();
}

void HeadlessUi::ReleaseCaptureFrom(ui::WindowHandle h) {
  if (m_capture != h) return;
  m_capture = 0;
  if (Node* n = Find(h))
    if (n->handler && !n->destroyed) n->handler->OnCaptureChanged();
}

int HeadlessUi::TrackPopupMenu(ui::IWindow&, const ui::Menu& items, PointL) {
  Log("popup " + Describe(items));
  const UiEvent* e = Answer("popup");
  if (!e) {
    Log("popup dismissed");
    return 0;
  }
  if (e->args[0] == "none") return 0;
  const int id = ToInt(*e, 0);
  for (const auto& m : items)
    if (!m.separator && m.enabled && m.id == id && m.items.empty()) {
      Log("popup chose " + m.text);
      return id;
    }
  Log("popup has no item " + std::to_string(id));
  return 0;
}

const UiEvent* HeadlessUi::Answer(const char* verb) {
  if (m_events.empty() || m_events.front().verb != verb) return nullptr;
  m_answer = m_events.front();
  m_events.pop_front();
  return &m_answer;
}

HeadlessUi::Node* HeadlessUi::ModalFrame() const {
  for (auto it = m_modal.rbegin(); it != m_modal.rend(); ++it)
    if (Node* n = Find(it->window))
      if (!n->destroyed) return n;
  return nullptr;
}

HeadlessUi::Node* HeadlessUi::FrontFrame() const {
  if (Node* modal = ModalFrame()) return modal;
  Node* front = nullptr;
  for (const auto& [h, n] : m_nodes)
    if (n->parent == 0 && n->visible && !n->destroyed && (front == nullptr || n->shown > front->shown)) front = n.get();
  return front;
}

namespace {
std::chrono::milliseconds WaitTime(const UiEvent& e) { return std::chrono::milliseconds(std::max(ToInt(e, 0), 0)); }
}  // namespace

void HeadlessUi::Wait(std::chrono::milliseconds time) {
  Log("wait " + std::to_string(time.count()));
  const auto until = std::chrono::steady_clock::now() + time;
  for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now) + std::chrono::milliseconds(1);
    if (m_idle) {
      m_idle(left);
    } else {
      std::this_thread::sleep_for(left);
    }
    PaintInvalid();
  }
}

void HeadlessUi::DispatchPending() {
  if (!m_modal.empty()) return;  // the modal loop dispatches
  for (;;) {
    PaintInvalid();
    if (!m_posted.empty()) {
      auto f = std::move(m_posted.front());
      m_posted.pop_front();
      f();
      continue;
    }
    if (m_events.empty() || std::chrono::steady_clock::now() < m_resumeAt || FrontFrame() == nullptr) return;
    UiEvent e = m_events.front();
    m_events.pop_front();
    if (e.verb == "wait") {
      Log("wait " + e.args[0]);
      m_resumeAt = std::chrono::steady_clock::now() + WaitTime(e);
      continue;
    }
    Dispatch(e);
  }
}

int HeadlessUi::RunModalLoop(ui::IWindow& window, std::uint32_t flags) {
  m_modal.push_back({window.Handle(), false, 0});
  const std::size_t depth = m_modal.size();
  if (flags & ui::kMlfShowOnIdle) {
    window.Show(true);
    Log("shown \"" + Find(window.Handle())->title + "\"");
  }
  bool closing = false;
  while (!m_modal[depth - 1].ended) {
    PaintInvalid();
    if (!m_posted.empty()) {
      auto f = std::move(m_posted.front());
      m_posted.pop_front();
      f();
      continue;
    }
    if (m_idle) m_idle(std::chrono::milliseconds(0));
    if (!m_events.empty()) {
      UiEvent e = m_events.front();
      m_events.pop_front();
      if (e.verb == "wait") {
        Wait(WaitTime(e));
      } else {
        Dispatch(e);
      }
      continue;
    }
    if (closing) {
      // The window refused to close; the script is over all the same.
      Log("modal loop forced to end");
      m_modal[depth - 1] = {window.Handle(), true, -1};
      break;
    }
    closing = true;
    Log("script ended: close");
    Node* n = Find(window.Handle());
    if (n && n->handler && !n->destroyed) n->handler->OnClose();
  }
  const int code = m_modal[depth - 1].code;
  m_modal.resize(depth - 1);
  return code;
}

void HeadlessUi::EndModalLoop(ui::IWindow& window, int code) {
  for (auto it = m_modal.rbegin(); it != m_modal.rend(); ++it)
    if (it->window == window.Handle()) {
      it->ended = true;
      it->code = code;
      Log("modal loop ends " + std::to_string(code));
      return;
    }
}

void HeadlessUi::EnableWindow(ui::WindowHandle window, bool enable) {
  m_enabled[window] = enable;
  Log(std::string(enable ? "enable " : "disable ") + std::to_string(window));
}

bool HeadlessUi::IsWindowEnabled(ui::WindowHandle window) const {
  auto it = m_enabled.find(window);
  return it == m_enabled.end() || it->second;
}

void HeadlessUi::SetActiveWindow(ui::WindowHandle window) {
  m_active = window;
  Log("activate " + std::to_string(window));
}

void HeadlessUi::Dispatch(const UiEvent& e) {
  Node* frame = FrontFrame();
  const std::string& v = e.verb;
  if (v == "down" || v == "move" || v == "up" || v == "rdown" || v == "rup") {
    Mouse(e);
  } else if (v == "command") {
    const int id = ToInt(e, 0);
    bool inMenu = false;
    if (frame) {
      std::function<void(const ui::Menu&)> walk = [&](const ui::Menu& m) {
        for (const auto& item : m) {
          if (item.id == id && !item.separator && item.items.empty()) inMenu = true;
          walk(item.items);
        }
      };
      walk(frame->menu);
    }
    if (!inMenu || !frame->handler) {
      Log("command " + std::to_string(id) + " not in the menu");
    } else if (!frame->handler->IsCommandEnabled(id)) {
      Log("command " + std::to_string(id) + " disabled");
    } else {
      Log("command " + std::to_string(id));
      frame->handler->OnCommand(id);
    }
  } else if (v == "button") {
    Button(ToInt(e, 0));
  } else if (v == "tip") {
    const int id = ToInt(e, 0);
    for (auto& [h, n] : m_nodes)
      if (n->toolbar && !n->destroyed && n->FindButton(id) && n->handler)
        Log("tip " + std::to_string(id) + " " + n->handler->OnToolTipText(id));
  } else if (v == "menu") {
    for (const auto& line : MenuStates()) Log(line);
  } else if (v == "toolbar") {
    for (const auto& line : ToolBarStates()) Log(line);
  } else if (v == "size") {
    if (frame) {
      frame->rect.right = frame->rect.left + ToInt(e, 0);
      frame->rect.bottom = frame->rect.top + ToInt(e, 1);
      Resized(*frame);
    }
  } else if (v == "cancelmode") {
    if (Node* n = Find(m_capture))
      if (n->handler) n->handler->OnCancelMode();
  } else if (v == "snapshot") {
    const bool written = frame && m_snapshots && m_snapshots(frame->handle, e.args[0]);
    Log("snapshot " + e.args[0] + (written ? "" : frame && m_snapshots ? " failed" : " not available"));
  } else if (v == "close") {
    Log("close");
    if (frame && frame->handler) frame->handler->OnClose();
  } else {
    // An answer with no dialog or pop-up open to take it.
    std::string what = v;
    for (const auto& a : e.args) what += " " + a;
    Log(what + " answers nothing (line " + std::to_string(e.line) + ")");
  }
}

void HeadlessUi::Mouse(const UiEvent& e) {
  Node* frame = FrontFrame();
  if (!frame) return;
  const PointL origin = ClientOrigin(*frame);
  PointL p{origin.x + ToInt(e, 0), origin.y + ToInt(e, 1)};
  if (m_clipped) {
    p.x = std::clamp(p.x, m_clip.left, std::max(m_clip.left, m_clip.right - 1));
    p.y = std::clamp(p.y, m_clip.top, std::max(m_clip.top, m_clip.bottom - 1));
  }
  m_cursor = p;
  Node* target = Find(m_capture);
  if (target == nullptr || target->destroyed) target = HitTest(*frame, p);
  if (target == nullptr || target->toolbar || !target->handler) return;
  const PointL o = ClientOrigin(*target);
  const int x = p.x - o.x, y = p.y - o.y;
  ui::IWindowHandler& h = *target->handler;
  if (e.verb == "down") {
    h.OnLButtonDown(x, y);
  } else if (e.verb == "move") {
    h.OnMouseMove(x, y);
  } else if (e.verb == "up") {
    h.OnLButtonUp(x, y);
  } else if (e.verb == "rdown") {
    h.OnRButtonDown(x, y);
  } else {
    h.OnRButtonUp(x, y);
  }
}

HeadlessUi::Node* HeadlessUi::HitTest(Node& n, PointL screen) {
  for (auto& [h, child] : m_nodes) {
    if (child->parent != n.handle || child->destroyed || !child->visible) continue;
    const PointL o = WindowOrigin(*child);
    const int w = child->rect.right - child->rect.left, hgt = child->rect.bottom - child->rect.top;
    if (screen.x >= o.x && screen.x < o.x + w && screen.y >= o.y && screen.y < o.y + hgt)
      return HitTest(*child, screen);
  }
  return &n;
}

void HeadlessUi::Button(int id) {
  // The front frame's toolbars first, then any: each frame's buttons are its own.
  const Node* front = FrontFrame();
  auto topOf = [this](const Node* n) {
    while (n != nullptr && n->parent != 0) n = Find(n->parent);
    return n;
  };
  std::vector<Node*> toolbars;
  for (auto& [h, n] : m_nodes)
    if (n->toolbar && !n->destroyed) toolbars.push_back(n.get());
  std::stable_partition(toolbars.begin(), toolbars.end(), [&](const Node* n) { return topOf(n) == front; });
  for (Node* n : toolbars) {
    Node::Button* b = n->FindButton(id);
    if (!b) continue;
    if (!b->enabled) {
      Log("button " + std::to_string(id) + " disabled");
      return;
    }
    if (b->checkBox) b->checked = !b->checked;
    Log("button " + std::to_string(id) + (b->checkBox ? (b->checked ? " checked" : " unchecked") : ""));
    if (n->handler) n->handler->OnCommand(id);
    return;
  }
  Log("button " + std::to_string(id) + " not on a toolbar");
}

std::vector<std::string> HeadlessUi::ToolBarStates() const {
  std::vector<std::string> out;
  for (const auto& [h, n] : m_nodes) {
    if (!n->toolbar || n->destroyed) continue;
    std::string line = "toolbar";
    for (const auto& b : n->buttons) {
      if (b.id == 0) continue;
      line += " " + std::to_string(b.id) + (b.enabled ? "+" : "-") + (b.checked ? "x" : "");
    }
    out.push_back(line);
  }
  return out;
}

std::vector<std::string> HeadlessUi::MenuStates() {
  std::vector<std::string> out;
  Node* frame = FrontFrame();
  if (!frame) return out;
  for (const auto& popup : frame->menu) {
    ui::Menu items = popup.items;
    for (auto& item : items)
      if (!item.separator && frame->handler) item.enabled = frame->handler->IsCommandEnabled(item.id);
    out.push_back("menu " + popup.text + ": " + Describe(items));
  }
  return out;
}

std::vector<HeadlessUi::WindowInfo> HeadlessUi::Windows() const {
  std::vector<WindowInfo> out;
  // Handles grow with creation, and a parent is made before its children.
  for (const auto& [h, n] : m_nodes) {
    if (n->destroyed) continue;
    const PointL o = WindowOrigin(*n);
    const PointL c = ClientOrigin(*n);
    const RectL cr = ClientRectOf(*n);
    out.push_back({h, n->parent, {o.x, o.y, o.x + n->rect.right - n->rect.left, o.y + n->rect.bottom - n->rect.top},
                   n->visible, n->toolbar, {c.x, c.y, c.x + cr.right, c.y + cr.bottom}, n->style, n->exStyle,
                   n->bars[0], n->bars[1]});
  }
  return out;
}

std::vector<HeadlessUi::ButtonState> HeadlessUi::ToolBarButtons(ui::WindowHandle toolbar) const {
  std::vector<ButtonState> out;
  if (const Node* n = Find(toolbar))
    for (const auto& b : n->buttons) out.push_back({b.id, b.enabled, b.checked});
  return out;
}

std::unique_ptr<IDeviceContext> HeadlessUi::Surface(const Node& n) {
  const RectL c = ClientRectOf(n);
  if (m_surfaces)
    if (auto dc = m_surfaces(n.handle, c.right, c.bottom)) return dc;
  return std::make_unique<NullDC>();
}

void HeadlessUi::PaintWindow(ui::WindowHandle window, IDeviceContext& dc) {
  Node* n = Find(window);
  if (n && n->handler && !n->destroyed && !n->toolbar) n->handler->OnPaint(dc);
}

void HeadlessUi::PaintNode(Node& n) {
  if (n.destroyed || !n.visible) return;
  if (n.invalid) {
    n.invalid = false;
    if (n.handler && !n.toolbar) {
      auto dc = Surface(n);
      n.handler->OnPaint(*dc);
    }
  }
  std::vector<Node*> children;
  for (auto& [h, child] : m_nodes)
    if (child->parent == n.handle) children.push_back(child.get());
  for (Node* c : children) PaintNode(*c);
}

void HeadlessUi::PaintInvalid() {
  std::vector<Node*> tops;
  for (auto& [h, n] : m_nodes)
    if (n->parent == 0) tops.push_back(n.get());
  for (Node* n : tops) PaintNode(*n);
}

std::unique_ptr<ui::IPrintJob> HeadlessUi::PrintDialog(ui::WindowHandle, std::uint32_t flags) {
  Log("print dialog flags " + std::to_string(flags));
  const UiEvent* e = Answer("print");
  if (!e) {
    Log("print dialog cancelled");
    return nullptr;
  }
  const std::string arg = e->args.empty() ? std::string() : e->args[0];
  if (arg == "cancel") return nullptr;
  if (m_printers) {
    auto job = m_printers(arg);
    if (!job) Log("printer cannot be opened");
    return job;
  }
  return std::make_unique<LoggingPrintJob>([this](const std::string& s) { Log(s); });
}

void HeadlessUi::AboutBox(ui::WindowHandle, int dialog, const std::string& title, const std::string&) {
  Log("dialog " + std::to_string(dialog) + " \"" + title + "\"");
  Answer("ok");
}

int HeadlessUi::MessageBox(std::uintptr_t, const std::string& text, const std::string& caption, unsigned style) {
  Log("message \"" + caption + "\": " + text);
  Answer("ok");
  return DefaultAnswer(style);
}

std::optional<std::vector<std::string>> HeadlessUi::FileDialog(const FileDialogRequest& request) {
  std::string filters;
  for (const auto& [name, pattern] : request.filters) filters += (filters.empty() ? "" : "|") + name + "|" + pattern;
  Log(std::string(request.open ? "file-open" : "file-save") + " dialog " + filters);
  const UiEvent* e = Answer("file");
  if (!e || e->args.empty() || e->args[0] == "cancel") {
    Log("file dialog cancelled");
    return std::nullopt;
  }
  return std::vector<std::string>{e->args[0]};
}

std::optional<std::string> HeadlessUi::BrowseForFolder(std::uintptr_t, const std::string& title) {
  Log("folder dialog \"" + title + "\"");
  const UiEvent* e = Answer("folder");
  if (!e || e->args.empty() || e->args[0] == "cancel") return std::nullopt;
  return e->args[0];
}

std::optional<ColorRef> HeadlessUi::ChooseColor(std::uintptr_t, ColorRef initial) {
  Log("colour dialog " + std::to_string(initial));
  const UiEvent* e = Answer("color");
  if (!e || e->args[0] == "cancel") {
    Log("colour dialog cancelled");
    return std::nullopt;
  }
  return static_cast<ColorRef>(ToInt(*e, 0)) & 0xFFFFFFu;
}

}  // namespace kit::sim
