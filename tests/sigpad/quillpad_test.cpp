#include "sigpad/quillpad_ctrl.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "libjpeg_writer.h"
#include "sigpad/bmp_file.h"
#include "sigpad/raised_error.h"
#include "tests/platform/sigpad/jpeg_check.h"
#include "tests/sigpad/mem_files.h"

namespace kit::sigpad {
namespace {

using automation::AutomationError;
using automation::InvokeByName;
using automation::InvokeKind;
using automation::Variant;
using testing::MemFiles;

// Paints the bounding box of each line, widened by the pen, and rectangles
// filled with the brush: enough to tell pictures and colours apart.
class StampDC : public IDeviceContext {
 public:
  explicit StampDC(const DibPixels& px) : px_(px) {}
  PenHandle CreatePen(int, int width, ColorRef color) override {
    pens_[++next_] = {width, color};
    return next_;
  }
  PenHandle SelectPen(PenHandle pen) override { return std::exchange(pen_, pen); }
  void DeletePen(PenHandle) override {}
  void MoveTo(int x, int y) override { at_ = {x, y}; }
  void LineTo(int x, int y) override {
    const int w = pens_[pen_].first / 2;
    Paint(std::min(at_.x, x) - w, std::min(at_.y, y) - w, std::max(at_.x, x) + w, std::max(at_.y, y) + w,
          pens_[pen_].second);
    at_ = {x, y};
  }
  void PlayMetafile(const IEnhMetaFile&, const RectL&) override {}
  int SetMapMode(int) override { return kMmText; }
  void SetWindowOrg(int, int) override {}
  void SetWindowExt(int, int) override {}
  void SetViewportOrg(int, int) override {}
  void SetViewportExt(int, int) override {}
  DcMapping Mapping() const override { return {}; }
  BrushHandle CreateSolidBrush(ColorRef color) override {
    brushes_[++next_] = color;
    return next_;
  }
  BrushHandle StockBrush(int) override { return 0; }
  BrushHandle SelectBrush(BrushHandle b) override { return std::exchange(brush_, b); }
  void DeleteBrush(BrushHandle) override {}
  void PatBlt(int, int, int, int, std::uint32_t) override {}
  void Rectangle(int l, int t, int r, int b) override { Paint(l, t, r - 1, b - 1, brushes_[brush_]); }

 private:
  void Paint(int x1, int y1, int x2, int y2, ColorRef c) {
    for (int y = std::max(y1, 0); y <= std::min(y2, px_.height - 1); ++y) {
      std::uint8_t* row = px_.bits + static_cast<std::size_t>(px_.height - 1 - y) * px_.stride;
      for (int x = std::max(x1, 0); x <= std::min(x2, px_.width - 1); ++x) {
        row[3 * x] = static_cast<std::uint8_t>(c >> 16);
        row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(c);
      }
    }
  }
  DibPixels px_;
  std::map<std::uintptr_t, std::pair<int, ColorRef>> pens_;
  std::map<std::uintptr_t, ColorRef> brushes_;
  std::uintptr_t next_ = 0, pen_ = 0, brush_ = 0;
  PointL at_{0, 0};
};

struct StampCanvas : IDibCanvasFactory {
  std::unique_ptr<IDeviceContext> Open(const DibPixels& px) override { return std::make_unique<StampDC>(px); }
};

struct FakeLookup : IFileLookup {
  std::set<std::string> folders{"C:\\Temp\\qzdesk", "D:\\x"};
  std::set<std::string> refuse;
  std::optional<FoundFile> FindFirst(const std::string& p) override {
    if (!folders.count(p)) return std::nullopt;
    FoundFile f;
    f.folder = true;
    return f;
  }
  bool OpenSharedRead(const std::string&) override { return false; }
  bool CreateFolder(const std::string& p) override {
    if (refuse.count(p)) return false;
    folders.insert(p);
    return true;
  }
};

struct FakeDialogs : IDialogs {
  std::vector<std::string> shown;
  int MessageBox(std::uintptr_t, const std::string& text, const std::string& caption, unsigned style) override {
    shown.push_back(text + "|" + caption + "|" + std::to_string(style));
    return id::kOk;
  }
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }
};

class QuillpadTest : public ::testing::Test {
 protected:
  MemFiles files;
  FakeLookup lookup;
  FakeDialogs dialogs;
  StampCanvas canvas;
  LibjpegWriter jpeg;
  std::unique_ptr<UCQuillpad> pad = Make();
  int strokes = 0;

