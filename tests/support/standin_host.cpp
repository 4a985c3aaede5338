#include "tests/support/standin_host.h"

#include <fstream>

namespace kit::testing {

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

void StandInHost::Install(posix::InProcessAutomation& automation) {
  automation.RegisterClass("Word.Application", [this, &automation] {
    automation::DispatchPtr app = word_.Application();
    automation.SetRunning("Word.Application", app);
    return app;
  });
  automation.RegisterClass("WPS.Document", [this] { return word_.WpsDocument(1); });
  automation.RegisterClass("WPSFile", [this] { return word_.WpsDocument(1); });
  automation.RegisterFileType(".doc", "Word.Document.8", [this](const std::string& p) { return word_.OpenDocument(p); });
  automation.RegisterFileType(".wps", "WPS.Document.6", [this](const std::string& p) { return word_.OpenWpsDocument(p); });
}

bool StandInHost::WriteLog(const std::string& path) const {
  std::ofstream out(path, std::ios::binary);
  for (const std::string& line : word_.Log()) out << line << '\n';
  return static_cast<bool>(out);
}

}  // namespace kit::testing
