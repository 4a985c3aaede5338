// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/word/standin_host.h"

#include <fstream>

#include "platform/posix/posix_paths.h"

namespace kit::sim {

void InProcessClipboardSink::PutMetafile(std::vector<std::uint8_t> bits) {
  if (!cb_.Open()) return;
  cb_.Empty();
  cb_.SetMetafile(std::move(bits));
  cb_.Close();
}

void InProcessClipboardSink::PutBitmap(ClipboardBitmap bitmap) {
  if (!cb_.Open()) return;
  cb_.Empty();
  cb_.SetBitmap(std::move(bitmap));
  cb_.Close();
}

void StandInHost::Install(sim::InProcessAutomation& automation) {
  // Word is given desktop paths (code page 936); native ones pass unchanged.
  word_.map_path = [](const std::string& path) { return !path.empty() && path[0] == '/' ? path : posix::NativePath(path); };
  automation.RegisterClass("Word.Application", [this, &automation] {
    automation::DispatchPtr app = word_.Application();
    automation.SetRunning("Word.Application", app);
    return app;
  });
  automation.RegisterClass("WPS.Document", [this] { return word_.WpsDocument(1); });
  automation.RegisterClass("WPSFile", [this] { return word_.WpsDocument(1); });
  // Opening a document starts Word, which then runs until it is told to quit.
  automation.RegisterFileType(".doc", "Word.Document.8", [this, &automation](const std::string& p) {
    automation.SetRunning("Word.Application", word_.Application());
    return word_.OpenDocument(p);
  });
  automation.RegisterFileType(".wps", "WPS.Document.6", [this](const std::string& p) { return word_.OpenWpsDocument(p); });
}

void StandInHost::SeedCommandBars(const ICodePage& codepage) {
  auto bar = [&codepage](const std::string& name, std::initializer_list<const char*> captions) {
    StandInBar b{name, true, {}};
    for (const char* c : captions) b.controls.push_back({codepage.FromUtf8(c), true});
    return b;
  };
  word_.bars = {
      bar("Standard", {"新建空白文档", "打开(&O)...", "保存(&S)", "打印(&P)"}),
      bar("Tools", {"拼写和语法(&S)...", "字数统计(&W)...", "修订(&T)", "保护文档(&P)...", "选项(&O)..."}),
      bar("Reviewing", {"修订", "审阅窗格", "保存版本", "接受修订(&A)", "拒绝修订/删除批注(&R)"}),
  };
}

void StandInHost::OpenForUser(sim::InProcessAutomation& automation, const std::string& path) {
  automation.SetRunning("Word.Application", word_.Application());
  word_.OpenDocument(path);
  word_.visible = true;
}

bool StandInHost::WriteLog(const std::string& path, const ICodePage& codepage) const {
  std::ofstream out(path, std::ios::binary);
  // Word is given system code page text; the log is read by people.
  for (const std::string& line : word_.Log()) out << codepage.ToUtf8(line) << '\n';
  return static_cast<bool>(out);
}

}  // namespace kit::sim
