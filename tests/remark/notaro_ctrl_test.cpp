#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <string>

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

// The interface as pages know it: position = DISPID. "Name:T" is a property
// of type T; "Name(P...)R" a method. B Bstr, I I4, L Bool, E Error, D Dispatch,
// nothing Empty.
const char* const kRows[] = {
    "PenColor:I", "PenWidth:I", "ToolbarHidden:L", "Remarker:B", "ReadOnly:L", "ActiveInPlace:L",
    "LoadDocument(B)", "DeleteLastStroke()", "DeleteUnconfirmedStrokes()", "ConfirmRemark()",
    "SetSelRemarker(I)", "OpenRemark(L)", "LoadObject(D)", "SaveToFile(B)E", "LoadFromFile(B)E",
    "Download(BB)E", "Upload(BBB)E", "DownloadWordDoc(BBB)E", "DownloadWordFile(BBB)E",
    "DownloadWordGW(BBB)E", "UploadWordDoc(BBB)E", "NewWordDoc(B)E", "EditWordInit(B)E", "EditWord(BB)E",
    "ReMarkSet(B)E", "KillWordPro(B)E", "IsHaveWordPro(B)L", "SetEditEnabled(BBB)L", "Savehtm(B)E",
    "SetOnlyRead(B)L", "SetIntoHtml(B)L", "SetBookMark(BBB)", "SetShowMark(B)L", "SetShowToolbar(B)L",
    "SetNoShowMark()L", "UniteWord(BBB)L", "UploadFile(BBB)L", "UploadFileJava(BB)E", "DeleteFileJava(B)E",
    "OpenFile(B)L", "UploadFileWithCookie(BBB)I", "GetSaveFilePath()B", "GetUploadFilePath()B",
    "GetFilesSize(B)B", "IsExsitFile(B)L",
};

VarType TypeOf(char c) {
  switch (c) {
    case 'B': return VarType::Bstr;
    case 'I': return VarType::I4;
    case 'L': return VarType::Bool;
    case 'E': return VarType::Error;
    case 'D': return VarType::Dispatch;
    default: return VarType::Empty;
  }
}

TEST(NotaroDispatchTest, TableMatchesTheInterface) {
  const auto& table = CNotaroCtrl::DispatchMap();
  ASSERT_EQ(table.members().size(), std::size(kRows));
  ASSERT_EQ(std::size(kRows), static_cast<std::size_t>(kNotaroMemberCount));
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    const std::string row = kRows[i];
    const std::size_t end = row.find_first_of(":(");
    const std::string name = row.substr(0, end), params = row[end] == '(' ? row.substr(end + 1, row.find(')') - end - 1) : "";
    const char result = row.back() == ')' ? ' ' : row.back();
    const auto dispid = static_cast<automation::DispId>(i + 1);
    const auto* m = table.Find(dispid);
    ASSERT_NE(m, nullptr) << dispid;
    EXPECT_EQ(m->name, name);
    EXPECT_EQ(m->kind, row[end] == ':' ? MemberKind::Property : MemberKind::Method) << name;
    EXPECT_EQ(m->result, TypeOf(result)) << name;
    ASSERT_EQ(m->params.size(), params.size()) << name;
    for (std::size_t p = 0; p < params.size(); ++p) {
      EXPECT_EQ(m->params[p].type, TypeOf(params[p])) << name;
      EXPECT_FALSE(m->params[p].name.empty()) << name;
    }
    EXPECT_EQ(table.IdOfName(name), dispid);
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

  // A linked-in subsystem answers the members of its rows, with checked arguments.
  std::vector<Variant> seen;
  ctrl.AddMembers({{DISPID_DownloadWordDoc, [&seen](CNotaroCtrl&, InvokeKind, const std::vector<Variant>& args) {
                      seen = args;
                      return Variant::Error(0);
                    }}});
  EXPECT_EQ(Call("DownloadWordDoc", {Variant::Str("http://x/"), Variant::Str(""), Variant::Str("a.doc")}),
            Variant::Error(0));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2], Variant::Str("a.doc"));
  EXPECT_THROW(Call("NewWordDoc", {Variant::Str("a.doc")}), AutomationError);
  EXPECT_THROW(Call("SaveToFile"), AutomationError) << "argument count is checked";
  EXPECT_THROW(Call("Nonsense"), AutomationError);
  EXPECT_THROW(ctrl.Invoke(46, InvokeKind::Method, {}), AutomationError);
  EXPECT_THROW(Put("SaveToFile", Variant::Str("x")), AutomationError);
}