  std::unique_ptr<UCQuillpad> Make() {
    QuillpadPorts ports;
    ports.files = &files;
    ports.lookup = &lookup;
    ports.dialogs = &dialogs;
    ports.canvas = &canvas;
    ports.jpeg = &jpeg;
    return std::make_unique<UCQuillpad>(ports);
  }
  // Each stroke marks a place of its own, so every picture differs.
  static void Stroke(UCQuillpad& p, int n) {
    const double x = 2 + (n % 24) * 4, y = 2 + ((n / 24) % 8) * 4;
    p.picMain_MouseDown(1, 0, x, y);
    p.picMain_MouseMove(1, 0, x, y);
    p.picMain_MouseUp(1, 0, x, y);
  }
  void Run(const std::string& ops) {
    for (char op : ops) {
      switch (op) {
        case 'S': Stroke(*pad, strokes++); break;
        case 'U': pad->ToolbarMain_ButtonClick(kBtnUndo); break;
        case 'R': pad->ToolbarMain_ButtonClick(kBtnRedo); break;
        case 'C': pad->Clear(); break;
        default: break;
      }
    }
  }
  std::vector<std::uint8_t> Shown() const { return BmpBytes(pad->Image()); }
  std::vector<std::uint8_t> SlotFile(int slot) { return files.files.at(pad->SnapshotName(slot)); }
  bool Blank() const {
    const cDIBSection& d = pad->Image();
    for (int r = 0; r < d.Height(); ++r)
      for (int c = 0; c < d.Width() * 3; ++c)
        if (d.ByteAt(r, c) != 255) return false;
    return true;
  }
  // Pixel (x, y) from the top left as 0xRRGGBB.
  std::uint32_t Pixel(int x, int y) const {
    const cDIBSection& d = pad->Image();
    const int row = d.Height() - 1 - y;
    return (d.ByteAt(row, 3 * x + 2) << 16) | (d.ByteAt(row, 3 * x + 1) << 8) | d.ByteAt(row, 3 * x);
  }
};

TEST_F(QuillpadTest, StartsWithTheDesignedFace) {
  const char* labels[] = {"笔迹", "颜色", "撤消", "恢复", "全清", "橡皮擦", "画笔"};
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(pad->Buttons()[i].label, labels[i]);
  EXPECT_EQ(pad->picMain().Left, 0);
  EXPECT_EQ(pad->picMain().Top, 24);
  EXPECT_EQ(pad->Image().Width(), 353);
  EXPECT_EQ(pad->Image().Height(), 201);
  EXPECT_TRUE(pad->picMain().AutoRedraw);
  EXPECT_EQ(pad->picMain().DrawWidth, 2);
  EXPECT_TRUE(Blank());
  EXPECT_EQ(UCQuillpad::DispatchMap().members().size(), 6u);
  EXPECT_EQ(UCQuillpad::DispatchMap().members()[0].name, "strSavePath");
}

// The history as its rules state it, slot names included.
struct SlotCase {
  const char* ops;
  int count, slot, depth, skip;
  bool wrapped, undo, redo;
  int shownSlot;  // 0: blank
  const char* lastWritten;
};

TEST_F(QuillpadTest, SlotArithmetic) {
  const SlotCase cases[] = {
      {"SU", 1, 1, 1, 0, false, false, true, 0, "C:\\Temp\\qzdesk\\\\Quillpad1.BMP"},
      {"SUR", 1, 1, 0, 0, false, true, false, 1, nullptr},
      {"SSSUU", 3, 3, 2, 0, false, true, true, 1, nullptr},
      {"SSSUUS", 2, 2, 0, 2, false, true, false, 2, "C:\\Temp\\qzdesk\\\\Quillpad2.BMP"},
      {"SSSSSSSSSSSSSSSSS", 17, 1, 0, 0, true, true, false, 1, "C:\\Temp\\qzdesk\\\\Quillpad1.BMP"},
      {"SSSSSSSSSSSSSSSSSUUUUUUUUUUUUUU", 17, 1, 14, 0, true, true, true, 3, nullptr},
      {"SSSSSSSSSSSSSSSSSUUUUUUUUUUUUUUU", 17, 1, 15, 0, true, false, true, 2, nullptr},
      {"SSSSSSSSSSSSSSSSSUUUUUUUUUUUUUUUU", 17, 1, 15, 0, true, false, true, 2, nullptr},
      // Across the wrap an undo and a stroke keep slot and picture in step.
      {"SSSSSSSSSSSSSSSSSUSU", 17, 1, 1, 1, true, true, true, 16, nullptr},
      {"SSSSSSSSSSSSSSSSSUSUR", 17, 1, 0, 1, true, true, false, 1, nullptr},
      {"SSSSSSSSSSSSSSSSSUUS", 16, 16, 0, 2, true, true, false, 16, "C:\\Temp\\qzdesk\\\\Quillpad16.BMP"},
      {"SSSUUSC", 0, 0, 0, 2, false, false, false, 0, nullptr},
  };
  for (const SlotCase& c : cases) {
    SCOPED_TRACE(c.ops);
    files.files.clear();
    pad = Make();
    Run(c.ops);
    EXPECT_EQ(pad->StrokeCount(), c.count);
    EXPECT_EQ(pad->Slot(), c.slot);
    EXPECT_EQ(pad->UndoDepth(), c.depth);
    EXPECT_EQ(pad->SkipSlots(), c.skip);
    EXPECT_EQ(pad->Wrapped(), c.wrapped);
    EXPECT_EQ(pad->Buttons()[kBtnUndo - 1].enabled, c.undo);
    EXPECT_EQ(pad->Buttons()[kBtnRedo - 1].enabled, c.redo);
    if (c.shownSlot == 0) {
      EXPECT_TRUE(Blank());
    } else {
      EXPECT_EQ(Shown(), SlotFile(c.shownSlot));
    }
    if (c.lastWritten) {
      EXPECT_TRUE(files.files.count(c.lastWritten));
    }
    EXPECT_FALSE(files.files.count("C:\\Temp\\qzdesk\\\\Quillpad0.BMP"));
  }
}

TEST_F(QuillpadTest, ClearKeepsFilesAndSkipCount) {
  Run("SSSUUS");
  const std::size_t before = files.files.size();
  Run("C");
  EXPECT_EQ(files.files.size(), before);
  EXPECT_EQ(pad->SkipSlots(), 2);
  EXPECT_TRUE(Blank());
  Run("UR");  // nothing to undo or redo
  EXPECT_TRUE(Blank());
  EXPECT_EQ(pad->StrokeCount(), 0);
}

// An ideal history: every picture kept, and a position restorable while the
// ring still holds its own picture. The pad must agree after every step.
TEST_F(QuillpadTest, AgreesWithAnIdealHistory) {
  std::mt19937 rng(20261207);
  for (int run = 0; run < 300; ++run) {
    pad = Make();
    pad->UserControl_Resize(100, 60);  // small pictures keep this quick
    files.files.clear();
    std::vector<std::vector<std::uint8_t>> history{Shown()};
    std::size_t ptr = 0;
    std::map<int, std::vector<std::uint8_t>> ring;
    auto slotOf = [](std::size_t p) { return static_cast<int>((p - 1) % 16 + 1); };
    auto restorable = [&](std::size_t p) { return p == 0 || ring[slotOf(p)] == history[p]; };
    auto canUndo = [&] { return ptr > 0 && history.size() - 1 - ptr < 15 && restorable(ptr - 1); };
    std::string trail;
    // Runs of one kind of step reach deep undos and the wrap of the ring.
    int roll = 0, left = 0;
    for (int step = 0; step < 120; ++step) {
      if (left-- <= 0) {
        roll = static_cast<int>(rng() % 100);
        left = static_cast<int>(rng() % 20);
      }
      if (roll < 50) {
        trail += 'S';
        Stroke(*pad, step + 100 * run);
        history.resize(ptr + 1);
        history.push_back(Shown());
        ++ptr;
        ring[slotOf(ptr)] = history[ptr];
      } else if (roll < 80) {
        trail += 'U';
        const bool could = canUndo();
        pad->ToolbarMain_ButtonClick(kBtnUndo);
        if (could) --ptr;
      } else if (roll < 96) {
        trail += 'R';
        pad->ToolbarMain_ButtonClick(kBtnRedo);
        if (ptr + 1 < history.size()) ++ptr;
      } else {
        trail += 'C';
        pad->Clear();
        history.assign(1, Shown());
        ptr = 0;
      }
      ASSERT_EQ(Shown(), history[ptr]) << trail;
      ASSERT_EQ(pad->StrokeCount(), static_cast<std::int32_t>(history.size() - 1)) << trail;
      ASSERT_EQ(pad->UndoDepth(), static_cast<std::int32_t>(history.size() - 1 - ptr)) << trail;
      ASSERT_EQ(pad->Buttons()[kBtnUndo - 1].enabled, canUndo()) << trail;
      ASSERT_EQ(pad->Buttons()[kBtnRedo - 1].enabled, ptr + 1 < history.size()) << trail;
    }
  }
}

TEST_F(QuillpadTest, SnapshotFailuresLeaveTheHistoryConsistent) {
  Run("SS");
  const auto two = Shown();
  // A stroke whose snapshot cannot be written is withdrawn.
  files.unwritable.insert(pad->SnapshotName(3));
  EXPECT_NO_THROW(Run("S"));
  EXPECT_EQ(Shown(), two);
  EXPECT_EQ(pad->StrokeCount(), 2);
  EXPECT_FALSE(pad->Buttons()[kBtnRedo - 1].enabled);
  // A missing snapshot leaves undo where it was.
  files.files.erase(pad->SnapshotName(1));
  Run("U");
  EXPECT_EQ(pad->UndoDepth(), 0);
  EXPECT_EQ(Shown(), two);
  // A folder that cannot be made withdraws the stroke too.
  pad->SetSavePath("D:\\new");
  lookup.refuse.insert("D:\\new");
  EXPECT_NO_THROW(Run("S"));
  EXPECT_EQ(pad->StrokeCount(), 0);
  EXPECT_EQ(Shown(), two);
}

TEST_F(QuillpadTest, PadsSharingAFolderKeepTheirOwnPictures) {
  auto other = Make();
  Run("SS");
  Stroke(*other, 500);
  Stroke(*other, 501);  // overwrites slots 1 and 2 with its own pictures
  const auto mine = Shown();
  Run("U");
  EXPECT_EQ(Shown(), mine);
  EXPECT_EQ(pad->UndoDepth(), 0);
}

TEST_F(QuillpadTest, NewSavePathStartsANewHistory) {
  Run("SS");
  pad->SetSavePath("C:\\Temp\\qzdesk\\");  // the same folder: history kept
  EXPECT_EQ(pad->StrokeCount(), 2);
  pad->SetSavePath("D:\\x");
  EXPECT_EQ(pad->StrokeCount(), 0);
  EXPECT_FALSE(pad->Buttons()[kBtnUndo - 1].enabled);
  Run("S");
  EXPECT_TRUE(files.files.count("D:\\x\\Quillpad1.BMP"));
}

struct PenCase {
  std::vector<const char*> clicks;
  int width;
  const char* checked;  // marks of pan1..pan3
  std::size_t messages;
};

TEST_F(QuillpadTest, PenWidthMenu) {
  const PenCase cases[] = {
      {{}, 2, "010", 0},
      {{"PanSmall"}, 1, "100", 0},
      {{"PanSmall", "PanSmall"}, 1, "100", 1},
      {{"pan3"}, 3, "001", 0},
      {{"pan3", "PanAdd"}, 4, "000", 0},
      {{"pan3", "PanAdd", "PanSmall"}, 3, "001", 0},
      {{"pan1", "PanAdd"}, 2, "010", 0},
  };
  for (const PenCase& c : cases) {
    pad = Make();
    dialogs.shown.clear();
    for (const char* click : c.clicks) pad->MenuClick(click);
    std::string marks;
    for (int i = 0; i < 3; ++i) marks += pad->PanMenu()[i].checked ? '1' : '0';
    EXPECT_EQ(pad->picMain().DrawWidth, c.width);
    EXPECT_EQ(marks, c.checked);
    ASSERT_EQ(dialogs.shown.size(), c.messages);
    if (c.messages) {
      EXPECT_EQ(dialogs.shown[0], "已经最细了，无法变细了！|保存提示|64");
    }
  }
}

TEST_F(QuillpadTest, PenWidthStopsAtItsFieldLimit) {
  pad->MenuClick("pan3");
  for (int i = 0; i < 40000; ++i) pad->MenuClick("PanAdd");
  EXPECT_EQ(pad->picMain().DrawWidth, kMaxPenWidth);
}

TEST_F(QuillpadTest, ColourMenuColoursLaterLines) {
  const std::pair<const char*, std::uint32_t> items[] = {{"color1", 0x000000}, {"color2", 0x0000FF},
                                                          {"color3", 0x00FF00}, {"color4", 0x00FFFF},
                                                          {"color5", 0xFF0000}, {"color6", 0xFFFF00}};
  const char* captions[] = {"黑色", "蓝色", "绿色", "青色", "红色", "黄色"};
  for (int i = 0; i < 6; ++i) {
    pad->MenuClick(items[i].first);
    const double x = 10 + 20 * i;
    pad->picMain_MouseDown(1, 0, x, 50);
    pad->picMain_MouseMove(1, 0, x + 5, 50);
    pad->picMain_MouseUp(1, 0, x + 5, 50);
    for (int j = 0; j < 6; ++j) EXPECT_EQ(pad->ColorMenu()[j].checked, i == j);
    EXPECT_STREQ(pad->ColorMenu()[i].caption, captions[i]);
  }
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Pixel(12 + 20 * i, 50), items[i].second) << items[i].first;
}

