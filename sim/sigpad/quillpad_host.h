// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The signature pad on POSIX hosts: cairo draws, libjpeg-turbo encodes, and
// files live under the drive folders of the POSIX file system.
#pragma once
#include <functional>
#include <memory>

#include "ports/class_registry.h"
#include "ports/dialogs.h"
#include "ports/files.h"
#include "ports/ui.h"
#include "sim/sigpad/pad_window.h"

namespace kit::sim {

// Where a new pad is shown: with a window system whose user is there, each
// pad opens in a frame owned by `owner` as soon as it is created, and the
// page gets it once the user has closed that frame.
struct PadScreen {
  ui::IUi* ui = nullptr;
  ui::WindowHandle owner = 0;
  std::function<bool()> user_present;
};

// Registers "Quillpad.UCQuillpad"; `lookup` tests and makes the working
// folder, `dialogs` shows the pad's message box.
void RegisterQuillpad(ClassRegistry& registry, IFileLookup& lookup, IDialogs& dialogs, PadScreen screen = {});

// The pad as a modeless window of its own, shown with its client area at
// `place` on the screen, for a host that has no page to hold it; null when
// `control` is no pad. The window must go before the pad does.
std::unique_ptr<PadWindow> ShowPadWindow(ui::IUi& ui, automation::IDispatchObject& control, const RectL& place);

}  // namespace kit::sim