// A member has one handler or none; a deliverable's table leaves none out.
TEST(NotaroMembersTest, EachMemberHasExactlyOneHandler) {
  const MemberHandler answer = [](CNotaroCtrl&, InvokeKind, const std::vector<Variant>&) { return Variant(); };
  const struct {
    const char* what;
    std::vector<MemberRows> parts;
    const char* refusal;  // what the error names; null: accepted
  } cases[] = {
      {"a second handler", {ControlMembers(), {{DISPID_PenWidth, answer}}}, "PenWidth"},
      {"twice in one part", {{{DISPID_Upload, answer}, {DISPID_Upload, answer}}}, "Upload"},
      {"no such member", {{{kNotaroMemberCount + 1, answer}}}, "46"},
      {"DISPID 0", {{{0, answer}}}, " 0"},
      {"the click event", {{{kDispIdClick, answer}}}, "-600"},
      {"the control's own members", {ControlMembers()}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.refusal == nullptr) {
      EXPECT_NO_THROW(CNotaroMembers{c.parts});
      continue;
    }
    try {
      CNotaroMembers members(c.parts);
      ADD_FAILURE() << "accepted";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
  }

  CNotaroMembers own({ControlMembers()});
  EXPECT_EQ(own.Unanswered().size(), 30u);
  EXPECT_EQ(own.Unanswered().front(), "Download");
  EXPECT_NE(own.Handler(DISPID_LoadFromFile), nullptr);
  EXPECT_EQ(own.Handler(DISPID_Download), nullptr);
  EXPECT_EQ(own.Handler(0), nullptr);
  try {
    CNotaroMembers::Complete({ControlMembers(), {{DISPID_Download, answer}}});
    ADD_FAILURE() << "an incomplete table was accepted";
  } catch (const std::logic_error& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("Upload, DownloadWordDoc"), std::string::npos) << text;
    EXPECT_EQ(text.find("Download,"), std::string::npos) << text;
  }
  MemberRows rest;
  for (automation::DispId id = DISPID_Download; id <= kNotaroMemberCount; ++id) rest.push_back({id, answer});
  EXPECT_TRUE(CNotaroMembers::Complete({ControlMembers(), rest}).Unanswered().empty());
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

// The file keeps the remarker list's length in 16 bits: a name that would pass
// it is refused at the put, and the document stays savable.
TEST_F(NotaroCtrlTest, RemarkerListNeverOutgrowsTheFile) {
  Put("Remarker", Variant::Str(std::string(40000, 'a')));  // list 40002 bytes
  const std::string fits(65535 - 40002 - 1, 'b');          // to exactly 65535
  struct Case {
    std::string name;
    bool refused;
  } cases[] = {{fits + "b", true}, {fits, false}, {"c", true}, {fits, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    const int before = ctrl.document().remarker_list_length();
    try {
      Put("Remarker", Variant::Str(c.name));
      EXPECT_FALSE(c.refused);
    } catch (const AutomationError& e) {
      EXPECT_TRUE(c.refused);
      EXPECT_EQ(e.code(), hr::CtlInvalidPropertyValue);
      EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos) << e.what();
      EXPECT_EQ(ctrl.document().remarker_list_length(), before);
    }
    EXPECT_EQ(Call("SaveToFile", {Variant::Str("c:\\r.dat")}), Variant::Error(0));
  }
  EXPECT_EQ(ctrl.document().remarker_list_length(), 65535);
  EXPECT_EQ(ctrl.document().current_remarker(), 1);
  EXPECT_EQ(fp.files.files["c:\\r.dat"].size(), 12u + 65535u);
}

}  // namespace
}  // namespace kit::remark
