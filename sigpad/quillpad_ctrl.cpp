#include "sigpad/quillpad_ctrl.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <new>

#include "ports/codepage.h"
#include "sigpad/bmp_file.h"
#include "sigpad/raised_error.h"
#include "sigpad/save_jpg.h"

namespace kit::sigpad {

using automation::AutomationError;
using automation::DispatchTable;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::Variant;
using automation::VarType;

namespace {

constexpr const char* kSource = "Quillpad";
constexpr int kMaxUndoSteps = 15;
// The longest name the pad joins onto its folder: the JPEG being written
// beside the old one.
constexpr std::size_t kLongestLeaf = sizeof("\\Quillpad.JPG.part") - 1;
constexpr std::size_t kMaxPath = 260;

constexpr ColorRef Rgb(int r, int g, int b) {
  return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}

constexpr ColorRef kColors[6] = {Rgb(0, 0, 0),   Rgb(0, 0, 255),   Rgb(0, 255, 0),
                                 Rgb(0, 255, 255), Rgb(255, 0, 0), Rgb(255, 255, 0)};
constexpr ColorRef kWhite = Rgb(255, 255, 255);

std::uint64_t Fingerprint(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t h = 1469598103934665603ULL;
  for (std::uint8_t b : bytes) {
    h ^= b;
    h *= 1099511628211ULL;
  }
  return h;
}

std::vector<std::uint8_t> ReadAll(IFileSystem& files, const std::string& path) {
  std::unique_ptr<IByteStream> in = files.OpenRead(path);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buf[65536];
  while (std::size_t n = in->Read(buf, sizeof buf)) bytes.insert(bytes.end(), buf, buf + n);
  return bytes;
}

std::int16_t Saturate16(std::int32_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, INT16_MIN, INT16_MAX));
}

std::int32_t SlotOf(std::int32_t position) { return (position - 1) % kSnapshotSlots + 1; }

// Copies the overlap of two pictures, top-left aligned (rows are bottom-up).
void CopyTopLeft(const cDIBSection& from, cDIBSection& to) {
  const std::int32_t w = std::min(from.Width(), to.Width());
  const std::int32_t h = std::min(from.Height(), to.Height());
  if (w <= 0 || h <= 0 || !from.DIBSectionBitsPtr() || !to.DIBSectionBitsPtr()) return;
  for (std::int32_t r = 0; r < h; ++r) {
    const std::uint8_t* src = from.DIBSectionBitsPtr() +
                              static_cast<std::size_t>(from.Height() - 1 - r) * from.BytesPerScanLine();
    std::uint8_t* dst = to.DIBSectionBitsPtr() + static_cast<std::size_t>(to.Height() - 1 - r) * to.BytesPerScanLine();
    std::memcpy(dst, src, static_cast<std::size_t>(w) * 3);
  }
}

void Fill(cDIBSection& dib, ColorRef color) {
  std::uint8_t* bits = dib.DIBSectionBitsPtr();
  if (!bits) return;
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                               static_cast<std::uint8_t>(color)};
  for (std::int32_t r = 0; r < dib.Height(); ++r) {
    std::uint8_t* row = bits + static_cast<std::size_t>(r) * dib.BytesPerScanLine();
    for (std::int32_t x = 0; x < dib.Width(); ++x) std::memcpy(row + 3 * x, bgr, 3);
  }
}

bool IsSep(char c) { return c == '\\' || c == '/'; }

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool IsDeviceName(std::string base) {
  const std::size_t dot = base.find('.');
  if (dot != std::string::npos) base.resize(dot);
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (EqualsNoCase(base, name)) return true;
  }
  if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
    const std::string stem = base.substr(0, 3);
    return EqualsNoCase(stem, "COM") || EqualsNoCase(stem, "LPT");
  }
  return false;
}

[[noreturn]] void RefusePath(const std::string& reason) {
  throw RaisedError(kErrInvalidPropertyValue, kSource,
                    "Invalid property value: SavePath must be a plain absolute local folder path (" + reason + ")");
}

HResult ControlError(int number) { return static_cast<HResult>(0x800A0000u | (static_cast<unsigned>(number) & 0xFFFFu)); }