TEST_F(QuillpadTest, EraserPaintsWhileHeldAndCountsAsAStep) {
  pad->MenuClick("color5");
  pad->picMain_MouseDown(1, 0, 10, 10);
  pad->picMain_MouseMove(1, 0, 60, 10);
  pad->picMain_MouseUp(1, 0, 60, 10);
  pad->ToolbarMain_ButtonClick(kBtnEraser);
  pad->picMain_MouseMove(1, 0, 30, 10);  // not held: nothing
  EXPECT_EQ(Pixel(30, 10), 0xFF0000u);
  pad->picMain_MouseDown(1, 0, 30, 10);
  pad->picMain_MouseMove(1, 0, 30, 10);
  pad->picMain_MouseUp(1, 0, 30, 10);
  EXPECT_EQ(Pixel(30, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(50, 10), 0xFF0000u);
  EXPECT_EQ(pad->StrokeCount(), 2);
  pad->ToolbarMain_ButtonClick(kBtnUndo);
  EXPECT_EQ(Pixel(30, 10), 0xFF0000u);
}

TEST_F(QuillpadTest, SaveWritesBitmapAndJpegIntoTheFolder) {
  struct Case {
    const char* path;
    const char* bmp;
    const char* jpg;
    const char* after;
  } cases[] = {
      {"", "C:\\Temp\\qzdesk\\\\Quillpad.BMP", "C:\\Temp\\qzdesk\\\\Quillpad.JPG", "C:\\Temp\\qzdesk\\"},
      {"D:\\x", "D:\\x\\Quillpad.BMP", "D:\\x\\Quillpad.JPG", "D:\\x"},
      {"D:\\made\\", "D:\\made\\\\Quillpad.BMP", "D:\\made\\\\Quillpad.JPG", "D:\\made\\"},
  };
  for (const Case& c : cases) {
    pad = Make();
    files.files.clear();
    InvokeByName(*pad, "SavePath", InvokeKind::PropertyPut, {Variant::Str(c.path)});
    Run("S");
    InvokeByName(*pad, "Save", InvokeKind::Method);
    ASSERT_TRUE(files.files.count(c.bmp)) << c.path;
    EXPECT_TRUE(files.files.count(c.jpg)) << c.path;
    EXPECT_EQ(files.files[c.bmp], Shown());
    EXPECT_EQ(InvokeByName(*pad, "SavePath", InvokeKind::PropertyGet), Variant::Str(c.after));
  }
  EXPECT_TRUE(lookup.folders.count("D:\\made"));
}

TEST_F(QuillpadTest, SaveErrorsReachTheCaller) {
  lookup.refuse.insert("D:\\gone");
  files.unwritable.insert("D:\\x\\Quillpad.JPG.part");
  files.unwritable.insert("D:\\w\\Quillpad.BMP");
  const struct {
    const char* path;
    std::uint32_t code;
    const char* source;
  } cases[] = {{"D:\\gone", 0x800A004Cu, "Quillpad"},
               {"D:\\x", 0x800A6591u /* 26001 */, "Quillpad.mIntelJPEGLibrary"},
               {"D:\\w", 0x800A004Bu /* a file error: path/file access */, "Quillpad"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    pad->SetSavePath(c.path);
    try {
      InvokeByName(*pad, "Save", InvokeKind::Method);
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), static_cast<HResult>(c.code));
      EXPECT_EQ(e.source(), c.source);
    }
  }
}

