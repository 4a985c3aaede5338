// The remark control: owns the remark document and answers the 45-member
// dispatch interface that office pages script.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ports/automation.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "ports/stream.h"
#include "ports/ui.h"
#include "remark/page_capture.h"
#include "remark/remark_doc.h"

namespace kit::remark {

constexpr const char* kNotaroProgId = "Notaro.NotaroCtrl.1";

// DISPIDs of _DNotaro: each member's 1-based position in the interface.
enum NotaroDispId : automation::DispId {
  DISPID_PenColor = 1,
  DISPID_PenWidth,
  DISPID_ToolbarHidden,
  DISPID_Remarker,
  DISPID_ReadOnly,
  DISPID_ActiveInPlace,
  DISPID_LoadDocument,
  DISPID_DeleteLastStroke,
  DISPID_DeleteUnconfirmedStrokes,
  DISPID_ConfirmRemark,
  DISPID_SetSelRemarker,
  DISPID_OpenRemark,
  DISPID_LoadObject,
  DISPID_SaveToFile,
  DISPID_LoadFromFile,
  DISPID_Download,
  DISPID_Upload,
  DISPID_DownloadWordDoc,
  DISPID_DownloadWordFile,
  DISPID_DownloadWordGW,
  DISPID_UploadWordDoc,
  DISPID_NewWordDoc,
  DISPID_EditWordInit,
  DISPID_EditWord,
  DISPID_ReMarkSet,
  DISPID_KillWordPro,
  DISPID_IsHaveWordPro,
  DISPID_SetEditEnabled,
  DISPID_Savehtm,
  DISPID_SetOnlyRead,
  DISPID_SetIntoHtml,
  DISPID_SetBookMark,
  DISPID_SetShowMark,
  DISPID_SetShowToolbar,
  DISPID_SetNoShowMark,
  DISPID_UniteWord,
  DISPID_UploadFile,
  DISPID_UploadFileJava,
  DISPID_DeleteFileJava,
  DISPID_OpenFile,
  DISPID_UploadFileWithCookie,
  DISPID_GetSaveFilePath,
  DISPID_GetUploadFilePath,
  DISPID_GetFilesSize,
  DISPID_IsExsitFile,
};
constexpr int kNotaroMemberCount = 45;
constexpr automation::DispId kDispIdClick = -600;

constexpr std::int32_t kScodeOk = 0;
constexpr std::int32_t kScodeFailed = -1;
constexpr int kTransferReady = 3;

// What the control needs of the remark window's view while it is open.
class IActiveRemarkView {
 public:
  virtual ~IActiveRemarkView() = default;
  virtual void SetRemarkerFilter(int filter) = 0;
  virtual void Repaint() = 0;
  // Ends a drag in progress, so that a script call made while the window
  // is open never finds a stroke without its terminator.
  virtual void CancelDrag() {}
};

class CNotaroCtrl;

// What answers one member of _DNotaro, called with the arguments checked and
// coerced against the member's declaration: none for a property get, the new
// value for a put.
using MemberHandler = std::function<automation::Variant(CNotaroCtrl& ctrl, automation::InvokeKind kind,
                                                        const std::vector<automation::Variant>& args)>;

// A row of the member table: a member, by its DISPID, with its handler. The
// code of each subsystem gives the rows of the members it answers.
struct MemberRow {
  automation::DispId dispid;
  MemberHandler handler;
};
using MemberRows = std::vector<MemberRow>;

// _DNotaro as one build of the control answers it: each member's declaration
// (CNotaroCtrl::DispatchMap) with at most one handler.
class CNotaroMembers {
 public:
  CNotaroMembers() = default;
  explicit CNotaroMembers(const std::vector<MemberRows>& parts);
  // A deliverable's table, from the rows of every subsystem it links in;
  // throws std::logic_error naming each member left without a handler.
  static CNotaroMembers Complete(const std::vector<MemberRows>& parts);

  // Throws std::logic_error for a DISPID that is no member of _DNotaro or a
  // member that has a handler already.
  void Add(const MemberRows& rows);
  // Null for a member without a handler.
  const MemberHandler* Handler(automation::DispId id) const;
  // The members without a handler, in DISPID order.
  std::vector<std::string> Unanswered() const;

