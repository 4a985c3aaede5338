#include "sigpad/quillpad_ctrl.h"

#include <gtest/gtest.h>

#include <set>

#include "libjpeg_writer.h"
#ifdef _WIN32
#include "gdi_dib_canvas.h"
#else
#include "cairo_dib_canvas.h"
#endif
#include "sigpad/bmp_file.h"
#include "sigpad/raised_error.h"
#include "tests/remark/fakes.h"

namespace kit::sigpad {
namespace {

using automation::AutomationError;
using automation::InvokeByName;
using automation::InvokeKind;
using automation::Variant;
using kit::testing::FakeFiles;

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
  FakeFiles files;
  FakeLookup lookup;
  FakeDialogs dialogs;
#ifdef _WIN32
  GdiDibCanvasFactory canvas;
#else
  CairoDibCanvasFactory canvas;
#endif
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
    p.picMain_MouseMove(1, 0, x + 2, y);
    p.picMain_MouseUp(1, 0, x + 2, y);
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
      // Sixteen strokes: fifteen undos, and the blank page is out of reach.
      {"SSSSSSSSSSSSSSSSUUUUUUUUUUUUUUUU", 16, 16, 15, 0, false, false, true, 1, "C:\\Temp\\qzdesk\\\\Quillpad16.BMP"},
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

TEST_F(QuillpadTest, SaveWritesBitmapAndJpegIntoTheDefaultFolder) {
  Run("S");
  InvokeByName(*pad, "Save", InvokeKind::Method);
  EXPECT_EQ(files.files.at("C:\\Temp\\qzdesk\\\\Quillpad.BMP"), Shown());
  EXPECT_TRUE(files.files.count("C:\\Temp\\qzdesk\\\\Quillpad.JPG"));
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

}  // namespace
}  // namespace kit::sigpad
