#include <gtest/gtest.h>

#include "ports/memory_stream.h"
#include "remark/notaro_ctrl.h"
#include "remark/remark_file.h"
#include "tests/remark/fakes.h"

namespace kit::remark {
namespace {

using automation::AutomationError;
using automation::InvokeKind;
using automation::MemberKind;
using automation::Variant;
using automation::VarType;
using testing::FakePlatform;

struct Row {
  const char* name;
  MemberKind kind;
  std::vector<VarType> params;
  VarType result;
};

constexpr VarType B = VarType::Bstr;

// The interface as pages know it: position = DISPID.
const std::vector<Row>& ExpectedRows() {
  static const std::vector<Row> rows = {
      {"PenColor", MemberKind::Property, {}, VarType::I4},
      {"PenWidth", MemberKind::Property, {}, VarType::I4},
      {"ToolbarHidden", MemberKind::Property, {}, VarType::Bool},
      {"Remarker", MemberKind::Property, {}, VarType::Bstr},
      {"ReadOnly", MemberKind::Property, {}, VarType::Bool},
      {"ActiveInPlace", MemberKind::Property, {}, VarType::Bool},
      {"LoadDocument", MemberKind::Method, {B}, VarType::Empty},
      {"DeleteLastStroke", MemberKind::Method, {}, VarType::Empty},
      {"DeleteUnconfirmedStrokes", MemberKind::Method, {}, VarType::Empty},
      {"ConfirmRemark", MemberKind::Method, {}, VarType::Empty},
      {"SetSelRemarker", MemberKind::Method, {VarType::I4}, VarType::Empty},
      {"OpenRemark", MemberKind::Method, {VarType::Bool}, VarType::Empty},
      {"LoadObject", MemberKind::Method, {VarType::Dispatch}, VarType::Empty},
      {"SaveToFile", MemberKind::Method, {B}, VarType::Error},
      {"LoadFromFile", MemberKind::Method, {B}, VarType::Error},
      {"Download", MemberKind::Method, {B, B}, VarType::Error},
      {"Upload", MemberKind::Method, {B, B, B}, VarType::Error},
      {"DownloadWordDoc", MemberKind::Method, {B, B, B}, VarType::Error},
      {"DownloadWordFile", MemberKind::Method, {B, B, B}, VarType::Error},
      {"DownloadWordGW", MemberKind::Method, {B, B, B}, VarType::Error},
      {"UploadWordDoc", MemberKind::Method, {B, B, B}, VarType::Error},
      {"NewWordDoc", MemberKind::Method, {B}, VarType::Error},
      {"EditWordInit", MemberKind::Method, {B}, VarType::Error},
      {"EditWord", MemberKind::Method, {B, B}, VarType::Error},
      {"ReMarkSet", MemberKind::Method, {B}, VarType::Error},
      {"KillWordPro", MemberKind::Method, {B}, VarType::Error},
      {"IsHaveWordPro", MemberKind::Method, {B}, VarType::Bool},
      {"SetEditEnabled", MemberKind::Method, {B, B, B}, VarType::Bool},
      {"Savehtm", MemberKind::Method, {B}, VarType::Error},
      {"SetOnlyRead", MemberKind::Method, {B}, VarType::Bool},
      {"SetIntoHtml", MemberKind::Method, {B}, VarType::Bool},
      {"SetBookMark", MemberKind::Method, {B, B, B}, VarType::Empty},
      {"SetShowMark", MemberKind::Method, {B}, VarType::Bool},
      {"SetShowToolbar", MemberKind::Method, {B}, VarType::Bool},
      {"SetNoShowMark", MemberKind::Method, {}, VarType::Bool},
      {"UniteWord", MemberKind::Method, {B, B, B}, VarType::Bool},
      {"UploadFile", MemberKind::Method, {B, B, B}, VarType::Bool},
      {"UploadFileJava", MemberKind::Method, {B, B}, VarType::Error},
      {"DeleteFileJava", MemberKind::Method, {B}, VarType::Error},
      {"OpenFile", MemberKind::Method, {B}, VarType::Bool},
      {"UploadFileWithCookie", MemberKind::Method, {B, B, B}, VarType::I4},
      {"GetSaveFilePath", MemberKind::Method, {}, VarType::Bstr},
      {"GetUploadFilePath", MemberKind::Method, {}, VarType::Bstr},
      {"GetFilesSize", MemberKind::Method, {B}, VarType::Bstr},
      {"IsExsitFile", MemberKind::Method, {B}, VarType::Bool},
  };
  return rows;
}

TEST(NotaroDispatchTest, TableMatchesTheInterface) {
  const auto& table = CNotaroCtrl::DispatchMap();
  const auto& rows = ExpectedRows();
  ASSERT_EQ(table.members().size(), rows.size());
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kNotaroMemberCount));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto dispid = static_cast<automation::DispId>(i + 1);
    const auto* m = table.Find(dispid);
    ASSERT_NE(m, nullptr) << dispid;
    EXPECT_EQ(m->name, rows[i].name);
    EXPECT_EQ(m->kind, rows[i].kind) << m->name;
    EXPECT_EQ(m->result, rows[i].result) << m->name;
    ASSERT_EQ(m->params.size(), rows[i].params.size()) << m->name;
    for (std::size_t p = 0; p < m->params.size(); ++p) {
      EXPECT_EQ(m->params[p].type, rows[i].params[p]) << m->name;
      EXPECT_FALSE(m->params[p].name.empty()) << m->name;
    }
    EXPECT_EQ(table.IdOfName(rows[i].name), dispid);
  }
  EXPECT_EQ(table.IdOfName("penwidth"), DISPID_PenWidth);
  EXPECT_EQ(table.IdOfName("ISEXSITFILE"), DISPID_IsExsitFile);
  EXPECT_FALSE(table.IdOfName("Click").has_value());
  EXPECT_EQ(table.Find(DISPID_PenColor)->help, "The color of the pen");
  EXPECT_EQ(table.Find(DISPID_OpenRemark)->help, "Open the remark in a separate window");
  EXPECT_TRUE(table.Find(DISPID_Download)->help.empty());
}