// Errors of a method reach the page with their number, source and text.
[[noreturn]] void RethrowAsAutomationError() {
  try {
    throw;
  } catch (const RaisedError& e) {
    throw AutomationError(ControlError(e.number()), e.description(), e.source());
  } catch (...) {
    automation::RethrowAsAutomationError(kSource);
  }
}

}  // namespace

std::optional<std::string> SavePathProblem(const std::string& path, const ICodePage* codepage) {
  if (path.empty()) return std::nullopt;  // stands for the default folder
  if (path.size() + kLongestLeaf >= kMaxPath) return "too long";
  if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) return "network and device paths are not local folders";
  const unsigned char drive = static_cast<unsigned char>(path[0]);
  const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
  if (path.size() < 3 || !letter || path[1] != ':' || !IsSep(path[2])) return "not an absolute path with a drive";
  // Walk the code page 936 text: a trail byte may look like '\' or '|'.
  std::vector<std::string> parts(1);
  for (std::size_t i = 3; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c)) {
      if (i + 1 >= path.size()) return "not code page 936 text";
      const unsigned char t = static_cast<unsigned char>(path[i + 1]);
      if (t < 0x40 || t == 0x7F || t == 0xFF) return "not code page 936 text";
      parts.back() += path.substr(i, 2);
      ++i;
      continue;
    }
    if (c >= 0x80) return "not code page 936 text";
    if (c == '*' || c == '?') return "wildcards";
    if (c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == ':') return "characters a file name cannot hold";
    if (IsSep(static_cast<char>(c))) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(c);
    }
  }
  if (parts.back().empty()) parts.pop_back();  // the trailing backslash
  for (const std::string& part : parts) {
    if (part.empty()) return "an empty folder name";
    if (part == "." || part == "..") return "relative folder names";
    if (part.back() == ' ' || part.back() == '.') return "a folder name ending in a space or dot";
    if (IsDeviceName(part)) return "device names";
  }
  if (codepage) {
    const std::string utf8 = codepage->ToUtf8(path);
    if (utf8.find('?') != std::string::npos || codepage->FromUtf8(utf8) != path) return "not code page 936 text";
  }
  return std::nullopt;
}

UCQuillpad::UCQuillpad(QuillpadPorts ports)
    : ports_(std::move(ports)),
      buttons_{{{"笔迹", true},
                {"颜色", true},
                {"撤消", false},
                {"恢复", false},
                {"全清", true},
                {"橡皮擦", true},
                {"画笔", true}}},
      pan_{{"pan1", "细", false},
           {"pan2", "中等", true},
           {"pan3", "粗", false},
           {"PanAdd", "更粗", false},
           {"PanSmall", "更细", false}},
      color_{{"color1", "黑色", true}, {"color2", "蓝色", false}, {"color3", "绿色", false},
             {"color4", "青色", false}, {"color5", "红色", false}, {"color6", "黄色", false}} {
  pic_.AutoRedraw = true;
  ResizeSurface(pic_.width, pic_.height);
  lStrokeCount = 0;
  lSlot = 0;
  lUndoDepth = 0;
  bWrapped = false;
}

const DispatchTable& UCQuillpad::DispatchMap() {
  static const DispatchTable table({
      MemberInfo{DISPID_strSavePath, "strSavePath", MemberKind::Property, {}, VarType::Bstr, ""},
      MemberInfo{DISPID_Height, "Height", MemberKind::Property, {}, VarType::I2, ""},
      MemberInfo{DISPID_Width, "Width", MemberKind::Property, {}, VarType::I2, ""},
      MemberInfo{DISPID_SavePath, "SavePath", MemberKind::Property, {}, VarType::Bstr, ""},
      MemberInfo{DISPID_Save, "Save", MemberKind::Method, {}, VarType::Empty, ""},
      MemberInfo{DISPID_Clear, "Clear", MemberKind::Method, {}, VarType::Empty, ""},
  });
  return table;
}

