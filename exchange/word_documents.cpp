#include "exchange/word_documents.h"

#include <memory>

#include "exchange/local_files.h"

namespace kit::exchange {

using automation::AutomationError;
using automation::CDispatchDriver;
using automation::Variant;

std::string g_onlyread = "0";
std::string g_intohtml = "1";
std::string g_showtran = "1";
std::string g_toolbar = "0";

namespace {

constexpr std::int32_t kPositionFloating = 4;
constexpr std::int32_t kControlButton = 1;
constexpr std::int32_t kShowRevisionsCommand = 2042;
constexpr std::int32_t kButtonIconAndCaption = 3;
constexpr std::int32_t kProtectFormFields = 2;
constexpr std::int32_t kBlankDocument = 0;
constexpr std::size_t kMaxPath = 260;

std::vector<Variant> Missing(std::size_t n) { return std::vector<Variant>(n, Variant::Missing()); }

void Close(const CDispatchDriver& doc) { doc.Call(wd::kDocClose, Missing(3)); }

void SaveAs(const CDispatchDriver& doc, const std::string& path) {
  std::vector<Variant> args = Missing(11);
  args[0] = Variant::Str(path);
  doc.Call(wd::kDocSaveAs, args);
}

// Calls `visit` for every bookmark of `marks` named `name`; the count is read
// again before each index, as the collection can shrink while we go.
template <typename Visit>
void ForEachBookmarkNamed(const CDispatchDriver& marks, const std::string& name, Visit&& visit) {
  for (std::int32_t i = 1; i <= marks.GetLong(wd::kBookmarksCount); ++i) {
    CDispatchDriver mark = marks.CallObject(wd::kBookmarksItem, {Variant::I4(i)});
    if (mark.GetString(wd::kBookmarkName) == name) visit(mark.GetObject(wd::kBookmarkRange));
  }
}

}  // namespace

bool IsPlainAbsolutePath(const std::string& path) {
  if (path.size() < 4 || path.size() >= kMaxPath) return false;
  const char drive = path[0];
  if (!((drive >= 'a' && drive <= 'z') || (drive >= 'A' && drive <= 'Z')) || path[1] != ':' || path[2] != '\\')
    return false;
  std::size_t start = 3;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    // Every component a plain name: no "..", no device, no empty "\\".
    if (!IsPlainFileName(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

std::optional<std::string> CWordDocuments::CheckDocument(const std::string& name) {
  if (m_ports.lookup != nullptr) PrepareWorkingFolder(*m_ports.lookup);
  const std::optional<std::string> path = WorkingPath(name);
  if (!path || m_ports.lookup == nullptr || !m_ports.lookup->FindFirst(*path)) {
    if (m_ports.word.dialogs != nullptr)
      m_ports.word.dialogs->MessageBox(m_ports.word.owner, kMsgFileMissing, std::string(), mb::kOk);
  }
  return path;
}

std::int32_t CWordDocuments::Fetch(const std::string& url, const std::string& cookie,
                                   const std::optional<std::string>& target) {
  const bool stored = target && m_ports.download_to_file && m_ports.download_to_file(url, cookie, *target);
  return stored ? 0 : -1;
}

std::int32_t CWordDocuments::DownloadWordDoc(remark::CNotaroCtrl& ctrl, const std::string& url,
                                             const std::string& cookie, const std::string& name) {
  ctrl.MarkTransferStarted();
  if (m_ports.lookup != nullptr) PrepareWorkingFolder(*m_ports.lookup);
  return Fetch(url, cookie, WorkingPath(name));
}

std::int32_t CWordDocuments::DownloadWordFile(remark::CNotaroCtrl& ctrl, const std::string& url,
                                              const std::string& cookie, const std::string& target) {
  ctrl.MarkTransferStarted();
  return Fetch(url, cookie, IsPlainAbsolutePath(target) ? std::optional<std::string>(target) : std::nullopt);
}

std::int32_t CWordDocuments::DownloadWordGW(remark::CNotaroCtrl& ctrl, const std::string& url,
                                            const std::string& cookie, const std::string& name) {
  ctrl.MarkTransferStarted();
  if (m_ports.lookup != nullptr) PrepareExchangeFolder(*m_ports.lookup);
  return Fetch(url, cookie, ExchangePath(name));
}

std::int32_t CWordDocuments::EditWordInit(const remark::CNotaroCtrl& ctrl, const std::string& name) {
  if (ctrl.transfer_state() != remark::kTransferReady) return -1;
  const std::optional<std::string> path = CheckDocument(name);
  if (!path) return -1;
  WordApp word = ObtainNewWord(m_ports.word);
  if (!word) return 0;
  const CDispatchDriver& app = word.app;
  HiddenWordGuard guard(&app);
  guard.Run([&] {
    SaveUserName(app);
    CDispatchDriver doc = OpenDocument(app, *path);
    app.Put(wd::kAppVisible, Variant::Bool(true));
    guard.Shown();
    doc.Call(wd::kDocActivate);
  });
  return 0;
}

std::int32_t CWordDocuments::EditWord(const remark::CNotaroCtrl& ctrl, const std::string& name,
                                      const std::string& userName) {
  if (ctrl.transfer_state() != remark::kTransferReady) return -1;
  const std::optional<std::string> path = CheckDocument(name);
  if (!path) return -1;
  WordApp word = ObtainRunningOrNewWord(m_ports.word);
  if (word.failure == WordFailure::NoDispatch && m_ports.word.dialogs != nullptr)
    m_ports.word.dialogs->MessageBox(m_ports.word.owner, kMsgNoDispatch, std::string(), mb::kOk);
  if (!word) return 0;
  const CDispatchDriver& app = word.app;
  HiddenWordGuard guard(word.created ? &app : nullptr);
  const ICodePage& cp = *m_ports.word.codepage;
  guard.Run([&] {
    SaveUserName(app);
    SetUserName(app, userName);
    CDispatchDriver doc = OpenDocument(app, *path);
    doc.Put(wd::kDocTrackRevisions, Variant::Bool(true));
    const bool show = g_showtran == "1";
    doc.Put(wd::kDocPrintRevisions, Variant::Bool(show));
    doc.Put(wd::kDocShowRevisions, Variant::Bool(show));
    if (g_onlyread != "1") {
      app.Put(wd::kAppVisible, Variant::Bool(true));
      guard.Shown();
      if (g_toolbar == "1") {
        CDispatchDriver bars = doc.GetObject(wd::kDocCommandBars);
        const std::string barName = cp.FromUtf8(kRevisionBarName);
        CDispatchDriver bar;
        // A Word that is still running has the bar from the last time; a
        // second one of the same name is refused.
        try {
          bar = bars.GetObject(wd::kBarsItem, {Variant::Str(barName)});
        } catch (const AutomationError&) {
          bar = bars.CallObject(wd::kBarsAdd, {Variant::Str(barName), Variant::I2(kPositionFloating),
                                               Variant::Bool(false), Variant::Bool(true)});
        }
        bar.Put(wd::kBarVisible, Variant::Bool(true));
        CDispatchDriver button = bar.GetObject(wd::kBarControls)
                                     .CallObject(wd::kControlsAdd,
                                                 {Variant::I4(kControlButton), Variant::I4(kShowRevisionsCommand),
                                                  Variant::Missing(), Variant::Missing(), Variant::Bool(true)});
        button.Put(wd::kButtonStyle, Variant::I4(kButtonIconAndCaption));
        button.Put(wd::kButtonCaption, Variant::Str(cp.FromUtf8(kRevisionButtonCaption)));
        button.Put(wd::kButtonTooltipText, Variant::Str(cp.FromUtf8(kRevisionButtonTooltip)));
        button.Put(wd::kButtonVisible, Variant::Bool(true));
      }
    } else {
      doc.Call(wd::kDocProtect, {Variant::I4(kProtectFormFields), Variant::Bool(false), Variant::Missing()});
      SaveAs(doc, kScratchDocument);
      app.Put(wd::kAppVisible, Variant::Bool(true));
      guard.Shown();
    }
    doc.Call(wd::kDocActivate);
    app.Call(wd::kAppActivate);
  });
  return 0;
}

bool CWordDocuments::SetEditEnabled(const std::string& name, const std::string& userName, const std::string& flag) {
  if (m_ports.lookup != nullptr) PrepareWorkingFolder(*m_ports.lookup);
  const std::optional<std::string> path = WorkingPath(name);
  if (!path) return false;
  if (m_ports.lookup == nullptr || !m_ports.lookup->FindFirst(*path)) {
    WordApp maker = ObtainNewWord(m_ports.word);
    if (!maker) return false;
    const CDispatchDriver& app = maker.app;
    HiddenWordGuard guard(&app);
    guard.Run([&] {
      app.Put(wd::kAppVisible, Variant::Bool(false));
      CDispatchDriver doc = app.GetObject(wd::kAppDocuments)
                                .CallObject(wd::kDocsAdd, {Variant::Str(std::string()), Variant::Bool(false),
                                                           Variant::I4(kBlankDocument), Variant()});
      SaveAs(doc, *path);
      Close(doc);
      QuitWord(app);
    });
  }
  WordApp word = ObtainNewWord(m_ports.word);
  if (!word) return false;
  const CDispatchDriver& app = word.app;
  HiddenWordGuard guard(&app);
  const ICodePage& cp = *m_ports.word.codepage;
  guard.Run([&] {
    app.Put(wd::kAppVisible, Variant::Bool(false));
    SaveUserName(app);
    SetUserName(app, userName);
    CDispatchDriver doc = OpenDocument(app, *path);
    doc.Put(wd::kDocTrackRevisions, Variant::Bool(true));
    CDispatchDriver bars = app.GetObject(wd::kAppCommandBars);
    auto control = [&](const char* bar, const char* caption) {
      return bars.GetObject(wd::kBarsItem, {Variant::Str(bar)})
          .GetObject(wd::kBarControls)
          .GetObject(wd::kControlsItem, {Variant::Str(cp.FromUtf8(caption))});
    };
    CDispatchDriver revisions = control("Tools", kToolsRevisions);
    CDispatchDriver accept = control("Reviewing", kAcceptRevision);
    CDispatchDriver reject = control("Reviewing", kRejectRevision);
    if (flag != "1") {
      app.Put(wd::kAppDisplayStatusBar, Variant::Bool(false));
      for (const CDispatchDriver* c : {&revisions, &accept, &reject}) c->Put(wd::kControlEnabled, Variant::Bool(false));
    }
    SetReviewControlsEnabled(m_ports.word, "1");
    Close(doc);
    QuitWord(app);
  });
  return false;
}

bool CWordDocuments::UniteWord(const std::string& target, const std::string& bookmark, const std::string& inserted) {
  const std::optional<std::string> targetPath = CheckDocument(target);
  const std::optional<std::string> insertedPath = CheckDocument(inserted);
  if (!targetPath || !insertedPath) return false;
  WordApp word = ObtainNewWord(m_ports.word);
  if (!word) return true;
  const CDispatchDriver& app = word.app;
  HiddenWordGuard guard(&app);
  guard.Run([&] {
    {
      CDispatchDriver source = OpenDocument(app, *insertedPath);
      source.GetObject(wd::kDocContent).Call(wd::kRangeCopy);
      Close(source);
    }
    CDispatchDriver doc = OpenDocument(app, *targetPath);
    CDispatchDriver marks = doc.GetObject(wd::kDocBookmarks);
    doc.Put(wd::kDocTrackRevisions, Variant::Bool(false));
    ForEachBookmarkNamed(marks, bookmark, [](const CDispatchDriver& range) { range.Call(wd::kRangePaste); });
    doc.Call(wd::kDocSave);
    QuitWord(app);
  });
  return true;
}

void CWordDocuments::SetBookMark(const std::string& name, const std::string& markName,
                                 const std::string& markContent) {
  const std::optional<std::string> path = CheckDocument(name);
  if (!path) return;
  WordApp word = ObtainNewWord(m_ports.word);
  if (!word) return;
  const CDispatchDriver& app = word.app;
  HiddenWordGuard guard(&app);
  guard.Run([&] {
    CDispatchDriver doc = OpenDocument(app, *path);
    CDispatchDriver marks = doc.GetObject(wd::kDocBookmarks);
    doc.Put(wd::kDocTrackRevisions, Variant::Bool(false));
    ForEachBookmarkNamed(marks, markName,
                         [&](const CDispatchDriver& range) { range.Put(wd::kRangeText, Variant::Str(markContent)); });
    doc.Call(wd::kDocSave);
    QuitWord(app);
  });
}

remark::MemberRows WordDocumentMembers(const WordDocumentPorts& ports) {
  using automation::InvokeKind;
  using remark::CNotaroCtrl;
  using Args = std::vector<Variant>;
  auto docs = std::make_shared<CWordDocuments>(ports);
  // The settings members store the page's text as it is and return TRUE.
  auto setting = [](std::string& value) {
    return [&value](CNotaroCtrl&, InvokeKind, const Args& a) {
      value = a[0].AsStr();
      return Variant::Bool(true);
    };
  };
  // NewWordDoc and Savehtm do nothing but answer the transfer gate.
  auto gate = [](CNotaroCtrl& ctrl, InvokeKind, const Args&) {
    return Variant::Error(ctrl.transfer_state() == remark::kTransferReady ? 0 : -1);
  };
  return {
      {remark::DISPID_DownloadWordDoc,
       [docs](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Error(docs->DownloadWordDoc(ctrl, a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
      {remark::DISPID_DownloadWordFile,
       [docs](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Error(docs->DownloadWordFile(ctrl, a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
      {remark::DISPID_DownloadWordGW,
       [docs](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Error(docs->DownloadWordGW(ctrl, a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
      {remark::DISPID_NewWordDoc, gate},
      {remark::DISPID_EditWordInit,
       [docs](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Error(docs->EditWordInit(ctrl, a[0].AsStr()));
       }},
      {remark::DISPID_EditWord,
       [docs](CNotaroCtrl& ctrl, InvokeKind, const Args& a) {
         return Variant::Error(docs->EditWord(ctrl, a[0].AsStr(), a[1].AsStr()));
       }},
      {remark::DISPID_SetEditEnabled,
       [docs](CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::Bool(docs->SetEditEnabled(a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
      {remark::DISPID_Savehtm, gate},
      {remark::DISPID_SetOnlyRead, setting(g_onlyread)},
      {remark::DISPID_SetIntoHtml, setting(g_intohtml)},
      {remark::DISPID_SetBookMark,
       [docs](CNotaroCtrl&, InvokeKind, const Args& a) {
         docs->SetBookMark(a[0].AsStr(), a[1].AsStr(), a[2].AsStr());
         return Variant();
       }},
      {remark::DISPID_SetShowMark, setting(g_showtran)},
      {remark::DISPID_SetShowToolbar, setting(g_toolbar)},
      {remark::DISPID_SetNoShowMark,
       [](CNotaroCtrl&, InvokeKind, const Args&) {
         g_showtran = "0";
         return Variant::Bool(true);
       }},
      {remark::DISPID_UniteWord,
       [docs](CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::Bool(docs->UniteWord(a[0].AsStr(), a[1].AsStr(), a[2].AsStr()));
       }},
  };
}

}  // namespace kit::exchange
