// The platform facilities the core is given. Each adapter set (platform/posix,
// platform/win32) provides DefaultPlatform(); tests put fakes in their own.
#pragma once
#include "ports/codepage.h"
#include "ports/emf.h"
#include "ports/files.h"
#include "ports/screen.h"

namespace kit {

struct Platform {
  IFileSystem* files;
  IScreenMetrics* screen;
  IMetafileFactory* metafiles;
  ICodePage* codepage;
};

Platform& DefaultPlatform();

}  // namespace kit
