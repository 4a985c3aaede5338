// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/sigpad/quillpad_host.h"

#include "platform/posix/sigpad/cairo_dib_canvas.h"
#include "platform/posix/sigpad/libjpeg_writer.h"
#include "platform/posix/sigpad/posix_file_stamps.h"
#include "ports/platform.h"
#include "sigpad/quillpad_ctrl.h"
#include "sim/sigpad/pad_window.h"

namespace kit::sim {

namespace {
// The pad being signed at its creation; one at a time.
PadWindow* g_shown = nullptr;
}  // namespace

void RegisterQuillpad(ClassRegistry& registry, IFileLookup& lookup, IDialogs& dialogs, PadScreen screen) {
  static CairoDibCanvasFactory canvas;
  static LibjpegWriter jpeg;
  static PosixFileStamps stamps;
  std::function<void(sigpad::UCQuillpad&)> shown;
  if (screen.ui != nullptr) {
    shown = [screen](sigpad::UCQuillpad& pad) {
      if (screen.user_present && !screen.user_present()) return;
      if (g_shown != nullptr) return;  // one pad on the screen at a time
      PadWindow window(*screen.ui, pad, screen.owner);
      g_shown = &window;
      try {
        window.Run();
      } catch (...) {
        g_shown = nullptr;
        throw;
      }
      g_shown = nullptr;
    };
  }
  sigpad::RegisterQuillpadControl(registry, [&lookup, &dialogs] {
    sigpad::QuillpadPorts ports;
    ports.files = DefaultPlatform().files;
    ports.codepage = DefaultPlatform().codepage;
    ports.lookup = &lookup;
    ports.dialogs = &dialogs;
    ports.canvas = &canvas;
    ports.jpeg = &jpeg;
    ports.stamps = &stamps;
    // Pop-ups open on the window whose toolbar was clicked.
    ports.popup = [](const std::vector<sigpad::MenuItem>& items) -> std::optional<std::string> {
      PadWindow* window = PadWindow::Clicked();
      if (window == nullptr) return std::nullopt;
      return window->Popup(items);
    };
    return ports;
  }, std::move(shown));
}

std::unique_ptr<PadWindow> ShowPadWindow(ui::IUi& ui, automation::IDispatchObject& control, const RectL& place) {
  auto* pad = dynamic_cast<sigpad::UCQuillpad*>(&control);
  if (pad == nullptr) return nullptr;
  auto window = std::make_unique<PadWindow>(ui, *pad, 0, place);
  window->Show();
  return window;
}

}  // namespace kit::sim