Variant UCQuillpad::Invoke(automation::DispId id, InvokeKind kind, const std::vector<Variant>& rawArgs) {
  const MemberInfo* m = DispatchMap().Find(id);
  if (m == nullptr) throw AutomationError(hr::MemberNotFound, "Member not found");
  std::vector<Variant> a = automation::CheckArguments(*m, kind, rawArgs);
  const bool put = kind == InvokeKind::PropertyPut;
  try {
    switch (id) {
      case DISPID_strSavePath:
      case DISPID_SavePath:
        if (put) {
          SetStrSavePath(a[0].AsStr());
          return {};
        }
        return Variant::Str(strSavePath);
      case DISPID_Height:
        if (put) {
          SetHeight(static_cast<std::int16_t>(a[0].AsI4()));
          return {};
        }
        return Variant::I2(GetHeight());
      case DISPID_Width:
        if (put) {
          SetWidth(static_cast<std::int16_t>(a[0].AsI4()));
          return {};
        }
        return Variant::I2(GetWidth());
      case DISPID_Save:
        Save();
        return {};
      case DISPID_Clear:
        Clear();
        return {};
      default: break;
    }
  } catch (...) {
    RethrowAsAutomationError();
  }
  throw AutomationError(hr::MemberNotFound, "Member not found");
}

void UCQuillpad::SetStrSavePath(const std::string& value) {
  if (std::optional<std::string> problem = SavePathProblem(value, ports_.codepage)) RefusePath(*problem);
  const std::string before = strSavePath.empty() ? kDefaultSavePath : strSavePath;
  const std::string after = value.empty() ? kDefaultSavePath : value;
  strSavePath = value;
  // Snapshots belong to the folder they were written to.
  if (!EqualsNoCase(before, after)) ResetHistory();
}

std::int16_t UCQuillpad::GetHeight() const {
  const double v = std::nearbyint(scaleHeight_);
  if (v > INT16_MAX || v < INT16_MIN) throw RaisedError(kErrOverflow, kSource, "Overflow");
  return static_cast<std::int16_t>(v);
}

std::int16_t UCQuillpad::GetWidth() const {
  const double v = std::nearbyint(scaleWidth_);
  if (v > INT16_MAX || v < INT16_MIN) throw RaisedError(kErrOverflow, kSource, "Overflow");
  return static_cast<std::int16_t>(v);
}

void UCQuillpad::SetHeight(std::int16_t myHeight) {
  if (myHeight <= 0) throw RaisedError(kErrInvalidPropertyValue, kSource, "Invalid property value");
  scaleHeight_ = myHeight;
}

void UCQuillpad::SetWidth(std::int16_t myWidth) {
  if (myWidth <= 0) throw RaisedError(kErrInvalidPropertyValue, kSource, "Invalid property value");
  scaleWidth_ = myWidth;
}

double UCQuillpad::ScaleX() const { return ctlWidth_ / scaleWidth_; }
double UCQuillpad::ScaleY() const { return ctlHeight_ / scaleHeight_; }
int UCQuillpad::ToPixelX(double x) const { return static_cast<int>(std::lround(x * ScaleX())); }
int UCQuillpad::ToPixelY(double y) const { return static_cast<int>(std::lround(y * ScaleY())); }

void UCQuillpad::UserControl_Resize(int widthPixels, int heightPixels) {
  // A custom scale keeps its unit count; the pixel scale follows the size.
  const bool pixelX = scaleWidth_ == ctlWidth_, pixelY = scaleHeight_ == ctlHeight_;
  if (widthPixels <= 0 || heightPixels <= 0) return;
  ctlWidth_ = widthPixels;
  ctlHeight_ = heightPixels;
  if (pixelX) scaleWidth_ = widthPixels;
  if (pixelY) scaleHeight_ = heightPixels;
  const long w = std::lround(scaleWidth_ * ScaleX());
  const long h = std::lround((scaleHeight_ - kToolbarHeight) * ScaleY());
  if (w <= 0 || h <= 0) return;  // too small for the surface: ignored
  try {
    ResizeSurface(static_cast<int>(w), static_cast<int>(h));
  } catch (...) {
  }
}