class NotaroCtrlTest : public ::testing::Test {
 protected:
  FakePlatform fp;
  CNotaroCtrl ctrl{fp.platform};

  Variant Get(const char* name) { return automation::InvokeByName(ctrl, name, InvokeKind::PropertyGet); }
  void Put(const char* name, Variant v) { automation::InvokeByName(ctrl, name, InvokeKind::PropertyPut, {v}); }
  Variant Call(const char* name, std::vector<Variant> args = {}) {
    return automation::InvokeByName(ctrl, name, InvokeKind::Method, args);
  }
};

TEST_F(NotaroCtrlTest, PropertiesAndTheirFixedReadings) {
  EXPECT_EQ(Get("PenColor"), Variant::I4(255));
  EXPECT_EQ(Get("PenWidth"), Variant::I4(2));
  Put("PenColor", Variant::I4(0x00123456));
  EXPECT_EQ(Get("PenColor"), Variant::I4(0x00123456));
  // System colours are stored untranslated.
  Put("PenColor", Variant::R8(2147483653.0));
  EXPECT_EQ(ctrl.document().pen_color(), 0x80000005u);

  ctrl.SetModifiedFlag(false);
  Put("PenWidth", Variant::I4(9));
  EXPECT_EQ(Get("PenWidth"), Variant::I4(2));
  EXPECT_TRUE(ctrl.IsModified()) << "an ignored width still marks the control";
  Put("PenWidth", Variant::Str("5"));
  EXPECT_EQ(Get("PenWidth"), Variant::I4(5));

  Put("ToolbarHidden", Variant::Bool(false));
  EXPECT_EQ(Get("ToolbarHidden"), Variant::Bool(true));
  EXPECT_FALSE(ctrl.document().IsToolbarHidden());
  Put("ToolbarHidden", Variant::Bool(true));
  EXPECT_TRUE(ctrl.document().IsToolbarHidden());

  Put("Remarker", Variant::Str("Li"));
  EXPECT_EQ(Get("Remarker"), Variant::Str(""));
  Put("Remarker", Variant::Str("Wang"));
  EXPECT_EQ(ctrl.document().current_remarker(), 1);

  EXPECT_EQ(Get("ReadOnly"), Variant::Bool(false));
  Put("ReadOnly", Variant::I4(1));
  EXPECT_EQ(Get("ReadOnly"), Variant::Bool(true));
  EXPECT_EQ(ctrl.document().flags(), kFlagReadOnly | kFlagToolbarHidden);

  ctrl.SetModifiedFlag(false);
  Put("ActiveInPlace", Variant::Bool(false));
  EXPECT_EQ(Get("ActiveInPlace"), Variant::Bool(true));
  EXPECT_TRUE(ctrl.IsModified());
}

TEST_F(NotaroCtrlTest, TransferGateAndUnbuiltMembers) {
  EXPECT_EQ(Call("LoadFromFile", {Variant::Str("c:\\a.dat")}), Variant::Error(-1));
  EXPECT_EQ(Call("OpenRemark", {Variant::Bool(false)}), Variant());
  try {
    Call("DownloadWordDoc", {Variant::Str("http://x/"), Variant::Str(""), Variant::Str("a.doc")});
    FAIL() << "an unbuilt member must not pretend to succeed";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), hr::NotImpl);
    EXPECT_NE(std::string(e.what()).find("DownloadWordDoc"), std::string::npos);
  }
  EXPECT_EQ(ctrl.transfer_state(), 0);

  // A linked-in subsystem answers the members it knows, with checked arguments.
  struct Extension : IMemberExtension {
    std::vector<Variant> seen;
    bool TryInvoke(CNotaroCtrl&, automation::DispId id, const std::vector<Variant>& args, Variant& result) override {
      if (id != DISPID_DownloadWordDoc) return false;
      seen = args;
      result = Variant::Error(0);
      return true;
    }
  };
  auto ext = std::make_shared<Extension>();
  ctrl.AddExtension(ext);
  EXPECT_EQ(Call("DownloadWordDoc", {Variant::Str("http://x/"), Variant::Str(""), Variant::Str("a.doc")}),
            Variant::Error(0));
  ASSERT_EQ(ext->seen.size(), 3u);
  EXPECT_EQ(ext->seen[2], Variant::Str("a.doc"));
  EXPECT_THROW(Call("NewWordDoc", {Variant::Str("a.doc")}), AutomationError);
  EXPECT_THROW(Call("SaveToFile"), AutomationError) << "argument count is checked";
  EXPECT_THROW(Call("Nonsense"), AutomationError);
  EXPECT_THROW(ctrl.Invoke(46, InvokeKind::Method, {}), AutomationError);
  EXPECT_THROW(Put("SaveToFile", Variant::Str("x")), AutomationError);
}

