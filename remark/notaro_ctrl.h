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

// Members answered by subsystems the deliverable links in (document exchange,
// Word operations); the control core knows none of them.
class IMemberExtension {
 public:
  virtual ~IMemberExtension() = default;
  // Answers the member and returns true, or returns false to pass it on.
  virtual bool TryInvoke(CNotaroCtrl& ctrl, automation::DispId id, const std::vector<automation::Variant>& args,
                         automation::Variant& result) = 0;
};

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
  // Asked in the order added, before a member counts as unavailable.
  void AddExtension(std::shared_ptr<IMemberExtension> extension) { m_extensions.push_back(std::move(extension)); }

 private:
  Platform m_platform;
  std::unique_ptr<CRemarkDoc> m_pDocument;
  int m_nTransferState = 0;
  IActiveRemarkView* m_pActiveView = nullptr;
  ui::IUi* m_pUi = nullptr;
  ui::WindowHandle m_hOwner = 0;
  bool m_bModified = false;
  CapturePorts m_capture;
  std::vector<std::shared_ptr<IMemberExtension>> m_extensions;
};

// Turns file-layer and format errors into the automation errors a script sees.
[[noreturn]] void RethrowAsAutomationError();

// setup, when given, runs on every new control (a host installs its extensions).
void RegisterNotaroControl(ClassRegistry& registry, std::function<void(CNotaroCtrl&)> setup = {});

}  // namespace kit::remark