void UCQuillpad::ResizeSurface(int width, int height) {
  auto next = std::make_unique<cDIBSection>();
  if (!next->Create(width, height)) return;
  Fill(*next, pic_.BackColor);
  if (image_.DIBSectionBitsPtr()) CopyTopLeft(image_, *next);
  if (!image_.Create(width, height)) return;
  CopyTopLeft(*next, image_);
  pic_.width = width;
  pic_.height = height;
}

void UCQuillpad::Blank() { Fill(image_, pic_.BackColor); }

std::string UCQuillpad::SnapshotName(std::int32_t slot) const {
  return (strSavePath.empty() ? std::string(kDefaultSavePath) : strSavePath) + "\\Quillpad" + std::to_string(slot) +
         ".BMP";
}

std::string UCQuillpad::EnsureSavePath() {
  if (strSavePath.empty()) strSavePath = kDefaultSavePath;
  return strSavePath;
}

std::string UCQuillpad::PrepareFolder() {
  const std::string folder = EnsureSavePath();
  std::string bare = folder;
  while (bare.size() > 3 && IsSep(bare.back())) bare.pop_back();
  if (ports_.lookup && bare.size() > 3) {
    std::optional<FoundFile> found = ports_.lookup->FindFirst(bare);
    if (!found || !found->folder) {
      if (!ports_.lookup->CreateFolder(bare)) throw RaisedError(kErrPathNotFound, kSource, "Path not found");
    }
  }
  return folder;
}

void UCQuillpad::ResetHistory() {
  lStrokeCount = 0;
  lSlot = 0;
  lUndoDepth = 0;
  bWrapped = false;
  slots_ = {};
  buttons_[kBtnUndo - 1].enabled = false;
  buttons_[kBtnRedo - 1].enabled = false;
}

bool UCQuillpad::CanUndo() const {
  if (lUndoDepth >= std::min(lStrokeCount, kMaxUndoSteps)) return false;
  const std::int32_t target = lStrokeCount - lUndoDepth - 1;
  return target == 0 || slots_[SlotOf(target) - 1].position == target;
}

void UCQuillpad::UpdateUndoRedo() {
  buttons_[kBtnUndo - 1].enabled = CanUndo();
  buttons_[kBtnRedo - 1].enabled = lUndoDepth > 0;
}