TEST_F(QuillpadTest, SavePathRefusals) {
  const std::pair<const char*, bool> cases[] = {
      {"C:\\Temp\\qzdesk\\", true},
      {"D:\\x", true},
      {"e:/sig/pad/", true},
      {"D:\\\xD6\xD0\xCE\xC4", true},  // 中文 in code page 936
      {"D:\\\x95\x5C", true},          // a trail byte that looks like a backslash
      {"D:\\*", false},
      {"D:\\a?b", false},
      {"\\\\server\\share", false},
      {"//server/share", false},
      {"\\\\?\\C:\\x", false},
      {"x\\y", false},
      {"C:x", false},
      {"C:\\a\\..\\b", false},
      {"C:\\CON", false},
      {"C:\\x\\lpt1.txt", false},
      {"C:\\x\\nul ", false},
      {"C:\\a|b", false},
      {"C:\\a:b", false},
      {"C:\\\x81", false},  // a lead byte without its trail
      {"C:\\\xFF", false},
  };
  for (const auto& [path, ok] : cases) {
    pad = Make();
    bool refused = false;
    try {
      InvokeByName(*pad, "strSavePath", InvokeKind::PropertyPut, {Variant::Str(path)});
    } catch (const AutomationError& e) {
      refused = true;
      EXPECT_EQ(e.code(), static_cast<HResult>(0x800A017Cu)) << path;
      EXPECT_NE(std::string(e.what()).find("SavePath"), std::string::npos);
    }
    EXPECT_EQ(!refused, ok) << path;
    EXPECT_EQ(pad->GetSavePath(), ok ? path : "") << path;
  }
  std::string longPath = "C:\\" + std::string(239, 'a');
  EXPECT_THROW(pad->SetSavePath(longPath), RaisedError);
  EXPECT_NO_THROW(pad->SetSavePath("C:\\" + std::string(238, 'a')));
}

