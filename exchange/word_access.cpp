#include "exchange/word_access.h"

namespace kit::exchange {

using automation::CDispatchDriver;
using automation::Obtained;
using automation::Variant;

std::string g_savedUserName;

namespace {

void Tell(const WordPorts& ports, const char* text, unsigned style) {
  if (ports.dialogs != nullptr) ports.dialogs->MessageBox(ports.owner, text, std::string(), style);
}

}  // namespace

WordApp ObtainNewWord(const WordPorts& ports) {
  Obtained got = ports.automation->Create(kWordProgId);
  if (got.hr < 0 || !got.object) {
    Tell(ports, kMsgCreateFailed, kMbSetForeground);
    return {CDispatchDriver(), WordFailure::CreateFailed};
  }
  return {CDispatchDriver(std::move(got.object)), WordFailure::None, true};
}

WordApp ObtainRunningWord(const WordPorts& ports) {
  if (!ports.automation->IsRegistered(kWordProgId)) {
    Tell(ports, kMsgWordNotInstalled, mb::kOk);
    return {CDispatchDriver(), WordFailure::NotInstalled};
  }
  Obtained got = ports.automation->GetRunning(kWordProgId);
  if (got.hr == automation::kNoInterface) return {CDispatchDriver(), WordFailure::NoDispatch};
  if (got.hr < 0 || !got.object) {
    Tell(ports, kMsgWordNotRunning, mb::kOk);
    return {CDispatchDriver(), WordFailure::NotRunning};
  }
  return {CDispatchDriver(std::move(got.object)), WordFailure::None};
}

WordApp ObtainRunningOrNewWord(const WordPorts& ports) {
  if (!ports.automation->IsRegistered(kWordProgId)) {
    Tell(ports, kMsgWordNotInstalled, mb::kOk);
    return {CDispatchDriver(), WordFailure::NotInstalled};
  }
  Obtained got = ports.automation->GetRunning(kWordProgId);
  if (got.hr == automation::kNoInterface) return {CDispatchDriver(), WordFailure::NoDispatch};
  if (got.hr < 0 || !got.object) return ObtainNewWord(ports);
  return {CDispatchDriver(std::move(got.object)), WordFailure::None};
}

void QuitWord(const CDispatchDriver& app) {
  app.Call(wd::kAppQuit, {Variant::Missing(), Variant::Missing(), Variant::Missing()});
}

CDispatchDriver OpenDocument(const CDispatchDriver& app, const std::string& path) {
  return app.GetObject(wd::kAppDocuments).CallObject(wd::kDocsOpen, {Variant::Str(path)});
}

void HiddenWordGuard::QuitQuietly() const {
  if (app_ == nullptr) return;
  try {
    QuitWord(*app_);
  } catch (const automation::AutomationError&) {
    // It is gone already, or will not go; the first error is the one to report.
  }
}

namespace {
// The name the control last gave Word and has not given back yet.
std::string g_givenUserName;
}  // namespace

void SaveUserName(const CDispatchDriver& app) {
  std::string name = app.GetString(wd::kAppUserName);
  // A second edit in the same Word would otherwise keep our own name as
  // the user's, and the user's real name would never come back.
  if (!g_savedUserName.empty() && !g_givenUserName.empty() && name == g_givenUserName) return;
  g_savedUserName = std::move(name);
}

void SetUserName(const CDispatchDriver& app, const std::string& name) {
  app.Put(wd::kAppUserName, Variant::Str(name));
  g_givenUserName = name;
}

void RestoreUserName(const CDispatchDriver& app) {
  if (g_savedUserName.empty()) return;
  app.Put(wd::kAppUserName, Variant::Str(g_savedUserName));
  g_givenUserName.clear();
}

bool IsReviewCaption(const ICodePage& codepage, const std::string& caption) {
  // In UTF-8 a match can only start on a character, never inside a
  // double-byte one as a byte search over code page 936 could.
  const std::string text = codepage.ToUtf8(caption);
  for (const char* word : {"修订", "审阅", "保存版本"})
    if (text.find(word) != std::string::npos) return true;
  return false;
}

void SetReviewControlsEnabled(const WordPorts& ports, const std::string& flag) {
  const bool on = flag != "0";
  WordApp word = ObtainRunningWord(ports);
  if (word.failure == WordFailure::NoDispatch) {
    Tell(ports, kMsgNoDispatch, mb::kOk);
    return;
  }
  if (!word) return;
  const CDispatchDriver& app = word.app;
  app.Put(wd::kAppDisplayStatusBar, Variant::Bool(on));
  {
    CDispatchDriver bars = app.GetObject(wd::kAppCommandBars);
    for (std::int32_t i = 1; i <= bars.GetLong(wd::kBarsCount); ++i) {
      CDispatchDriver bar = bars.GetObject(wd::kBarsItem, {Variant::I2(static_cast<std::int16_t>(i))});
      CDispatchDriver controls = bar.GetObject(wd::kBarControls);
      for (std::int32_t j = 1; j <= controls.GetLong(wd::kControlsCount); ++j) {
        CDispatchDriver control = controls.GetObject(wd::kControlsItem, {Variant::I2(static_cast<std::int16_t>(j))});
        if (IsReviewCaption(*ports.codepage, control.GetString(wd::kControlCaption))) {
          control.Put(wd::kControlEnabled, Variant::Bool(on));
          bar.Put(wd::kBarEnabled, Variant::Bool(on));
        }
      }
    }
  }
  // Fails when Word has no document open; the rest then does not happen.
  app.Get(wd::kAppActiveDocument);
  CDispatchDriver bars = app.GetObject(wd::kAppCommandBars);
  CDispatchDriver tools = bars.GetObject(wd::kBarsItem, {Variant::Str("Tools")});
  CDispatchDriver controls = tools.GetObject(wd::kBarControls);
  CDispatchDriver revisions = controls.GetObject(wd::kControlsItem, {Variant::Str(ports.codepage->FromUtf8("修订(&T)"))});
  revisions.Put(wd::kControlEnabled, Variant::Bool(on));
}

std::int32_t ReMarkSet(const WordPorts& ports, const std::string& flag) {
  SetReviewControlsEnabled(ports, flag);
  return 0;
}

bool IsHaveWordPro(IProcesses& processes, const std::string& name) {
  const auto snapshot = processes.Snapshot();
  if (!snapshot) return false;
  // The first entry is the idle process and is never compared.
  for (std::size_t i = 1; i < snapshot->size(); ++i)
    if ((*snapshot)[i].exe == name) return true;
  return false;
}

std::int32_t KillWordPro(IProcesses& processes, const std::string& name) {
  const auto snapshot = processes.Snapshot();
  if (!snapshot) return 0;
  const std::uint32_t self = processes.CurrentProcessId();
  for (std::size_t i = 1; i < snapshot->size(); ++i) {
    const ProcessEntry& e = (*snapshot)[i];
    // Never ourselves, whatever our executable is called.
    if (e.exe == name && e.pid != self) processes.Terminate(e.pid, 0);
  }
  return 0;
}

}  // namespace kit::exchange