 private:
  std::vector<MemberHandler> m_handlers = std::vector<MemberHandler>(kNotaroMemberCount);
};

// The rows of the control's own members: the pen, remarker and stroke
// members, the remark window, the remark data file and page capture.
MemberRows ControlMembers();

class CNotaroCtrl : public automation::IDispatchObject, public IModifiedSink {
 public:
  explicit CNotaroCtrl(const Platform& platform = DefaultPlatform());
  ~CNotaroCtrl() override;

  static const automation::DispatchTable& DispatchMap();
  const automation::DispatchTable& Members() const override { return DispatchMap(); }
  automation::Variant Invoke(automation::DispId id, automation::InvokeKind kind,
                             const std::vector<automation::Variant>& args) override;

  // COleControl state the container sees.
  void SetModifiedFlag(bool modified) override { m_bModified = modified; }
  bool IsModified() const { return m_bModified; }
  // The container's persistent stream carries the remark data file only.
  void Serialize(IByteStream& stream, bool storing);

  CRemarkDoc& document() { return *m_pDocument; }
  const Platform& platform() const { return m_platform; }
  int transfer_state() const { return m_nTransferState; }
  // The transfer methods open the gate; it never closes again.
  void MarkTransferStarted() { m_nTransferState = kTransferReady; }
  IActiveRemarkView* active_view() const { return m_pActiveView; }
  void SetActiveView(IActiveRemarkView* view) { m_pActiveView = view; }
  // The window system the remark window opens in and the control's
  // top-level parent, which the window disables while it runs.
  void SetUi(ui::IUi* ui, ui::WindowHandle owner) {
    m_pUi = ui;
    m_hOwner = owner;
  }
  ui::IUi* ui() const { return m_pUi; }

  // The members of the interface built so far, callable from C++ too.
  std::uint32_t GetPenColor() const;
  void SetPenColor(std::uint32_t color);
  long GetPenWidth() const;
  void SetPenWidth(long width);
  bool GetToolbarHidden() const;
  void SetToolbarHidden(bool hidden);
  std::string GetRemarker() const;
  void SetRemarker(const std::string& name);
  bool GetReadOnly() const;
  void SetReadOnly(bool on);
  bool GetActiveInPlace() const;
  void SetActiveInPlace(bool on);
  void DeleteLastStroke();
  void DeleteUnconfirmedStrokes();
  void ConfirmRemark();
  void SetSelRemarker(long filter);
  // Nothing before a transfer, and nothing while the window is already open.
  void OpenRemark(bool readOnly);
  std::int32_t SaveToFile(const std::string& path);
  std::int32_t LoadFromFile(const std::string& path);
  void LoadDocument(const std::string& path);
  void LoadObject(const automation::DispatchPtr& document);
  // Where page pictures come from; the metafile, screen and code page ports
  // are the control's own.
  void SetCaptureAdapters(const CapturePorts& adapters);
  const CapturePorts& capture_ports() const { return m_capture; }
  // The member table: the control's own members until a deliverable sets its
  // whole table; a member without a handler is "not available".
  void SetMembers(CNotaroMembers members) { m_members = std::move(members); }
  // Hands more members to handlers (a build that links in part of the kit).
  void AddMembers(const MemberRows& rows) { m_members.Add(rows); }

 private:
  Platform m_platform;
  std::unique_ptr<CRemarkDoc> m_pDocument;
  int m_nTransferState = 0;
  IActiveRemarkView* m_pActiveView = nullptr;
  ui::IUi* m_pUi = nullptr;
  ui::WindowHandle m_hOwner = 0;
  bool m_bModified = false;
  CapturePorts m_capture;
  CNotaroMembers m_members = CNotaroMembers(std::vector<MemberRows>{ControlMembers()});
};

// Turns file-layer and format errors into the automation errors a script sees.
[[noreturn]] void RethrowAsAutomationError();

// setup, when given, runs on every new control (a host installs its extensions).
void RegisterNotaroControl(ClassRegistry& registry, std::function<void(CNotaroCtrl&)> setup = {});

}  // namespace kit::remark
