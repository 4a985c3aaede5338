#include "remark/notaro_ctrl.h"

#include <stdexcept>

#include "remark/remark_file.h"
#include "remark/remark_frame.h"

namespace kit::remark {

using automation::AutomationError;
using automation::DispatchTable;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::ParamInfo;
using automation::Variant;
using automation::VarType;

namespace {

MemberInfo Prop(automation::DispId id, const char* name, VarType type, const char* help = "") {
  return MemberInfo{id, name, MemberKind::Property, {}, type, help};
}

MemberInfo Method(automation::DispId id, const char* name, std::vector<ParamInfo> params, VarType result,
                  const char* help = "") {
  return MemberInfo{id, name, MemberKind::Method, std::move(params), result, help};
}

ParamInfo S(const char* name) { return {VarType::Bstr, name}; }

// Members whose behaviour lives in subsystems not yet in this build. They keep
// their place and signature; calling one is an error, never a silent success.
[[noreturn]] void NotAvailable(const MemberInfo& m) {
  throw AutomationError(hr::NotImpl, m.name + " is not available in this build of the control", "Notaro");
}

}  // namespace

const DispatchTable& CNotaroCtrl::DispatchMap() {
  static const DispatchTable table({
      Prop(DISPID_PenColor, "PenColor", VarType::I4, "The color of the pen"),
      Prop(DISPID_PenWidth, "PenWidth", VarType::I4, "The width of the pen"),
      Prop(DISPID_ToolbarHidden, "ToolbarHidden", VarType::Bool, "The hidden of the toolbar"),
      Prop(DISPID_Remarker, "Remarker", VarType::Bstr, "Current remarker"),
      Prop(DISPID_ReadOnly, "ReadOnly", VarType::Bool, "Remark is readonly"),
      Prop(DISPID_ActiveInPlace, "ActiveInPlace", VarType::Bool),
      Method(DISPID_LoadDocument, "LoadDocument", {S("pszFilename")}, VarType::Empty,
             "Load document to be remarked"),
      Method(DISPID_DeleteLastStroke, "DeleteLastStroke", {}, VarType::Empty, "Delete last stroke"),
      Method(DISPID_DeleteUnconfirmedStrokes, "DeleteUnconfirmedStrokes", {}, VarType::Empty,
             "Delete unconfirmed strokes"),
      Method(DISPID_ConfirmRemark, "ConfirmRemark", {}, VarType::Empty, "Confirm all remark"),
      Method(DISPID_SetSelRemarker, "SetSelRemarker", {{VarType::I4, "nSelRemarker"}}, VarType::Empty,
             "Set whose remark will be displayed"),
      Method(DISPID_OpenRemark, "OpenRemark", {{VarType::Bool, "bReadOnly"}}, VarType::Empty,
             "Open the remark in a separate window"),
      Method(DISPID_LoadObject, "LoadObject", {{VarType::Dispatch, "pDisp"}}, VarType::Empty),
      Method(DISPID_SaveToFile, "SaveToFile", {S("pszFilename")}, VarType::Error),
      Method(DISPID_LoadFromFile, "LoadFromFile", {S("pszFilename")}, VarType::Error),
      Method(DISPID_Download, "Download", {S("pszURL"), S("pszCookie")}, VarType::Error),
      Method(DISPID_Upload, "Upload", {S("pszURL"), S("pszCookie"), S("pszAttach")}, VarType::Error),
      Method(DISPID_DownloadWordDoc, "DownloadWordDoc", {S("pszURL"), S("pszCookie"), S("pszFilename")},
             VarType::Error),
      Method(DISPID_DownloadWordFile, "DownloadWordFile", {S("pszURL"), S("pszCookie"), S("pszFilePath")},
             VarType::Error),
      Method(DISPID_DownloadWordGW, "DownloadWordGW", {S("pszURL"), S("pszCookie"), S("pszFilename")},
             VarType::Error),
      Method(DISPID_UploadWordDoc, "UploadWordDoc", {S("pszURL"), S("pszCookie"), S("pszFilename")},
             VarType::Error),
      Method(DISPID_NewWordDoc, "NewWordDoc", {S("pszFilename")}, VarType::Error),
      Method(DISPID_EditWordInit, "EditWordInit", {S("pszFilename")}, VarType::Error),
      Method(DISPID_EditWord, "EditWord", {S("pszFilename"), S("pszUserName")}, VarType::Error),
      Method(DISPID_ReMarkSet, "ReMarkSet", {S("pszFlag")}, VarType::Error),
      Method(DISPID_KillWordPro, "KillWordPro", {S("name")}, VarType::Error),
      Method(DISPID_IsHaveWordPro, "IsHaveWordPro", {S("name")}, VarType::Bool),
      Method(DISPID_SetEditEnabled, "SetEditEnabled", {S("pszFilename"), S("pszUserName"), S("pszEnabled")},
             VarType::Bool),
      Method(DISPID_Savehtm, "Savehtm", {S("pszFilename")}, VarType::Error),
      Method(DISPID_SetOnlyRead, "SetOnlyRead", {S("onlyread")}, VarType::Bool),
      Method(DISPID_SetIntoHtml, "SetIntoHtml", {S("intohtml")}, VarType::Bool),
      Method(DISPID_SetBookMark, "SetBookMark", {S("filepath"), S("markname"), S("markcontent")},
             VarType::Empty),
      Method(DISPID_SetShowMark, "SetShowMark", {S("showtran")}, VarType::Bool),
      Method(DISPID_SetShowToolbar, "SetShowToolbar", {S("toolbar")}, VarType::Bool),
      Method(DISPID_SetNoShowMark, "SetNoShowMark", {}, VarType::Bool),
      Method(DISPID_UniteWord, "UniteWord", {S("pszFilename"), S("pszBookMark"), S("pszInsertFile")},
             VarType::Bool),
      Method(DISPID_UploadFile, "UploadFile", {S("pszURL"), S("pszCookie"), S("pszFilename")}, VarType::Bool),
      Method(DISPID_UploadFileJava, "UploadFileJava", {S("url"), S("filename")}, VarType::Error),
      Method(DISPID_DeleteFileJava, "DeleteFileJava", {S("filename")}, VarType::Error),
      Method(DISPID_OpenFile, "OpenFile", {S("filename")}, VarType::Bool),
      Method(DISPID_UploadFileWithCookie, "UploadFileWithCookie", {S("pszURL"), S("pszCookie"), S("pszFilePath")},
             VarType::I4),
      Method(DISPID_GetSaveFilePath, "GetSaveFilePath", {}, VarType::Bstr),
      Method(DISPID_GetUploadFilePath, "GetUploadFilePath", {}, VarType::Bstr),
      Method(DISPID_GetFilesSize, "GetFilesSize", {S("pszFileList")}, VarType::Bstr),
      Method(DISPID_IsExsitFile, "IsExsitFile", {S("pszFilePath")}, VarType::Bool),
  });
  return table;
}

CNotaroCtrl::CNotaroCtrl(const Platform& platform)
    : m_platform(platform), m_pDocument(std::make_unique<CRemarkDoc>(this, platform)) {
  SetCaptureAdapters(DefaultCapturePorts());
}

void CNotaroCtrl::SetCaptureAdapters(const CapturePorts& adapters) {
  m_capture = adapters;
  m_capture.metafiles = m_platform.metafiles;
  m_capture.screen = m_platform.screen;
  m_capture.codepage = m_platform.codepage;
}

// Pages are installed only once the capture has finished; a Word error leaves
// the document as it was.
void CNotaroCtrl::LoadDocument(const std::string& path) {
  m_pDocument->ReplacePages(CaptureFromFile(m_capture, path));
  SetModifiedFlag(true);
}

void CNotaroCtrl::LoadObject(const automation::DispatchPtr& document) {
  m_pDocument->ReplacePages(CaptureFromObject(m_capture, document));
  SetModifiedFlag(true);
}

CNotaroCtrl::~CNotaroCtrl() = default;

void RethrowAsAutomationError() {
  try {
    throw;
  } catch (const RemarkFileError& e) {
    throw AutomationError(hr::CtlBadFileFormat,
                          std::string("Bad remark data: ") + e.what() + " (byte " + std::to_string(e.offset()) + ")",
                          "Notaro");
  } catch (...) {
    automation::RethrowAsAutomationError("Notaro");
  }
}

std::uint32_t CNotaroCtrl::GetPenColor() const { return m_pDocument->pen_color(); }
void CNotaroCtrl::SetPenColor(std::uint32_t color) {
  m_pDocument->SetPenColor(color);
  SetModifiedFlag(true);
}
long CNotaroCtrl::GetPenWidth() const { return m_pDocument->pen_width(); }
void CNotaroCtrl::SetPenWidth(long width) {
  m_pDocument->SetPenWidth(static_cast<int>(width));
  SetModifiedFlag(true);
}
// Pages read this as a constant; the real state sits in the document flags.
bool CNotaroCtrl::GetToolbarHidden() const { return true; }
void CNotaroCtrl::SetToolbarHidden(bool hidden) {
  m_pDocument->SetToolbarHidden(hidden);
  SetModifiedFlag(true);
}
std::string CNotaroCtrl::GetRemarker() const { return std::string(); }
void CNotaroCtrl::SetRemarker(const std::string& name) {
  if (!m_pDocument->SelectRemarker(name)) {
    throw AutomationError(hr::CtlInvalidPropertyValue,
                          "Remarker: this name would make the remarker list longer than the 65535 bytes a remark "
                          "data file holds",
                          "Notaro");
  }
  SetModifiedFlag(true);
}
bool CNotaroCtrl::GetReadOnly() const { return m_pDocument->IsReadOnly(); }
void CNotaroCtrl::SetReadOnly(bool on) {
  m_pDocument->SetReadOnly(on);
  SetModifiedFlag(true);
}
bool CNotaroCtrl::GetActiveInPlace() const { return true; }
void CNotaroCtrl::SetActiveInPlace(bool) { SetModifiedFlag(true); }

void CNotaroCtrl::DeleteLastStroke() { m_pDocument->DeleteLastStroke(); }
void CNotaroCtrl::DeleteUnconfirmedStrokes() { m_pDocument->DeleteUnconfirmedStrokes(); }
void CNotaroCtrl::ConfirmRemark() {
  m_pDocument->ConfirmAll();
  SetModifiedFlag(true);
}
void CNotaroCtrl::SetSelRemarker(long filter) {
  if (m_pActiveView == nullptr) return;
  m_pActiveView->SetRemarkerFilter(static_cast<int>(filter));
  m_pActiveView->Repaint();
}

void CNotaroCtrl::OpenRemark(bool readOnly) {
  if (m_nTransferState != kTransferReady || m_pUi == nullptr) return;
  OpenRemarkWindow(*this, *m_pUi, m_hOwner, readOnly);
}

std::int32_t CNotaroCtrl::SaveToFile(const std::string& path) {
  try {
    SaveDocumentToFile(*m_pDocument, *m_platform.files, path);
  } catch (...) {
    RethrowAsAutomationError();
  }
  return kScodeOk;
}

std::int32_t CNotaroCtrl::LoadFromFile(const std::string& path) {
  if (m_nTransferState != kTransferReady) return kScodeFailed;
  try {
    LoadDocumentFromFile(*m_pDocument, *m_platform.files, path);
  } catch (...) {
    RethrowAsAutomationError();
  }
  return kScodeOk;
}

void CNotaroCtrl::Serialize(IByteStream& stream, bool storing) {
  try {
    if (storing) {
      StoreDocument(*m_pDocument, stream);
    } else {
      remark::LoadDocument(*m_pDocument, stream);
    }
  } catch (...) {
    RethrowAsAutomationError();
  }
}

CNotaroMembers::CNotaroMembers(const std::vector<MemberRows>& parts) {
  for (const MemberRows& rows : parts) Add(rows);
}

CNotaroMembers CNotaroMembers::Complete(const std::vector<MemberRows>& parts) {
  CNotaroMembers members(parts);
  const std::vector<std::string> unanswered = members.Unanswered();
  if (!unanswered.empty()) {
    std::string names;
    for (const std::string& name : unanswered) names += (names.empty() ? "" : ", ") + name;
    throw std::logic_error("_DNotaro members without a handler: " + names);
  }
  return members;
}

void CNotaroMembers::Add(const MemberRows& rows) {
  for (const MemberRow& row : rows) {
    const MemberInfo* m = CNotaroCtrl::DispatchMap().Find(row.dispid);
    if (m == nullptr) throw std::logic_error("no member of _DNotaro has DISPID " + std::to_string(row.dispid));
    MemberHandler& handler = m_handlers[static_cast<std::size_t>(row.dispid - 1)];
    if (handler) throw std::logic_error("_DNotaro member " + m->name + " has two handlers");
    handler = row.handler;
  }
}

const MemberHandler* CNotaroMembers::Handler(automation::DispId id) const {
  if (id < 1 || id > kNotaroMemberCount) return nullptr;
  const MemberHandler& handler = m_handlers[static_cast<std::size_t>(id - 1)];
  return handler ? &handler : nullptr;
}

std::vector<std::string> CNotaroMembers::Unanswered() const {
  std::vector<std::string> names;
  for (const MemberInfo& m : CNotaroCtrl::DispatchMap().members()) {
    if (Handler(m.dispid) == nullptr) names.push_back(m.name);
  }
  return names;
}

namespace {

using Args = std::vector<Variant>;

// A property's handler from its reading and its setting.
template <typename Get, typename Set>
MemberHandler Property(Get get, Set set) {
  return [get, set](CNotaroCtrl& ctrl, InvokeKind kind, const Args& a) -> Variant {
    if (kind == InvokeKind::PropertyPut) {
      set(ctrl, a[0]);
      return {};
    }
    return get(ctrl);
  };
}

// A method's handler that gives no result.
template <typename Call>
MemberHandler Procedure(Call call) {
  return [call](CNotaroCtrl& ctrl, InvokeKind, const Args& a) -> Variant {
    call(ctrl, a);
    return {};
  };
}

}  // namespace

MemberRows ControlMembers() {
  using C = CNotaroCtrl;
  using V = const Variant&;
  return {
      {DISPID_PenColor, Property([](C& c) { return Variant::I4(static_cast<std::int32_t>(c.GetPenColor())); },
                                 [](C& c, V v) { c.SetPenColor(static_cast<std::uint32_t>(v.AsI4())); })},
      {DISPID_PenWidth, Property([](C& c) { return Variant::I4(static_cast<std::int32_t>(c.GetPenWidth())); },
                                 [](C& c, V v) { c.SetPenWidth(v.AsI4()); })},
      {DISPID_ToolbarHidden, Property([](C& c) { return Variant::Bool(c.GetToolbarHidden()); },
                                      [](C& c, V v) { c.SetToolbarHidden(v.AsBool()); })},
      {DISPID_Remarker, Property([](C& c) { return Variant::Str(c.GetRemarker()); },
                                 [](C& c, V v) { c.SetRemarker(v.AsStr()); })},
      {DISPID_ReadOnly, Property([](C& c) { return Variant::Bool(c.GetReadOnly()); },
                                 [](C& c, V v) { c.SetReadOnly(v.AsBool()); })},
      {DISPID_ActiveInPlace, Property([](C& c) { return Variant::Bool(c.GetActiveInPlace()); },
                                      [](C& c, V v) { c.SetActiveInPlace(v.AsBool()); })},
      {DISPID_LoadDocument, Procedure([](C& c, const Args& a) { c.LoadDocument(a[0].AsStr()); })},
      {DISPID_DeleteLastStroke, Procedure([](C& c, const Args&) { c.DeleteLastStroke(); })},
      {DISPID_DeleteUnconfirmedStrokes, Procedure([](C& c, const Args&) { c.DeleteUnconfirmedStrokes(); })},
      {DISPID_ConfirmRemark, Procedure([](C& c, const Args&) { c.ConfirmRemark(); })},
      {DISPID_SetSelRemarker, Procedure([](C& c, const Args& a) { c.SetSelRemarker(a[0].AsI4()); })},
      {DISPID_OpenRemark, Procedure([](C& c, const Args& a) {
         // Without a completed transfer there is nothing to show.
         if (c.transfer_state() != kTransferReady) return;
         if (c.ui() == nullptr) NotAvailable(*CNotaroCtrl::DispatchMap().Find(DISPID_OpenRemark));
         c.OpenRemark(a[0].AsBool());
       })},
      {DISPID_LoadObject, Procedure([](C& c, const Args& a) { c.LoadObject(a[0].AsDispatch()); })},
      {DISPID_SaveToFile,
       [](C& c, InvokeKind, const Args& a) { return Variant::Error(c.SaveToFile(a[0].AsStr())); }},
      {DISPID_LoadFromFile,
       [](C& c, InvokeKind, const Args& a) { return Variant::Error(c.LoadFromFile(a[0].AsStr())); }},
  };
}

Variant CNotaroCtrl::Invoke(automation::DispId id, InvokeKind kind, const std::vector<Variant>& rawArgs) {
  const MemberInfo* m = DispatchMap().Find(id);
  if (m == nullptr) throw AutomationError(hr::MemberNotFound, "Member not found");
  std::vector<Variant> a = automation::CheckArguments(*m, kind, rawArgs);
  // A script running during the modal loop may change the document: a
  // drawing drag ends first, with its terminator.
  if (m_pActiveView != nullptr && kind != InvokeKind::PropertyGet && id != DISPID_SetSelRemarker)
    m_pActiveView->CancelDrag();
  const MemberHandler* handler = m_members.Handler(id);
  if (handler == nullptr) NotAvailable(*m);
  return (*handler)(*this, kind, a);
}

void RegisterNotaroControl(ClassRegistry& registry, std::function<void(CNotaroCtrl&)> setup) {
  registry.Register(kNotaroProgId, [setup = std::move(setup)] {
    auto ctrl = std::make_shared<CNotaroCtrl>();
    if (setup) setup(*ctrl);
    return ctrl;
  });
}

}  // namespace kit::remark