bool UCQuillpad::ShowPosition(std::int32_t p) {
  if (p == 0) {
    Blank();
    return true;
  }
  const std::int32_t slot = SlotOf(p);
  const SlotRecord& rec = slots_[slot - 1];
  if (rec.position != p || !ports_.files) return false;
  try {
    std::vector<std::uint8_t> bytes = ReadAll(*ports_.files, SnapshotName(slot));
    if (bytes.size() != rec.size || Fingerprint(bytes) != rec.fingerprint) return false;
    cDIBSection loaded;
    if (!ReadBmp(bytes.data(), bytes.size(), loaded)) return false;
    Blank();
    CopyTopLeft(loaded, image_);
    return true;
  } catch (const FileError&) {
    return false;
  } catch (const RaisedError&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void UCQuillpad::Undo() {
  if (lStrokeCount == 0 || !CanUndo()) return;
  EnsureSavePath();
  if (ShowPosition(lStrokeCount - lUndoDepth - 1)) {
    ++lUndoDepth;
    UpdateUndoRedo();
  }
}

void UCQuillpad::Redo() {
  if (lUndoDepth == 0) return;
  EnsureSavePath();
  if (ShowPosition(lStrokeCount - lUndoDepth + 1)) {
    --lUndoDepth;
    UpdateUndoRedo();
  }
}

void UCQuillpad::EndStroke() {
  bDrawing = false;
  bErasing = false;
  const std::int32_t oldCount = lStrokeCount, oldSlot = lSlot, oldDepth = lUndoDepth;
  const std::int16_t oldSkip = iSkipSlots;
  const bool oldWrapped = bWrapped;
  const auto oldSlots = slots_;
  const auto oldButtons = buttons_;

  iSkipSlots = Saturate16(std::max<std::int32_t>(iSkipSlots - 1, 0) + lUndoDepth);
  lStrokeCount -= lUndoDepth;
  lUndoDepth = 0;
  for (SlotRecord& rec : slots_) {
    if (rec.position > lStrokeCount) rec = SlotRecord{};  // undone steps are given up
  }
  buttons_[kBtnRedo - 1].enabled = false;
  buttons_[kBtnUndo - 1].enabled = true;
  ++lStrokeCount;
  lSlot = SlotOf(lStrokeCount);
  if (lSlot == 1 && lStrokeCount > 1) bWrapped = true;
  try {
    const std::string folder = PrepareFolder();
    std::vector<std::uint8_t> bytes = BmpBytes(image_);
    if (!ports_.files) throw FileError(FileError::Cause::Generic, folder, "no file system");
    ports_.files->CreateWrite(SnapshotName(lSlot))->Write(bytes.data(), bytes.size());
    slots_[lSlot - 1] = SlotRecord{lStrokeCount, Fingerprint(bytes), bytes.size()};
    UpdateUndoRedo();
  } catch (...) {
    // Without its snapshot the stroke cannot be a step: withdraw it.
    lStrokeCount = oldCount;
    lSlot = oldSlot;
    lUndoDepth = oldDepth;
    iSkipSlots = oldSkip;
    bWrapped = oldWrapped;
    slots_ = oldSlots;
    buttons_ = oldButtons;
    if (beforeStroke_) CopyTopLeft(*beforeStroke_, image_);
  }
  beforeStroke_.reset();
}

void UCQuillpad::Clear() {
  Blank();
  lStrokeCount = 0;
  lSlot = 0;
  lUndoDepth = 0;
  buttons_[kBtnUndo - 1].enabled = false;
  buttons_[kBtnRedo - 1].enabled = false;
  bWrapped = false;
  slots_ = {};
}

void UCQuillpad::Save() {
  // One folder name for every step of the save.
  const std::string folder = PrepareFolder();
  if (!ports_.files) throw FileError(FileError::Cause::Generic, folder, "no file system");
  const std::string bmp = folder + "\\Quillpad.BMP";
  WriteBmpFile(image_, *ports_.files, bmp);
  cDIBSection dib;
  if (!ReadBmpFile(*ports_.files, bmp, dib)) throw RaisedError(481, kSource, "Invalid picture");
  if (!ports_.jpeg) throw RaisedError(kErrJpegLibrary, ports_.exe_name + ".mIntelJPEGLibrary", "No JPEG encoder");
  JpegSaver saver{*ports_.files, *ports_.jpeg, ports_.exe_name, ports_.stamps};
  SaveJPG(saver, dib, folder + "\\Quillpad.JPG", 90);
}

void UCQuillpad::ToolbarMain_ButtonClick(int index) {
  if (index < 1 || index > 7 || !buttons_[index - 1].enabled) return;
  switch (index) {
    case kBtnPen:
    case kBtnColor:
      if (ports_.popup) {
        if (std::optional<std::string> item = ports_.popup(index == kBtnPen ? pan_ : color_)) MenuClick(*item);
      }
      break;
    case kBtnUndo: Undo(); break;
    case kBtnRedo: Redo(); break;
    case kBtnClearAll: Clear(); break;
    case kBtnEraser: bEraserMode = true; break;
    case kBtnBrush: bEraserMode = false; break;
    default: break;
  }
}

void UCQuillpad::CheckPan(int which) {
  for (int i = 0; i < 3; ++i) pan_[i].checked = i + 1 == which;
}

void UCQuillpad::SetPenWidth(int width) {
  pic_.DrawWidth = static_cast<std::int16_t>(width);
  if (width >= 1 && width <= 3) CheckPan(width);
}

void UCQuillpad::MenuClick(const std::string& item) {
  for (int i = 1; i <= 3; ++i) {
    if (item == pan_[i - 1].name) {
      CheckPan(i);
      pic_.DrawWidth = static_cast<std::int16_t>(i);
      return;
    }
  }
  if (item == "PanAdd") {
    if (pic_.DrawWidth < kMaxPenWidth) SetPenWidth(pic_.DrawWidth + 1);
    if (pic_.DrawWidth > 3) CheckPan(0);
    return;
  }
  if (item == "PanSmall") {
    if (pic_.DrawWidth <= 1) {
      if (ports_.dialogs) ports_.dialogs->MessageBox(0, "已经最细了，无法变细了！", "保存提示", mb::kOk | mb::kIconInfo);
      return;
    }
    SetPenWidth(pic_.DrawWidth - 1);
    return;
  }
  for (std::size_t i = 0; i < color_.size(); ++i) {
    if (item == color_[i].name) {
      for (MenuItem& c : color_) c.checked = false;
      color_[i].checked = true;
      pic_.ForeColor = kColors[i];
      return;
    }
  }
}

void UCQuillpad::DrawLine(int x1, int y1, int x2, int y2) {
  if (!ports_.canvas || !image_.DIBSectionBitsPtr()) return;
  DibPixels px{image_.DIBSectionBitsPtr(), image_.Width(), image_.Height(), image_.BytesPerScanLine(), image_.hdc()};
  std::unique_ptr<IDeviceContext> dc = ports_.canvas->Open(px);
  if (!dc) return;
  ICanvas::PenHandle pen = dc->CreatePen(kPsSolid, pic_.DrawWidth, pic_.ForeColor);
  ICanvas::PenHandle old = dc->SelectPen(pen);
  dc->MoveTo(x1, y1);
  dc->LineTo(x2, y2);
  dc->SelectPen(old);
  dc->DeletePen(pen);
}

void UCQuillpad::DrawBox(int x1, int y1, int x2, int y2) {
  if (!ports_.canvas || !image_.DIBSectionBitsPtr()) return;
  DibPixels px{image_.DIBSectionBitsPtr(), image_.Width(), image_.Height(), image_.BytesPerScanLine(), image_.hdc()};
  std::unique_ptr<IDeviceContext> dc = ports_.canvas->Open(px);
  if (!dc) return;
  ICanvas::PenHandle pen = dc->CreatePen(kPsSolid, pic_.DrawWidth, kWhite);
  IDeviceContext::BrushHandle brush = dc->CreateSolidBrush(kWhite);
  ICanvas::PenHandle oldPen = dc->SelectPen(pen);
  IDeviceContext::BrushHandle oldBrush = dc->SelectBrush(brush);
  // The box includes its far corner.
  dc->Rectangle(x1, y1, x2 + 1, y2 + 1);
  dc->SelectBrush(oldBrush);
  dc->SelectPen(oldPen);
  dc->DeleteBrush(brush);
  dc->DeletePen(pen);
}

void UCQuillpad::picMain_MouseDown(int, int, double X, double Y) {
  try {
    beforeStroke_ = std::make_unique<cDIBSection>();
    if (beforeStroke_->Create(image_.Width(), image_.Height())) {
      CopyTopLeft(image_, *beforeStroke_);
    } else {
      beforeStroke_.reset();
    }
  } catch (...) {
    beforeStroke_.reset();
  }
  if (!bEraserMode) {
    bDrawing = true;
    sngLastX = X;
    sngLastY = Y;
  } else {
    bErasing = true;
  }
}

void UCQuillpad::picMain_MouseMove(int, int, double X, double Y) {
  try {
    if (bDrawing) DrawLine(ToPixelX(sngLastX), ToPixelY(sngLastY), ToPixelX(X), ToPixelY(Y));
    sngLastX = X;
    sngLastY = Y;
    if (bErasing) DrawBox(ToPixelX(X - 2), ToPixelY(Y - 2), ToPixelX(X + 2), ToPixelY(Y + 2));
  } catch (...) {
    // A drawing failure loses that segment, nothing more.
    sngLastX = X;
    sngLastY = Y;
  }
}

void UCQuillpad::picMain_MouseUp(int, int, double, double) {
  try {
    EndStroke();
  } catch (...) {
    bDrawing = false;
    bErasing = false;
  }
}

void RegisterQuillpadControl(ClassRegistry& registry, std::function<QuillpadPorts()> ports,
                             std::function<void(UCQuillpad&)> shown) {
  registry.Register(kQuillpadProgId, [ports = std::move(ports), shown = std::move(shown)] {
    auto pad = std::make_shared<UCQuillpad>(ports());
    if (shown) shown(*pad);
    return pad;
  });
}

}  // namespace kit::sigpad
