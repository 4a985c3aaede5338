#include "remark/notaro_ctrl.h"

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
  } catch (const AutomationError&) {
    throw;
  } catch (const FileError& e) {
    HResult code = hr::CtlPathFileAccess;
    switch (e.cause()) {
      case FileError::Cause::NotFound: code = hr::CtlFileNotFound; break;
      case FileError::Cause::DiskFull: code = hr::CtlDiskFull; break;
      case FileError::Cause::AccessDenied:
      case FileError::Cause::Generic: break;
    }
    throw AutomationError(code, e.what(), "Notaro");
  } catch (const RemarkFileError& e) {
    throw AutomationError(hr::CtlBadFileFormat,
                          std::string("Bad remark data: ") + e.what() + " (byte " + std::to_string(e.offset()) + ")",
                          "Notaro");
  } catch (const std::bad_alloc&) {
    throw AutomationError(hr::OutOfMemory, "Out of memory", "Notaro");
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

Variant CNotaroCtrl::Invoke(automation::DispId id, InvokeKind kind, const std::vector<Variant>& rawArgs) {
  const MemberInfo* m = DispatchMap().Find(id);
  if (m == nullptr) throw AutomationError(hr::MemberNotFound, "Member not found");
  std::vector<Variant> a = automation::CheckArguments(*m, kind, rawArgs);
  // A script running during the modal loop may change the document: a
  // drawing drag ends first, with its terminator.
  if (m_pActiveView != nullptr && kind != InvokeKind::PropertyGet && id != DISPID_SetSelRemarker)
    m_pActiveView->CancelDrag();
  const bool put = kind == InvokeKind::PropertyPut;
  switch (id) {
    case DISPID_PenColor:
      if (put) {
        SetPenColor(static_cast<std::uint32_t>(a[0].AsI4()));
        return {};
      }
      return Variant::I4(static_cast<std::int32_t>(GetPenColor()));
    case DISPID_PenWidth:
      if (put) {
        SetPenWidth(a[0].AsI4());
        return {};
      }
      return Variant::I4(static_cast<std::int32_t>(GetPenWidth()));
    case DISPID_ToolbarHidden:
      if (put) {
        SetToolbarHidden(a[0].AsBool());
        return {};
      }
      return Variant::Bool(GetToolbarHidden());
    case DISPID_Remarker:
      if (put) {
        SetRemarker(a[0].AsStr());
        return {};
      }
      return Variant::Str(GetRemarker());
    case DISPID_ReadOnly:
      if (put) {
        SetReadOnly(a[0].AsBool());
        return {};
      }
      return Variant::Bool(GetReadOnly());
    case DISPID_ActiveInPlace:
      if (put) {
        SetActiveInPlace(a[0].AsBool());
        return {};
      }
      return Variant::Bool(GetActiveInPlace());
    case DISPID_LoadDocument:
      LoadDocument(a[0].AsStr());
      return {};
    case DISPID_LoadObject:
      LoadObject(a[0].AsDispatch());
      return {};
    case DISPID_DeleteLastStroke:
      DeleteLastStroke();
      return {};
    case DISPID_DeleteUnconfirmedStrokes:
      DeleteUnconfirmedStrokes();
      return {};
    case DISPID_ConfirmRemark:
      ConfirmRemark();
      return {};
    case DISPID_SetSelRemarker:
      SetSelRemarker(a[0].AsI4());
      return {};
    case DISPID_OpenRemark:
      // Without a completed transfer there is nothing to show.
      if (m_nTransferState != kTransferReady) return {};
      if (m_pUi == nullptr) NotAvailable(*m);
      OpenRemark(a[0].AsBool());
      return {};
    case DISPID_SaveToFile:
      return Variant::Error(SaveToFile(a[0].AsStr()));
    case DISPID_LoadFromFile:
      return Variant::Error(LoadFromFile(a[0].AsStr()));
    default: {
      Variant result;
      for (const auto& extension : m_extensions) {
        if (extension->TryInvoke(*this, id, a, result)) return result;
      }
      NotAvailable(*m);
    }
  }
}

void RegisterNotaroControl(ClassRegistry& registry, std::function<void(CNotaroCtrl&)> setup) {
  registry.Register(kNotaroProgId, [setup = std::move(setup)] {
    auto ctrl = std::make_shared<CNotaroCtrl>();
    if (setup) setup(*ctrl);
    return ctrl;
  });
}

}  // namespace kit::remark