TEST_F(QuillpadTest, HeightAndWidthRescaleWithoutResizing) {
  EXPECT_EQ(InvokeByName(*pad, "Height", InvokeKind::PropertyGet), Variant::I2(235));
  EXPECT_EQ(InvokeByName(*pad, "Width", InvokeKind::PropertyGet), Variant::I2(396));
  InvokeByName(*pad, "Height", InvokeKind::PropertyPut, {Variant::I2(100)});
  InvokeByName(*pad, "Width", InvokeKind::PropertyPut, {Variant::I2(198)});
  EXPECT_EQ(pad->GetHeight(), 100);
  EXPECT_EQ(pad->Image().Height(), 201);
  // Drawing now counts in the new units: x 10 is pixel 20.
  pad->MenuClick("color5");
  pad->picMain_MouseDown(1, 0, 10, 10);
  pad->picMain_MouseMove(1, 0, 20, 10);
  pad->picMain_MouseUp(1, 0, 20, 10);
  EXPECT_EQ(Pixel(30, 24), 0xFF0000u);
  EXPECT_EQ(Pixel(10, 24), 0xFFFFFFu);
  // The resize rule works in those units too: 100 - 24 units high.
  pad->UserControl_Resize(396, 470);
  EXPECT_EQ(pad->Image().Height(), 357);
  EXPECT_EQ(pad->Image().Width(), 396);
  EXPECT_THROW(InvokeByName(*pad, "Height", InvokeKind::PropertyPut, {Variant::I2(0)}), AutomationError);
}

