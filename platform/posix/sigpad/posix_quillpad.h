// The signature pad on POSIX hosts: cairo draws, libjpeg-turbo encodes, and
// files live under the drive folders of the POSIX file system.
#pragma once
#include "ports/class_registry.h"
#include "ports/dialogs.h"
#include "ports/files.h"

namespace kit::posix {

// Registers "Quillpad.UCQuillpad"; `lookup` tests and makes the working
// folder, `dialogs` shows the pad's message box.
void RegisterQuillpad(ClassRegistry& registry, IFileLookup& lookup, IDialogs& dialogs);

}  // namespace kit::posix