TEST_F(NotaroCtrlTest, StrokeMethodsIgnoreReadOnlyAndMarkOnlyOnChange) {
  std::vector<EnhMetaFilePtr> pics;
  pics.push_back(nullptr);
  ctrl.document().ReplacePages(std::move(pics));
  Put("ReadOnly", Variant::Bool(true));
  ctrl.document().BeginStroke(1, 1);
  ctrl.document().EndStroke();
  ctrl.SetModifiedFlag(false);
  Call("DeleteLastStroke");
  EXPECT_EQ(ctrl.document().page(0).used_length(), 0);
  EXPECT_TRUE(ctrl.IsModified());
  ctrl.SetModifiedFlag(false);
  Call("DeleteLastStroke");
  Call("DeleteUnconfirmedStrokes");
  EXPECT_FALSE(ctrl.IsModified());
  ctrl.document().BeginStroke(1, 1);
  ctrl.document().EndStroke();
  ctrl.SetModifiedFlag(false);
  Call("ConfirmRemark");
  EXPECT_TRUE(ctrl.IsModified());
  EXPECT_EQ(ctrl.document().page(0).confirmed_length(), 12);
}

struct FakeView : IActiveRemarkView {
  int filter = -1;
  int repaints = 0;
  void SetRemarkerFilter(int f) override { filter = f; }
  void Repaint() override { ++repaints; }
};

TEST_F(NotaroCtrlTest, SetSelRemarkerReachesOnlyAnOpenWindow) {
  FakeView view;
  Call("SetSelRemarker", {Variant::I4(0)});
  EXPECT_FALSE(ctrl.IsModified());
  ctrl.SetActiveView(&view);
  Call("SetSelRemarker", {Variant::I4(-2)});
  EXPECT_EQ(view.filter, -2);
  EXPECT_EQ(view.repaints, 1);
  ctrl.SetActiveView(nullptr);
}

TEST_F(NotaroCtrlTest, SaveAndLoadFilesAndPersistence) {
  Put("Remarker", Variant::Str("\xC5\xFA\xD7\xA2\xC8\xCB"));
  Put("PenWidth", Variant::I4(3));
  const std::string path = "c:\\temp\\qzdesk\\remark.dat";
  EXPECT_EQ(Call("SaveToFile", {Variant::Str(path)}), Variant::Error(0));
  const std::vector<std::uint8_t> expect = {0, 0, 0, 0, 8, 0, 0, 0, 0xFF, 0, 0, 3,
                                            0xC5, 0xFA, 0xD7, 0xA2, 0xC8, 0xCB, 0, 0};
  EXPECT_EQ(fp.files.files[path], expect);

  CNotaroCtrl other(fp.platform);
  other.MarkTransferStarted();
  other.SetModifiedFlag(false);
  EXPECT_EQ(automation::InvokeByName(other, "LoadFromFile", InvokeKind::Method, {Variant::Str(path)}),
            Variant::Error(0));
  EXPECT_FALSE(other.IsModified());
  EXPECT_EQ(other.document().pen_width(), 3);
  EXPECT_EQ(other.document().RemarkerNames().at(0), "\xC5\xFA\xD7\xA2\xC8\xCB");

  try {
    other.LoadFromFile("c:\\temp\\qzdesk\\missing.dat");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), hr::CtlFileNotFound);
  }
  fp.files.files["c:\\bad.dat"] = {0, 0, 2, 0};
  try {
    other.LoadFromFile("c:\\bad.dat");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), hr::CtlBadFileFormat);
    EXPECT_NE(std::string(e.what()).find("byte 4"), std::string::npos) << e.what();
  }
  EXPECT_EQ(other.document().pen_width(), 3) << "a failed load leaves the document";

  // A container's stream holds exactly the remark data file.
  MemoryStream stream;
  ctrl.Serialize(stream, true);
  EXPECT_EQ(stream.bytes(), expect);
  CNotaroCtrl restored(fp.platform);
  MemoryStream in(stream.bytes());
  restored.Serialize(in, false);
  EXPECT_EQ(restored.document().remarker_list_length(), 8);
}

}  // namespace
}  // namespace kit::remark