TEST_F(QuillpadTest, JpegDecodesUprightWithoutColourSwap) {
  pad->MenuClick("pan3");
  for (int i = 0; i < 6; ++i) pad->MenuClick("PanAdd");
  pad->MenuClick("color5");  // a red bar along the top left
  pad->picMain_MouseDown(1, 0, 10, 10);
  for (int x = 10; x <= 150; x += 10) pad->picMain_MouseMove(1, 0, x, 10);
  pad->picMain_MouseUp(1, 0, 150, 10);
  pad->MenuClick("color2");  // a blue post at the bottom right
  pad->picMain_MouseDown(1, 0, 330, 100);
  pad->picMain_MouseMove(1, 0, 330, 190);
  pad->picMain_MouseUp(1, 0, 330, 190);
  pad->Save();
  const auto& bytes = files.files.at("C:\\Temp\\qzdesk\\\\Quillpad.JPG");
  Decoded img;
  ASSERT_TRUE(Decode(std::string(bytes.begin(), bytes.end()), img));
  ASSERT_EQ(img.width, 353);
  ASSERT_EQ(img.height, 201);
  ExpectNear(img.At(80, 10), 255, 0, 0, "red bar at the top left");
  ExpectNear(img.At(330, 150), 0, 0, 255, "blue post at the bottom right");
  ExpectNear(img.At(80, 190), 255, 255, 255, "white bottom left");
  ExpectNear(img.At(330, 20), 255, 255, 255, "white top right");
}

}  // namespace
}  // namespace kit::sigpad
